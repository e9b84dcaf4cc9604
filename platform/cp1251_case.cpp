#include "platform/cp1251_case.h"

#include <array>

#include "platform/cp1251.h"

namespace platform {
namespace {

// Built once: a byte's lower-case partner, or the byte itself.
constexpr std::array<unsigned char, 256> makeFoldTable() {
    std::array<unsigned char, 256> table{};
    for (unsigned i = 0; i < table.size(); ++i) {
        table[i] = static_cast<unsigned char>(i);
    }
    for (unsigned c = 'A'; c <= 'Z'; ++c) {
        table[c] = static_cast<unsigned char>(c + ('a' - 'A'));
    }
    for (unsigned c = 0xC0; c <= 0xDF; ++c) {  // А..Я -> а..я
        table[c] = static_cast<unsigned char>(c + 0x20);
    }
    // The Cyrillic letters outside the main block sit in scattered pairs.
    constexpr std::array<std::array<unsigned char, 2>, 15> pairs{{
        {0x80, 0x90},  // Ђ ђ
        {0x81, 0x83},  // Ѓ ѓ
        {0x8A, 0x9A},  // Љ љ
        {0x8C, 0x9C},  // Њ њ
        {0x8D, 0x9D},  // Ќ ќ
        {0x8E, 0x9E},  // Ћ ћ
        {0x8F, 0x9F},  // Џ џ
        {0xA1, 0xA2},  // Ў ў
        {0xA3, 0xBC},  // Ј ј
        {0xA5, 0xB4},  // Ґ ґ
        {0xA8, 0xB8},  // Ё ё
        {0xAA, 0xBA},  // Є є
        {0xAF, 0xBF},  // Ї ї
        {0xB2, 0xB3},  // І і
        {0xBD, 0xBE},  // Ѕ ѕ
    }};
    for (const auto& pair : pairs) {
        table[pair[0]] = pair[1];
    }
    return table;
}

constexpr std::array<unsigned char, 256> kFold = makeFoldTable();

}  // namespace

char foldCaseCp1251(char c) {
    return static_cast<char>(kFold[static_cast<unsigned char>(c)]);
}

std::string foldedCp1251(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        c = foldCaseCp1251(c);
    }
    return folded;
}

bool equalsNoCaseCp1251(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldCaseCp1251(a[i]) != foldCaseCp1251(b[i])) {
            return false;
        }
    }
    return true;
}

bool equalsNoCaseFileName(std::string_view a, std::string_view b) {
    if (a == b) {
        return true;
    }
    return fitsCp1251(a) && fitsCp1251(b) && equalsNoCaseCp1251(utf8ToCp1251(a), utf8ToCp1251(b));
}

}  // namespace platform
