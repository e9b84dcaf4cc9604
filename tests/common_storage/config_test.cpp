#include "common_storage/config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/cp1251.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temp_dir.h"

using namespace platform::literals;
using testsupport::readBytes;
using testsupport::writeBytes;

namespace {

// The names as the settings file must hold them, written out here on their own so a slip in
// the store's spelling shows.
const std::string kGeneral{"Общие"_cp1251};
const std::string kParameters{"Параметры"_cp1251};
const std::string kDebug{"Отладка"_cp1251};
const std::string kBaudList{
    "Порядок перебора скоростей при поиске модема (скорость-время_ожидания_в_мс)"_cp1251};
const std::string kLastPort{"Номер последнего найденного COM-порта"_cp1251};
const std::string kLastBaud{"Битовая скорость для последнего найденного COM-порта"_cp1251};
const std::string kHelpFile{"Имя файла общей помощи"_cp1251};
const std::string kCommandSet{"Набор команд, выбранный в выпадающем списке"_cp1251};
const std::string kOnlyOnePort{"Проверять только один COM-порт"_cp1251};
const std::string kPortsInTurn{"Проверять порты по очереди"_cp1251};
const std::string kShowLineBreaks{
    "Заменять символы перевода строки на <CR> и <LF> при отображении в логе обмена"_cp1251};
const std::string kAutoRun{"Режим постоянного автоматического запуска"_cp1251};
const std::string kHelpTestMode{"Режим тестирования окна помощи"_cp1251};
const std::string kSearch{"Команда поиска модема "_cp1251};

const std::string kDefaultBaudText =
    "115200-1000 9600-1000 57600-1000 38400-1000 19200-1000 4800-1000 2400-1000 1200-1000 "
    "300-1000";

std::string line(const std::string& key, const std::string& value, const char* end = "\r\n") {
    return key + '=' + value + end;
}

class ConfigTest : public ::testing::Test {
protected:
    void TearDown() override { Config::destroy(); }

    std::filesystem::path iniPath() const { return m_folder.path() / "orvane.ini"; }

    // Saves and loads again, as a shutdown and the next start do.
    Config& restart() {
        Config::destroy();
        return Config::instance();
    }

    testsupport::TempAppFolder m_folder;
};

}  // namespace

TEST_F(ConfigTest, FirstStartHasTheDefaultsAndTheFirstSaveWritesEveryKey) {
    // The other defaults show in the bytes of the first save below.
    Config& config = Config::instance();
    EXPECT_EQ(config.baud_list(), "");
    EXPECT_TRUE(config.search_commands().empty());
    EXPECT_FALSE(std::filesystem::exists(iniPath())) << "loading never creates the file";

    // What the test controller stores at start-up from the finder's default plan.
    config.set_baud_list(kDefaultBaudText);
    config.search_commands() = {"AT<CR> <CR><LF>OK<CR><LF>", "AT<CR> 0<CR>"};
    Config::destroy();

    const std::string expected =
        "[" + kGeneral + "]\r\n" + line(kBaudList, kDefaultBaudText) + line(kLastPort, "1") +
        line(kLastBaud, "115200") + line(kHelpFile, "help\\common.html") +
        line(kSearch + "1", "AT<CR> <CR><LF>OK<CR><LF>") + line(kSearch + "2", "AT<CR> 0<CR>") +
        "\r\n[" + kParameters + "]\r\n" + line(kCommandSet, "0") + "\r\n[" + kDebug + "]\r\n" +
        line(kOnlyOnePort, "0") + line(kPortsInTurn, "0") + line(kShowLineBreaks, "0") +
        line(kAutoRun, "0") + line(kHelpTestMode, "0");
    EXPECT_EQ(readBytes(iniPath()), expected);
}

