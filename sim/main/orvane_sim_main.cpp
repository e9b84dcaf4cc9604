// orvane-sim: the simulated modem as a process of its own, for the demo and for trying the
// application by hand.

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/app_folder.h"
#include "sim/sim_modem.h"
#include "sim/sim_options.h"

namespace {

// Acts on every complete line in pending and keeps the unfinished tail.
void runCommands(sim::SimModem& modem, std::string& pending,
                 const sim::SimCommandLine& commandLine) {
    std::size_t end = 0;
    while ((end = pending.find('\n')) != std::string::npos) {
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (line.find_first_not_of(" \t\r") == std::string::npos) {
            continue;
        }
        try {
            sim::runSimCommand(modem, line, commandLine);
        } catch (const sim::UsageError& error) {
            std::cerr << "orvane-sim: " << error.what() << std::endl;
        }
    }
}

// Serves until SIGINT or SIGTERM, reading the command channel meanwhile when asked to.
void serve(sim::SimModem& modem, const sim::SimCommandLine& commandLine,
           const sigset_t& stopSignals) {
    const int signals = ::signalfd(-1, &stopSignals, SFD_CLOEXEC);
    if (signals < 0) {
        throw std::system_error(errno, std::generic_category(), "signalfd");
    }
    bool reading = commandLine.commands;
    std::string pending;
    for (;;) {
        std::array<pollfd, 2> fds{{{signals, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}}};
        if (::poll(fds.data(), reading ? 2 : 1, -1) < 0) {
            continue;  // EINTR
        }
        if (fds[0].revents & POLLIN) {
            break;
        }
        if (reading && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            std::array<char, 1024> buffer{};
            const ssize_t got = ::read(STDIN_FILENO, buffer.data(), buffer.size());
            if (got <= 0) {
                // The channel closed: the modem serves on without it.
                reading = false;
                pending += '\n';
            } else {
                pending.append(buffer.data(), static_cast<std::size_t>(got));
            }
            runCommands(modem, pending, commandLine);
        }
    }
    ::close(signals);
}

}  // namespace

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
    // signals reach the signalfd below.
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
        std::size_t slot = 1;
        for (const std::string& text : commandLine.messages) {
            modem.storeMessage(slot++, sim::StoredMessage::fromText(commandLine.sender, text));
        }
        modem.start();
        modem.linkAs(platform::applicationFolder(), commandLine.port);
        std::cout << modem.slavePath() << std::endl;
        serve(modem, commandLine, stopSignals);
        modem.stop();
    } catch (const std::exception& error) {
        std::cerr << "orvane-sim: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
