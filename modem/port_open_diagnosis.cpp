#include "modem/port_open_diagnosis.h"

#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string_view>
#include <vector>

#include "common/text_utils.h"
#include "platform/cp1251.h"
#include "platform/device_users.h"
#include "platform/system_error.h"

using namespace platform::literals;
using SimpleUtils::fillPlaces;

namespace {

constexpr std::string_view kCannotOpen = "Не удалось открыть порт %d, скорость %d"_cp1251;
constexpr std::string_view kNoDevice = "Порт %d: устройство %s отсутствует."_cp1251;
constexpr std::string_view kDanglingLink =
    "Порт %d: ссылка ведёт на отсутствующее устройство %s."_cp1251;
constexpr std::string_view kNoPermission =
    "Порт %d: нет прав на %s; пользователь должен входить в группу %s (войдите в систему "
    "заново)."_cp1251;
constexpr std::string_view kHeldBy = "Порт %d: %s занят программой %s (PID %d)."_cp1251;
constexpr std::string_view kHeldByOther = "Порт %d: %s занят другой программой."_cp1251;
constexpr std::string_view kModemManagerHint =
    " Исключите устройство для ModemManager правилом udev ID_MM_DEVICE_IGNORE=1."_cp1251;
constexpr std::string_view kOtherFailure = "Порт %d: %s: "_cp1251;
constexpr std::string_view kModemManagerAlso =
    "Внимание: порт %d (%s) открыт также программой ModemManager (PID %d); ответы модема "
    "могут перемешаться."_cp1251;

bool isModemManager(const platform::DeviceHolder& holder) {
    return holder.name == platform::kModemManagerName;
}

// The program that refused us. A lock names its owner exactly; the exclusive mode does not,
// so then ModemManager (the usual one to set it), or the only other program on the line.
std::optional<platform::DeviceHolder> refusingHolder(const std::filesystem::path& device,
                                                     TCommPort::OpenStep step) {
    if (step == TCommPort::OpenStep::lock) {
        std::optional<platform::DeviceHolder> owner = platform::deviceLockOwner(device);
        if (owner && owner->pid != 0 && owner->pid != static_cast<int>(::getpid())) {
            return owner;
        }
    }
    const std::vector<platform::DeviceHolder> holders = platform::deviceHolders(device);
    for (const platform::DeviceHolder& holder : holders) {
        if (isModemManager(holder)) {
            return holder;
        }
    }
    if (holders.size() == 1) {
        return holders.front();
    }
    return std::nullopt;
}

std::string heldText(const std::string& port, const std::string& device,
                     const std::optional<platform::DeviceHolder>& holder) {
    if (!holder) {
        return fillPlaces(kHeldByOther, {port, device});
    }
    std::string text = fillPlaces(
        kHeldBy, {port, device, platform::utf8ToCp1251(holder->name), std::to_string(holder->pid)});
    if (isModemManager(*holder)) {
        text += kModemManagerHint;
    }
    return text;
}

}  // namespace

std::string cannotOpenText(int port, int baud) {
    return fillPlaces(kCannotOpen, {std::to_string(port), std::to_string(baud)});
}

std::string openFailureText(int port, const TCommPort::OpenFailure& failure,
                            const platform::SerialRoots& roots) {
    using Step = TCommPort::OpenStep;
    const platform::SerialPortTarget target = platform::describeSerialPort(port, roots);
    const std::string number = std::to_string(port);
    const std::string device = platform::pathToText(target.device);
    if (target.kind == platform::SerialPortTarget::Kind::Link && !target.present) {
        return fillPlaces(kDanglingLink, {number, device});
    }
    const bool atDevice = failure.step == Step::device;
    if (!target.present || (atDevice && failure.error == ENOENT)) {
        return fillPlaces(kNoDevice, {number, device});
    }
    // Joining the group helps only when the group may read and write the device.
    if (atDevice && (failure.error == EACCES || failure.error == EPERM) &&
        platform::deviceGroupMayUse(target.device)) {
        return fillPlaces(
            kNoPermission,
            {number, device, platform::utf8ToCp1251(platform::deviceGroupName(target.device))});
    }
    if ((failure.step == Step::lock && failure.error == EWOULDBLOCK) ||
        (atDevice && failure.error == EBUSY)) {
        return heldText(number, device, refusingHolder(target.device, failure.step));
    }
    return fillPlaces(kOtherFailure, {number, device}) + platform::systemErrorText(failure.error);
}

std::string modemManagerWarning(int port, const platform::SerialRoots& roots) {
    const platform::SerialPortTarget target = platform::describeSerialPort(port, roots);
    if (!target.present) {
        return {};
    }
    for (const platform::DeviceHolder& holder : platform::deviceHolders(target.device)) {
        if (isModemManager(holder)) {
            return fillPlaces(kModemManagerAlso,
                              {std::to_string(port), platform::pathToText(target.device),
                               std::to_string(holder.pid)});
        }
    }
    return {};
}
