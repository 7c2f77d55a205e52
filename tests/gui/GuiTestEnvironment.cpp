// The window tests run on a virtual X display that the suite starts itself, with one
// QApplication for the process, made on the main thread (the dialog's thread in every test).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/gui/WindowView.h"
#include "gui/XvfbDisplay.h"

namespace {

class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(m_display.Start(&error)) << error;
        // The virtual display has no session bus: Qt is kept from looking for one (the bus
        // library leaks on the failed attempt, which the leak checker would report).
        setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
        m_application = std::make_unique<QApplication>(m_argc, m_argv);
        devio::app::gui::ConfigureApplication();
    }
    // The application lets go of the display before the display ends.
    void TearDown() override {
        m_application.reset();
        m_display.Stop();
    }

private:
    int m_argc = 1;
    char m_name[9] = "test_gui";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_application;
    devio::test::XvfbDisplay m_display;
};

[[maybe_unused]] ::testing::Environment* const kGuiEnvironment =
    ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

} // namespace
