#include "app/VantorDFUDlg.h"

#include "Source/System/Clock.h"
#include "app/LoadMessage.h"
#include "app/SignalWatcher.h"
#include "app/TextIds.h"
#include "app/ToolOptions.h"
#include "app/ToolOutcome.h"
#include "app/ToolTrace.h"

namespace devio::app {

namespace {

using ui::ControlKind;

// The states in which the dialog may close although a target is held: before an update has
// started and after it has ended.
// The states in which the update may wait for the device; timers armed before stay armed there.
bool IsUpdateWaitState(int state) {
    switch (state) {
    case 0:
    case 1:
    case 7:
    case 8:
    case 9:
    case 10:
    case 11:
        return true;
    default:
        return false;
    }
}

// The states in which the mouse is being updated (from the profile question to the new firmware's
// start): a signal does not break the update off there.
bool IsUninterruptibleState(int state) {
    return state == 4 || (state >= 6 && state <= 11);
}

bool IsIdleState(int state) {
    switch (state) {
    case 0:
    case 1:
    case 3:
    case 12:
    case 13:
    case 14:
        return true;
    default:
        return false;
    }
}

} // namespace

ui::DialogTemplate CVantorDFUDlg::Template() {
    // In tab order. Start and Close share one place.
    return ui::DialogTemplate{
        IDD,
        401,
        278,
        {
            {IDC_INTRODUCTION, ControlKind::Static, "introduction", 131, 15, 259, 25, true, 0},
            {IDC_PROGRESS, ControlKind::ProgressBar, "progress", 14, 256, 369, 11, false, 0},
            {IDC_RELEASE_NOTES, ControlKind::ListBox, "notes", 14, 106, 369, 43, true, 0},
            {IDC_STATUS, ControlKind::Static, "status", 14, 162, 369, 81, true, 0},
            {IDC_CLOSE, ControlKind::PushButton, "close", 273, 250, 110, 17, false, 'C'},
            {IDC_START, ControlKind::PushButton, "start", 273, 250, 110, 17, false, 'S'},
            {IDC_NOTICE, ControlKind::Static, "notice", 131, 50, 259, 25, true, 0},
            {IDC_PICTURE, ControlKind::Picture, "picture", 33, 20, 20, 20, true, 0},
            {IDC_NOTES_HEADING, ControlKind::Static, "notes-heading", 14, 93, 369, 8, true, 0},
        },
    };
}

CVantorDFUDlg::CVantorDFUDlg(std::vector<std::unique_ptr<ui::IDialogView>> views,
                             CCompanion companion)
    : m_host(Template()), m_companion(std::move(companion)) {
    for (auto& view : views) {
        m_host.AddView(std::move(view));
    }
    if (ToolOptions().logToFile) {
        // Without its file the trace still reaches the debugger output; the user is not told.
        static_cast<void>(BeginToolLogRun());
    }
}

CVantorDFUDlg::~CVantorDFUDlg() {
    CSignalWatcher::Instance().ClearTarget();
    // No library event may reach a dialog that is being destroyed.
    UnsubscribeFromLibrary();
}

bool CVantorDFUDlg::RunModal() {
    return m_host.RunModal(*this) != -1;
}

void CVantorDFUDlg::OnInitDialog() {
    m_host.SetIcon(IDR_MAINFRAME);
    // Signals reach the dialog as messages on its thread.
    CSignalWatcher::Instance().SetTarget([this](int signal) {
        m_host.PostMessage(WM_CLOSE_SIGNAL, static_cast<uintptr_t>(signal));
    });
    // The companion lets go of the mouse before the library opens any device.
    m_companion.SignalCompanionShutdown();
    // The settings only tell the companion about this run; the update does not need them.
    static_cast<void>(m_companion.SaveToolSettings());
    m_companion.CountToolRuns();
    ConfigureLibrary();
    SubscribeToLibrary();
    ApplyDialogTexts();
    FillReleaseNotes();
    m_host.SetHorizontalExtent(IDC_RELEASE_NOTES, kReleaseNotesExtent);
    m_host.SetFontWeight(IDC_STATUS, ui::kFontWeightBold);
    m_host.SetPicture(IDC_PICTURE, IDI_PICTURE, kPictureWidth, kPictureHeight);
    if (!ToolOptions().firmwareFolder.empty()) {
        // An unusable folder leaves the built-in images, which LoadFirmwareImages checks.
        static_cast<void>(m_firmware.LoadFirmwareFromFolder(ToolOptions().firmwareFolder));
    }
    if (m_firmware.LoadFirmwareImages(*this)) {
        StartController();
    } else {
        AbortUpdate();
    }
}

void CVantorDFUDlg::ApplyDialogTexts() {
    m_host.SetWindowText(LoadMessage(kTextTitle));
    constexpr struct {
        int control;
        uint32_t text;
    } kTexts[] = {
        {IDC_INTRODUCTION, kTextIntroduction},
        {IDC_NOTICE, kTextNotFunctional},
        {IDC_NOTES_HEADING, kTextReleaseNotesHeading},
        {IDC_CLOSE, kTextClose},
        {IDC_START, kTextStart},
    };
    for (const auto& entry : kTexts) {
        m_host.SetDlgItemText(entry.control, LoadMessage(entry.text));
    }
}

void CVantorDFUDlg::FillReleaseNotes() {
    for (uint32_t note :
         {kTextReleaseNoteScrolling, kTextReleaseNoteBluetooth, kTextReleaseNoteOnBoardSettings}) {
        m_host.AddListBoxString(IDC_RELEASE_NOTES, "* " + LoadMessage(note));
    }
}

void CVantorDFUDlg::ShowMessage(uint32_t textId) {
    m_statusBeforeNotice.reset();
    m_host.SetDlgItemText(IDC_STATUS, LoadMessage(textId));
}

void CVantorDFUDlg::ShowSuccess() {
    m_statusBeforeNotice.reset();
    m_host.SetDlgItemText(IDC_STATUS, LoadMessage(kTextSucceeded) + "\r\n\r\n" +
                                          LoadMessage(kTextBluetoothPairingNote));
}

void CVantorDFUDlg::SetRange(int lower, int upper) {
    m_host.SetProgressRange(IDC_PROGRESS, lower, upper);
}

void CVantorDFUDlg::SetStep(int step) {
    m_host.SetProgressStep(IDC_PROGRESS, step);
}

void CVantorDFUDlg::SetProgressPos(int position) {
    m_host.SetProgressPos(IDC_PROGRESS, position);
}

int CVantorDFUDlg::GetProgressPos() const {
    return m_host.GetProgressPos(IDC_PROGRESS);
}

void CVantorDFUDlg::ShowProgress() {
    m_host.ShowControl(IDC_PROGRESS, true);
}

void CVantorDFUDlg::HideProgress() {
    m_host.ShowControl(IDC_PROGRESS, false);
}

void CVantorDFUDlg::SwitchToState(int newState) {
    ToolTrace("CVantorDFUDlg::SwitchToState() called from %d to %d\n", m_state, newState);
    m_state = newState;
    ++m_stateChanges;
    if (newState == CheckProfiles || newState == EnteringBootloader ||
        newState == BootloaderReady) {
        m_updateStarted = true;
    }
    // A timer of an earlier state must not move this one; where the update waits for the device,
    // the progress guard bounds the wait (the entry actions may shorten it).
    if (!IsUpdateWaitState(newState)) {
        KillUpdateTimers();
    }
    ArmStallGuard();
    m_host.SetDialogState(newState);
    RunEntryActions(newState);
    if (m_heldSignal != 0 && !IsUninterruptibleState(m_state)) {
        CloseForSignal(m_heldSignal);
    }
}

void CVantorDFUDlg::OnCloseSignal(int signal) {
    ToolTrace("Signal %d received in state %d\n", signal, m_state);
    if (IsUninterruptibleState(m_state)) {
        m_heldSignal = signal;
        ShowCannotInterrupt();
        return;
    }
    CloseForSignal(signal);
}

void CVantorDFUDlg::CloseForSignal(int signal) {
    ToolTrace("Signal %d: closing the dialog in state %d\n", signal, m_state);
    ToolOutcome().closingSignal = signal;
    if (m_companion.RestartRequested()) {
        m_companion.RestartCompanion();
    }
    m_host.EndDialog(ui::kIdCancel);
}

void CVantorDFUDlg::ShowCannotInterrupt() {
    if (!m_statusBeforeNotice) {
        m_statusBeforeNotice = m_host.GetDlgItemText(IDC_STATUS);
    }
    m_host.SetDlgItemText(IDC_STATUS, *m_statusBeforeNotice + "\r\n\r\n" +
                                          "The update cannot be interrupted. It needs about " +
                                          std::to_string(RemainingSecondsEstimate()) +
                                          " more seconds; the tool closes when it has ended.");
}

int CVantorDFUDlg::RemainingSecondsEstimate() {
    auto packets = [](const FirmwareImage& image) {
        return static_cast<int64_t>(image.size() / FirmwareImage::kPacketSize);
    };
    const FirmwareImage& a = m_firmware.ImageA();
    const FirmwareImage& b = m_firmware.ImageB();
    int64_t remaining = 0;
    int restarts = 1; // into the new firmware
    if (m_state == SendingFirstImage) {
        remaining =
            packets(b) - static_cast<int64_t>(b.offset() / FirmwareImage::kPacketSize) + packets(a);
        restarts = 2;
    } else if (m_state == SendingSecondImage) {
        remaining = packets(a) - static_cast<int64_t>(a.offset() / FirmwareImage::kPacketSize);
    } else if (m_state != WaitFirmwareChange && m_state != Finishing) {
        remaining = packets(a) + packets(b);
        restarts = 3;
    }
    // Until enough packets have been timed, a packet is taken to need 10 ms.
    double secondsPerPacket = 0.01;
    if (m_packetsSent >= 16) {
        double elapsed =
            static_cast<double>(sys::Clock::performance_counter() - m_firstPacketCounter) /
            static_cast<double>(sys::Clock::performance_frequency());
        secondsPerPacket = elapsed / static_cast<double>(m_packetsSent);
    }
    constexpr double kSecondsPerRestart = 5;
    double seconds =
        static_cast<double>(remaining) * secondsPerPacket + restarts * kSecondsPerRestart;
    return static_cast<int>(seconds + 0.999);
}

void CVantorDFUDlg::OnCommand(int id) {
    switch (id) {
    case IDC_START:
        OnStartButton();
        break;
    case IDC_CLOSE:
    case ui::kIdOk:
        OnOK();
        break;
    case ui::kIdCancel:
        OnCancel();
        break;
    default:
        break;
    }
}

void CVantorDFUDlg::OnMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    if (message == WM_CLOSE_SIGNAL) {
        OnCloseSignal(static_cast<int>(wparam));
        return;
    }
    if (message != WM_SWITCH_STATE) {
        return;
    }
    // A change posted before the state moved on (the mouse went, the bootloader came back)
    // belongs to a state that is over.
    if (lparam != 0 && static_cast<uint64_t>(lparam) != m_stateChanges + 1) {
        ToolTrace("  state %d was posted in an earlier state and is dropped\n",
                  static_cast<int>(wparam));
        return;
    }
    SwitchToState(static_cast<int>(wparam));
}

void CVantorDFUDlg::OnOK() {
    CloseUnlessUpdating(ui::kIdOk);
}

void CVantorDFUDlg::OnCancel() {
    CloseUnlessUpdating(ui::kIdCancel);
}

void CVantorDFUDlg::CloseUnlessUpdating(int result) {
    // Only a packet on its way may not be broken off: the dialog closes while the update waits
    // (for the device, a retry delay, the firmware change), so that it can always be left.
    if (m_targetDevice && !IsIdleState(m_state) && m_packetInFlight) {
        ToolTrace("  Close ignored: a firmware packet is on its way\n");
        return;
    }
    if (m_companion.RestartRequested()) {
        m_companion.RestartCompanion();
    }
    m_host.EndDialog(result);
}

} // namespace devio::app
