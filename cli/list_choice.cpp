#include "cli/list_choice.h"

#include "platform/cp1251_case.h"

std::optional<std::string> chooseCommandList(const FilesList& titles,
                                             const std::optional<std::string>& requested,
                                             const std::string& stored) {
    if (requested) {
        const std::string& name = *requested;
        // A title names a file in cfg/, nothing beside or above it.
        if (name.empty() || name.find_first_of("/\\") != std::string::npos) {
            return std::nullopt;
        }
        for (const std::string& title : titles) {
            if (title == name) {
                return title;
            }
        }
        for (const std::string& title : titles) {
            if (platform::equalsNoCaseFileName(title, name)) {
                return title;
            }
        }
        return std::nullopt;
    }
    for (const std::string& title : titles) {
        if (title == stored) {
            return title;
        }
    }
    return titles.empty() ? std::string() : titles.front();
}
