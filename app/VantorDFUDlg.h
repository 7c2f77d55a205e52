// The update tool's one window, the modal update dialog: its template, its texts in the user's
// language, the release notes, the status text, the progress bar and the Start and Close buttons;
// the initialisation that stops the companion software before the library is first used; and the
// closing rule. The update controller works through the dialog's host (timers, posted messages,
// the message box) and the presentation calls below.
//
// Threads: the dialog is built, run and destroyed on the application's thread, and every handler
// runs there (the host's dispatch); the views hand their input over as posted messages.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/Companion.h"
#include "app/FirmwarePackage.h"
#include "app/IProgressRange.h"
#include "app/IToolDialog.h"
#include "app/ui/DialogHost.h"

namespace devio {
class IDevice;
class IFeature00c2DFUControl;
class IFeature00d0DFU;
} // namespace devio

namespace devio::app {

class CVantorDFUDlg : public IToolDialog, public IProgressRange, private ui::IDialogHandler {
public:
    static constexpr int IDD = 102;
    // Controls.
    static constexpr int IDC_PROGRESS = 1000;
    static constexpr int IDC_INTRODUCTION = 1001;
    static constexpr int IDC_RELEASE_NOTES = 1002;
    static constexpr int IDC_NOTES_HEADING = 1003;
    static constexpr int IDC_STATUS = 1004;
    static constexpr int IDC_CLOSE = 1005;
    static constexpr int IDC_NOTICE = 1006;
    static constexpr int IDC_PICTURE = 1007;
    static constexpr int IDC_START = 1008;
    // Icons: the application's, and the product picture with the size it is loaded at.
    static constexpr uint32_t IDR_MAINFRAME = 128;
    static constexpr uint32_t IDI_PICTURE = 1007;
    static constexpr int kPictureWidth = 126;
    static constexpr int kPictureHeight = 85;
    static constexpr int kReleaseNotesExtent = 1200; // pixels
    // The switch-state message: the new state in wparam.
    static constexpr uint32_t WM_SWITCH_STATE = sys::wm::User + 1;

    // The dialog's template (resource 102).
    static ui::DialogTemplate Template();

    // Builds the dialog with the views that show it. With "/LOG" the log file is opened and the
    // run's header written.
    CVantorDFUDlg(std::vector<std::unique_ptr<ui::IDialogView>> views, CCompanion companion);
    ~CVantorDFUDlg() override;

    // IToolDialog: runs the dialog on the calling thread until it ends.
    bool RunModal() override;

    // Texts.
    void ApplyDialogTexts();
    void FillReleaseNotes();
    // The status text becomes text `textId`.
    void ShowMessage(uint32_t textId);
    // The status text of a successful update.
    void ShowSuccess();

    // The progress bar (IProgressRange: range and step, set while the firmware loads).
    void SetRange(int lower, int upper) override;
    void SetStep(int step) override;
    void SetProgressPos(int position);
    int GetProgressPos() const;
    void ShowProgress();
    void HideProgress();

    ui::CDialogHost& Host() { return m_host; }
    const ui::CDialogHost& Host() const { return m_host; }
    CCompanion& Companion() { return m_companion; }
    CFirmwarePackage& Firmware() { return m_firmware; }
    int State() const { return m_state; }

    // Traces the change, stores the new state and runs its entry actions.
    void SwitchToState(int newState);

private:
    // ui::IDialogHandler, on the dialog's thread.
    void OnInitDialog() override;
    void OnCommand(int id) override;
    void OnTimer(uintptr_t timerId) override;
    void OnMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) override;

    // OK (the Close button) and Cancel (Escape, the close box).
    void OnOK();
    void OnCancel();
    // Closes the dialog with `result` unless an update is under way.
    void CloseUnlessUpdating(int result);

    // The steps of the initialisation and of the behaviour that need the library; the update
    // controller provides them.
    void ConfigureLibrary();
    void SubscribeToLibrary();
    void StartController();
    void AbortUpdate();
    void OnStartButton();
    void RunEntryActions(int state);

    ui::CDialogHost m_host;
    CCompanion m_companion;
    CFirmwarePackage m_firmware; // image A, image B and the current image

    // The update controller's members with their initial values (the ones marked maybe_unused
    // are the controller's alone).
    std::shared_ptr<IDevice> m_targetDevice;
    std::shared_ptr<IFeature00c2DFUControl> m_f00c2;
    std::shared_ptr<IFeature00d0DFU> m_f00d0;
    [[maybe_unused]] int m_retryCount = 0;
    int m_state = 0;
    [[maybe_unused]] int m_exitCountdown = 10;
    [[maybe_unused]] bool m_receiverReannounceSent = false;
    [[maybe_unused]] int m_previousMinor = -1;
    [[maybe_unused]] int m_previousBuild = -1;
};

} // namespace devio::app
