#pragma once

// The user-interface thread services bound to the Qt event loop. Construct it on the thread
// that runs the event loop (with QCoreApplication or QApplication already made): that thread
// becomes the user-interface thread until the binding is destroyed, on the same thread,
// before the application object.
//
// The binding only wakes the thread and drives timers: no data crosses threads through Qt,
// so ThreadSanitizer sees every hand-over in the services' own queue.

#include <memory>

#include "platform/ui_thread.h"

namespace platform {

class QtUiBinding final : public UiThreadBinding {
public:
    QtUiBinding();            // installs the services
    ~QtUiBinding() override;  // uninstalls them
    QtUiBinding(const QtUiBinding&) = delete;
    QtUiBinding& operator=(const QtUiBinding&) = delete;

    void wake() override;
    std::unique_ptr<UiTimerBackend> makeTimer(std::function<void()> fire) override;

private:
    class Receiver;
    std::unique_ptr<Receiver> m_receiver;  // lives on the user-interface thread
};

}  // namespace platform
