#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <future>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "modem/port_finder_ext.h"
#include "platform/cp1251.h"
#include "sim/sim_modem.h"
#include "tests/modem/finder_support.h"
#include "tests/support/child_process.h"
#include "tests/support/port_links.h"
#include "tests/support/pty_pair.h"

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using Lines = std::vector<std::string>;

namespace {

constexpr auto kGenerous = milliseconds(20000);
constexpr auto kNeverAnswered = 60000;  // a wait no test may sit out

BaudrateParams rates(std::vector<std::int32_t> bauds, std::int32_t waitMs) {
    BaudrateParams list;
    for (const std::int32_t baud : bauds) {
        list.emplace_back(baud, waitMs);
    }
    return list;
}

// The output rate a terminal device is set to, read through a descriptor of its own.
speed_t deviceSpeed(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    EXPECT_GE(fd, 0);
    termios settings{};
    EXPECT_EQ(::tcgetattr(fd, &settings), 0);
    ::close(fd);
    return ::cfgetospeed(&settings);
}

std::size_t openDescriptors() {
    namespace fs = std::filesystem;
    // Less the listing's own.
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()) - 1;
}

// The ports of a search laid out in a fresh application folder, each number leading to a
// simulated modem, to a device another process holds, or to nothing.
class Layout {
public:
    enum class Kind {
        Silent,    // hears nothing at any rate
        Modem,     // answers at the rate given (0: at every rate)
        Numeric,   // as Modem, with "0" CR for OK
        Late,      // answers every rate, 1500 ms after the command
        Held,      // locked by another process
        Dangling,  // a link to a device that is gone
        Absent,    // no link at all
        SameAs,    // a second number for the device of the port given
    };
    struct Port {
        int number;
        Kind kind;
        std::uint32_t value = 0;
    };

    explicit Layout(const std::vector<Port>& ports) {
        for (const auto& [number, kind, value] : ports) {
            const std::filesystem::path& app = m_folder.path();
            if (kind == Kind::Held) {
                m_lines.push_back(std::make_unique<testsupport::PtyPair>());
                testsupport::linkPort(app, number, m_lines.back()->slavePath());
                m_holders.push_back(std::make_unique<testsupport::DeviceHolder>(
                    app, "holder", m_lines.back()->slavePath(), true));
            } else if (kind == Kind::Dangling) {
                testsupport::linkPort(app, number, app / "gone");
            } else if (kind == Kind::SameAs) {
                testsupport::linkPort(app, number, modem(static_cast<int>(value)).slavePath());
            } else if (kind != Kind::Absent) {
                sim::SimOptions options;
                options.faults.silent = kind == Kind::Silent;
                options.faults.replyDelayMs = kind == Kind::Late ? 1500 : 0;
                options.profile.verbose = kind != Kind::Numeric;
                if (value != 0) {
                    options.bauds = {value};
                }
                auto& modem = m_modems[number] = std::make_unique<sim::SimModem>(options);
                modem->start();
                modem->linkAs(app, number);
            }
        }
    }

    platform::SerialRoots roots() const { return m_folder.roots(); }
    sim::SimModem& modem(int number) const { return *m_modems.at(number); }
    const std::map<int, std::unique_ptr<sim::SimModem>>& modems() const { return m_modems; }

private:
    finder_test::LinkedPortsFolder m_folder;
    std::map<int, std::unique_ptr<sim::SimModem>> m_modems;
    std::vector<std::unique_ptr<testsupport::PtyPair>> m_lines;
    std::vector<std::unique_ptr<testsupport::DeviceHolder>> m_holders;
};

using Kind = Layout::Kind;

struct SearchCase {
    const char* name;
    std::vector<Layout::Port> ports;
    std::int32_t lastPort;
    std::int32_t lastBaud;
    bool onlyOnePort;
    std::int32_t waitMs;  // at each of 115200, 9600, 2400
    // "found PORT BAUD" or "not found", then the lines shown; "Порт N: ..." stands for the
    // line saying why port N did not open (its texts have tests of their own).
    Lines outcome;
    std::vector<int> untouched;  // ports the search must not write to
};

