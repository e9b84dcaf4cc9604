#include "sim/message_store.h"

#include <cctype>
#include <utility>

#include "sim/sms_pdu.h"

namespace sim {

StoredMessage StoredMessage::fromPdu(std::string hex, MessageStatus status) {
    StoredMessage message;
    message.status = status;
    message.tpduLength = pduTpduLength(hex);
    for (char& c : hex) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    message.pdu = std::move(hex);
    return message;
}

StoredMessage StoredMessage::fromText(std::string sender, std::string text, MessageStatus status) {
    StoredMessage message = fromPdu(encodeDeliverPdu(sender, text), status);
    message.sender = std::move(sender);
    message.text = std::move(text);
    return message;
}

bool MessageStore::store(std::size_t index, StoredMessage message) {
    if (!validIndex(index)) {
        return false;
    }
    m_messages[index] = std::move(message);
    return true;
}

std::optional<std::size_t> MessageStore::storeInFreeSlot(StoredMessage message) {
    for (std::size_t index = 1; index <= m_capacity; ++index) {
        if (!m_messages.contains(index)) {
            m_messages.emplace(index, std::move(message));
            return index;
        }
    }
    return std::nullopt;
}

StoredMessage* MessageStore::find(std::size_t index) {
    const auto it = m_messages.find(index);
    return it == m_messages.end() ? nullptr : &it->second;
}

const StoredMessage* MessageStore::find(std::size_t index) const {
    const auto it = m_messages.find(index);
    return it == m_messages.end() ? nullptr : &it->second;
}

bool MessageStore::erase(std::size_t index) {
    return m_messages.erase(index) > 0;
}

}  // namespace sim
