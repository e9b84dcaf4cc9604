#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common_storage/application_adjuster.h"
#include "common_storage/one_inst_checker.h"
#include "common_storage/window_access.h"
#include "common_storage/window_placer.h"
#include "platform/cp1251.h"
#include "platform/single_instance_lock.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temp_dir.h"

using namespace platform::literals;
using testsupport::readBytes;
using testsupport::writeBytes;

namespace {

// The names as the settings file must hold them, spelt out here on their own.
const std::string kPlacement{"Расположение"_cp1251};
const std::string kLogPlacement{"Расположение \"Лог обмена с модемом\""_cp1251};
const std::string kLeft{"Левый угол окна"_cp1251};
const std::string kTop{"Верхний угол окна"_cp1251};
const std::string kWidth{"Ширина окна"_cp1251};
const std::string kHeight{"Высота окна"_cp1251};
const std::string kGeneral{"Общие"_cp1251};
const std::string kCaption{"Заголовок"_cp1251};

std::string placementSection(const std::string& section, int left, int top, int width, int height) {
    return "[" + section + "]\r\n" + kLeft + "=" + std::to_string(left) + "\r\n" + kTop + "=" +
           std::to_string(top) + "\r\n" + kWidth + "=" + std::to_string(width) + "\r\n" + kHeight +
           "=" + std::to_string(height) + "\r\n";
}

class FakeWindow : public MainWindowAccess {
public:
    WindowRect geometry() const override { return rect; }
    void setGeometry(const WindowRect& r) override {
        rect = r;
        ++placements;
    }
    std::string caption() const override { return captionText; }
    void setCaption(std::string_view text) override { captionText = text; }
    WindowRect desktopRect() const override { return desktop; }
    void setApplicationTitle(std::string_view title) override { applicationTitle = title; }

    WindowRect rect{100, 50, 640, 480};
    WindowRect desktop{0, 0, 1920, 1080};
    std::string captionText;
    std::string applicationTitle;
    int placements = 0;
};

class RecordingWarningBox : public WarningBox {
public:
    void showWarning(std::string_view text, std::string_view caption) override {
        shown.emplace_back(text, caption);
    }
    std::vector<std::pair<std::string, std::string>> shown;
};

class WindowPlacementTest : public ::testing::Test {
protected:
    std::filesystem::path iniPath() const { return m_folder.path() / "orvane.ini"; }

    // The placement a window gets when it opens with the given stored values.
    WindowRect openedWith(const WindowRect& stored, const WindowRect& desktop) {
        writeBytes(iniPath(), placementSection(kPlacement, stored.left, stored.top, stored.width,
                                               stored.height));
        FakeWindow window;
        window.desktop = desktop;
        WindowPlacer placer(window, true);
        return window.rect;
    }

    testsupport::TempAppFolder m_folder;
};

}  // namespace

TEST_F(WindowPlacementTest, PlacementIsStoredAtCloseAndRestoredAtTheNextOpen) {
    {
        FakeWindow window;
        WindowPlacer placer(window, true);
        EXPECT_FALSE(placer.load());  // no settings file yet: the designed placement stays
        EXPECT_EQ(window.placements, 0);
        window.rect = {-500, 30, 700, 400};
        FakeWindow log;
        WindowPlacer logPlacer(log, "Лог обмена с модемом"_cp1251, true);
        log.rect = {1200, 600, 500, 300};
    }
    // Both placers share the file without undoing each other's keys (a new section comes
    // after a blank line, as the profile functions write it).
    EXPECT_EQ(readBytes(iniPath()), placementSection(kLogPlacement, 1200, 600, 500, 300) + "\r\n" +
                                        placementSection(kPlacement, -500, 30, 700, 400));

    // Restored at construction: the next test's table.
    FakeWindow log;
    WindowPlacer logPlacer(log, "Лог обмена с модемом"_cp1251, false);
    EXPECT_TRUE(logPlacer.load());
    EXPECT_EQ(log.rect, (WindowRect{1200, 600, 500, 300}));
}