// clang-format off
const SearchCase kCases[] = {
    {"NumericModemAt9600Only", {{1, Kind::Silent}, {2, Kind::Numeric, 9600}, {3, Kind::Silent}},
     0, 0, false, 300,
     {"found 2 9600", "Проверка порта 1. Модем не найден.",
      "Проверка порта 2. Скорость 9600. Модем найден."}, {}},
    {"ModemAt2400OnlyOnTheLastPort", {{1, Kind::Modem, 2400}, {2, Kind::Silent}}, 1, 0, false, 300,
     {"found 1 2400", "Проверка порта 1. Скорость 2400. Модем найден."}, {}},
    {"DanglingLinkAsTheLastPort", {{5, Kind::Dangling}, {1, Kind::Modem}}, 5, 115200, false, 300,
     {"found 1 115200", "Не удалось открыть порт 5.", "Порт 5: ...",
      "Проверка порта 1. Скорость 115200. Модем найден."}, {}},
    {"PortHeldByAnotherProcess", {{1, Kind::Held}, {2, Kind::Silent}, {3, Kind::Modem}}, 0, 0,
     false, 300,
     {"found 3 115200", "Не удалось открыть порт 1.", "Порт 1: ...",
      "Проверка порта 2. Модем не найден.", "Проверка порта 3. Скорость 115200. Модем найден."},
     {}},
    // The answer to the command at 115200 comes during the wait at 9600, where it counts.
    {"LateModemBeforeASilentPort", {{1, Kind::Late}, {2, Kind::Silent}}, 0, 0, false, 1000,
     {"found 1 9600", "Проверка порта 1. Скорость 9600. Модем найден."}, {}},
    {"LastFoundPortFirst", {{1, Kind::Silent}, {2, Kind::Silent}, {3, Kind::Modem}}, 3, 115200,
     false, 300, {"found 3 115200", "Проверка порта 3. Скорость 115200. Модем найден."}, {1, 2}},
    {"OnlyOnePortThatIsMissing", {{5, Kind::Absent}, {3, Kind::Modem}}, 5, 0, true, 300,
     {"not found", "Не удалось открыть порт 5.", "Порт 5: ..."}, {3}},
    // Silent ports; checked at the same time, the second number could not have opened the
    // device.
    {"TwoNumbersForOneDevice", {{1, Kind::Silent}, {2, Kind::SameAs, 1}, {3, Kind::Silent}}, 0, 0,
     false, 300,
     {"not found", "Проверка порта 1. Модем не найден.", "Проверка порта 2. Модем не найден.",
      "Проверка порта 3. Модем не найден."}, {}},
};
// clang-format on

void PrintTo(const SearchCase& row, std::ostream* out) {
    *out << row.name;
}

class SearchLayouts : public ::testing::TestWithParam<SearchCase> {};

