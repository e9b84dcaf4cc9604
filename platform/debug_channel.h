#pragma once

// The developers' trace channel. By default every line goes to syslog at LOG_DEBUG with the
// program's name as ident (`journalctl -t orvane`); the operator never sees it. Tests put
// their own sink in place.

#include <functional>
#include <string_view>

namespace platform {

// Receives one trace text in 1251, exactly as written.
using DebugSink = std::function<void(std::string_view text)>;

void debugOutput(std::string_view text);

// Replaces the sink; an empty function restores syslog. Returns the previous sink.
DebugSink setDebugSink(DebugSink sink);

}  // namespace platform
