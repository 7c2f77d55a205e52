// vantor-dfu: the Vantor firmware update tool.
//
// Exit status: 0 when the dialog ran (in unattended mode: 0 updated, 2 already up to date, 3 no
// receiver or mouse found within the wait, 4 updated but the on-board profile not repaired, 1 any
// failure), 128 plus the signal's number when SIGINT, SIGTERM or SIGHUP closed the dialog, 1 for a
// command line that cannot be used, a window that cannot be shown (--ui=gui without a display or in
// a build without the window) or a simulation report that cannot be written.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Source/Linux/HidrawChoice.h"
#include "Source/Log/Vs2003SingletonThreadCleanup.h"
#include "app/SignalWatcher.h"
#include "app/SimulatedWorld.h"
#include "app/ToolCommandLine.h"
#include "app/ToolOutcome.h"
#include "app/ToolTrace.h"
#include "app/UnattendedDriver.h"
#include "app/VantorDFUApp.h"
#if defined(DEVIO_HAVE_WINDOW)
#include "app/gui/WindowView.h"
#endif

namespace {

// Stops the library's threads in order however main ends, so that an early return keeps its exit
// status (InitInstance runs the same guard; a second run does nothing).
struct ShutdownAtExit {
    ShutdownAtExit() { devio::Vs2003SingletonThreadCleanup::instance().set_present(); }
    ~ShutdownAtExit() { devio::Vs2003SingletonThreadCleanup::instance().run_callbacks(); }
};

// Ends the signal watcher however main ends.
struct SignalWatcherScope {
    SignalWatcherScope() { devio::app::CSignalWatcher::Instance().Start(); }
    ~SignalWatcherScope() { devio::app::CSignalWatcher::Instance().Stop(); }
};

#if defined(DEVIO_HAVE_WINDOW)
constexpr bool kWindowBuilt = true;
#else
constexpr bool kWindowBuilt = false;
#endif

// Why the desktop window cannot be shown; empty when it can.
std::string WindowUnavailable() {
    if (!kWindowBuilt) {
        return "--ui=gui: this vantor-dfu was built without the desktop window (Qt 6 was not "
               "found); use --ui=terminal or --ui=headless";
    }
    if (!devio::app::DesktopDisplayAvailable()) {
        return "--ui=gui: no desktop display to open the window on (neither DISPLAY nor "
               "WAYLAND_DISPLAY is set); use --ui=terminal or --ui=headless";
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    using namespace devio::app;
    // From the start: a signal is never the tool's end behind the dialog's back.
    SignalWatcherScope signals;
    ShutdownAtExit shutdown;
    CToolCommandLine commandLine =
        CToolCommandLine::Parse(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (!commandLine.error.empty()) {
        std::fprintf(stderr, "vantor-dfu: %s\nTry 'vantor-dfu --help' for more information.\n",
                     commandLine.error.c_str());
        return kExitFailed;
    }
    if (commandLine.help || commandLine.version) {
        std::fputs((commandLine.help ? ToolUsage() : ToolVersion()).c_str(), stdout);
        return 0;
    }
    const ToolUi ui = commandLine.ui.value_or(DefaultToolUi(kWindowBuilt));
    if (ui == ToolUi::Window) {
        std::string unavailable = WindowUnavailable();
        if (!unavailable.empty()) {
            std::fprintf(stderr, "vantor-dfu: %s\n", unavailable.c_str());
            return kExitFailed;
        }
    }
    // A reader of the dialog's lines that goes away must not end an update half-way.
    std::signal(SIGPIPE, SIG_IGN);
    // The virtual world exists before the library makes its first bus, and outlives the library,
    // which the application object shuts down before it returns.
    std::optional<CSimulatedWorld> world;
    std::optional<devio::HidrawChoice> hidraw;
    if (commandLine.simulate) {
        world.emplace(CSimulatedWorld::DefaultMouse(*commandLine.simulate));
        for (const SimulatedFault& fault : commandLine.simulateFaults) {
            fault.ApplyTo(*world);
        }
    } else {
        hidraw.emplace([](const std::string& line) {
            std::fprintf(stderr, "vantor-dfu: %s\n", line.c_str());
            ToolTrace("Warning: %s\n", line.c_str());
        });
    }
    ToolDialogSetup setup;
    setup.ui = ui;
#if defined(DEVIO_HAVE_WINDOW)
    setup.makeWindowView = [] { return gui::MakeWindowView(); };
#endif
    setup.unattended = commandLine.unattended;
    setup.waitSeconds = commandLine.waitSeconds;
    setup.exitStatus = std::make_shared<int>(kExitFailed);
    // The slash options arrive as the original platform hands them over: wide strings without
    // the executable's name. Bytes that are not UTF-8 survive the conversion (TextEncoding.h).
    CVantorDFUApp app(std::move(commandLine.toolArguments), MakeToolDialogFactory(setup));
    app.InitInstance();
    int status = commandLine.unattended ? *setup.exitStatus : 0;
    if (ToolOutcome().closingSignal != 0) {
        status = kExitSignalBase + ToolOutcome().closingSignal;
    }
    if (ToolOutcome().profileNotRepaired) {
        std::fputs("vantor-dfu: warning: the firmware was updated, but the on-board profile "
                   "(sector 1) could not be repaired\n",
                   stderr);
    }
    if (world && !commandLine.simulateReport.empty() &&
        !world->WriteReport(commandLine.simulateReport)) {
        std::fprintf(stderr, "vantor-dfu: cannot write %s: %s\n",
                     commandLine.simulateReport.c_str(), std::strerror(errno));
        status = kExitFailed;
    }
    return status;
}
