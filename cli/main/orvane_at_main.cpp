// orvane-at: the modem engine in the operator's hands (send, watch, dial, answer).

#include <QCoreApplication>
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/at_options.h"
#include "cli/at_session.h"
#include "cli/stop_watcher.h"
#include "platform/qt/qt_ui_binding.h"

int main(int argc, char** argv) {
    std::string error;
    const std::optional<AtOptions> options =
        parseAtOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::fprintf(stderr, "orvane-at: %s\nTry 'orvane-at --help'.\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(atUsage().c_str(), stdout);
        return 0;
    }

    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");  // Qt took the environment's conventions
    platform::QtUiBinding binding;

    // No single-instance lock: the port's exclusive open keeps two programs off one modem.
    // The settings are only read (Config::destroy, which saves them, is never called).
    AtSession session(*options, stdout, stderr);
    session.onFinished = [] { QCoreApplication::quit(); };
    {
        const StopWatcher watcher([&session] { session.interrupt(); });
        if (session.begin()) {
            QCoreApplication::exec();
        }
    }
    return session.end();
}
