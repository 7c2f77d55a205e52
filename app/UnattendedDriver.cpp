#include "app/UnattendedDriver.h"

#include "Source/System/Clock.h"
#include "app/ToolOutcome.h"
#include "app/VantorDFUDlg.h"
#include "app/ui/DialogHost.h"

namespace devio::app {

using Dlg = CVantorDFUDlg;

CUnattendedDriver::CUnattendedDriver(int waitSeconds, std::shared_ptr<int> exitStatus)
    : m_waitSeconds(waitSeconds), m_exitStatus(std::move(exitStatus)) {}

CUnattendedDriver::~CUnattendedDriver() {
    StopWaiting();
}

int CUnattendedDriver::ExitStatusFor(int state, bool waitExpired) {
    if (ToolOutcome().closingSignal != 0) {
        return kExitSignalBase + ToolOutcome().closingSignal;
    }
    switch (state) {
    case Dlg::Succeeded:
        return ToolOutcome().profileNotRepaired ? kExitProfileNotRepaired : kExitUpdated;
    case Dlg::UpToDate:
        return kExitUpToDate;
    case Dlg::NoDevice:
    case Dlg::DeviceNotConnected:
        return waitExpired ? kExitNoDevice : kExitFailed;
    default:
        return kExitFailed;
    }
}

void CUnattendedDriver::OnOpen(ui::CDialogHost& host) {
    m_host = &host;
    m_waiter = std::thread([this] { Wait(); });
    // The dialog may already offer Start when it is shown.
    OnChange(host, ui::DialogChange{ui::ChangeKind::State, 0});
}

void CUnattendedDriver::OnChange(const ui::CDialogHost& host, const ui::DialogChange& change) {
    if (change.kind == ui::ChangeKind::State || change.kind == ui::ChangeKind::Visibility) {
        Act(host);
    }
}

void CUnattendedDriver::Act(const ui::CDialogHost& host) {
    std::optional<int> state = host.DialogState();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (state && *state >= Dlg::CheckProfiles && *state != Dlg::UpToDate) {
            m_updateUnderWay = true;
        }
        bool ready = m_updateUnderWay ||
                     (state && *state != Dlg::NoDevice && *state != Dlg::DeviceNotConnected);
        if (m_deviceReady != ready) {
            m_deviceReady = ready;
            m_changed.notify_all();
        }
    }
    // A press is posted; the host presses the button only if it is still shown then.
    if (host.IsControlVisible(Dlg::IDC_START)) {
        m_host->PressButton(Dlg::IDC_START);
    } else if (host.IsControlVisible(Dlg::IDC_CLOSE)) {
        m_host->PressButton(Dlg::IDC_CLOSE);
    }
}

void CUnattendedDriver::OnMessageBoxOpened(const ui::CDialogHost&, const ui::MessageBoxRequest&) {
    m_host->AnswerMessageBox(ui::kIdYes);
}

void CUnattendedDriver::Wait() {
    // Every time the dialog is (again) without a connected mouse, the mouse gets the whole wait.
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stopping) {
        if (m_deviceReady) {
            m_changed.wait(lock, [&] { return m_stopping || !m_deviceReady; });
            continue;
        }
        bool changed =
            sys::Clock::wait_for(m_changed, lock, static_cast<int64_t>(m_waitSeconds) * 1000,
                                 [&] { return m_deviceReady || m_stopping; });
        if (!changed) {
            m_waitExpired = true;
            lock.unlock();
            // The dialog closes on Cancel while no update is under way.
            m_host->PressButton(ui::kIdCancel);
            return;
        }
    }
}

void CUnattendedDriver::StopWaiting() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_waiter.joinable()) {
        m_waiter.join();
    }
}

void CUnattendedDriver::OnClose(const ui::CDialogHost& host, int) noexcept {
    StopWaiting();
    bool expired = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        expired = m_waitExpired;
    }
    if (m_exitStatus) {
        *m_exitStatus = ExitStatusFor(host.DialogState().value_or(Dlg::NoDevice), expired);
    }
}

} // namespace devio::app