TEST_F(WindowPlacementTest, WindowBeyondTheRightOrBottomEdgeIsPulledBackOneWithoutSizeIgnored) {
    const WindowRect desktop{0, 0, 1920, 1080};
    EXPECT_EQ(openedWith({3000, 100, 600, 400}, desktop), (WindowRect{1320, 100, 600, 400}));
    EXPECT_EQ(openedWith({100, 2000, 600, 400}, desktop), (WindowRect{100, 680, 600, 400}));
    EXPECT_EQ(openedWith({3000, 2000, 600, 400}, desktop), (WindowRect{1320, 680, 600, 400}));
    // Starting right at the edge shows nothing of the window either.
    EXPECT_EQ(openedWith({1920, 1080, 600, 400}, desktop), (WindowRect{1320, 680, 600, 400}));
    // Partly visible, or beyond the left or top edge: left as stored.
    EXPECT_EQ(openedWith({1919, 1079, 600, 400}, desktop), (WindowRect{1919, 1079, 600, 400}));
    EXPECT_EQ(openedWith({-500, -300, 600, 400}, desktop), (WindowRect{-500, -300, 600, 400}));
    // A second monitor left of the first: the edges are those of the whole desktop.
    const WindowRect twoMonitors{-1280, -200, 3200, 1280};
    EXPECT_EQ(openedWith({2500, 1000, 600, 400}, twoMonitors), (WindowRect{1320, 1000, 600, 400}));
    // Without a size: the window keeps its designed placement.
    EXPECT_EQ(openedWith({10, 10, 0, 400}, desktop), (WindowRect{100, 50, 640, 480}));
    EXPECT_EQ(openedWith({10, 10, 600, -1}, desktop), (WindowRect{100, 50, 640, 480}));
}

TEST_F(WindowPlacementTest, MainWindowCaptionIsKeptAndBecomesTheApplicationTitle) {
    const std::string designed{"Тестер модема"_cp1251};
    {
        FakeWindow form;
        form.captionText = designed;
        ApplicationAdjuster adjuster(form, true);
        EXPECT_EQ(form.captionText, designed);
        EXPECT_EQ(form.applicationTitle, designed);
        form.rect = {10, 20, 800, 600};
    }
    // The caption is written before the placement.
    EXPECT_EQ(readBytes(iniPath()), "[" + kGeneral + "]\r\n" + kCaption + "=" + designed +
                                        "\r\n\r\n" +
                                        placementSection(kPlacement, 10, 20, 800, 600));

    // An operator's edit of the file (a Linux editor saves UTF-8) shows at the next start.
    writeBytes(iniPath(), "[Общие]\nЗаголовок=Модем на складе\n");
    FakeWindow form;
    form.captionText = designed;
    {
        ApplicationAdjuster adjuster(form, true);
        EXPECT_EQ(form.captionText, "Модем на складе"_cp1251);
        EXPECT_EQ(form.applicationTitle, "Модем на складе"_cp1251);
        EXPECT_EQ(form.placements, 0);
    }
}

TEST(OneInstChecker, SecondStartIsWarnedAndRefusedWhileTheFirstRuns) {
    const testsupport::TempDir runtime;
    const testsupport::ScopedEnv runtimeFolder("XDG_RUNTIME_DIR", runtime.path().string());
    const std::pair<std::string, std::string> warning{"Приложение уже запущено"_cp1251,
                                                      "orvane.exe"};
    {
        // flock locks belong to open files: the first instance's lock, taken here through a
        // file of its own, refuses this process as it would another one.
        const platform::SingleInstanceLock first(kInstanceMutexName);
        ASSERT_FALSE(first.alreadyRunning());
        EXPECT_EQ(first.path(), (runtime.path() / kInstanceMutexName).string() + ".lock");

        RecordingWarningBox box;
        EXPECT_TRUE(is_already_running(kInstanceMutexName, true, kInstanceWarningCaption, box));
        EXPECT_EQ(box.shown, (std::vector{warning}));

        RecordingWarningBox quiet;
        EXPECT_TRUE(is_already_running(kInstanceMutexName, false, "orvane.exe", quiet));
        EXPECT_TRUE(quiet.shown.empty());

        RecordingWarningBox longTitle;
        EXPECT_TRUE(is_already_running(kInstanceMutexName, true, std::string(150, 'x'), longTitle));
        ASSERT_EQ(longTitle.shown.size(), 1u);
        EXPECT_EQ(longTitle.shown[0].second, std::string(101, 'x'));
    }

    // The first instance has ended: this start runs, and keeps the lock after its checker is
    // gone, so the next start is the one refused. Another name is another lock.
    RecordingWarningBox box;
    EXPECT_FALSE(is_already_running(kInstanceMutexName, true, kInstanceWarningCaption, box));
    EXPECT_TRUE(box.shown.empty());
    EXPECT_TRUE(is_already_running(kInstanceMutexName, false, "", box));
    EXPECT_FALSE(is_already_running("another-name", false, "", box));
}
