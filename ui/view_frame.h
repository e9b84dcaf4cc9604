#pragma once

// One help page: an HTML file in the browser view or a text file in the read-only text box,
// with a message panel along the bottom that says why a page could not be shown.

#include <QFrame>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "common/msg_strings.h"

namespace Ui {
class TViewFrame;
}

class TViewFrame : public QFrame {
    Q_OBJECT

public:
    explicit TViewFrame(QWidget* parent = nullptr);
    ~TViewFrame() override;
    TViewFrame(const TViewFrame&) = delete;
    TViewFrame& operator=(const TViewFrame&) = delete;

    // Shows the file at path; false, with the reason in the message panel, when it cannot.
    // A failed page leaves the view that showed the last good one.
    bool showFile(const std::filesystem::path& path);

    // Extensions compared in lower case; every extension that is not HTML is shown as text.
    Msg::Strings htmlExtensions;
    Msg::Strings textExtensions;

    // What the frame shows, for the window and for tests.
    bool browserShown() const;
    bool memoShown() const;
    bool messageShown() const;
    std::string messageText() const;  // 1251

private:
    bool showHtml(const std::filesystem::path& path);
    bool showText(const std::filesystem::path& path);
    // The path is shown as system text, "?" for what 1251 lacks.
    void showMessage(std::string_view format, const std::filesystem::path& path);
    void switchToMemo();
    void switchToBrowser();

    std::unique_ptr<Ui::TViewFrame> m_ui;
    std::string m_message;  // 1251
};