// Both ways of searching the same layout give the result and the lines of the table, so the
// same ones in the same order.
TEST_P(SearchLayouts, AllPortsAtOnceAndOneAtATimeFindAndShowTheSame) {
    const SearchCase& row = GetParam();
    for (const bool oneAtATime : {false, true}) {
        SCOPED_TRACE(oneAtATime ? "one port at a time" : "all ports at once");
        const Layout layout(row.ports);
        finder_test::RecordingViewer viewer;
        finder_test::RecordingLog log;
        PortFinderExt finder;
        finder.set_serial_roots(layout.roots());
        finder.set_viewer(&viewer);
        finder.set_exchange_log(&log);
        finder.set_baud_list(rates({115200, 9600, 2400}, row.waitMs));
        finder.set_only_one_port(row.onlyOnePort);
        finder.set_one_port_at_a_time(oneAtATime);

        Lines outcome{finder.find(row.lastPort, row.lastBaud)
                          ? "found " + std::to_string(finder.found_port()) + " " +
                                std::to_string(finder.found_baud())
                          : "not found"};
        const Lines exchange = log.lines();
        const std::string why = "Порт ";
        for (const std::string& line : viewer.lines()) {
            const std::size_t colon = line.find(": ");
            if (!line.starts_with(why) || colon == std::string::npos) {
                outcome.push_back(line);
                continue;
            }
            outcome.push_back(line.substr(0, colon + 2) + "...");
            // The reason goes to the exchange too, marked with its port.
            const std::string note = "COM" + line.substr(why.size(), colon - why.size()) + " !!! " +
                                     platform::utf8ToCp1251(line);
            EXPECT_NE(std::find(exchange.begin(), exchange.end(), note), exchange.end()) << note;
        }
        EXPECT_EQ(outcome, row.outcome);

        // Every exchange line names its port ahead of its mark.
        for (const std::string& line : exchange) {
            const std::size_t mark = line.find(' ') + 1;
            EXPECT_TRUE(line.starts_with("COM") && mark > 4 &&
                        (line.compare(mark, 4, "<<< ") == 0 || line.compare(mark, 4, ">>> ") == 0 ||
                         line.compare(mark, 4, "!!! ") == 0))
                << line;
        }
        for (const auto& [number, modem] : layout.modems()) {
            if (std::find(row.untouched.begin(), row.untouched.end(), number) !=
                row.untouched.end()) {
                EXPECT_EQ(modem->stats().bytesReceived, 0u) << "COM" << number;
            }
            // Every port shown was left at 115200, the plan's only fast rate: one left at a
            // slow rate would greet the next program at that rate.
            const std::string shown = "Проверка порта " + std::to_string(number) + ".";
            if (std::any_of(outcome.begin(), outcome.end(),
                            [&](const std::string& line) { return line.starts_with(shown); })) {
                EXPECT_EQ(deviceSpeed(modem->slavePath()), B115200) << "COM" << number;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, SearchLayouts, ::testing::ValuesIn(kCases),
                         [](const auto& row) { return std::string(row.param.name); });

// Three silent ports, each in a wait far longer than the test may take, and the port
// checks to go through.
class ParallelSearch : public ::testing::Test {
protected:
    ParallelSearch() : m_layout({{1, Kind::Silent}, {2, Kind::Silent}, {3, Kind::Silent}}) {
        m_finder.set_serial_roots(m_layout.roots());
        m_finder.set_viewer(&m_viewer);
        m_finder.set_exchange_log(&m_log);
        m_finder.set_baud_list(rates({115200, 9600}, kNeverAnswered));
    }

    std::future<bool> findAsync(std::int32_t lastPort) {
        return std::async(std::launch::async,
                          [this, lastPort] { return m_finder.find(lastPort, 0); });
    }
    // Until every port has written its command and waits for the answer (a silent port
    // writes nothing else).
    bool allWaiting() { return m_log.waitForEvents(3, '=', kGenerous); }

    Layout m_layout;
    finder_test::RecordingViewer m_viewer;
    finder_test::RecordingLog m_log;
    PortFinderExt m_finder;  // goes before the layout and recorders it uses
};

TEST_F(ParallelSearch, ACancelEndsEveryCheckAtOnceAndClosesEveryPort) {
    const std::size_t before = openDescriptors();
    const auto start = Clock::now();
    std::future<bool> search = findAsync(0);
    ASSERT_TRUE(allWaiting());
    EXPECT_GE(openDescriptors(), before + 3);  // the three ports, at least
    m_finder.cancel();
    ASSERT_EQ(search.wait_for(kGenerous), std::future_status::ready);
    EXPECT_FALSE(search.get());
    EXPECT_LT(Clock::now() - start, kGenerous);
    EXPECT_EQ(openDescriptors(), before);

    // Only the first port's line was shown, without a verdict; then the operator's line.
    EXPECT_EQ(m_viewer.lines(),
              (Lines{"Проверка порта 1. Скорость 115200", "Тестирование прервано пользователем."}));

    // The request stays until cleared: a search begun after a stop sends nothing.
    const std::size_t written = m_log.lines().size();
    EXPECT_FALSE(m_finder.find(0, 0));
    EXPECT_EQ(m_log.lines().size(), written);
}

TEST_F(ParallelSearch, AModemFoundOnTheFirstPortEndsTheSearchWhileTheOthersStillWait) {
    // The modem on port 1 says OK once all three ports wait for their answers.
    sim::SimModem& first = m_layout.modem(1);
    std::once_flag answered;
    m_log.setLineHook([&](const std::string&) {
        if (m_log.lines().size() == 3) {
            std::call_once(answered, [&first] { first.inject("\r\nOK\r\n"); });
        }
    });

    const auto start = Clock::now();
    EXPECT_TRUE(m_finder.find(0, 0));
    EXPECT_LT(Clock::now() - start, kGenerous);
    EXPECT_EQ(m_finder.found_port(), 1);
    EXPECT_EQ(m_viewer.lines(), Lines{"Проверка порта 1. Скорость 115200. Модем найден."});
}

// The test plays the modem itself: output on the line is held back while the first
// command is written, so its write fails as a port error; the line is let go just before
// the second command, which is then answered.
TEST(PortFinderErrors, AFirstCommandThatRaisesAPortErrorDoesNotKeepTheSecondFromBeingSent) {
    finder_test::LinkedPortsFolder folder;
    finder_test::RecordingViewer viewer;
    finder_test::RecordingLog log;
    testsupport::PtyPair line;
    testsupport::linkPort(folder.path(), 1, line.slavePath());
    PortFinderExt finder;
    finder.set_serial_roots(folder.roots());
    finder.set_viewer(&viewer);
    finder.set_exchange_log(&log);
    AtCmdParamMtList commands;
    commands.emplace_back("AT\r", "OK");
    commands.emplace_back("ATE0\r", "OK");
    finder.set_search_commands(commands);
    finder.set_baud_list(rates({115200}, 10000));
    log.setLineHook([&line](const std::string& written) {
        if (written == "COM1 >>> AT\r") {
            ASSERT_EQ(::tcflow(line.heldSlave(), TCOOFF), 0);
        } else {
            ASSERT_EQ(::tcflow(line.heldSlave(), TCOON), 0);
            ASSERT_TRUE(line.write("\r\nOK\r\n"));
        }
    });

    EXPECT_TRUE(finder.find(1, 0));
    EXPECT_EQ(log.lines(), (Lines{"COM1 >>> AT\r", "COM1 >>> ATE0\r", "COM1 <<< \r\nOK\r\n"}));
    EXPECT_EQ(line.readAvailable(), "ATE0\r");  // the first never reached the line
    EXPECT_EQ(viewer.lines().back(), "Проверка порта 1. Скорость 115200. Модем найден.");
}

}  // namespace
