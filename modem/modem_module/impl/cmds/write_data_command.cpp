#include "modem/modem_module/impl/cmds/write_data_command.h"

#include <fstream>
#include <ios>

namespace {

constexpr const char* kTraceFile = "write.dat";

}  // namespace

WriteDataCommand::WriteDataCommand(const char* data, std::size_t length) {
    if (data != nullptr && length > 0) {
        m_data.assign(data, data + length);
    }
}

const char* WriteDataCommand::command_data() const {
    if (!m_traced) {
        m_traced = true;
        // The trace is a convenience: when it cannot be written the data still goes out.
        std::ofstream trace(kTraceFile, std::ios::binary | std::ios::app);
        if (trace) {
            trace.write(m_data.data(), static_cast<std::streamsize>(m_data.size()));
        }
    }
    return m_data.data();
}

void WriteDataCommand::on_data(const char* /*data*/, int /*length*/) {}
