#pragma once

// The toolkit's own exception class, which does not derive from std::exception: code that
// reports exceptions by their text tells the two apart.

#include <string>
#include <utility>

namespace SimpleUtils {

class ToolkitException {
public:
    explicit ToolkitException(std::string message) : m_message(std::move(message)) {}
    virtual ~ToolkitException() = default;
    ToolkitException(const ToolkitException&) = default;
    ToolkitException& operator=(const ToolkitException&) = default;

    const std::string& message() const { return m_message; }

private:
    std::string m_message;
};

}  // namespace SimpleUtils
