#pragma once

// Byte access to one serial port. Failures are reported only through the results; the
// caller decides what a failure means.
class IPort {
public:
    // One read under the port's current time limits; got receives the bytes read (possibly
    // 0). True when the read itself succeeded, whether or not bytes arrived.
    virtual bool read(char* buffer, int count, unsigned& got) = 0;
    // True only if all count bytes were written: a partial write is a failure.
    virtual bool write(const char* buffer, int count) = 0;
    // Repeated reads until count bytes are in (true) or timeout_ms has passed (false);
    // total receives the bytes read so far either way.
    virtual bool read_full(char* buffer, int count, unsigned timeout_ms, unsigned& total) = 0;
    // Like read_full, but a read that brings any bytes ends it with true.
    virtual bool read_any(char* buffer, int count, unsigned timeout_ms, unsigned& total) = 0;
    virtual ~IPort() = default;

protected:
    IPort() = default;
    IPort(const IPort&) = default;
    IPort& operator=(const IPort&) = default;
    IPort(IPort&&) = default;
    IPort& operator=(IPort&&) = default;
};
