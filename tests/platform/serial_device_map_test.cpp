#include "platform/serial_device_map.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using platform::listSerialPorts;
using platform::serialDevicePath;

namespace {

// What a number leads to, for the operator, and the numbers the links give are orvane-run's
// port listing test (tests/cli). A fake machine: an application folder, a /dev and a
// /sys/class/tty, all under one temporary folder.
class FakeSerialTree {
public:
    FakeSerialTree() {
        roots.appFolder = m_dir.path() / "app";
        roots.dev = m_dir.path() / "dev";
        roots.sysTty = m_dir.path() / "sys";
        fs::create_directories(ports());
        fs::create_directories(roots.dev);
        fs::create_directories(roots.sysTty);
    }

    fs::path ports() const { return roots.appFolder / "ports"; }

    // A device node stand-in plus its class entry; uartType < 0: no type file (not 8250).
    void addDevice(const std::string& name, bool withDriver = true, int uartType = -1) {
        std::ofstream(roots.dev / name).put('\n');
        fs::create_directories(roots.sysTty / name);
        if (withDriver) {
            fs::create_directories(roots.sysTty / name / "device");
        }
        if (uartType >= 0) {
            std::ofstream(roots.sysTty / name / "type") << uartType << '\n';
        }
    }

    fs::path addTarget(const std::string& name) {
        const fs::path target = m_dir.path() / name;
        std::ofstream(target).put('\n');
        return target;
    }

    void link(int number, const fs::path& target) {
        fs::create_symlink(target, ports() / ("com" + std::to_string(number)));
    }

    void linksOnly() { std::ofstream(ports() / "links-only").flush(); }

    platform::SerialRoots roots;

private:
    testsupport::TempDir m_dir;
};

using Names = std::vector<std::string>;

}  // namespace

TEST(SerialDeviceMap, NumbersMapToTheFixedRanges) {
    FakeSerialTree tree;
    const std::pair<int, std::string> mapped[] = {
        {1, "ttyS0"},     {32, "ttyS31"},  {33, "ttyUSB0"},  {36, "ttyUSB3"},
        {64, "ttyUSB31"}, {65, "ttyACM0"}, {96, "ttyACM31"}, {0, ""},
        {-3, ""},         {97, ""},        {500, ""}};
    for (const auto& [number, device] : mapped) {
        EXPECT_EQ(serialDevicePath(number, tree.roots),
                  device.empty() ? fs::path() : tree.roots.dev / device)
            << number;
    }
}

TEST(SerialDeviceMap, AnExistingLinkDecidesAlone) {
    FakeSerialTree tree;
    const fs::path modem = tree.addTarget("modem");
    tree.link(3, modem);
    tree.link(4, tree.roots.appFolder / "gone");
    tree.link(200, modem);
    EXPECT_EQ(serialDevicePath(3, tree.roots), tree.ports() / "com3");
    EXPECT_EQ(serialDevicePath(200, tree.roots), tree.ports() / "com200");
    // A dangling link hides the range device of the same number.
    EXPECT_TRUE(serialDevicePath(4, tree.roots).empty());
    EXPECT_EQ(serialDevicePath(5, tree.roots), tree.roots.dev / "ttyS4");

    tree.linksOnly();
    EXPECT_EQ(serialDevicePath(3, tree.roots), tree.ports() / "com3");
    EXPECT_TRUE(serialDevicePath(5, tree.roots).empty());
    EXPECT_TRUE(serialDevicePath(65, tree.roots).empty());
}

TEST(SerialDeviceMap, ListsRealRangeDevicesOnlyWithOrWithoutAPortsFolder) {
    FakeSerialTree tree;
    fs::remove_all(tree.ports());
    tree.addDevice("ttyS0", true, 4);  // a 16550A that answered
    tree.addDevice("ttyS1", true, 0);  // an 8250 placeholder: no UART behind it
    tree.addDevice("ttyS2", false);    // no driver behind the class entry
    tree.addDevice("ttyUSB3");
    tree.addDevice("ttyACM0");
    tree.addDevice("ttyACM31");
    fs::create_directories(tree.roots.sysTty / "ttyUSB5" / "device");  // no device node
    tree.addDevice("ttyS40");                                          // outside the range
    EXPECT_EQ(listSerialPorts(tree.roots), (Names{"COM1", "COM36", "COM65", "COM96"}));
    EXPECT_EQ(serialDevicePath(65, tree.roots), tree.roots.dev / "ttyACM0");
}

TEST(SerialDeviceMap, ListsLinksWithATargetAndEachNumberOnce) {
    FakeSerialTree tree;
    const fs::path modem = tree.addTarget("modem");
    tree.addDevice("ttyS0", true, 4);
    tree.addDevice("ttyS1", true, 4);
    tree.addDevice("ttyUSB0");
    tree.link(1, modem);                          // same number as ttyS0
    tree.link(2, tree.roots.appFolder / "gone");  // hides ttyS1
    tree.link(150, modem);
    tree.link(7, tree.roots.appFolder / "gone");
    std::ofstream(tree.ports() / "com09").put('\n');  // never looked up as COM9
    std::ofstream(tree.ports() / "notes.txt").put('\n');
    EXPECT_EQ(listSerialPorts(tree.roots), (Names{"COM1", "COM33", "COM150"}));

    tree.linksOnly();
    EXPECT_EQ(listSerialPorts(tree.roots), (Names{"COM1", "COM150"}));
}

TEST(SerialDeviceMap, NamesTheStableNameAndTheDriverOfADevice) {
    FakeSerialTree tree;
    tree.addDevice("ttyUSB0");
    tree.addDevice("ttyACM0");
    tree.addDevice("ttyS0", true, 4);
    const fs::path byId = tree.roots.dev / "serial" / "by-id";
    fs::create_directories(byId);
    fs::create_symlink("../../ttyUSB0", byId / "usb-Vendor_Modem-if00-port0");
    fs::create_symlink("../../ttyACM9", byId / "usb-Unplugged-if00");
    const auto bind = [&](const fs::path& device, const std::string& bus, const char* driver) {
        const fs::path target = tree.roots.dev.parent_path() / "bus" / bus / "drivers" / driver;
        fs::create_directories(target);
        fs::create_directory_symlink(target, device / "driver");
    };
    bind(tree.roots.sysTty / "ttyUSB0" / "device", "usb-serial", "option1");
    // From Linux 6.5 the serial core's port and controller devices stand between a UART's tty
    // and the device its driver serves.
    bind(tree.roots.sysTty / "ttyS0" / "device", "serial-base", "port");
    bind(tree.roots.sysTty / "ttyS0", "serial-base", "ctrl");
    bind(tree.roots.sysTty, "pnp", "serial");

    EXPECT_EQ(platform::stableSerialName(tree.roots.dev / "ttyUSB0", tree.roots),
              byId / "usb-Vendor_Modem-if00-port0");
    EXPECT_TRUE(platform::stableSerialName(tree.roots.dev / "ttyACM0", tree.roots).empty());
    const std::pair<fs::path, std::string> drivers[] = {{tree.roots.dev / "ttyUSB0", "option1"},
                                                        {tree.roots.dev / "ttyS0", "serial"},
                                                        {tree.roots.dev / "ttyACM0", ""},
                                                        {tree.addTarget("pty"), ""}};
    for (const auto& [device, driver] : drivers) {
        EXPECT_EQ(platform::serialDriverName(device, tree.roots), driver) << device;
    }
}
