#pragma once

// The modem's short message storage: numbered slots from 1, one store whatever name
// (SM, ME, MT) the application selects.

#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <string>

namespace sim {

// The <stat> values of +CMGR and +CMGL in PDU mode.
enum class MessageStatus { ReceivedUnread = 0, ReceivedRead = 1, StoredUnsent = 2, StoredSent = 3 };

struct StoredMessage {
    MessageStatus status = MessageStatus::ReceivedUnread;
    std::string pdu;  // upper-case hexadecimal, as +CMGR prints it in PDU mode
    std::size_t tpduLength = 0;
    // Known only for a message built from text; text mode can show only such a message.
    std::optional<std::string> sender;
    std::string text;

    // Throws std::invalid_argument for text that is not a PDU in hexadecimal.
    static StoredMessage fromPdu(std::string hex,
                                 MessageStatus status = MessageStatus::ReceivedUnread);
    // A received message; see encodeDeliverPdu for what fits.
    static StoredMessage fromText(std::string sender, std::string text,
                                  MessageStatus status = MessageStatus::ReceivedUnread);
};

class MessageStore {
public:
    static constexpr std::size_t kDefaultCapacity = 30;

    explicit MessageStore(std::size_t capacity = kDefaultCapacity) : m_capacity(capacity) {}

    std::size_t capacity() const { return m_capacity; }
    std::size_t used() const { return m_messages.size(); }
    bool validIndex(std::size_t index) const { return index >= 1 && index <= m_capacity; }

    // False when the index is outside 1..capacity. Replaces a message there.
    bool store(std::size_t index, StoredMessage message);
    // The lowest free slot, or nullopt when the store is full.
    std::optional<std::size_t> storeInFreeSlot(StoredMessage message);
    StoredMessage* find(std::size_t index);
    const StoredMessage* find(std::size_t index) const;
    bool erase(std::size_t index);

    const std::map<std::size_t, StoredMessage>& messages() const { return m_messages; }
    std::map<std::size_t, StoredMessage>& messages() { return m_messages; }

    // The storage names AT+CPMS selected for reading, writing and receiving. They are only
    // names: every one of them reaches this store.
    std::array<std::string, 3>& selected() { return m_selected; }

private:
    std::size_t m_capacity;
    std::array<std::string, 3> m_selected = {"SM", "SM", "SM"};
    std::map<std::size_t, StoredMessage> m_messages;
};

}  // namespace sim
