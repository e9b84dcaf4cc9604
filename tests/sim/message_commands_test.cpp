// Message storage: building messages, and the commands that select, read and delete them.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "sim/at_interpreter.h"
#include "sim/modem_session.h"
#include "sim/sms_pdu.h"

namespace {

using sim::AtInterpreter;
using sim::MessageStatus;
using sim::StoredMessage;

std::string run(AtInterpreter& modem, std::string_view line) {
    return modem.execute(line).value_or("<no reply>");
}

constexpr const char* kHelloPdu = "00040B912143658709F10000421010210000000AE8329BFD4697D9EC37";
// A message as a network delivers it, with a service centre address in front.
constexpr const char* kCentrePdu =
    "07917283010010F5040BC87238880900F10000993092516195800AE8329BFD4697D9EC37";

TEST(MessagePdu, BuildsDeliverPdusInTheDefaultAlphabetOrUcs2) {
    // "hellohello" packs into the well-known nine octets E8329BFD4697D9EC37.
    EXPECT_EQ(sim::encodeDeliverPdu("+12345678901", "hellohello"), kHelloPdu);
    // Cyrillic does not fit the default alphabet: UCS-2, a national sender.
    EXPECT_EQ(sim::encodeDeliverPdu("123", "Привет"),
              "0004038121F30008421010210000000C041F04400438043204350442");
    // Brackets need the escape septet and count twice in the length.
    EXPECT_EQ(sim::encodeDeliverPdu("1", "[x]"),
              "00040181F10000"
              "42101021000000"
              "05"
              "1B1E7EE303");
    EXPECT_EQ(sim::encodeDeliverPdu("1", std::string(160, 'a')).size(), 30 + 2 * 140u);
}

TEST(MessagePdu, RefusesWhatDoesNotFitOneMessage) {
    for (const char* sender : {"", "+", "12a", "+1 2", "123456789012345678901"}) {
        EXPECT_THROW(sim::encodeDeliverPdu(sender, "x"), std::invalid_argument) << sender;
    }
    for (const std::string& text :
         {std::string(161, 'a'), std::string(80, '[') + "x", std::string("\xFF"),
          std::string("\xD0"), std::string("\xED\xA0\x80")}) {
        EXPECT_THROW(sim::encodeDeliverPdu("1", text), std::invalid_argument) << text;
    }
    std::string cyrillic;
    for (int i = 0; i < 71; ++i) {
        cyrillic += "Ж";
    }
    EXPECT_THROW(sim::encodeDeliverPdu("1", cyrillic), std::invalid_argument);
    EXPECT_NO_THROW(sim::encodeDeliverPdu("1", cyrillic.substr(2)));
}

TEST(MessagePdu, LengthLeavesOutTheServiceCentre) {
    EXPECT_EQ(sim::pduTpduLength(kHelloPdu), 28u);
    EXPECT_EQ(sim::pduTpduLength(kCentrePdu), 28u);
    for (const char* bad : {"", "0", "000", "0G", "07917283"}) {
        EXPECT_THROW(sim::pduTpduLength(bad), std::invalid_argument) << bad;
    }
    const StoredMessage lower = StoredMessage::fromPdu("07917283010010f5040bc8");
    EXPECT_EQ(lower.pdu, "07917283010010F5040BC8");
    EXPECT_EQ(lower.tpduLength, 3u);
}

class MessageCommands : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(run(modem, "ATE0"), "\r\nOK\r\n");
        ASSERT_TRUE(modem.messages().store(1, StoredMessage::fromPdu(kCentrePdu)));
        ASSERT_TRUE(
            modem.messages().store(2, StoredMessage::fromText("+12345678901", "hellohello")));
    }

    AtInterpreter modem;
};

TEST_F(MessageCommands, StorageSelectionAnswersWithUsedAndTotalCounts) {
    EXPECT_EQ(run(modem, "AT+CPMS=\"MT\""), "\r\n+CPMS: 2,30,2,30,2,30\r\n\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CPMS?"),
              "\r\n+CPMS: \"MT\",2,30,\"SM\",2,30,\"SM\",2,30\r\n\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CPMS=\"sm\", \"ME\",\"MT\""),
              "\r\n+CPMS: 2,30,2,30,2,30\r\n\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CPMS?"),
              "\r\n+CPMS: \"SM\",2,30,\"ME\",2,30,\"MT\",2,30\r\n\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CPMS=?"),
              "\r\n+CPMS: (\"SM\",\"ME\",\"MT\"),(\"SM\",\"ME\",\"MT\"),(\"SM\",\"ME\",\"MT\")"
              "\r\n\r\nOK\r\n");
    for (const char* bad : {"AT+CPMS=MT", "AT+CPMS=\"SM\",\"SM\",\"SM\",\"SM\"", "AT+CPMS",
                            "AT+CPMS=\"BM\"", "AT+CPMS=\"SM\",\"XX\""}) {
        EXPECT_EQ(run(modem, bad), "\r\nERROR\r\n") << bad;
    }
    // A refused selection changes nothing, and with AT+CMEE=1 says why.
    EXPECT_EQ(run(modem, "AT+CMEE=1"), "\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CPMS=\"ME\",\"XX\""), "\r\n+CMS ERROR: 302\r\n");
    EXPECT_EQ(run(modem, "AT+CPMS?"),
              "\r\n+CPMS: \"SM\",2,30,\"ME\",2,30,\"MT\",2,30\r\n\r\nOK\r\n");
}

