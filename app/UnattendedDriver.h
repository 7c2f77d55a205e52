// Unattended mode (--unattended): a view of the update dialog that acts for the user. It presses
// Start when it is offered, answers Yes to the profile question, and presses Close when the update
// has ended; a failed update ends through the dialog's own exit countdown. The wait covers the
// search for a receiver and a connected mouse before the update: whenever the dialog is without a
// connected mouse (states 0 and 1) for the whole wait before the profile check has begun, it closes
// the dialog. Once the update is under way, the controller's own bounded waits end it, and a mouse
// lost then is a failure. At the end it leaves the run's exit status:
//   0 updated, 2 already up to date, 3 no receiver or mouse found within the wait, 4 updated but
//   the on-board profile not repaired, 1 any failure; a signal that closed the dialog gives 128
//   plus its number.
//
// Threads: the view's calls run on the dialog's thread; the wait runs on a thread of its own,
// which only posts the close request to the dialog.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "app/ui/IDialogView.h"

namespace devio::app {

inline constexpr int kExitUpdated = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUpToDate = 2;
inline constexpr int kExitNoDevice = 3;
inline constexpr int kExitProfileNotRepaired = 4;
inline constexpr int kExitSignalBase = 128;

class CUnattendedDriver : public ui::IDialogView {
public:
    // `waitSeconds`: how long a receiver and a connected mouse may take to appear. `exitStatus`
    // receives the run's status when the dialog closes.
    CUnattendedDriver(int waitSeconds, std::shared_ptr<int> exitStatus);
    ~CUnattendedDriver() override;

    void OnOpen(ui::CDialogHost& host) override;
    void OnChange(const ui::CDialogHost& host, const ui::DialogChange& change) override;
    void OnMessageBoxOpened(const ui::CDialogHost& host, const ui::MessageBoxRequest& box) override;
    void OnMessageBoxClosed(const ui::CDialogHost&, const ui::MessageBoxRequest&, int) override {}
    void OnRedraw(const ui::CDialogHost&) override {}
    void OnClose(const ui::CDialogHost& host, int result) noexcept override;

    // The exit status for a dialog that ended in `state`, with the tool's outcome.
    static int ExitStatusFor(int state, bool waitExpired);

private:
    void Act(const ui::CDialogHost& host);
    void Wait();
    void StopWaiting();

    const int m_waitSeconds;
    std::shared_ptr<int> m_exitStatus;
    ui::CDialogHost* m_host = nullptr;

    // Guards the flags below. Not annotated: the wait hands it to a condition variable through
    // std::unique_lock<std::mutex>, which the analysis does not follow.
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_deviceReady = false;
    // The update is under way (the profile check has begun): the wait no longer applies.
    bool m_updateUnderWay = false;
    bool m_stopping = false;
    bool m_waitExpired = false;
    std::thread m_waiter;
};

} // namespace devio::app
