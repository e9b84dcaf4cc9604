// The baud list text of the settings: whatever it holds, what it reads as writes back to a
// text that reads the same, and reading only ever appends.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "modem/baudrate_param.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::quietTrace();
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const BaudrateParam kept{4800, 77};
    BaudrateParams list{kept};
    baud_list_from_text(text, list);
    FUZZ_CHECK(!list.empty() && list.front() == kept);
    list.erase(list.begin());

    // At most one entry per space-separated piece.
    FUZZ_CHECK(list.size() <=
               1 + static_cast<std::size_t>(std::count(text.begin(), text.end(), ' ')));

    std::string written;
    baud_list_to_text(list, written);
    BaudrateParams again;
    baud_list_from_text(written, again);
    FUZZ_CHECK(again == list);
    std::string rewritten = "stale";
    baud_list_to_text(again, rewritten);
    FUZZ_CHECK(rewritten == written);
    return 0;
}
