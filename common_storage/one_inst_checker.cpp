#include "common_storage/one_inst_checker.h"

#include <mutex>
#include <vector>

#include "platform/cp1251.h"
#include "platform/single_instance_lock.h"

using namespace platform::literals;

namespace {

constexpr std::string_view kAlreadyRunning = "Приложение уже запущено"_cp1251;
constexpr std::size_t kMaxTitle = 101;

// Locks handed over by finished checkers. Closing a lock's file would release it, so they
// stay here until the process ends.
void keepUntilExit(std::unique_ptr<platform::SingleInstanceLock> lock) {
    static std::mutex mutex;
    static std::vector<std::unique_ptr<platform::SingleInstanceLock>> kept;
    std::lock_guard<std::mutex> guard(mutex);
    kept.push_back(std::move(lock));
}

}  // namespace

OneInstChecker::OneInstChecker(std::string_view mutexName, bool showMessage, std::string_view title,
                               WarningBox& warningBox)
    : m_mutex(std::make_unique<platform::SingleInstanceLock>(mutexName)),
      m_showMessage(showMessage),
      m_title(title.substr(0, kMaxTitle)),
      m_warningBox(&warningBox) {
    m_alreadyRunning = m_mutex->alreadyRunning();
}

OneInstChecker::~OneInstChecker() {
    try {
        keepUntilExit(std::move(m_mutex));
    } catch (...) {
        // Out of memory: the lock goes with the checker, and a later start would run too.
    }
}

bool OneInstChecker::check() {
    if (m_alreadyRunning && m_showMessage) {
        m_warningBox->showWarning(kAlreadyRunning, m_title);
    }
    return m_alreadyRunning;
}

bool is_already_running(std::string_view mutexName, bool showMessage, std::string_view title,
                        WarningBox& warningBox) {
    OneInstChecker checker(mutexName, showMessage, title, warningBox);
    return checker.check();
}
