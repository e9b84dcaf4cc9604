#include "ui/help_manager.h"

#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "platform/app_folder.h"
#include "platform/cp1251.h"
#include "platform/cp1251_case.h"
#include "ui/help_form.h"
#include "ui/view_frame.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kAdditionalHelpFolder = "cfg_help";

bool pathExists(const fs::path& path) {
    std::error_code error;
    return fs::exists(path, error);
}

// The entry of folder named like name without letter case; the first in byte order when
// several differ only in case, so the choice is the same on every machine.
fs::path entryIgnoringCase(const fs::path& folder, std::string_view name) {
    std::vector<std::string> matches;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) {
        return {};
    }
    for (const fs::directory_iterator end; it != end; it.increment(error)) {
        if (error) {
            break;
        }
        std::string found = it->path().filename().string();
        if (platform::equalsNoCaseFileName(found, name)) {
            matches.push_back(std::move(found));
        }
    }
    if (matches.empty()) {
        return {};
    }
    return folder / *std::min_element(matches.begin(), matches.end());
}

// A name ("\" or "/" separated, UTF-8) inside folder, each part taken as written when it
// exists and otherwise as the entry that differs only in letter case. Parts that match
// nothing stay as written, so a missing page still has a path to report.
fs::path resolveIgnoringCase(const fs::path& folder, std::string_view storedName) {
    fs::path path = folder;
    bool found = true;
    std::size_t begin = 0;
    while (begin <= storedName.size()) {
        std::size_t end = storedName.find_first_of("\\/", begin);
        if (end == std::string_view::npos) {
            end = storedName.size();
        }
        const std::string_view part = storedName.substr(begin, end - begin);
        begin = end + 1;
        if (part.empty()) {
            continue;
        }
        fs::path next = path / part;
        if (found && !pathExists(next)) {
            fs::path other = entryIgnoringCase(path, part);
            found = !other.empty();
            if (found) {
                next = std::move(other);
            }
        }
        path = std::move(next);
    }
    return path;
}

// True when the last part of a stored name has a ".".
bool hasExtension(std::string_view storedName) {
    const std::size_t slash = storedName.find_last_of("\\/");
    const std::size_t dot = storedName.rfind('.');
    return dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash);
}

// The first of name + extension (1251) that exists, HTML before text; blank when none does.
fs::path firstExisting(const fs::path& folder, std::string_view name,
                       const Msg::Strings& htmlExtensions, const Msg::Strings& textExtensions) {
    for (const Msg::Strings* extensions : {&htmlExtensions, &textExtensions}) {
        for (const std::string& extension : *extensions) {
            fs::path path =
                resolveIgnoringCase(folder, std::string(name) + platform::cp1251ToUtf8(extension));
            if (pathExists(path)) {
                return path;
            }
        }
    }
    return {};
}

}  // namespace

void appendTraceLine(const char* file, std::string_view line) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(file, "a"), &std::fclose);
    if (!out) {
        return;
    }
    std::fwrite(line.data(), 1, line.size(), out.get());
    std::fputc('\n', out.get());
}

HelpManager::HelpManager(QWidget* parent) : m_parent(parent) {}

HelpManager::~HelpManager() {
    delete m_additionalFrame.data();
    delete m_commonFrame.data();
    delete m_window.data();
}

void HelpManager::setCommonFile(std::string_view name) {
    m_commonFile = name;
    notifyAvailability();
}

void HelpManager::setAdditionalFile(std::string_view name) {
    m_additionalFile = name;
    if (m_window && m_window->isVisible()) {
        showHelp();
    }
    notifyAvailability();
}

fs::path HelpManager::commonPath() const {
    const fs::path folder = platform::applicationFolder();
    const std::string name = platform::cp1251ToUtf8(m_commonFile);
    if (hasExtension(name)) {
        return resolveIgnoringCase(folder, name);
    }
    return firstExisting(folder, name, htmlExtensions, textExtensions);
}

fs::path HelpManager::additionalPath() const {
    // No list chosen means no page; a hidden ".html" in the folder is nobody's help.
    if (m_additionalFile.empty()) {
        return {};
    }
    return firstExisting(platform::applicationFolder() / kAdditionalHelpFolder, m_additionalFile,
                         htmlExtensions, textExtensions);
}

bool HelpManager::helpAvailable() const {
    return !commonPath().empty() || !additionalPath().empty();
}

void HelpManager::showHelp() {
    if (!m_window) {
        m_window = new THelpForm(m_parent);
        m_commonFrame = new TViewFrame;
        m_additionalFrame = new TViewFrame;
        for (TViewFrame* frame : {m_commonFrame.data(), m_additionalFrame.data()}) {
            frame->htmlExtensions = htmlExtensions;
            frame->textExtensions = textExtensions;
        }
        m_window->placeOnTab(THelpForm::kCommonTab, m_commonFrame);
        m_window->placeOnTab(THelpForm::kAdditionalTab, m_additionalFrame);
    }
    appendTraceLine(kHelpTraceFile, "visible before");
    m_window->show();
    appendTraceLine(kHelpTraceFile, "visible after");
    m_commonFrame->showFile(commonPath());
    m_additionalFrame->showFile(additionalPath());
    appendTraceLine(kHelpTraceFile, "quit");
}

void HelpManager::closeHelp() {
    if (m_window) {
        m_window->hide();
    }
}

void HelpManager::notifyAvailability() {
    if (onAvailabilityChanged) {
        onAvailabilityChanged(helpAvailable());
    }
}
