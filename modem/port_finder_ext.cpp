#include "modem/port_finder_ext.h"

#include <algorithm>
#include <cassert>
#include <stdexcept>
#include <string_view>

#include "modem/modem_port.h"
#include "modem/port_open_diagnosis.h"
#include "platform/cp1251.h"
#include "tools/debug_print.h"

using namespace platform::literals;

namespace {

constexpr std::string_view kEmptyBaudList = "Ошибка: пустой список скоростей модема"_cp1251;
constexpr std::string_view kEmptySearchCommands =
    "Внимание: пустой список команд поиска модема"_cp1251;
constexpr std::string_view kCancelled = "Тестирование прервано пользователем."_cp1251;
constexpr std::string_view kChecking = "Проверка порта "_cp1251;
constexpr std::string_view kOpenFailed = "Не удалось открыть порт "_cp1251;
constexpr std::string_view kRate = ". Скорость "_cp1251;
constexpr std::string_view kModemFound = ". Модем найден."_cp1251;
constexpr std::string_view kModemNotFound = ". Модем не найден."_cp1251;

constexpr std::uint32_t kCommandTimeoutMs = 1000;
constexpr int kDataBits = 8;
constexpr int kStopBits = 1;
constexpr std::uint8_t kTimeoutMode = 3;
constexpr std::uint32_t kReadLimitMs = 100;
// The device keeps its line settings after the close; a slow rate left behind would greet
// the next program that opens the port without choosing a rate of its own.
constexpr std::int32_t kHighestSlowRate = 19200;
constexpr std::int32_t kRestoredRate = 115200;

std::string checkingText(std::int32_t port) {
    return std::string(kChecking) + std::to_string(port);
}

std::string rateText(std::int32_t port, std::int32_t baud) {
    return checkingText(port) + std::string(kRate) + std::to_string(baud);
}

// One try of a search command. A cancel also counts as the end of the answer wait, so the
// request cannot be lost when it lands just before the port has cleared an earlier stop.
class SearchTry : public AdjustedAtCmd {
public:
    SearchTry(const AdjustedAtCmd& command, const std::atomic<bool>& cancel)
        : AdjustedAtCmd(command), m_cancel(cancel) {}

    bool is_complete() const override { return AdjustedAtCmd::is_complete() || m_cancel; }

private:
    const std::atomic<bool>& m_cancel;
};

}  // namespace

class PortFinderExt::ActivePortScope {
public:
    ActivePortScope(PortFinderExt& finder, ModemPort& modem) : m_finder(finder) {
        std::lock_guard<std::mutex> lock(m_finder.m_activeMutex);
        m_finder.m_activePort = &modem;
    }
    ~ActivePortScope() {
        std::lock_guard<std::mutex> lock(m_finder.m_activeMutex);
        m_finder.m_activePort = nullptr;
    }
    ActivePortScope(const ActivePortScope&) = delete;
    ActivePortScope& operator=(const ActivePortScope&) = delete;

private:
    PortFinderExt& m_finder;
};

PortFinderExt::PortFinderExt()
    : m_ownViewer(std::make_unique<InfoViewerStub>()), m_viewer(m_ownViewer.get()) {
    m_baudRateList = default_baud_list();
    set_search_commands(default_search_command_params());
}

PortFinderExt::~PortFinderExt() {
    SimpleUtils::debug_print("PortFinderExt::~. entry");
    m_ownViewer.reset();
    SimpleUtils::debug_print("PortFinderExt::~. quit");
}

void PortFinderExt::set_baud_list(const BaudrateParams& list) {
    if (list.empty()) {
        show(std::string(kEmptyBaudList), true);
        return;
    }
    m_baudRateList = list;
}

