// orvane-sim: the simulated modem as a process of its own, for the demo and for trying the
// application by hand.

#include <pthread.h>
#include <signal.h>

#include <exception>
#include <iostream>
#include <string_view>
#include <vector>

#include "platform/app_folder.h"
#include "sim/sim_modem.h"
#include "sim/sim_options.h"

int main(int argc, char** argv) {
    sim::SimCommandLine commandLine;
    try {
        commandLine =
            sim::parseSimCommandLine(std::vector<std::string_view>(argv + 1, argv + argc));
    } catch (const sim::UsageError& error) {
        std::cerr << "orvane-sim: " << error.what() << "\nTry 'orvane-sim --help'.\n";
        return 2;
    }
    if (commandLine.help) {
        std::cout << sim::simUsage();
        return 0;
    }
    // Blocked before the service thread starts, so that thread inherits the mask and the
    // signals reach sigwait below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        if (commandLine.appFolder) {
            platform::setApplicationFolder(*commandLine.appFolder);
        }
        sim::SimModem modem(commandLine.options);
        modem.start();
        modem.linkAs(platform::applicationFolder(), commandLine.port);
        std::cout << modem.slavePath() << std::endl;

        int signal = 0;
        sigwait(&stopSignals, &signal);
        modem.stop();
    } catch (const std::exception& error) {
        std::cerr << "orvane-sim: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
