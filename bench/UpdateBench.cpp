// The whole update against its floor: the update dialog runs the complete update of the built-in
// virtual mouse (profile check, switch to the bootloader, both images with the restarts between
// them, the new firmware's return and the profile repair), driven as in unattended mode, in this
// process. Each state the dialog passes through is a phase; for each the program prints its wall
// time beside its floor, the designed delays of the simulator for exactly the exchanges the phase
// made (sim/DelayLedger), their ratio, and the CPU time of the tool's threads (the process's
// without the simulator's thread) against the wall time. At the end: the CPU time of each thread
// still running, and the peak resident memory.
//
// The tool's own waits (the bootloader wait, the firmware-change wait) are no exchanges: phases
// that hold them are far above their floor by design; the transfer phases are the ones whose ratio
// tells what the library adds.
//
// Usage: bench_update [time-scale]   (default 1: the simulator's designed timing; a smoke run
// passes a small scale)
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <optional>
#include <string>
#include <vector>

#include "Source/Log/Vs2003SingletonThreadCleanup.h"
#include "Source/Manager/CDevio.h"
#include "Source/System/Clock.h"
#include "app/ProductSettings.h"
#include "app/SimulatedWorld.h"
#include "app/UnattendedDriver.h"
#include "app/VantorDFUDlg.h"
#include "app/ui/DialogHost.h"
#include "sim/DelayLedger.h"

namespace devio::app {
namespace {

using Clock = std::chrono::steady_clock;
using Dlg = CVantorDFUDlg;

double ProcessCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// CPU milliseconds of one thread of this process (0 when it has gone).
double ThreadCpuMs(pid_t tid) {
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string line;
    std::getline(stat, line);
    size_t close = line.rfind(')');
    if (close == line.npos) {
        return 0;
    }
    // After the name: state (field 3) ... utime (14) and stime (15).
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int number = 3; number <= 15 && fields >> field; ++number) {
        if (number >= 14) {
            ticks += std::stod(field);
        }
    }
    return ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The simulator's threads, whose CPU time is the virtual devices' and not the tool's.
std::vector<pid_t> g_simulatorThreads;

double SimulatorCpuMs() {
    double ms = 0;
    for (pid_t tid : g_simulatorThreads) {
        ms += ThreadCpuMs(tid);
    }
    return ms;
}

std::set<pid_t> Threads() {
    std::set<pid_t> threads;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        threads.insert(static_cast<pid_t>(std::stol(task.path().filename().string())));
    }
    return threads;
}

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Where the run stood when a state was entered.
struct Mark {
    int state = -1;
    Clock::time_point at;
    sim::DelayLedger::Totals ledger;
    double cpuMs = 0; // the tool's: the process's without the simulator's thread

    static Mark Now(int state) {
        return Mark{state, Clock::now(), sim::DelayLedger::totals(),
                    ProcessCpuMs() - SimulatorCpuMs()};
    }
};

// The unattended driver, marking every state the dialog enters. Runs on the dialog's thread.
class MarkingDriver : public CUnattendedDriver {
public:
    MarkingDriver(std::shared_ptr<int> status, std::vector<Mark>& marks)
        : CUnattendedDriver(60, std::move(status)), m_marks(marks) {}

