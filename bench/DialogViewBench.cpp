// The cost of one step of the progress bar as the update moves it, once for every 16-byte packet
// (12,521 steps in an update): composing the terminal's frame alone, and the whole step through
// each view while the dialog runs: the headless view writing its lines to /dev/null and the
// terminal view drawing on a pseudo-terminal whose output is read and thrown away. The counter
// "update" is the time the steps of one whole update take.
#include <benchmark/benchmark.h>

#include <atomic>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <thread>
#include <unistd.h>

#include "app/LoadMessage.h"
#include "app/TextIds.h"
#include "app/VantorDFUDlg.h"
#include "app/ui/HeadlessView.h"
#include "app/ui/TerminalFrame.h"
#include "app/ui/TerminalView.h"

namespace devio::app {
namespace {

using Dlg = CVantorDFUDlg;
constexpr int kRange = 79120 + 121216 + 8160;
constexpr double kStepsPerUpdate = (79120 + 121216) / 16.0 + 1;

// The update dialog's controls as they are while the images are sent.
void FillAsDuringTheTransfer(ui::CDialogHost& host) {
    host.SetWindowText(LoadMessage(kTextTitle, 0x0409));
    host.SetDlgItemText(Dlg::IDC_INTRODUCTION, LoadMessage(kTextIntroduction, 0x0409));
    host.SetDlgItemText(Dlg::IDC_NOTICE, LoadMessage(kTextNotFunctional, 0x0409));
    host.SetDlgItemText(Dlg::IDC_NOTES_HEADING, LoadMessage(kTextReleaseNotesHeading, 0x0409));
    for (uint32_t note :
         {kTextReleaseNoteScrolling, kTextReleaseNoteBluetooth, kTextReleaseNoteOnBoardSettings}) {
        host.AddListBoxString(Dlg::IDC_RELEASE_NOTES, "* " + LoadMessage(note, 0x0409));
    }
    host.SetDlgItemText(Dlg::IDC_STATUS, LoadMessage(kTextUpdating, 0x0409));
    host.SetFontWeight(Dlg::IDC_STATUS, ui::kFontWeightBold);
    host.SetProgressRange(Dlg::IDC_PROGRESS, 0, kRange);
    host.ShowControl(Dlg::IDC_PROGRESS, true);
}

void ReportPerUpdate(benchmark::State& state) {
    // Inverted rate: seconds / (value * iterations), the seconds of one update here.
    state.counters["update"] =
        benchmark::Counter(1.0 / kStepsPerUpdate, benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
}

void BM_ComposeTerminalFrame(benchmark::State& state) {
    ui::CDialogHost host(Dlg::Template());
    FillAsDuringTheTransfer(host);
    int position = 4080;
    for (auto _ : state) {
        position = position + 16 < kRange ? position + 16 : 4080;
        host.SetProgressPos(Dlg::IDC_PROGRESS, position);
        benchmark::DoNotOptimize(ui::RenderDialogFrame(host, 100, 30));
    }
    ReportPerUpdate(state);
}
BENCHMARK(BM_ComposeTerminalFrame);

// Runs the benchmark's steps inside a running dialog shown by `view`.
struct StepHandler : ui::IDialogHandler {
    ui::CDialogHost& host;
    benchmark::State& state;
    StepHandler(ui::CDialogHost& h, benchmark::State& s) : host(h), state(s) {}
    void OnInitDialog() override {
        FillAsDuringTheTransfer(host);
        host.PostMessage(sys::wm::User);
    }
    void OnMessage(uint32_t, uintptr_t, intptr_t) override {
        int position = 4080;
        for (auto _ : state) {
            position = position + 16 < kRange ? position + 16 : 4080;
            host.SetProgressPos(Dlg::IDC_PROGRESS, position);
        }
        host.EndDialog(ui::kIdOk);
    }
    void OnCommand(int) override {}
    void OnTimer(uintptr_t) override {}
};

void RunSteps(benchmark::State& state, std::unique_ptr<ui::IDialogView> view) {
    ui::CDialogHost host(Dlg::Template());
    host.AddView(std::move(view));
    StepHandler handler(host, state);
    host.RunModal(handler);
    ReportPerUpdate(state);
}

void BM_ProgressStepHeadless(benchmark::State& state) {
    int sink = open("/dev/null", O_WRONLY | O_CLOEXEC);
    RunSteps(state,
             std::make_unique<ui::CHeadlessView>(sink, -1, ui::CHeadlessView::AnswerPolicy::No));
    close(sink);
}
BENCHMARK(BM_ProgressStepHeadless);

void BM_ProgressStepTerminal(benchmark::State& state) {
    int master = -1;
    int slave = -1;
    winsize size{30, 100, 0, 0};
    if (openpty(&master, &slave, nullptr, nullptr, &size) != 0) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    std::atomic<bool> stop{false};
    std::thread drain([&] {
        char buffer[65536];
        while (!stop) {
            pollfd ready{master, POLLIN, 0};
            if (poll(&ready, 1, 10) > 0 && read(master, buffer, sizeof(buffer)) <= 0) {
                return;
            }
        }
    });
    RunSteps(state, std::make_unique<ui::CTerminalView>(slave, slave));
    stop = true;
    drain.join();
    close(slave);
    close(master);
}
BENCHMARK(BM_ProgressStepTerminal);

} // namespace
} // namespace devio::app

BENCHMARK_MAIN();
