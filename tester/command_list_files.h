#pragma once

// Command list files: the `cfg` folder of the application folder holds one "*.cmd_list" file
// per list, a plain text file of command lines (see modem/at_cmd_param_mt.h), optionally
// headed by a line of column captions.
//
// Names and paths stay as the file system has them (UTF-8) all the way to the open call, so a
// list named in Cyrillic, or with a character code page 1251 lacks ("café"), in a folder of
// any name, is listed, chosen and opened like any other. They become 1251 only to be shown.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/msg_strings.h"
#include "modem/at_cmd_param_mt.h"

// File names (UTF-8) with their extension, without folder.
using FilesList = Msg::Strings;

inline constexpr std::string_view kCommandListFolder = "cfg";
inline constexpr std::string_view kCommandListExtension = ".cmd_list";
inline constexpr std::string_view kCommandListMask = "*.cmd_list";
inline constexpr std::size_t kMaxCommandListFiles = 1000000;

// The caption line a list editor writes first (1251). A first line that contains it is not
// a command.
std::string_view commandListHeader();

// Appends the valid records of the file at path to out, in file order; out is not cleared.
// True when at least one record was appended. An unreadable or empty file, one that holds
// only the caption line, or one without a valid line leaves out as it was.
bool loadCommandList(const std::filesystem::path& path, AtCmdParamMtList& out);

// Appends the names of the regular files in folder that match mask (1251; "*" and "?"
// wildcards; letter case ignored), sorted by name without letter case, until out holds
// maxCount names. True when at least one name was added. A missing folder adds nothing.
bool findFiles(const std::filesystem::path& folder, std::string_view mask, FilesList& out,
               std::size_t maxCount);

// Replaces out by the command lists of the application folder, in name order.
void listCommandFiles(FilesList& out);

// The full path of a list given by title or by file name (UTF-8): the extension is added
// unless name already ends in it (any letter case). When no file has exactly that name, a
// file whose name differs only in letter case is taken, so a list saved as "X.CMD_LIST" is
// found by its title "X".
std::filesystem::path commandListPath(std::string_view name);
