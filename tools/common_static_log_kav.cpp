#include "tools/common_static_log_kav.h"

#include <cassert>
#include <mutex>
#include <string>

#include "platform/app_folder.h"
#include "tools/log_sinks.h"

CommonStaticLogKav* CommonStaticLogKav::s_instance = nullptr;

namespace {

// Creation and release may race when two threads write their first trace at once; the sink
// itself is not guarded here, only the instance pointer.
std::mutex& instanceMutex() {
    static std::mutex mutex;
    return mutex;
}

std::filesystem::path logFileName(std::string_view name) {
    return platform::applicationPath(std::string(name) + ".log");
}

}  // namespace

CommonStaticLogKav::CommonStaticLogKav(LogOutType type, std::string_view name,
                                       SimpleUtils::LogOut* sink, SimpleUtils::LogLevel level)
    : m_log(sink), m_owns(false) {
    if (sink != nullptr) {
        assert(LogOut_Default == type);
    } else {
        m_owns = true;
        switch (type) {
            case LogOut_File:
                m_log = new SimpleUtils::LogFileUsual(logFileName(name), true);
                break;
            case LogOut_Combo:
                m_log = new SimpleUtils::LogCombo(logFileName(name), true);
                break;
            case LogOut_DebugOutput:
            case LogOut_Default:
            default:
                m_log = new SimpleUtils::LogDebugoutput;
                break;
        }
    }
    m_log->set_locking(true);
    m_log->set_min_level(level);
    if (!name.empty()) {
        m_log->set_name(name);
    }
}

CommonStaticLogKav::~CommonStaticLogKav() {
    if (m_owns) {
        delete m_log;
    }
}

SimpleUtils::LogOut* CommonStaticLogKav::instance(LogOutType type, std::string_view name,
                                                  SimpleUtils::LogOut* sink,
                                                  SimpleUtils::LogLevel level) {
    std::lock_guard<std::mutex> lock(instanceMutex());
    if (s_instance == nullptr) {
        s_instance = new CommonStaticLogKav(type, name, sink, level);
    }
    return s_instance->m_log;
}

SimpleUtils::LogOut* CommonStaticLogKav::log() {
    SimpleUtils::LogOut* log_ptr = instance(LogOut_Default, {}, nullptr, 3);
    assert(log_ptr != 0);  // NOLINT(modernize-use-nullptr): the assertion text is fixed
    return log_ptr;
}

void CommonStaticLogKav::release() {
    std::lock_guard<std::mutex> lock(instanceMutex());
    delete s_instance;
    s_instance = nullptr;
}
