#include "platform/system_error.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/cp1251.h"

namespace platform {
namespace {

// strerror_r has two flavours; overloads pick whichever this C library provides.
[[maybe_unused]] const char* pickMessage(int result, const char* buffer) {
    return result == 0 ? buffer : nullptr;
}
[[maybe_unused]] const char* pickMessage(const char* result, const char* /*buffer*/) {
    return result;
}

// The locale's code set -> UTF-8. Without a usable converter the bytes pass unchanged,
// which is right for the "C" locale's ASCII.
std::string localeToUtf8(std::string_view text) {
    const char* codeset = nl_langinfo(CODESET);
    if (codeset == nullptr || std::strcmp(codeset, "UTF-8") == 0 ||
        std::strcmp(codeset, "ANSI_X3.4-1968") == 0) {
        return std::string(text);
    }
    iconv_t cd = iconv_open("UTF-8", codeset);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::string(text);
    }
    std::string in(text);
    std::string out(in.size() * 4 + 16, '\0');
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) {
        return std::string(text);
    }
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

std::string systemErrorText(int errorNumber) {
    char buffer[512] = {};
    const char* message = pickMessage(strerror_r(errorNumber, buffer, sizeof buffer), buffer);
    if (message == nullptr) {
        return "Unknown error " + std::to_string(errorNumber);
    }
    return utf8ToCp1251(localeToUtf8(message));
}

}  // namespace platform
