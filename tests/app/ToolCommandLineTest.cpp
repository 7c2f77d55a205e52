#include "app/ToolCommandLine.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace devio::app {
namespace {

using Args = std::vector<std::string>;
using Wide = std::vector<std::wstring>;

TEST(ToolCommandLine, OptionsOfThisBuildAreTakenOutAndTheRestKeptForTheOriginalParser) {
    struct Case {
        Args arguments;
        Wide toolArguments;
        std::optional<ToolUi> ui;
        bool help;
        bool version;
        std::string error;
    } cases[] = {
        {{}, {}, std::nullopt, false, false, ""},
        {{"/FORCE", "--ui=headless", "x/FORCEDIR=D:\\fw"},
         {L"/FORCE", L"x/FORCEDIR=D:\\fw"},
         ToolUi::Headless,
         false,
         false,
         ""},
        {{"--ui=headless", "--ui=terminal"}, {}, ToolUi::Terminal, false, false, ""},
        {{"/log", "--help"}, {L"/log"}, std::nullopt, true, false, ""},
        {{"--version"}, {}, std::nullopt, false, true, ""},
        // Not options of this build: passed on and left to the original rules.
        {{"--", "-x", "--5", "/FAILDEVICE=7"},
         {L"--", L"-x", L"--5", L"/FAILDEVICE=7"},
         std::nullopt,
         false,
         false,
         ""},
        {{"--ui=gui"}, {}, ToolUi::Window, false, false, ""},
        {{"--ui=window"},
         {},
         std::nullopt,
         false,
         false,
         "--ui takes \"gui\", \"terminal\" or \"headless\", not \"window\""},
        {{"--unatended"}, {}, std::nullopt, false, false, "unknown option --unatended"},
    };
    for (const Case& c : cases) {
        CToolCommandLine parsed = CToolCommandLine::Parse(c.arguments);
        std::string shown = c.arguments.empty() ? "(none)" : c.arguments.front();
        EXPECT_EQ(parsed.toolArguments, c.toolArguments) << shown;
        EXPECT_EQ(parsed.ui, c.ui) << shown;
        EXPECT_EQ(parsed.help, c.help) << shown;
        EXPECT_EQ(parsed.version, c.version) << shown;
        EXPECT_EQ(parsed.error, c.error) << shown;
    }
}

TEST(ToolCommandLine, SimulationAndUnattendedOptions) {
    struct Case {
        Args arguments;
        std::optional<std::string> simulatedVersion;
        std::string report;
        bool unattended;
        int waitSeconds;
        std::string error;
    } cases[] = {
        {{"--simulate"}, "8.6.27", "", false, 60, ""},
        {{"--simulate=8.5.9928", "--simulate-report=out.json", "--unattended", "--wait=1"},
         "8.5.9928",
         "out.json",
         true,
         1,
         ""},
        {{"--wait=0"},
         std::nullopt,
         "",
         false,
         60,
         "--wait takes a number of seconds from 1 to 86400, not \"0\""},
        {{"--simulate=8.x"},
         std::nullopt,
         "",
         false,
         60,
         "--simulate takes a version MAJOR.MINOR.BUILD (up to 99.99.9999), not \"8.x\""},
        {{"--simulate-report=out.json"},
         std::nullopt,
         "out.json",
         false,
         60,
         "--simulate-report needs --simulate"},
        {{"--simulate", "--simulate-report="},
         "8.6.27",
         "",
         false,
         60,
         "--simulate-report needs a file name"},
        {{"--wait=-1"},
         std::nullopt,
         "",
         false,
         60,
         "--wait takes a number of seconds from 1 to 86400, not \"-1\""},
        {{"--wait=86401"},
         std::nullopt,
         "",
         false,
         60,
         "--wait takes a number of seconds from 1 to 86400, not \"86401\""},
    };
    for (const Case& c : cases) {
        CToolCommandLine parsed = CToolCommandLine::Parse(c.arguments);
        SCOPED_TRACE(c.arguments.front());
        EXPECT_EQ(parsed.simulate ? std::optional<std::string>(parsed.simulate->text())
                                  : std::nullopt,
                  c.simulatedVersion);
        EXPECT_EQ(parsed.simulateReport, c.report);
        EXPECT_EQ(parsed.unattended, c.unattended);
        EXPECT_EQ(parsed.waitSeconds, c.waitSeconds);
        EXPECT_EQ(parsed.error, c.error);
        EXPECT_TRUE(parsed.toolArguments.empty());
    }
}

TEST(ToolCommandLine, HelpNamesEveryOptionAndVersionThePackage) {
    std::string usage = ToolUsage();
    for (const char* option : {"/FORCE",
                               "/SKIPDEVICE",
                               "/LOG",
                               "/FORCEDIR=",
                               "/FAILDEVICE=",
                               "--ui=gui",
                               "--ui=terminal",
                               "--ui=headless",
                               "--help",
                               "--version",
                               "--simulate[=VERSION]",
                               "--simulate-report=FILE",
                               "--unattended",
                               "--wait=SECONDS",
                               "--simulate-fault=SPEC",
                               "drop-link",
                               "lose-answer",
                               "late-answer",
                               "bad-status",
                               "power-off",
                               "no-bootloader-announce",
                               "other-program"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(ToolVersion(), "vantor-dfu 8.6.28\n");
}

// Each fault spec in its normal form, or the reason it is refused; a refused spec is a usage error.
TEST(ToolCommandLine, SimulatedFaultSpecs) {
    struct Case {
        const char* spec;
        const char* text; // the normal form; null when refused
        const char* error;
    } cases[] = {
        {"drop-link@B:1", "drop-link@B:1:2000", ""},
        {"drop-link@A:4945:0", "drop-link@A:4945:0", ""},
        {"lose-answer@A:7", "lose-answer@A:7", ""},
        {"late-answer@B:65535:600000", "late-answer@B:65535:600000", ""},
        {"bad-status@B:9", "bad-status@B:9:7", ""},
        {"bad-status@B:9:255", "bad-status@B:9:255", ""},
        {"power-off@A:2", "power-off@A:2:3000", ""},
        {"no-bootloader-announce", "no-bootloader-announce", ""},
        {"other-program", "other-program", ""},
        {"melt@A:1", nullptr, "unknown fault \"melt\""},
        {"drop-link", nullptr, "drop-link needs a place"},
        {"other-program@A:1", nullptr, "other-program takes no place"},
        {"drop-link@C:1", nullptr, "IMAGE A or B"},
        {"drop-link@a:1", nullptr, "IMAGE A or B"},
        {"drop-link@A:0", nullptr, "a number from 1 to 65535, not \"0\""},
        {"drop-link@A:65536", nullptr, "a number from 1 to 65535"},
        {"drop-link@A:", nullptr, "IMAGE A or B"},
        {"drop-link@A:x1", nullptr, "a number from 1 to 65535"},
        {"drop-link@A:1:600001", nullptr, "milliseconds from 0 to 600000"},
        {"drop-link@A:1:-5", nullptr, "milliseconds from 0 to 600000"},
        {"lose-answer@A:1:5", nullptr, "lose-answer takes no value"},
        {"bad-status@A:1:6", nullptr, "status code 0, 4, 5 or 7 to 255"},
        {"bad-status@A:1:256", nullptr, "status code"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec);
        std::string error;
        std::optional<SimulatedFault> fault = SimulatedFault::Parse(c.spec, error);
        ASSERT_EQ(fault.has_value(), c.text != nullptr) << error;
        if (fault) {
            EXPECT_EQ(fault->Text(), c.text);
        } else {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
        }
        CToolCommandLine parsed =
            CToolCommandLine::Parse({"--simulate", std::string("--simulate-fault=") + c.spec});
        EXPECT_EQ(parsed.error.empty(), c.text != nullptr) << parsed.error;
    }
    EXPECT_EQ(CToolCommandLine::Parse({"--simulate-fault=other-program"}).error,
              "--simulate-fault needs --simulate");
    EXPECT_EQ(CToolCommandLine::Parse({"--simulate", "--simulate-fault=other-program",
                                       "--simulate-fault=bad-status@B:3"})
                  .simulateFaults.size(),
              2u);
}

// The window is the default only where it was built and a display is there to show it on.
TEST(ToolCommandLine, DefaultViewIsTheWindowWhenBuiltAndADisplayIsSet) {
    struct Case {
        bool built;
        const char* display;
        const char* wayland;
        bool window;
    } cases[] = {
        {true, ":0", nullptr, true},       {true, nullptr, "wayland-0", true},
        {true, nullptr, nullptr, false},   {true, "", "", false},
        {false, ":0", "wayland-0", false},
    };
    const ToolUi withoutWindow = isatty(STDOUT_FILENO) == 1 ? ToolUi::Terminal : ToolUi::Headless;
    for (const Case& c : cases) {
        test::ScopedEnv display("DISPLAY", c.display);
        test::ScopedEnv wayland("WAYLAND_DISPLAY", c.wayland);
        EXPECT_EQ(DefaultToolUi(c.built), c.window ? ToolUi::Window : withoutWindow)
            << c.built << " " << (c.display ? c.display : "-") << " "
            << (c.wayland ? c.wayland : "-");
    }
}

} // namespace
} // namespace devio::app