    void OnChange(const ui::CDialogHost& host, const ui::DialogChange& change) override {
        if (change.kind == ui::ChangeKind::State && host.DialogState() &&
            (m_marks.empty() || m_marks.back().state != *host.DialogState())) {
            m_marks.push_back(Mark::Now(*host.DialogState()));
        }
        CUnattendedDriver::OnChange(host, change);
    }

private:
    std::vector<Mark>& m_marks;
};

const char* StateName(int state) {
    switch (state) {
    case Dlg::NoDevice: return "no device";
    case Dlg::DeviceNotConnected: return "device not connected";
    case Dlg::ReadyToStart: return "ready to start";
    case Dlg::CheckProfiles: return "profile check";
    case Dlg::Finishing: return "profile repair";
    case Dlg::EnteringBootloader: return "switch to bootloader";
    case Dlg::BootloaderReady: return "bootloader ready";
    case Dlg::SendingFirstImage: return "first image";
    case Dlg::SendingSecondImage: return "second image";
    case Dlg::WaitFirmwareChange: return "restart into firmware";
    case Dlg::Succeeded: return "succeeded";
    case Dlg::UpToDate: return "up to date";
    case Dlg::Failed: return "failed";
    default: return "?";
    }
}

bool IsTransfer(int state) {
    return state == Dlg::SendingFirstImage || state == Dlg::SendingSecondImage;
}

// One line per thread still running: its id and CPU milliseconds.
void PrintThreads() {
    std::printf("\nCPU ms of the threads still running (the simulator's marked)\n");
    for (pid_t tid : Threads()) {
        bool simulator = std::find(g_simulatorThreads.begin(), g_simulatorThreads.end(), tid) !=
                         g_simulatorThreads.end();
        std::printf("  %-8d %8.0f%s\n", static_cast<int>(tid), ThreadCpuMs(tid),
                    simulator ? "  simulator" : "");
    }
}

struct Phase {
    int state = -1;
    double wallMs = 0;
    double floorMs = 0;
    double simMs = 0; // the real time of the same exchanges inside the simulator
    uint64_t exchanges = 0;
    double cpuMs = 0;
};

// The phases in order of first entry; a state entered again adds to its phase.
std::vector<Phase> Phases(const std::vector<Mark>& marks) {
    std::vector<Phase> phases;
    std::map<int, size_t> index;
    for (size_t i = 0; i + 1 < marks.size(); ++i) {
        const Mark& from = marks[i];
        const Mark& to = marks[i + 1];
        auto [it, added] = index.emplace(from.state, phases.size());
        if (added) {
            phases.push_back(Phase{from.state});
        }
        Phase& phase = phases[it->second];
        phase.wallMs += std::chrono::duration<double, std::milli>(to.at - from.at).count();
        phase.floorMs += static_cast<double>((to.ledger.designed - from.ledger.designed).count()) /
                         1e3 * sys::Clock::time_scale();
        phase.simMs += static_cast<double>((to.ledger.taken - from.ledger.taken).count()) / 1e3;
        phase.exchanges += to.ledger.exchanges - from.ledger.exchanges;
        phase.cpuMs += to.cpuMs - from.cpuMs;
    }
    return phases;
}

// The excess over the floor splits into the simulator's lateness (sim late: its exchanges took
// longer than designed) and the host's share (host: the time outside the simulator's exchanges,
// from a report's arrival to the next write, and the tool's own waits).
void PrintRow(const char* name, const Phase& p) {
    std::printf("%-22s %9.0f %9.0f %7.3f %9.0f %9.0f %9llu %8.0f %8.3f\n", name, p.wallMs,
                p.floorMs, p.floorMs > 0 ? p.wallMs / p.floorMs : 0.0, p.simMs - p.floorMs,
                p.wallMs - p.simMs, static_cast<unsigned long long>(p.exchanges), p.cpuMs,
                p.wallMs > 0 ? p.cpuMs / p.wallMs : 0.0);
}

void PrintPhases(const std::vector<Phase>& phases) {
    std::printf("%-22s %9s %9s %7s %9s %9s %9s %8s %8s\n", "phase", "wall ms", "floor ms", "ratio",
                "sim late", "host ms", "exchanges", "tool cpu", "cpu/wall");
    Phase transfer{-1};
    Phase total{-1};
    for (const Phase& p : phases) {
        PrintRow(StateName(p.state), p);
        for (Phase* sum : {&total, IsTransfer(p.state) ? &transfer : nullptr}) {
            if (sum != nullptr) {
                sum->wallMs += p.wallMs;
                sum->floorMs += p.floorMs;
                sum->simMs += p.simMs;
                sum->exchanges += p.exchanges;
                sum->cpuMs += p.cpuMs;
            }
        }
    }
    PrintRow("both transfers", transfer);
    PrintRow("whole update", total);
}

} // namespace
} // namespace devio::app

int main(int argc, char** argv) {
    using namespace devio;
    using namespace devio::app;
    const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
    if (!(scale > 0)) {
        std::fprintf(stderr, "usage: bench_update [time-scale > 0]\n");
        return 1;
    }
    // The tool's files go below a folder of its own; its trace to a file there, as a user's run
    // sends it to the system log.
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("devio-bench-update-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "config");
    setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    setenv("XDG_DOCUMENTS_DIR", folder.c_str(), 1);
    setenv("TMPDIR", folder.c_str(), 1);
    setenv("DEVIO_DEBUG_OUTPUT", ("file:" + (folder / "trace.txt").string()).c_str(), 1);
    sys::Clock::set_time_scale(scale);
    Vs2003SingletonThreadCleanup::instance().set_present();

    std::vector<Mark> marks;
    auto status = std::make_shared<int>(-1);
    int finalState = -1;
    std::optional<CSimulatedWorld> world;
    const std::set<pid_t> threadsBefore = Threads();
    world.emplace(CSimulatedWorld::DefaultMouse(sim::FirmwareVersion::from(8, 6, 27)));
    // The threads that building the world started are the simulator's.
    for (pid_t tid : Threads()) {
        if (!threadsBefore.contains(tid)) {
            g_simulatorThreads.push_back(tid);
        }
    }
    Clock::time_point start = Clock::now();
    {
        std::vector<std::unique_ptr<ui::IDialogView>> views;
        views.push_back(std::make_unique<MarkingDriver>(status, marks));
        Dlg dialog(std::move(views), CCompanion(BuildRegistryKeyPath()));
        static_cast<void>(dialog.RunModal()); // the run is judged by its final state below
        finalState = dialog.State();
        marks.push_back(Mark::Now(-1));
    }
    double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::printf("the whole update on the simulator at time scale %g (wall and floor in real ms)\n",
                scale);
    PrintPhases(Phases(marks));
    std::printf("dialog open to closed: %.0f ms wall, %.0f ms CPU of the process (%.0f of them the "
                "simulator's); ended in state %d (%s), exit status %d\n",
                wallMs, ProcessCpuMs(), SimulatorCpuMs(), finalState,
                StateName(finalState), *status);
    PrintThreads();
    CDevio::instance().reset();
    world.reset();
    Vs2003SingletonThreadCleanup::instance().run_callbacks();
    std::printf("peak resident memory: %ld KiB\n", PeakRssKb());
    std::filesystem::remove_all(folder);
    return finalState == Dlg::Succeeded ? 0 : 1;
}
