#pragma once

// The one object through which the rest of the system talks to a modem. The slot order is
// fixed. A facade is destroyed only through release().

#include <cstdint>

class ModemPhoneEventsHandler;

class ModemPhone {
public:
    // True when the serial port is open. reserved is always 0.
    virtual bool open(int port, int baudRate, int reserved,
                      ModemPhoneEventsHandler* handler) = 0;  // 1
    virtual void release() = 0;                               // 2
    virtual const char* lastErrorText() const = 0;            // 3
    virtual int state() const = 0;                            // 4
    virtual void hangup() = 0;                                // 5
    virtual void answer() = 0;                                // 6
    virtual void dial(const char* number) = 0;                // 7
    virtual void dialInDataMode(const char* number) = 0;      // 8
    virtual void reserved1(int first, int second) = 0;        // 9
    virtual void sendData(const char* data, int length) = 0;  // 10
    virtual int reserved2() = 0;                              // 11
    virtual int pendingDataSize() = 0;                        // 12
    virtual bool executeAtCommand(const char* text, int answerTimeoutMs, int delayBeforeMs,
                                  bool async) = 0;  // 13

protected:
    virtual ~ModemPhone() = default;  // 14
};
