#pragma once

// Finds the COM port and baud rate at which a modem answers: on every port, rate after rate,
// it sends the search commands until one of their expected answers comes back. The ports are
// checked at the same time, each on a thread of its own, so a search takes as long as its
// slowest port rather than the sum of them all; the outcome and the lines shown are those of
// a search of one port after another (the first port in list order that answers, one line
// per port, rewritten as the check moves on). The bytes exchanged go to the exchange log,
// each line marked with its port.
//
// Two guards keep the search as gentle as one port at a time: a stored last port is first
// checked alone at the first rate of the list (the usual run touches no other port), and
// ports that lead to the same device are checked one after another. A setting turns the
// search back to one port at a time.
//
// find runs on a worker thread; cancel comes from another thread. Everything else (the plan,
// the viewer, the log) is set while no search runs.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/info_viewer.h"
#include "modem/adjusted_at_cmd.h"
#include "modem/at_cmd_param_mt.h"
#include "modem/baudrate_param.h"
#include "modem/exchange_log.h"
#include "modem/search_plan.h"
#include "platform/serial_device_map.h"

class ModemPort;
class PortCheckStop;
class SearchProgress;

class PortFinderExt {
public:
    // The default plan (search_plan.h), not limited to one port, and a viewer that drops
    // every line.
    PortFinderExt();
    ~PortFinderExt();
    PortFinderExt(const PortFinderExt&) = delete;
    PortFinderExt& operator=(const PortFinderExt&) = delete;

    // An empty list is refused with a message line; the current list stays.
    void set_baud_list(const BaudrateParams& list);
    const BaudrateParams& baud_list() const { return m_baudRateList; }

    // Lines with the same command bytes become one command that succeeds on any of their
    // answers. An empty result is kept (a search then finds nothing) and warned about.
    void set_search_commands(const AtCmdParamMtList& lines);
    const AtCmdParamMtList& search_command_params() const { return m_searchCmdParams; }
    // The commands as sent; each try runs a fresh copy.
    const std::vector<AdjustedAtCmd>& search_commands() const { return m_searchCmds; }

    // Try only the last found port (when there is one). Like the rest of the plan, changed
    // only while no search runs.
    void set_only_one_port(bool flag) { m_onlyOnePort = flag; }
    bool only_one_port() const { return m_onlyOnePort; }
    // Check the ports one after another, never at the same time (for lines where probing
    // other ports at once is unwanted). Changed only while no search runs.
    void set_one_port_at_a_time(bool flag) { m_onePortAtATime = flag; }
    bool one_port_at_a_time() const { return m_onePortAtATime; }

    // Where the port listing looks; the default is the application folder and the machine's
    // own devices.
    void set_serial_roots(const platform::SerialRoots& roots) { m_serialRoots = roots; }
    // Appends the numbers of the machine's COM ports, unsorted as listed.
    void enumerate_ports(PortNumbers& ports) const;

    // Not owned; the caller keeps it alive while the finder may show lines. The do-nothing
    // viewer made by the constructor goes at the first call.
    void set_viewer(InfoViewerI* viewer);
    // Not owned; handed to every port opened by later checks.
    void set_exchange_log(ExchangeLog* log) { m_exchangeLog = log; }

    // Searches, trying lastPort and lastBaud (the values found last time, 0 for none) first.
    // Moving lastBaud to the front of the baud list is kept for later searches.
    bool find(std::int32_t lastPort, std::int32_t lastBaud);
    // Of the last successful search; a failed one leaves them.
    std::int32_t found_port() const { return m_foundPort; }
    std::int32_t found_baud() const { return m_foundBaud; }

    // Any thread. Ends the exchanges under way at once and every check before its next rate
    // or port. The request stays in force until clear_cancel(), so one made before find has
    // begun is seen by it: the owner of a run clears it before the run's search starts.
    void cancel();
    void clear_cancel() { m_cancel = false; }

private:
    class Search;

    // One port's check, reported through progress at the port's place in the list; true when
    // the modem answered.
    bool check_port(std::size_t index, std::int32_t port, PortCheckStop& stop,
                    SearchProgress& progress);
    bool try_commands(ModemPort& modem, std::int32_t waitMs, const PortCheckStop& stop);
    void show(const std::string& text, bool newLine);

    bool m_found = false;
    BaudrateParams m_baudRateList;
    AtCmdParamMtList m_searchCmdParams;
    std::vector<AdjustedAtCmd> m_searchCmds;
    std::int32_t m_foundBaud = 0;
    std::int32_t m_foundPort = 0;
    std::atomic<bool> m_cancel{false};
    std::unique_ptr<InfoViewerI> m_ownViewer;
    InfoViewerI* m_viewer = nullptr;
    ExchangeLog* m_exchangeLog = nullptr;
    std::atomic<bool> m_onlyOnePort{false};
    std::atomic<bool> m_onePortAtATime{false};
    platform::SerialRoots m_serialRoots;

    // The stops of the checks of the search under way (empty between searches), for cancel()
    // to reach every exchange.
    std::mutex m_checksMutex;
    std::vector<PortCheckStop*> m_checks;
};
