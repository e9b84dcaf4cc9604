#include "ui/message_copy.h"

#include <algorithm>

#include "platform/cp1251.h"

MessageCopy::MessageCopy(InfoViewerI& target, const std::filesystem::path& file)
    : m_target(target), m_file(file, std::ios::binary | std::ios::app) {}

void MessageCopy::show(const std::string& text, bool newLine) {
    m_target.show(text, newLine);
    std::string line = platform::cp1251ToUtf8(text);
    // One message, one line: the reader splits the file at line ends.
    std::replace(line.begin(), line.end(), '\r', ' ');
    std::replace(line.begin(), line.end(), '\n', ' ');
    m_file << (newLine ? "" : "~ ") << line << '\n';
    m_file.flush();
}
