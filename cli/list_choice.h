#pragma once

// Which command list orvane-run runs.

#include <optional>
#include <string>

#include "tester/command_list_files.h"

// titles: the titles of the lists in cfg/, in listing order. requested: --list as typed, if
// given; stored: the choice kept in the settings. All UTF-8, as file names are.
// Returns the title to run, an empty title when there is no list at all (the run then warns),
// or nothing when --list names no list.
std::optional<std::string> chooseCommandList(const FilesList& titles,
                                             const std::optional<std::string>& requested,
                                             const std::string& stored);
