#include "modem/at_keywords.h"

#include <cstddef>
#include <string_view>

// The vocabulary is fixed at compile time; these checks keep hand edits of the table honest.
namespace {

using namespace AtKeywords;

consteval bool allDistinctAndNonEmpty() {
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].empty()) {
            return false;
        }
        for (std::size_t j = i + 1; j < all.size(); ++j) {
            if (all[i] == all[j]) {
                return false;
            }
        }
    }
    return true;
}

// True when whole is exactly a + b + c.
consteval bool joins(std::string_view whole, std::string_view a, std::string_view b,
                     std::string_view c) {
    return whole.size() == a.size() + b.size() + c.size() && whole.starts_with(a) &&
           whole.substr(a.size()).starts_with(b) && whole.ends_with(c);
}

static_assert(all.size() == 28);
static_assert(allDistinctAndNonEmpty());
// The full command forms must stay in step with the names the engine builds them from.
static_assert(joins(atCmgf, at, plus, cmgf));
static_assert(joins(atCmgs, at, plus, "CMGS"));
// Report prefixes carry the extended prefix and the name separator the parsers rely on.
static_assert(joins(cring, plus, "CRING", ""));
static_assert(joins(cmti, plus, "CMTI", ":"));
static_assert(joins(dtmf, plus, "DTMF", ":"));

}  // namespace
