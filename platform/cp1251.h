#pragma once

// Code page 1251 is the system's inner text encoding; UTF-8 is what Linux file names,
// consoles and Qt take. Every byte value survives 1251 -> UTF-8 -> 1251, including 0x98,
// which 1251 leaves undefined (it travels as U+0098).

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

std::string cp1251ToUtf8(std::string_view text);

// Characters that 1251 cannot hold, and malformed UTF-8 bytes, become '?'.
std::string utf8ToCp1251(std::string_view text);

// True for valid UTF-8 (ASCII included).
bool isValidUtf8(std::string_view text);

// True for valid UTF-8 that has at least one non-ASCII byte: such text was written by a
// UTF-8 tool rather than in 1251.
bool looksLikeUtf8(std::string_view text);

// True when the UTF-8 text comes back unchanged from 1251: every character is one 1251 has.
bool fitsCp1251(std::string_view utf8);

// A path shown as system text, "?" for what 1251 lacks. Paths themselves stay as the file
// system has them (UTF-8) up to the open call and never pass through 1251.
std::string pathToText(const std::filesystem::path& path);

namespace detail {

// The code points of the bytes 0x80 to 0xBF; 0xC0 to 0xFF are U+0410 to U+044F in order.
// 0x98 is undefined in 1251 and travels as U+0098, so that every byte survives.
inline constexpr std::array<char16_t, 64> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

// One Unicode code point -> its 1251 byte, '?' when there is none.
constexpr unsigned char cp1251FromCodePoint(char32_t cp) {
    if (cp < 0x80) {
        return static_cast<unsigned char>(cp);
    }
    if (cp >= 0x0410 && cp <= 0x044F) {  // А..я
        return static_cast<unsigned char>(cp - 0x0410 + 0xC0);
    }
    for (std::size_t i = 0; i < kCp1251High.size(); ++i) {
        if (kCp1251High[i] == cp) {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    return '?';
}

template <std::size_t N>
struct Utf8Literal {
    char bytes[N] = {};
    consteval Utf8Literal(const char (&text)[N]) {  // NOLINT: implicit by design
        for (std::size_t i = 0; i < N; ++i) {
            bytes[i] = text[i];
        }
    }
};

template <std::size_t N>
struct Cp1251Bytes {
    char bytes[N] = {};
    std::size_t size = 0;
};

template <std::size_t N>
consteval Cp1251Bytes<N> toCp1251(const Utf8Literal<N>& literal) {
    Cp1251Bytes<N> out;
    std::size_t i = 0;
    while (i + 1 < N) {  // the literal's own terminating NUL is not text
        const auto b = static_cast<unsigned char>(literal.bytes[i]);
        char32_t cp = 0;
        std::size_t len = 1;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            len = 3;
        } else {
            cp = b & 0x07;
            len = 4;
        }
        for (std::size_t k = 1; k < len; ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(literal.bytes[i + k]) & 0x3F);
        }
        out.bytes[out.size++] = static_cast<char>(cp1251FromCodePoint(cp));
        i += len;
    }
    return out;
}

template <Utf8Literal L>
struct Cp1251Literal {
    static constexpr Cp1251Bytes<sizeof(L.bytes)> value = toCp1251(L);
};

}  // namespace detail

namespace literals {

// "Ошибка"_cp1251: the 1251 bytes of a UTF-8 source literal, converted at compile time.
template <detail::Utf8Literal L>
constexpr std::string_view operator""_cp1251() {
    return {detail::Cp1251Literal<L>::value.bytes, detail::Cp1251Literal<L>::value.size};
}

}  // namespace literals

}  // namespace platform
