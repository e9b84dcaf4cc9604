// The short message commands the application reads new messages with: storage selection,
// message format, reading and deleting.

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "sim/command_table.h"
#include "sim/sms_pdu.h"

namespace sim {

namespace {

// The +CMS ERROR codes this modem gives.
constexpr int kOperationNotAllowed = 302;
constexpr int kInvalidMemoryIndex = 321;

constexpr std::array<std::string_view, 3> kStorages = {"SM", "ME", "MT"};

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::string_view> splitValues(std::string_view text) {
    std::vector<std::string_view> values;
    for (;;) {
        const std::size_t comma = text.find(',');
        values.push_back(trimmed(text.substr(0, comma)));
        if (comma == std::string_view::npos) {
            return values;
        }
        text.remove_prefix(comma + 1);
    }
}

// A quoted storage name such as "SM", in either letter case.
std::optional<std::string> storageName(std::string_view value) {
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') {
        return std::nullopt;
    }
    std::string name{value.substr(1, value.size() - 2)};
    for (char& c : name) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return name;
}

ResultCode preferredStorage(CommandContext& ctx, const AtCommand& cmd) {
    MessageStore& store = ctx.messages;
    const std::string counts =
        std::to_string(store.used()) + "," + std::to_string(store.capacity());
    switch (cmd.form) {
        case CommandForm::Set: {
            const std::vector<std::string_view> values = splitValues(cmd.argument);
            if (values.size() > store.selected().size()) {
                return ResultCode::Error;
            }
            std::array<std::string, 3> selected = store.selected();
            for (std::size_t i = 0; i < values.size(); ++i) {
                std::optional<std::string> name = storageName(values[i]);
                if (!name) {
                    return ResultCode::Error;
                }
                if (std::find(kStorages.begin(), kStorages.end(), *name) == kStorages.end()) {
                    return ctx.messageError(kOperationNotAllowed);
                }
                selected[i] = std::move(*name);
            }
            store.selected() = selected;
            ctx.information("+CPMS: " + counts + "," + counts + "," + counts);
            return ResultCode::Ok;
        }
        case CommandForm::Read: {
            std::string line = "+CPMS: ";
            for (std::size_t i = 0; i < store.selected().size(); ++i) {
                line += (i > 0 ? ",\"" : "\"") + store.selected()[i] + "\"," + counts;
            }
            ctx.information(line);
            return ResultCode::Ok;
        }
        case CommandForm::Test:
            ctx.information(R"(+CPMS: ("SM","ME","MT"),("SM","ME","MT"),("SM","ME","MT"))");
            return ResultCode::Ok;
        case CommandForm::Action:
            break;
    }
    return ResultCode::Error;
}

std::string_view statusText(MessageStatus status) {
    switch (status) {
        case MessageStatus::ReceivedUnread:
            return "REC UNREAD";
        case MessageStatus::ReceivedRead:
            return "REC READ";
        case MessageStatus::StoredUnsent:
            return "STO UNSENT";
        case MessageStatus::StoredSent:
            return "STO SENT";
    }
    return "";
}

// PDU mode: "+CMGR: <stat>,,<length>" and the PDU on a line of its own. Text mode:
// "+CMGR: <stat>,<sender>,,<time stamp>" and the text. Reading an unread message marks it
// read.
ResultCode readMessage(CommandContext& ctx, const AtCommand& cmd) {
    if (cmd.form == CommandForm::Test) {
        return ResultCode::Ok;
    }
    if (cmd.form != CommandForm::Set) {
        return ResultCode::Error;
    }
    const std::optional<unsigned> index = decimalArgument(cmd.argument);
    if (!index) {
        return ResultCode::Error;
    }
    StoredMessage* message = ctx.messages.find(*index);
    if (message == nullptr) {
        return ctx.messageError(kInvalidMemoryIndex);
    }
    const std::string lineEnd{ctx.profile.terminator(), ctx.profile.formatting()};
    if (!ctx.profile.textMode) {
        ctx.information("+CMGR: " + std::to_string(static_cast<int>(message->status)) + ",," +
                        std::to_string(message->tpduLength) + lineEnd + message->pdu);
    } else if (message->sender) {
        ctx.information("+CMGR: \"" + std::string{statusText(message->status)} + "\",\"" +
                        *message->sender + "\",,\"" + std::string{kMessageTimestamp} + "\"" +
                        lineEnd + message->text);
    } else {
        return ctx.messageError(kOperationNotAllowed);
    }
    if (message->status == MessageStatus::ReceivedUnread) {
        message->status = MessageStatus::ReceivedRead;
    }
    return ResultCode::Ok;
}

// The statuses AT+CMGD=<index>,<flag> deletes for flags 1 to 4, whatever the index.
bool deletedByFlag(MessageStatus status, unsigned flag) {
    switch (status) {
        case MessageStatus::ReceivedRead:
            return flag >= 1;
        case MessageStatus::StoredSent:
            return flag >= 2;
        case MessageStatus::StoredUnsent:
            return flag >= 3;
        case MessageStatus::ReceivedUnread:
            return flag >= 4;
    }
    return false;
}

ResultCode deleteMessage(CommandContext& ctx, const AtCommand& cmd) {
    MessageStore& store = ctx.messages;
    if (cmd.form == CommandForm::Test) {
        std::string used;
        for (const auto& [index, message] : store.messages()) {
            used += (used.empty() ? "" : ",") + std::to_string(index);
        }
        ctx.information("+CMGD: (" + used + "),(0-4)");
        return ResultCode::Ok;
    }
    if (cmd.form != CommandForm::Set) {
        return ResultCode::Error;
    }
    const std::vector<std::string_view> values = splitValues(cmd.argument);
    const std::optional<unsigned> index = decimalArgument(values[0]);
    const std::optional<unsigned> flag =
        values.size() > 1 ? decimalArgument(values[1]) : std::optional<unsigned>{0};
    if (values.size() > 2 || !index || !flag || *flag > 4) {
        return ResultCode::Error;
    }
    if (*flag == 0) {
        return store.erase(*index) ? ResultCode::Ok : ctx.messageError(kInvalidMemoryIndex);
    }
    std::erase_if(store.messages(),
                  [&](const auto& entry) { return deletedByFlag(entry.second.status, *flag); });
    return ResultCode::Ok;
}

}  // namespace

void addMessageCommands(CommandTable& table) {
    table.add("+CPMS", preferredStorage);
    table.add("+CMGF", extendedSwitch("+CMGF", &ModemProfile::textMode));
    table.add("+CMGR", readMessage);
    table.add("+CMGD", deleteMessage);
}

}  // namespace sim
