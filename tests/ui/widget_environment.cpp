// One QApplication for the widget tests, on the offscreen platform so that no test ever needs
// (or touches) a display. testsupport::UiThread reuses it for the user-interface thread.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <memory>

namespace {

int g_argc = 1;
char g_name[] = "orvane-ui-test";
char* g_argv[] = {g_name, nullptr};

class WidgetEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        m_app = std::make_unique<QApplication>(g_argc, g_argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QApplication> m_app;
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new WidgetEnvironment);

}  // namespace
