#include "common_storage/config.h"

#include <exception>
#include <mutex>
#include <string_view>

#include "platform/app_folder.h"
#include "platform/cp1251.h"
#include "platform/ini_file.h"

using namespace platform::literals;

namespace {

constexpr std::string_view kIniName = "orvane.ini";

constexpr std::string_view kSectionGeneral = "Общие"_cp1251;
constexpr std::string_view kSectionParameters = "Параметры"_cp1251;
constexpr std::string_view kSectionDebug = "Отладка"_cp1251;

constexpr std::string_view kKeyBaudList =
    "Порядок перебора скоростей при поиске модема (скорость-время_ожидания_в_мс)"_cp1251;
constexpr std::string_view kKeyLastPort = "Номер последнего найденного COM-порта"_cp1251;
constexpr std::string_view kKeyLastBaud =
    "Битовая скорость для последнего найденного COM-порта"_cp1251;
constexpr std::string_view kKeyHelpFile = "Имя файла общей помощи"_cp1251;
constexpr std::string_view kKeyCommandSet = "Набор команд, выбранный в выпадающем списке"_cp1251;
constexpr std::string_view kKeyOnlyOnePort = "Проверять только один COM-порт"_cp1251;
constexpr std::string_view kKeyOnePortAtATime = "Проверять порты по очереди"_cp1251;
constexpr std::string_view kKeyShowLineBreaks =
    "Заменять символы перевода строки на <CR> и <LF> при отображении в логе обмена"_cp1251;
constexpr std::string_view kKeyAutoRun = "Режим постоянного автоматического запуска"_cp1251;
constexpr std::string_view kKeyHelpTestMode = "Режим тестирования окна помощи"_cp1251;
constexpr std::string_view kSearchCommandPrefix = "Команда поиска модема "_cp1251;

constexpr std::int32_t kDefaultLastPort = 1;
constexpr std::int32_t kDefaultLastBaud = 115200;
constexpr std::string_view kDefaultHelpFile = "help\\common.html";
constexpr std::string_view kDefaultCommandSet = "0";

// "%s%d": the prefix ends in a space, the number counts from 1.
std::string searchCommandKey(std::size_t number) {
    return std::string(kSearchCommandPrefix) + std::to_string(number);
}

std::mutex& instanceMutex() {
    static std::mutex mutex;
    return mutex;
}

std::unique_ptr<Config>& instancePointer() {
    static std::unique_ptr<Config> config;
    return config;
}

}  // namespace

Config& Config::instance() {
    std::lock_guard<std::mutex> lock(instanceMutex());
    std::unique_ptr<Config>& config = instancePointer();
    if (!config) {
        config.reset(new Config());
    }
    return *config;
}

void Config::destroy() {
    std::unique_ptr<Config> config;
    {
        std::lock_guard<std::mutex> lock(instanceMutex());
        config = std::move(instancePointer());
    }
    if (config) {
        config->save();
    }
}

Config::Config()
    : m_iniPath(platform::applicationPath(kIniName)),
      m_lastPort(kDefaultLastPort),
      m_lastBaud(kDefaultLastBaud),
      m_helpFile(kDefaultHelpFile),
      m_commandSet(kDefaultCommandSet),
      m_onlyOnePort(false),
      m_onePortAtATime(false),
      m_showLineBreaks(false),
      m_autoRun(false),
      m_helpTestMode(false) {
    load();
}

Config::~Config() = default;

void Config::load() {
    try {
        m_iniFile = std::make_unique<platform::IniFile>(m_iniPath);
        const platform::IniFile& ini = *m_iniFile;
        m_baudList = ini.readString(kSectionGeneral, kKeyBaudList, m_baudList);
        m_lastPort = ini.readInt(kSectionGeneral, kKeyLastPort, m_lastPort);
        m_lastBaud = ini.readInt(kSectionGeneral, kKeyLastBaud, m_lastBaud);
        m_helpFile = ini.readString(kSectionGeneral, kKeyHelpFile, m_helpFile);
        m_commandSet = ini.readUtf8String(kSectionParameters, kKeyCommandSet, m_commandSet);
        m_onlyOnePort = ini.readBool(kSectionDebug, kKeyOnlyOnePort, m_onlyOnePort);
        m_onePortAtATime = ini.readBool(kSectionDebug, kKeyOnePortAtATime, m_onePortAtATime);
        m_showLineBreaks = ini.readBool(kSectionDebug, kKeyShowLineBreaks, m_showLineBreaks);
        m_autoRun = ini.readBool(kSectionDebug, kKeyAutoRun, m_autoRun);
        m_helpTestMode = ini.readBool(kSectionDebug, kKeyHelpTestMode, m_helpTestMode);
        // The list ends at the first missing or empty number: a gap cuts it there.
        for (std::size_t number = 1;; ++number) {
            std::string line = ini.readString(kSectionGeneral, searchCommandKey(number), {});
            if (line.empty()) {
                break;
            }
            m_searchCommands.push_back(std::move(line));
        }
    } catch (const std::exception&) {
        // A damaged or unreadable file must not stop the tool: what was read stays, the
        // rest keeps its defaults.
    }
    m_iniFile.reset();
}

void Config::save() {
    try {
        m_iniFile = std::make_unique<platform::IniFile>(m_iniPath);
        platform::IniFile& ini = *m_iniFile;
        // Each key is written even when another could not be: a partial save beats none.
        ini.writeString(kSectionGeneral, kKeyBaudList, m_baudList);
        ini.writeInt(kSectionGeneral, kKeyLastPort, m_lastPort);
        ini.writeInt(kSectionGeneral, kKeyLastBaud, m_lastBaud);
        ini.writeString(kSectionGeneral, kKeyHelpFile, m_helpFile);
        if (!ini.writeUtf8String(kSectionParameters, kKeyCommandSet, m_commandSet)) {
            ini.writeString(kSectionParameters, kKeyCommandSet, kDefaultCommandSet);
        }
        ini.writeBool(kSectionDebug, kKeyOnlyOnePort, m_onlyOnePort);
        ini.writeBool(kSectionDebug, kKeyOnePortAtATime, m_onePortAtATime);
        ini.writeBool(kSectionDebug, kKeyShowLineBreaks, m_showLineBreaks);
        ini.writeBool(kSectionDebug, kKeyAutoRun, m_autoRun);
        ini.writeBool(kSectionDebug, kKeyHelpTestMode, m_helpTestMode);
        // Higher numbers already in the file stay as they are.
        for (std::size_t i = 0; i < m_searchCommands.size(); ++i) {
            ini.writeString(kSectionGeneral, searchCommandKey(i + 1), m_searchCommands[i]);
        }
    } catch (const std::exception&) {
        // Shutdown goes on; the settings of this session are lost, as with a crash.
    }
    m_iniFile.reset();
}
