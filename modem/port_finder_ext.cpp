#include "modem/port_finder_ext.h"

#include <algorithm>
#include <cassert>
#include <exception>
#include <numeric>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <utility>

#include "modem/modem_port.h"
#include "modem/port_check_stop.h"
#include "modem/port_exchange_log.h"
#include "modem/port_open_diagnosis.h"
#include "modem/search_progress.h"
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

// One try of a search command. A stop also counts as the end of the answer wait, so the
// request cannot be lost when it lands just before the port has cleared an earlier stop;
// the reads end at the answer wait's end, not up to a read's own limit past it.
class SearchTry : public AdjustedAtCmd {
public:
    SearchTry(const AdjustedAtCmd& command, const PortCheckStop& stop)
        : AdjustedAtCmd(command), m_stop(stop) {}

    bool is_complete() const override { return AdjustedAtCmd::is_complete() || m_stop.requested(); }
    bool reads_end_at_deadline() const override { return true; }

private:
    const PortCheckStop& m_stop;
};

}  // namespace

// The checking threads of one search and the stops of its checks, one per port of the
// list. Going, it stops every check and waits for its thread, so every port is closed.
class PortFinderExt::Search {
public:
    Search(PortFinderExt& finder, const PortNumbers& ports,
           std::vector<std::vector<std::size_t>> groups)
        : m_finder(finder),
          m_ports(ports),
          m_groups(std::move(groups)),
          m_started(m_groups.size(), false),
          m_progress(ports.size()) {
        for (std::size_t i = 0; i < ports.size(); ++i) {
            m_stops.push_back(std::make_unique<PortCheckStop>(finder.m_cancel));
        }
        std::lock_guard<std::mutex> lock(m_finder.m_checksMutex);
        for (const auto& stop : m_stops) {
            m_finder.m_checks.push_back(stop.get());
        }
    }
    ~Search() {
        finish();
        std::lock_guard<std::mutex> lock(m_finder.m_checksMutex);
        m_finder.m_checks.clear();
    }
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;

    SearchProgress& progress() { return m_progress; }

    // Starts the checks of every group not started yet, or only of the first port's group.
    void start(bool everyGroup) {
        for (std::size_t group = 0; group < m_groups.size(); ++group) {
            if (!m_started[group]) {
                m_started[group] = true;
                m_threads.emplace_back([this, group] { run(m_groups[group]); });
            }
            if (!everyGroup) {
                break;
            }
        }
    }
    // The checks of the ports after index end now, unseen.
    void stop_after(std::size_t index) {
        for (std::size_t i = index + 1; i < m_stops.size(); ++i) {
            m_stops[i]->request();
        }
    }
    void finish() {
        for (const auto& stop : m_stops) {
            stop->request();
        }
        for (std::thread& thread : m_threads) {
            thread.join();
        }
        m_threads.clear();
    }

private:
    // The ports of one device, one after another in list order.
    void run(const std::vector<std::size_t>& group) {
        bool found = false;
        for (const std::size_t index : group) {
            if (found || m_stops[index]->requested()) {
                m_progress.decide(index, SearchProgress::Outcome::Stopped);
                continue;
            }
            try {
                found = m_finder.check_port(index, static_cast<std::int32_t>(m_ports[index]),
                                            *m_stops[index], m_progress);
            } catch (const std::exception&) {
                m_progress.decide(index, SearchProgress::Outcome::NotFound);
            }
        }
    }

    PortFinderExt& m_finder;
    const PortNumbers& m_ports;
    const std::vector<std::vector<std::size_t>> m_groups;
    std::vector<bool> m_started;  // the thread of the search only
    SearchProgress m_progress;
    std::vector<std::unique_ptr<PortCheckStop>> m_stops;
    std::vector<std::thread> m_threads;
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
    std::lock_guard<std::mutex> lock(m_checksMutex);
    for (PortCheckStop* stop : m_checks) {
        stop->request();
    }
}

