#include "platform/stop_signals.h"

#include <signal.h>

#include <atomic>

namespace platform {
namespace {

std::atomic<bool> g_stopSignalled{false};

void onStopSignal(int /*signal*/) {
    g_stopSignalled = true;
}

}  // namespace

void installStopSignals() {
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool stopSignalled() {
    return g_stopSignalled;
}

bool takeStopSignal() {
    return g_stopSignalled.exchange(false);
}

}  // namespace platform
