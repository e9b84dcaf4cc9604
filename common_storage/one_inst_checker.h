#pragma once

// Keeps a second copy of the tool from running: a lock named for the tool marks a running
// instance for as long as its process lives.

#include <memory>
#include <string>
#include <string_view>

#include "common_storage/window_access.h"

namespace platform {
class SingleInstanceLock;
}

// The lock the desktop tool takes at start-up, and the caption of its warning.
inline constexpr std::string_view kInstanceMutexName =
    "orvane.5E1A7D20-4C3B-4f81-9A62-D0B7C35E9F14";
inline constexpr std::string_view kInstanceWarningCaption = "orvane.exe";

class OneInstChecker {
public:
    // Takes the named lock at once. The title is cut to 101 bytes.
    OneInstChecker(std::string_view mutexName, bool showMessage, std::string_view title,
                   WarningBox& warningBox);
    // Lets go of the object but not of the lock: it stays held until the process ends, which
    // is what a later start detects.
    ~OneInstChecker();
    OneInstChecker(const OneInstChecker&) = delete;
    OneInstChecker& operator=(const OneInstChecker&) = delete;

    // True when another instance holds the lock; shows the warning "Приложение уже запущено"
    // first when asked to.
    bool check();

private:
    std::unique_ptr<platform::SingleInstanceLock> m_mutex;
    bool m_alreadyRunning = false;
    bool m_showMessage;
    std::string m_title;
    WarningBox* m_warningBox;
};

// Makes a checker, runs check() and lets the checker go.
bool is_already_running(std::string_view mutexName, bool showMessage, std::string_view title,
                        WarningBox& warningBox);
