// The report parsers on whatever a modem may print: call-ending words, key tones, the new
// message report, and the unreclaimed-text parser that combines the first two.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "modem/at_keywords.h"
#include "modem/disconnect_parser.h"
#include "modem/disconnect_reason.h"
#include "modem/dtmf_parser.h"
#include "modem/sms_report_parser.h"
#include "modem/unreclaimed_parser.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// The first word of the table that occurs anywhere decides.
int expectedReason(std::string_view text) {
    for (const DisconnectReason::Word& word : DisconnectReason::words) {
        if (contains(text, word.text)) {
            return word.reason;
        }
    }
    return DisconnectReason::none;
}

// Lines end at CR LF, a lone CR or a lone LF; from each line holding a report, the first
// non-space character after the report.
std::string expectedDigits(std::string_view text) {
    std::string digits;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        const std::string_view line = text.substr(start, end - start);
        const std::size_t at = line.find(AtKeywords::dtmf);
        if (at != std::string_view::npos) {
            const std::size_t tone = line.find_first_not_of(' ', at + AtKeywords::dtmf.size());
            if (tone != std::string_view::npos) {
                digits.push_back(line[tone]);
            }
        }
        start = end + (text.substr(end).starts_with("\r\n") ? 2 : 1);
    }
    return digits;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::quietTrace();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const int reason = expectedReason(text);

    DisconnectParser disconnect(text);
    FUZZ_CHECK(disconnect.reason() == DisconnectReason::none);  // nothing searched yet
    FUZZ_CHECK(disconnect.found() == (reason != DisconnectReason::none));
    FUZZ_CHECK(disconnect.reason() == reason);
    FUZZ_CHECK(disconnect.text() == text);

    DtmfParser dtmf(text);
    FUZZ_CHECK(dtmf.digits().empty());  // nothing searched yet
    const bool tones = dtmf.found();
    FUZZ_CHECK(tones == contains(text, AtKeywords::dtmf));
    // At most one tone per report, never a blank or a line end.
    const std::string digits = dtmf.digits();
    FUZZ_CHECK(digits == expectedDigits(text));

    UnreclaimedParser unreclaimed;
    const bool any = unreclaimed.parse(text);
    FUZZ_CHECK(any == (!text.empty() && (reason != DisconnectReason::none || tones)));
    FUZZ_CHECK(unreclaimed.disconnect() == (reason != DisconnectReason::none));
    FUZZ_CHECK(!unreclaimed.disconnect() || unreclaimed.reason() == reason);
    FUZZ_CHECK(unreclaimed.dtmf() == tones);
    FUZZ_CHECK(unreclaimed.digits() == (tones ? digits : std::string()));

    // The input split in two: an answer and the rule text that ended the listen.
    const std::size_t cut = text.empty() ? 0 : static_cast<unsigned char>(text[0]) % text.size();
    SmsReportParser sms;
    sms.set(text.substr(0, cut), text.substr(cut));
    FUZZ_CHECK(sms.answer() == text.substr(0, cut) && sms.reason() == text.substr(cut));
    const bool announced =
        std::any_of(sms.prefixes().begin(), sms.prefixes().end(),
                    [&](const std::string& prefix) { return contains(text.substr(cut), prefix); });
    FUZZ_CHECK(sms.is_report() == announced);
    FUZZ_CHECK(sms.is_report() == contains(text.substr(cut), AtKeywords::cmti));
    return 0;
}
