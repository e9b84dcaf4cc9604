#pragma once

// What happens on the line, as the modem facade reports it. Every event reaches the handler
// on the user-interface thread. The slot order is fixed: callers built against it rely on it.

#include <cstdint>
#include <string>

class ModemPhoneEventsHandler {
public:
    virtual ~ModemPhoneEventsHandler() = default;                        // slot 0
    virtual void onRing(const std::string& number, int type) = 0;        // slot 1
    virtual void onSmsReceived(const std::string& text, int index) = 0;  // slot 2
    virtual void onConnectEstablished() = 0;                             // slot 3
    virtual void onDisconnect(int reason) = 0;                           // slot 4
    virtual void reservedEvent5(int first, int second) = 0;              // slot 5
    virtual void onData(const char* data, std::uint32_t length) = 0;     // slot 6
    virtual void onDataBufferEmpty() = 0;                                // slot 7
    virtual void reservedEvent8() = 0;                                   // slot 8
    virtual void onError(const std::string& text) = 0;                   // slot 9
    virtual void reservedEvent10(int first, int second) = 0;             // slot 10
    virtual void reservedEvent11(int first, int second) = 0;             // slot 11
    virtual void reservedEvent12(int first, int second) = 0;             // slot 12
    virtual void onDtmf(const std::string& digits) = 0;                  // slot 13

protected:
    ModemPhoneEventsHandler() = default;
    ModemPhoneEventsHandler(const ModemPhoneEventsHandler&) = default;
    ModemPhoneEventsHandler& operator=(const ModemPhoneEventsHandler&) = default;
};

// Every event ignored; override what you need.
class ModemPhoneEventsHandlerStub : public ModemPhoneEventsHandler {
public:
    void onRing(const std::string& /*number*/, int /*type*/) override {}
    void onSmsReceived(const std::string& /*text*/, int /*index*/) override {}
    void onConnectEstablished() override {}
    void onDisconnect(int /*reason*/) override {}
    void reservedEvent5(int /*first*/, int /*second*/) override {}
    void onData(const char* /*data*/, std::uint32_t /*length*/) override {}
    void onDataBufferEmpty() override {}
    void reservedEvent8() override {}
    void onError(const std::string& /*text*/) override {}
    void reservedEvent10(int /*first*/, int /*second*/) override {}
    void reservedEvent11(int /*first*/, int /*second*/) override {}
    void reservedEvent12(int /*first*/, int /*second*/) override {}
    void onDtmf(const std::string& /*digits*/) override {}
};
