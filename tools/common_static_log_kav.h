#pragma once

// The one process-wide trace sink the modem code writes to.

#include <string_view>

#include "tools/log_out.h"

class CommonStaticLogKav {
public:
    // The kind of sink made when none is handed in; any other value acts as LogOut_Default.
    enum LogOutType : int {
        LogOut_File = 0,
        LogOut_DebugOutput = 1,
        LogOut_Combo = 2,
        LogOut_Default = 3,
    };

    // Creates the process-wide sink on the first call and returns it; later calls return the
    // same sink and ignore their arguments. A given sink stays the caller's (type must then be
    // LogOut_Default); otherwise one is made by type, file sinks on
    // "<application folder>/<name>.log", started afresh. The sink gets locking on, the
    // minimum level and, when not empty, the name.
    static SimpleUtils::LogOut* instance(LogOutType type, std::string_view name,
                                         SimpleUtils::LogOut* sink, SimpleUtils::LogLevel level);

    // The sink as the system sets it up: the debugger output channel, minimum level 3.
    static SimpleUtils::LogOut* log();

    // Destroys the instance and the sink it made. Pointers handed out before become invalid:
    // call it only once no thread writes to the log any more (at shutdown). The next log()
    // creates a new instance.
    static void release();

    CommonStaticLogKav(const CommonStaticLogKav&) = delete;
    CommonStaticLogKav& operator=(const CommonStaticLogKav&) = delete;

private:
    CommonStaticLogKav(LogOutType type, std::string_view name, SimpleUtils::LogOut* sink,
                       SimpleUtils::LogLevel level);
    ~CommonStaticLogKav();

    SimpleUtils::LogOut* m_log = nullptr;
    bool m_owns = false;

    static CommonStaticLogKav* s_instance;
};
