#include "cli/console_messages.h"

#include "platform/cp1251.h"

namespace {

// "HH:MM:SS text".
std::string rowLine(const Msg::MsgUnit& row) {
    std::string line;
    for (const std::string& cell : row.cells) {
        line += line.empty() ? cell : " " + cell;
    }
    return line;
}

}  // namespace

ConsoleMessages::ConsoleMessages(std::FILE* out, bool terminal)
    : m_out(out), m_terminal(terminal) {}

ConsoleMessages::~ConsoleMessages() {
    flush();
}

void ConsoleMessages::show(const std::string& text, bool newLine) {
    if (newLine || m_table.rows().empty()) {
        flush();
        print(m_table.addMessage(text), false);
    } else {
        print(m_table.replaceLastMessage(text), true);
    }
}

void ConsoleMessages::print(const Msg::MsgUnit& row, bool rewrite) {
    if (!m_terminal) {
        m_pending = true;  // printed by flush, once it is final
        return;
    }
    // The row stays open (no line end) so that it can be rewritten where it stands.
    std::fputs(rewrite ? "\r\033[K" : "", m_out);
    std::fputs(platform::cp1251ToUtf8(rowLine(row)).c_str(), m_out);
    std::fflush(m_out);
    m_pending = true;
}

void ConsoleMessages::flush() {
    if (!m_pending || m_table.rows().empty()) {
        return;
    }
    m_pending = false;
    if (m_terminal) {
        std::fputs("\n", m_out);  // the line printed last is final now
        std::fflush(m_out);
        return;
    }
    std::fputs((platform::cp1251ToUtf8(rowLine(m_table.rows().back())) + "\n").c_str(), m_out);
    std::fflush(m_out);
}

std::string ConsoleMessages::lastText() const {
    if (m_table.rows().empty()) {
        return {};
    }
    const Msg::MsgUnit& row = m_table.rows().back();
    return row.cells.size() > Msg::MsgTable::kMessageCell ? row.cells[Msg::MsgTable::kMessageCell]
                                                          : std::string();
}
