#pragma once

// Sectioned settings files ([section] lines, key=value lines) read and written the way the
// system's first platform reads its profile files:
//  - every read and every write goes to the file afresh, so several objects that save one
//    after another never undo each other's keys;
//  - section and key names match without letter case (Latin and Cyrillic of code page 1251);
//  - spaces around names and values do not count, and a value in double quotes is read
//    without them;
//  - of two equal keys the first one wins, and it is the one rewritten;
//  - a new key goes after the last key of its section, a new section at the end of the file;
//  - every line not written to stays byte for byte as it was, line ends included, and a new
//    file gets CR LF line ends.
// Texts given and returned are code page 1251. The file is 1251 too, except that a file
// which is valid UTF-8 with non-ASCII bytes (as a Linux editor saves it) is read as UTF-8
// and stays UTF-8 when written; a 1251 file that a write would turn into valid UTF-8 is
// rewritten as UTF-8 as a whole, so that it reads back as written. Writes replace the file
// atomically.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class IniFile {
public:
    explicit IniFile(std::filesystem::path path);

    const std::filesystem::path& path() const { return m_path; }

    // The value of the first matching key of the first matching section, or defaultValue
    // when the file, the section or the key is missing. A key present with nothing after
    // "=" gives an empty text, not the default.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    // A value that is a whole decimal number (an optional sign and digits) within the 32-bit
    // range; anything else gives defaultValue.
    std::int32_t readInt(std::string_view section, std::string_view key,
                         std::int32_t defaultValue) const;

    // A stored integer other than 0 is true; a value that is no integer gives defaultValue.
    bool readBool(std::string_view section, std::string_view key, bool defaultValue) const;

    // Section names in file order, each name once.
    std::vector<std::string> readSections() const;

    // Key names of the first matching section in file order, each name once.
    std::vector<std::string> readKeys(std::string_view section) const;

    // Sets the key, creating the section and the key when missing. False when the file could
    // not be read or replaced, or when a name or the value would break the file's structure:
    // a line break anywhere, "]" in the section, "=" in the key, an empty name, a key that
    // starts with "[" or ";". The file is left as it was in every failure.
    bool writeString(std::string_view section, std::string_view key, std::string_view value);
    bool writeInt(std::string_view section, std::string_view key, std::int32_t value);
    // Stored as "1" or "0".
    bool writeBool(std::string_view section, std::string_view key, bool value);

    // A value that names a file, as UTF-8 text, so that a name with a character 1251 lacks
    // survives: a UTF-8 file holds it as it is, a 1251 file in 1251. Such a name therefore
    // cannot go into a 1251 file (nor into a new one, which starts as 1251): the write is
    // refused and the file left as it was. Section and key names are 1251 as elsewhere.
    std::string readUtf8String(std::string_view section, std::string_view key,
                               std::string_view defaultValue) const;
    bool writeUtf8String(std::string_view section, std::string_view key, std::string_view value);

private:
    bool write(std::string_view section, std::string_view key, std::string_view value,
               bool utf8Value);

    std::filesystem::path m_path;
};

}  // namespace platform