void PortFinderExt::set_search_commands(const AtCmdParamMtList& lines) {
    m_searchCmdParams = lines;
    m_searchCmds.clear();
    for (const AtCmdParamMt& line : lines) {
        bool merged = false;
        for (AdjustedAtCmd& command : m_searchCmds) {
            if (std::string_view(command.command_data(), command.command_size()) == line.command) {
                command.add_complete_rule(line.answer, true);
                merged = true;
                break;
            }
        }
        if (!merged) {
            m_searchCmds.emplace_back(line.command, line.answer, kCommandTimeoutMs);
        }
    }
    if (m_searchCmds.empty()) {
        show(std::string(kEmptySearchCommands), true);
    }
}

void PortFinderExt::enumerate_ports(PortNumbers& ports) const {
    list_com_ports(ports, m_serialRoots);
}

void PortFinderExt::set_viewer(InfoViewerI* viewer) {
    m_ownViewer.reset();
    m_viewer = viewer;
}

void PortFinderExt::show(const std::string& text, bool newLine) {
    if (m_viewer != nullptr) {
        m_viewer->show(text, newLine);
    }
}

void PortFinderExt::cancel() {
    m_cancel = true;
    std::lock_guard<std::mutex> lock(m_activeMutex);
    if (m_activePort != nullptr) {
        m_activePort->stop();
    }
}

bool PortFinderExt::find(std::int32_t lastPort, std::int32_t lastBaud) {
    m_found = false;

    PortNumbers ports;
    enumerate_ports(ports);
    order_ports(ports, lastPort, m_onlyOnePort);
    move_baud_first(m_baudRateList, lastBaud);

    for (const unsigned port : ports) {
        if (check_port(static_cast<std::int32_t>(port))) {
            m_found = true;
            break;
        }
        if (m_cancel) {
            show(std::string(kCancelled), true);
            return false;
        }
    }
    return m_found;
}

bool PortFinderExt::check_port(std::int32_t port) {
    assert(!m_baudRateList.empty());

    show(checkingText(port), true);
    ModemPort modem(port, m_baudRateList.front().baudRate, kDataBits, kStopBits, false, true);
    modem.set_exchange_log(m_exchangeLog);
    modem.port().set_timeouts(kTimeoutMode, kReadLimitMs);
    if (!modem.is_open()) {
        show(std::string(kOpenFailed) + std::to_string(port) + '.', false);
        const std::string reason =
            openFailureText(port, modem.port().open_failure(), m_serialRoots);
        show(reason, true);
        if (m_exchangeLog != nullptr) {
            m_exchangeLog->onNote(reason);
        }
        return false;
    }

    bool succeeded = false;
    std::int32_t lastRate = 0;
    {
        const ActivePortScope active(*this, modem);
        for (const BaudrateParam& entry : m_baudRateList) {
            if (m_cancel) {
                return false;  // find tells the operator
            }
            lastRate = entry.baudRate;
            modem.port().set_baudrate(entry.baudRate);
            show(rateText(port, entry.baudRate), false);
            if (try_commands(modem, entry.answerWaitMs)) {
                succeeded = true;
                break;
            }
        }
    }

    if (succeeded) {
        show(rateText(port, lastRate) + std::string(kModemFound), false);
        m_foundBaud = lastRate;
        m_foundPort = port;
    } else {
        show(checkingText(port) + std::string(kModemNotFound), false);
    }
    if (lastRate <= kHighestSlowRate) {
        modem.port().set_baudrate(kRestoredRate);
    }
    return succeeded;
}

bool PortFinderExt::try_commands(ModemPort& modem, std::int32_t waitMs) {
    for (const AdjustedAtCmd& command : m_searchCmds) {
        if (m_cancel) {
            return false;
        }
        SearchTry attempt(command, m_cancel);
        attempt.set_answer_timeout(static_cast<std::uint32_t>(std::max(waitMs, 0)));
        try {
            modem.execute(attempt);
        } catch (const std::runtime_error&) {
            continue;  // a port that fails here simply did not answer
        }
        if (attempt.result()) {
            return true;
        }
    }
    return false;
}
