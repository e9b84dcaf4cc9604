#include "common_storage/application_adjuster.h"

#include <clocale>
#include <filesystem>
#include <system_error>

#include "platform/cp1251.h"
#include "platform/ini_file.h"

using namespace platform::literals;

namespace {

constexpr std::string_view kCaptionSection = "Общие"_cp1251;
constexpr std::string_view kKeyCaption = "Заголовок"_cp1251;

}  // namespace

ApplicationAdjuster::ApplicationAdjuster(MainWindowAccess& form, bool loadAtStart)
    : WindowPlacer(form, loadAtStart),
      m_captionSection(kCaptionSection),
      m_caption(form.caption()),
      m_form(&form) {
    // Numbers are written and parsed with "." whatever the operator's regional settings
    // say: settings files and logs must read the same on every machine.
    std::setlocale(LC_NUMERIC, "C");
    std::error_code error;
    if (!ini_path().empty() && std::filesystem::exists(ini_path(), error)) {
        m_caption =
            platform::IniFile(ini_path()).readString(m_captionSection, kKeyCaption, m_caption);
    }
    m_form->setApplicationTitle(m_caption);
    m_form->setCaption(m_caption);
}

ApplicationAdjuster::~ApplicationAdjuster() {
    if (ini_path().empty()) {
        return;
    }
    try {
        platform::IniFile(ini_path()).writeString(m_captionSection, kKeyCaption, m_form->caption());
    } catch (...) {
        // As with the placement: a caption that cannot be stored must not end the program.
    }
}
