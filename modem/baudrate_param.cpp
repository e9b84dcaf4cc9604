#include "modem/baudrate_param.h"

#include <optional>

#include "common/leading_int.h"
#include "common/msg_strings.h"
#include "common/text_utils.h"

void baud_list_to_text(const BaudrateParams& list, std::string& text) {
    text.clear();
    for (const BaudrateParam& entry : list) {
        if (!text.empty()) {
            text += ' ';
        }
        text += std::to_string(entry.baudRate) + '-' + std::to_string(entry.answerWaitMs);
    }
}

void baud_list_from_text(std::string_view text, BaudrateParams& list) {
    Msg::Strings pieces;
    SimpleUtils::split(text, " ", pieces, false);
    for (const std::string& piece : pieces) {
        Msg::Strings parts;
        SimpleUtils::split(piece, "-", parts, false);
        const std::optional<std::int32_t> rate = SimpleUtils::leadingInt(parts[0]);
        if (!rate) {
            continue;
        }
        std::optional<std::int32_t> wait;
        if (parts.size() > 1) {
            wait = SimpleUtils::leadingInt(parts[1]);
        }
        list.emplace_back(*rate, wait.value_or(BaudrateParam::kDefaultAnswerWaitMs));
    }
}