bool PortFinderExt::find(std::int32_t lastPort, std::int32_t lastBaud) {
    m_found = false;

    PortNumbers ports;
    enumerate_ports(ports);
    order_ports(ports, lastPort, m_onlyOnePort);
    move_baud_first(m_baudRateList, lastBaud);
    if (ports.empty()) {
        return false;
    }

    std::vector<std::vector<std::size_t>> groups;
    if (m_onePortAtATime) {
        groups.emplace_back(ports.size());
        std::iota(groups.front().begin(), groups.front().end(), std::size_t{0});
    } else {
        groups = same_device_groups(ports, m_serialRoots);
    }
    // The stored last port is checked alone at the first rate before any other port is
    // touched: the usual run finds its modem there.
    bool everyGroupStarted = lastPort == 0 || groups.size() == 1;
    Search search(*this, ports, std::move(groups));
    search.start(everyGroupStarted);

    InfoViewerStub noViewer;
    InfoViewerI& viewer = m_viewer != nullptr ? *m_viewer : noViewer;
    SearchProgress& progress = search.progress();
    bool cancelled = false;
    for (;;) {
        const SearchProgress::Front front = progress.show_front(viewer);
        if (front.firstFound < ports.size()) {
            search.stop_after(front.firstFound);
        }
        if (!everyGroupStarted && !m_cancel && front.firstFound == ports.size() &&
            (front.firstRateTried || front.outcome == SearchProgress::Outcome::NotFound)) {
            everyGroupStarted = true;
            search.start(true);
        }
        if (front.outcome == SearchProgress::Outcome::Undecided) {
            continue;
        }
        if (front.outcome == SearchProgress::Outcome::Found) {
            m_found = true;
            m_foundPort = static_cast<std::int32_t>(ports[progress.front()]);
            m_foundBaud = front.baud;
            break;
        }
        if (front.outcome == SearchProgress::Outcome::Stopped || m_cancel) {
            cancelled = true;
            break;
        }
        progress.advance();
        if (progress.front() == ports.size()) {
            break;
        }
    }
    search.finish();
    if (cancelled) {
        show(std::string(kCancelled), true);
        return false;
    }
    return m_found;
}

bool PortFinderExt::check_port(std::size_t index, std::int32_t port, PortCheckStop& stop,
                               SearchProgress& progress) {
    assert(!m_baudRateList.empty());
    const auto show = [&progress, index](const std::string& text, bool newLine) {
        progress.show(index, text, newLine);
    };

    PortExchangeLog log(m_exchangeLog, port);
    show(checkingText(port), true);
    ModemPort modem(port, m_baudRateList.front().baudRate, kDataBits, kStopBits, false, true);
    modem.set_exchange_log(m_exchangeLog != nullptr ? &log : nullptr);
    modem.port().set_timeouts(kTimeoutMode, kReadLimitMs);
    if (!modem.is_open()) {
        show(std::string(kOpenFailed) + std::to_string(port) + '.', false);
        const std::string reason =
            openFailureText(port, modem.port().open_failure(), m_serialRoots);
        show(reason, true);
        log.onNote(reason);
        progress.decide(index, SearchProgress::Outcome::NotFound);
        return false;
    }

    bool succeeded = false;
    bool stopped = false;
    // The port opened at the first rate: a check stopped before its first try leaves that.
    std::int32_t lastRate = m_baudRateList.front().baudRate;
    {
        const PortCheckStop::ActivePort active(stop, modem);
        for (std::size_t i = 0; i < m_baudRateList.size() && !succeeded; ++i) {
            if (stop.requested()) {
                stopped = true;  // the search tells the operator, if it was theirs
                break;
            }
            const BaudrateParam& entry = m_baudRateList[i];
            lastRate = entry.baudRate;
            modem.port().set_baudrate(entry.baudRate);
            show(rateText(port, entry.baudRate), false);
            succeeded = try_commands(modem, entry.answerWaitMs, stop);
            if (i == 0 && !succeeded) {
                progress.first_rate_tried(index);
            }
        }
    }

    if (succeeded) {
        show(rateText(port, lastRate) + std::string(kModemFound), false);
    } else if (!stopped) {
        show(checkingText(port) + std::string(kModemNotFound), false);
    }
    if (lastRate <= kHighestSlowRate) {
        modem.port().set_baudrate(kRestoredRate);
    }
    using Outcome = SearchProgress::Outcome;
    progress.decide(index,
                    succeeded ? Outcome::Found : (stopped ? Outcome::Stopped : Outcome::NotFound),
                    succeeded ? lastRate : 0);
    return succeeded;
}

bool PortFinderExt::try_commands(ModemPort& modem, std::int32_t waitMs, const PortCheckStop& stop) {
    for (const AdjustedAtCmd& command : m_searchCmds) {
        if (stop.requested()) {
            return false;
        }
        SearchTry attempt(command, stop);
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
