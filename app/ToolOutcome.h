// What the end of a run tells besides the dialog's last state: the facts that vantor-dfu's exit
// status and closing lines report. Set on the dialog's thread while it runs, read on the same
// thread (the unattended driver, main) once it has ended.
#pragma once

namespace devio::app {

struct CToolOutcome {
    // The firmware was updated, but profile sector 1 could not be repaired, not even once more.
    bool profileNotRepaired = false;
    // The signal (SIGINT, SIGTERM, SIGHUP) that closed the dialog; 0 when none did.
    int closingSignal = 0;
};

// The outcome of this process's run.
CToolOutcome& ToolOutcome();

} // namespace devio::app
