#include "app/VantorDFUDlg.h"

#include "app/LoadMessage.h"
#include "app/TextIds.h"
#include "app/ToolOptions.h"
#include "app/ToolTrace.h"

namespace devio::app {

namespace {

using ui::ControlKind;

// The states in which the dialog may close although a target is held: before an update has
// started and after it has ended.
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
        BeginToolLogRun();
    }
}

CVantorDFUDlg::~CVantorDFUDlg() {
    // No library event may reach a dialog that is being destroyed.
    UnsubscribeFromLibrary();
}

bool CVantorDFUDlg::RunModal() {
    return m_host.RunModal(*this) != -1;
}

void CVantorDFUDlg::OnInitDialog() {
    m_host.SetIcon(IDR_MAINFRAME);
    // The companion lets go of the mouse before the library opens any device.
    m_companion.SignalCompanionShutdown();
    m_companion.SaveToolSettings();
    m_companion.CountToolRuns();
    ConfigureLibrary();
    SubscribeToLibrary();
    ApplyDialogTexts();
    FillReleaseNotes();
    m_host.SetHorizontalExtent(IDC_RELEASE_NOTES, kReleaseNotesExtent);
    m_host.SetFontWeight(IDC_STATUS, ui::kFontWeightBold);
    m_host.SetPicture(IDC_PICTURE, IDI_PICTURE, kPictureWidth, kPictureHeight);
    if (!ToolOptions().firmwareFolder.empty()) {
        m_firmware.LoadFirmwareFromFolder(ToolOptions().firmwareFolder);
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
    m_host.SetDlgItemText(IDC_STATUS, LoadMessage(textId));
}

void CVantorDFUDlg::ShowSuccess() {
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
    m_host.SetDialogState(newState);
    RunEntryActions(newState);
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

void CVantorDFUDlg::OnMessage(uint32_t message, uintptr_t wparam, intptr_t) {
    if (message == WM_SWITCH_STATE) {
        SwitchToState(static_cast<int>(wparam));
    }
}

void CVantorDFUDlg::OnOK() {
    CloseUnlessUpdating(ui::kIdOk);
}

void CVantorDFUDlg::OnCancel() {
    CloseUnlessUpdating(ui::kIdCancel);
}

void CVantorDFUDlg::CloseUnlessUpdating(int result) {
    if (m_targetDevice && !IsIdleState(m_state)) {
        return;
    }
    if (m_companion.RestartRequested()) {
        m_companion.RestartCompanion();
    }
    m_host.EndDialog(result);
}

} // namespace devio::app
