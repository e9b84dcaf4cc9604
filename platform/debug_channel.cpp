#include "platform/debug_channel.h"

#include <syslog.h>

#include <mutex>
#include <string>

#include "platform/cp1251.h"

namespace platform {
namespace {

// Guards the sink; trace lines arrive from every thread that talks to a modem.
std::mutex& sinkMutex() {
    static std::mutex mutex;
    return mutex;
}

DebugSink& currentSink() {
    static DebugSink sink;
    return sink;
}

void syslogOutput(std::string_view text) {
    // openlog's default ident is the program name, which is what `journalctl -t` filters on.
    const std::string line = cp1251ToUtf8(text);
    syslog(LOG_USER | LOG_DEBUG, "%s", line.c_str());
}

}  // namespace

void debugOutput(std::string_view text) {
    std::lock_guard<std::mutex> lock(sinkMutex());
    const DebugSink& sink = currentSink();
    if (sink) {
        sink(text);
    } else {
        syslogOutput(text);
    }
}

DebugSink setDebugSink(DebugSink sink) {
    std::lock_guard<std::mutex> lock(sinkMutex());
    DebugSink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}

}  // namespace platform