TEST_F(MessageCommands, ReadsInPduModeAndMarksTheMessageRead) {
    EXPECT_EQ(run(modem, "AT+CMGF?"), "\r\n+CMGF: 0\r\n\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CMGR=1"),
              std::string{"\r\n+CMGR: 0,,28\r\n"} + kCentrePdu + "\r\n\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CMGR=1"),
              std::string{"\r\n+CMGR: 1,,28\r\n"} + kCentrePdu + "\r\n\r\nOK\r\n");
    EXPECT_EQ(modem.messages().find(1)->status, MessageStatus::ReceivedRead);
    // Empty slots and slots outside the store: ERROR, or the reason after AT+CMEE=1.
    for (const char* missing : {"AT+CMGR=3", "AT+CMGR=0", "AT+CMGR=31"}) {
        EXPECT_EQ(run(modem, missing), "\r\nERROR\r\n") << missing;
    }
    EXPECT_EQ(run(modem, "AT+CMEE=1"), "\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CMEE?"), "\r\n+CMEE: 1\r\n\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CMGR=3"), "\r\n+CMS ERROR: 321\r\n");
    EXPECT_EQ(run(modem, "ATV0+CMGR=3"), "+CMS ERROR: 321\r");
    EXPECT_EQ(run(modem, "ATV1"), "\r\nOK\r\n");
    for (const char* bad : {"AT+CMGR", "AT+CMGR?", "AT+CMGR=x", "AT+CMGR=", "AT+CMGR=1,2"}) {
        EXPECT_EQ(run(modem, bad), "\r\nERROR\r\n") << bad;
    }
    // AT&F forgets AT+CMEE=1.
    EXPECT_EQ(run(modem, "AT&FE0"), "\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CMGR=3"), "\r\nERROR\r\n");
}

TEST_F(MessageCommands, ReadsInTextModeOnlyMessagesItHasTheTextOf) {
    EXPECT_EQ(run(modem, "AT+CMGF=1"), "\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CMGF?"), "\r\n+CMGF: 1\r\n\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CMGR=2"),
              "\r\n+CMGR: \"REC UNREAD\",\"+12345678901\",,\"24/01/01,12:00:00+00\"\r\n"
              "hellohello\r\n\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CMGR=2").substr(0, 19), "\r\n+CMGR: \"REC READ\"");
    EXPECT_EQ(run(modem, "AT+CMGR=1"), "\r\nERROR\r\n");
    EXPECT_EQ(modem.messages().find(1)->status, MessageStatus::ReceivedUnread);
    EXPECT_EQ(run(modem, "AT+CMGF=2"), "\r\nERROR\r\n");
    EXPECT_EQ(run(modem, "AT+CMGF=0"), "\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CMGR=2").substr(0, 16), "\r\n+CMGR: 1,,28\r\n");
}

TEST_F(MessageCommands, DeletesByIndexOrByStatus) {
    EXPECT_EQ(run(modem, "AT+CMGD=?"), "\r\n+CMGD: (1,2),(0-4)\r\n\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CMGD=1"), "\r\nOK\r\n");
    EXPECT_EQ(modem.messages().find(1), nullptr);
    for (const char* missing : {"AT+CMGD=1", "AT+CMGD=0", "AT+CMGD=31"}) {
        EXPECT_EQ(run(modem, missing), "\r\nERROR\r\n") << missing;
    }
    EXPECT_EQ(run(modem, "AT+CMEE=1;+CMGD=1"), "\r\n+CMS ERROR: 321\r\n");
    for (const char* bad : {"AT+CMGD", "AT+CMGD=", "AT+CMGD=2,5", "AT+CMGD=2,1,1", "AT+CMGD=a"}) {
        EXPECT_EQ(run(modem, bad), "\r\nERROR\r\n") << bad;
    }
    EXPECT_EQ(modem.messages().used(), 1u);

    // Flags 1 to 4 widen the statuses deleted, whatever the index.
    sim::MessageStore& store = modem.messages();
    store.store(1, StoredMessage::fromPdu(kHelloPdu, MessageStatus::ReceivedRead));
    store.store(3, StoredMessage::fromPdu(kHelloPdu, MessageStatus::StoredSent));
    store.store(4, StoredMessage::fromPdu(kHelloPdu, MessageStatus::StoredUnsent));
    EXPECT_EQ(run(modem, "AT+CMGD=30,1"), "\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CMGD=?"), "\r\n+CMGD: (2,3,4),(0-4)\r\n\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CMGD=1,2"), "\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CMGD=?"), "\r\n+CMGD: (2,4),(0-4)\r\n\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CMGD=1,3"), "\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CMGD=?"), "\r\n+CMGD: (2),(0-4)\r\n\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CMGD=1,4"), "\r\nOK\r\n");
    EXPECT_EQ(run(modem, "AT+CMGD=?"), "\r\n+CMGD: (),(0-4)\r\n\r\nOK\r\n");
}

// The first free slot and the report under "SM" are orvane-at's watch test (tests/cli).
TEST(MessageArrival, IsReportedUnderTheReceivingStorageUntilTheStoreIsFull) {
    sim::ModemSession session;
    std::vector<sim::SessionOutput> out;
    session.feed("AT+CPMS=\"SM\",\"SM\",\"ME\"\r", 115200);
    EXPECT_EQ(session.messageArrived(StoredMessage::fromPdu(kHelloPdu), 3, out), 3u);
    EXPECT_EQ(out.at(0).bytes, "\r\n+CMTI: \"ME\",3\r\n");

    out.clear();
    EXPECT_FALSE(session.messageArrived(StoredMessage::fromPdu(kHelloPdu), 31, out));
    for (std::size_t i = 0; i < 29; ++i) {
        EXPECT_TRUE(session.messageArrived(StoredMessage::fromPdu(kHelloPdu), std::nullopt, out));
    }
    out.clear();
    EXPECT_FALSE(session.messageArrived(StoredMessage::fromPdu(kHelloPdu), std::nullopt, out));
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(session.messages().used(), 30u);
}

}  // namespace
