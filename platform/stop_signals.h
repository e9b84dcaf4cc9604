#pragma once

// SIGINT and SIGTERM as a request to stop, for the programs' event loops to poll: the handler
// only raises a flag, the stop itself runs where it belongs (the user-interface thread).

namespace platform {

void installStopSignals();
// True once SIGINT or SIGTERM has arrived; takeStopSignal also lowers the flag again.
bool stopSignalled();
bool takeStopSignal();

}  // namespace platform