TEST_F(ConfigTest, EveryFieldSurvivesASaveAndALoad) {
    // The three settings without a setter are edited in the file by hand.
    writeBytes(iniPath(), "[" + kGeneral + "]\r\n" +
                              line(kHelpFile, std::string("doc\\Справка.html"_cp1251)) + "[" +
                              kDebug + "]\r\n" + line(kAutoRun, "1") + line(kHelpTestMode, "1"));
    Config& config = Config::instance();
    EXPECT_EQ(config.help_file(), "doc\\Справка.html"_cp1251);
    EXPECT_TRUE(config.auto_run());
    EXPECT_TRUE(config.help_test_mode());

    config.set_baud_list("9600-200 300-5000");
    config.set_last_port(12);
    config.set_last_baud(57600);
    config.set_command_set("Мой список");  // a file's title: UTF-8, stored as 1251 here
    config.set_only_one_port(true);
    config.set_one_port_at_a_time(true);
    config.set_show_line_breaks(true);
    config.search_commands() = {"ATZ<CR> OK", "AT\\r 0<CR>", "ATI<CR> <CR><LF>OK<CR><LF>"};

    Config& reloaded = restart();
    EXPECT_EQ(reloaded.baud_list(), "9600-200 300-5000");
    EXPECT_EQ(reloaded.last_port(), 12);
    EXPECT_EQ(reloaded.last_baud(), 57600);
    EXPECT_EQ(reloaded.help_file(), "doc\\Справка.html"_cp1251);
    EXPECT_EQ(reloaded.command_set(), "Мой список");
    EXPECT_NE(readBytes(iniPath()).find(line(kCommandSet, std::string("Мой список"_cp1251))),
              std::string::npos);
    EXPECT_TRUE(reloaded.only_one_port());
    EXPECT_TRUE(reloaded.one_port_at_a_time());
    EXPECT_TRUE(reloaded.show_line_breaks());
    EXPECT_TRUE(reloaded.auto_run());
    EXPECT_TRUE(reloaded.help_test_mode());
    EXPECT_EQ(reloaded.search_commands(),
              (Msg::Strings{"ATZ<CR> OK", "AT\\r 0<CR>", "ATI<CR> <CR><LF>OK<CR><LF>"}));

    reloaded.set_last_port(0);
    reloaded.set_last_baud(-1);
    // A title 1251 cannot hold would read back as another ("caf?"): the default goes instead.
    reloaded.set_command_set("café");
    Config& again = restart();
    EXPECT_EQ(again.last_port(), 0);
    EXPECT_EQ(again.last_baud(), -1);
    EXPECT_EQ(again.command_set(), "0");
}

TEST_F(ConfigTest, SearchCommandsEndAtTheFirstGapAndKeysPastTheSavedListAreLeftAlone) {
    const auto withSearch = [this](const std::string& second, const std::string& third) {
        writeBytes(iniPath(), "[" + kGeneral + "]\r\n" + line(kSearch + "1", "A<CR> OK") +
                                  line(kSearch + "2", second) + third);
        return Config::instance().search_commands();
    };
    EXPECT_EQ(withSearch("B<CR> OK", line(kSearch + "4", "D<CR> OK")),
              (Msg::Strings{"A<CR> OK", "B<CR> OK"}));
    Config::destroy();
    EXPECT_NE(readBytes(iniPath()).find(line(kSearch + "4", "D<CR> OK")), std::string::npos);

    // An empty value ends the list as a missing key does.
    EXPECT_EQ(withSearch("", line(kSearch + "3", "C<CR> OK")), Msg::Strings{"A<CR> OK"});
    Config::destroy();

    // A shorter list saved over a longer one leaves the rest in the file.
    EXPECT_EQ(withSearch("B<CR> OK", line(kSearch + "3", "C<CR> OK")).size(), 3u);
    Config::instance().search_commands() = {"X<CR> OK", "Y<CR> OK"};
    EXPECT_EQ(restart().search_commands(), (Msg::Strings{"X<CR> OK", "Y<CR> OK", "C<CR> OK"}));
}
