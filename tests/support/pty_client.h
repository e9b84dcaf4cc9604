#pragma once

// The application's side of a simulated modem's line: opens the device the way a serial
// port would (raw, non-blocking, no controlling terminal) and reads with time limits.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

class PtyClient {
public:
    // Any rate, with or without a B constant.
    explicit PtyClient(const std::string& device, std::uint32_t baud = 115200);
    ~PtyClient();
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    void send(std::string_view bytes);
    // Sends bytes and returns what arrives until marker.
    std::string ask(std::string_view bytes, std::string_view marker) {
        send(bytes);
        return readUntil(marker);
    }

    // Reads until the text received contains marker or the time runs out; returns all of
    // it.
    std::string readUntil(std::string_view marker, std::uint32_t timeoutMs = 5000);
    // Reads until count bytes are in or the time runs out.
    std::string readCount(std::size_t count, std::uint32_t timeoutMs = 5000);
    // Everything that arrives within ms.
    std::string readFor(std::uint32_t ms);
    // Like readUntil, but keeps each read's bytes apart.
    std::vector<std::string> readPiecesUntil(std::string_view marker,
                                             std::uint32_t timeoutMs = 5000);

private:
    int m_fd = -1;
};

inline std::int64_t msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

}  // namespace testsupport
