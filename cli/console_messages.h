#pragma once

// The message table on a console: rows as "HH:MM:SS text" in UTF-8. A row that is rewritten
// in place is rewritten on a terminal; elsewhere (a pipe, a file) the last row is held back
// until it can no longer change, so each row is printed once, in its final form.

#include <cstdio>
#include <string>

#include "common/info_viewer.h"
#include "common/msg_table.h"

class ConsoleMessages : public InfoViewerI {
public:
    ConsoleMessages(std::FILE* out, bool terminal);
    ~ConsoleMessages() override;

    void show(const std::string& text, bool newLine) override;
    // Prints a row still held back; the row may not change any more.
    void flush();

    // The text of the last row (1251), without its time stamp.
    std::string lastText() const;
    const Msg::MsgTable& table() const { return m_table; }

private:
    void print(const Msg::MsgUnit& row, bool rewrite);

    std::FILE* m_out;
    bool m_terminal;
    Msg::MsgTable m_table;
    bool m_pending = false;  // the last row is not printed yet
};
