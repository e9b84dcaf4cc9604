#pragma once

// The entry `<application folder>/ports/comN` that makes a device the application's COM
// port N: a symbolic link to the device, made by the owner of the device and removed by it.

#include <filesystem>
#include <string>

namespace sim {

std::filesystem::path portLinkPath(const std::filesystem::path& appFolder, int portNumber);

class PortLink {
public:
    PortLink() = default;
    // Creates ports/ when missing. A stale link (left by a process that died) is replaced;
    // any other entry of that name is left alone and reported with std::runtime_error.
    PortLink(const std::filesystem::path& appFolder, int portNumber,
             const std::filesystem::path& device);
    ~PortLink();
    PortLink(PortLink&& other) noexcept;
    PortLink& operator=(PortLink&& other) noexcept;
    PortLink(const PortLink&) = delete;
    PortLink& operator=(const PortLink&) = delete;

    const std::filesystem::path& path() const { return m_path; }

    // Removes the link if it still leads to our device: another simulator may have taken
    // the number over since.
    void remove();

private:
    std::filesystem::path m_path;
    std::filesystem::path m_device;
};

}  // namespace sim
