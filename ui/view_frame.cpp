#include "ui/view_frame.h"

#include <QString>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/cp1251.h"
#include "platform/cp1251_case.h"
#include "ui_view_frame.h"

using namespace platform::literals;
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Only plain files count: opening a FIFO named like a page would hang the window.
bool isReadableFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

bool readWholeFile(const fs::path& path, std::string& content) {
    if (path.empty() || !isReadableFile(path)) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// From the last "." of the file name on, as lower-case 1251; empty when the name has no ".".
std::string lowerExtension(const fs::path& path) {
    const std::string name = path.filename().string();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        return {};
    }
    return platform::foldedCp1251(platform::utf8ToCp1251(std::string_view(name).substr(dot)));
}

// Help files come from Windows in 1251 or from a Linux editor in UTF-8.
QString textOfFile(std::string content) {
    if (content.starts_with(kUtf8ByteOrderMark)) {
        content.erase(0, kUtf8ByteOrderMark.size());
    }
    std::string utf8 =
        platform::looksLikeUtf8(content) ? std::move(content) : platform::cp1251ToUtf8(content);
    std::erase(utf8, '\r');
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace

TViewFrame::TViewFrame(QWidget* parent)
    : QFrame(parent),
      htmlExtensions{".html", ".htm"},
      textExtensions{".txt"},
      m_ui(std::make_unique<Ui::TViewFrame>()) {
    m_ui->setupUi(this);
    switchToMemo();
}

// The browser view loads synchronously: nothing is left running to stop.
TViewFrame::~TViewFrame() = default;

bool TViewFrame::showFile(const fs::path& path) {
    if (!m_ui->Panel_Message->isHidden()) {
        m_ui->Panel_Message->hide();
    }
    std::error_code error;
    if (path.empty() || !fs::exists(path, error)) {
        showMessage("Файл помощи %s не обнаружен"_cp1251, path);
        return false;
    }
    const std::string extension = lowerExtension(path);
    if (std::find(htmlExtensions.begin(), htmlExtensions.end(), extension) !=
        htmlExtensions.end()) {
        return showHtml(path);
    }
    return showText(path);
}

bool TViewFrame::showHtml(const fs::path& path) {
    switchToBrowser();
    // The browser view reports no failure of its own, so the page is opened first: a page
    // that cannot be opened is a failed navigation.
    if (!isReadableFile(path) || !std::ifstream(path, std::ios::binary)) {
        showMessage("Не удалось отобразить файл %s"_cp1251, path);
        return false;
    }
    m_ui->WebBrowser->setSource(QUrl::fromLocalFile(QString::fromStdString(path.string())));
    return true;
}

bool TViewFrame::showText(const fs::path& path) {
    std::string content;
    if (!readWholeFile(path, content)) {
        showMessage("Не удалось прочитать файл %s"_cp1251, path);
        return false;
    }
    m_ui->Memo->setPlainText(textOfFile(std::move(content)));
    switchToMemo();
    return true;
}

void TViewFrame::showMessage(std::string_view format, const fs::path& path) {
    // Filled by hand rather than by printf: a path may hold "%".
    m_message.assign(format);
    const std::size_t at = m_message.find("%s");
    if (at != std::string::npos) {
        m_message.replace(at, 2, platform::pathToText(path));
    }
    m_ui->Label_Message->setText(QString::fromStdString(platform::cp1251ToUtf8(m_message)));
    m_ui->Panel_Message->show();
}

void TViewFrame::switchToMemo() {
    m_ui->Panel_WebBrowser->hide();
    m_ui->Memo->show();
    m_ui->Panel_Memo->show();
}

void TViewFrame::switchToBrowser() {
    m_ui->Panel_Memo->hide();
    m_ui->WebBrowser->show();
    m_ui->Panel_WebBrowser->show();
}

bool TViewFrame::browserShown() const {
    return !m_ui->Panel_WebBrowser->isHidden();
}

bool TViewFrame::memoShown() const {
    return !m_ui->Panel_Memo->isHidden();
}

bool TViewFrame::messageShown() const {
    return !m_ui->Panel_Message->isHidden();
}

std::string TViewFrame::messageText() const {
    return m_message;
}
