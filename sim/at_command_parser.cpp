#include "sim/at_command_parser.h"

#include <cctype>

namespace sim {

namespace {

char upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Characters V.250 allows in an extended command name after the prefix.
bool isNameChar(char c) {
    return isLetter(c) || isDigit(c) || c == '!' || c == '%' || c == '-' || c == '.' || c == '/' ||
           c == ':' || c == '_';
}

class Cursor {
public:
    explicit Cursor(std::string_view text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }
    char peek() const { return atEnd() ? '\0' : m_text[m_pos]; }
    char take() { return m_text[m_pos++]; }
    std::string_view rest() {
        std::string_view r = m_text.substr(m_pos);
        m_pos = m_text.size();
        return r;
    }

    // Spaces carry no meaning between commands.
    void skipSpaces() {
        while (!atEnd() && m_text[m_pos] == ' ') {
            ++m_pos;
        }
    }

    // Up to nine digits: anything longer is not a number a modem would take.
    std::optional<std::optional<unsigned>> number() {
        skipSpaces();
        unsigned value = 0;
        std::size_t digits = 0;
        while (!atEnd() && isDigit(peek())) {
            if (++digits > 9) {
                return std::nullopt;
            }
            value = value * 10 + static_cast<unsigned>(take() - '0');
        }
        return digits == 0 ? std::optional<unsigned>{} : std::optional<unsigned>{value};
    }

    // The argument of an extended set command: up to a ";" outside double quotes.
    std::optional<std::string> argument() {
        std::string out;
        bool quoted = false;
        while (!atEnd()) {
            const char c = peek();
            if (c == ';' && !quoted) {
                break;
            }
            if (c == '"') {
                quoted = !quoted;
            }
            out.push_back(take());
        }
        if (quoted) {
            return std::nullopt;
        }
        return out;
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

bool parseExtended(Cursor& cursor, std::vector<AtCommand>& commands) {
    AtCommand command;
    command.syntax = CommandSyntax::Extended;
    command.name.push_back(cursor.take());
    while (!cursor.atEnd() && isNameChar(cursor.peek())) {
        command.name.push_back(upper(cursor.take()));
    }
    if (command.name.size() == 1) {
        return false;
    }
    if (cursor.peek() == '=') {
        cursor.take();
        if (cursor.peek() == '?') {
            cursor.take();
            command.form = CommandForm::Test;
        } else {
            auto argument = cursor.argument();
            if (!argument) {
                return false;
            }
            command.form = CommandForm::Set;
            command.argument = std::move(*argument);
        }
    } else if (cursor.peek() == '?') {
        cursor.take();
        command.form = CommandForm::Read;
    }
    cursor.skipSpaces();
    if (cursor.peek() == ';') {
        cursor.take();
    } else if (!cursor.atEnd() && cursor.peek() != '+') {
        return false;
    }
    commands.push_back(std::move(command));
    return true;
}

bool parseSRegister(Cursor& cursor, std::vector<AtCommand>& commands) {
    AtCommand command;
    command.syntax = CommandSyntax::SRegister;
    command.name = "S";
    auto index = cursor.number();
    if (!index || !*index) {
        return false;
    }
    command.number = *index;
    cursor.skipSpaces();
    if (cursor.peek() == '?') {
        cursor.take();
        command.form = CommandForm::Read;
    } else if (cursor.peek() == '=') {
        cursor.take();
        auto value = cursor.number();
        if (!value) {
            return false;
        }
        command.form = CommandForm::Set;
        command.argument = std::to_string(value->value_or(0));
    } else {
        return false;
    }
    commands.push_back(std::move(command));
    return true;
}

bool parseBasic(Cursor& cursor, std::vector<AtCommand>& commands) {
    AtCommand command;
    const char first = upper(cursor.take());
    if (first == '&') {
        cursor.skipSpaces();
        if (!isLetter(cursor.peek())) {
            return false;
        }
        command.name = {'&', upper(cursor.take())};
    } else {
        command.name = {first};
    }
    if (command.name == "D") {
        // The dial string runs to the end of the line; a trailing ";" is part of it and
        // asks for a voice call.
        command.argument = std::string{cursor.rest()};
        commands.push_back(std::move(command));
        return true;
    }
    auto number = cursor.number();
    if (!number) {
        return false;
    }
    command.number = *number;
    commands.push_back(std::move(command));
    return true;
}

}  // namespace

std::optional<std::vector<AtCommand>> parseCommandBody(std::string_view body) {
    std::vector<AtCommand> commands;
    Cursor cursor{body};
    for (;;) {
        cursor.skipSpaces();
        if (cursor.atEnd()) {
            return commands;
        }
        const char c = cursor.peek();
        bool parsed = false;
        if (c == '+') {
            parsed = parseExtended(cursor, commands);
        } else if (upper(c) == 'S') {
            cursor.take();
            parsed = parseSRegister(cursor, commands);
        } else if (isLetter(c) || c == '&') {
            parsed = parseBasic(cursor, commands);
        }
        if (!parsed) {
            return std::nullopt;
        }
    }
}

}  // namespace sim
