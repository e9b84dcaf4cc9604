// orvane: the desktop modem test tool.

#include <signal.h>

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <atomic>
#include <clocale>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <system_error>

#include "common_storage/one_inst_checker.h"
#include "platform/app_folder.h"
#include "platform/qt/qt_ui_binding.h"
#include "platform/stop_signals.h"
#include "platform/ui_thread.h"
#include "ui/desktop_platform.h"
#include "ui/message_copy.h"
#include "ui/t_main_form.h"

namespace {

constexpr std::uint32_t kSignalPollMs = 50;

}  // namespace

int main(int argc, char** argv) {
    // Relative paths (the help window's "debug.log" among them) are meant to land beside the
    // program, as they would with a shortcut that starts it in its own folder.
    std::error_code ignored;
    std::filesystem::current_path(platform::applicationFolder(), ignored);

    auto platform = std::make_unique<ui::QtPlatformChoice>(std::getenv("QT_QPA_PLATFORM"),
                                                           std::getenv("DISPLAY"));
    if (!platform->platform().empty()) {
        ::setenv("QT_QPA_PLATFORM", platform->platform().c_str(), 1);
    }
    QApplication app(argc, argv);
    platform.reset();
    std::setlocale(LC_NUMERIC, "C");  // Qt took the environment's conventions
    ui::useUtf8CharacterType();
    platform::QtUiBinding binding;

    QtWarningBox warningBox;
    if (is_already_running(kInstanceMutexName, true, kInstanceWarningCaption, warningBox)) {
        return 0;
    }

    try {
        // Test seam: the end-to-end tests read the message table through this copy.
        const char* messageCopy = std::getenv(MessageCopy::kEnvironmentVariable);
        TMainForm form(nullptr, messageCopy != nullptr ? messageCopy : "");
        platform::installStopSignals();
        // The handler only raises a flag; closing the window belongs to the event loop, and
        // it closes as its close button would.
        platform::UiTimer signalPoll(
            [&form] {
                if (platform::takeStopSignal()) {
                    form.close();
                }
            },
            kSignalPollMs);
        signalPoll.start();
        form.show();
        const int result = QApplication::exec();
        signalPoll.stop();
        return result;
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QString(), QString::fromLocal8Bit(error.what()));
        return 1;
    }
}
