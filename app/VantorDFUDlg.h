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
#include <optional>
#include <string>

#include "Source/Contracts/IDevice.h"
#include "Source/Contracts/IDeviceManager.h"
#include "Source/Events/Subscriber.h"
#include "Source/Features/IFeature00d0DFU.h"
#include "app/Companion.h"
#include "app/FirmwarePackage.h"
#include "app/IProgressRange.h"
#include "app/IToolDialog.h"
#include "app/ui/DialogHost.h"

namespace devio {
class IFeature00c2DFUControl;
} // namespace devio

namespace devio::app {

// The update controller's threads: onRunLoopEvent runs on whatever thread queued a library event
// and only arms the run-loop pump; every other handler (device-manager, device and DFU events,
// timers, commands, posted messages) runs on the dialog's thread, the library's events through
// the run loop that the pump serves there.
class CVantorDFUDlg : public IToolDialog,
                      public IProgressRange,
                      private ui::IDialogHandler,
                      private Subscriber<IDeviceManager::RunLoopEvent>,
                      private Subscriber<IDeviceManager::ArrivalRemoval>,
                      private Subscriber<IDevice::Connect>,
                      private Subscriber<IFeature00d0DFU::Report> {
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
    // The switch-state message: the new state in wparam; in lparam 0, or the number of state
    // changes plus one when it was posted (it is dropped once the state has moved on).
    static constexpr uint32_t WM_SWITCH_STATE = sys::wm::User + 1;
    // A signal (SIGINT, SIGTERM, SIGHUP) asks the dialog to close: its number in wparam.
    static constexpr uint32_t WM_CLOSE_SIGNAL = sys::wm::User + 2;

    // The controller's states.
    enum State : int {
        NoDevice = 0,
        DeviceNotConnected = 1,
        ReadyToStart = 3,
        CheckProfiles = 4,
        Finishing = 6,
        EnteringBootloader = 7,
        BootloaderReady = 8,
        SendingFirstImage = 9,
        SendingSecondImage = 10,
        WaitFirmwareChange = 11,
        Succeeded = 12,
        UpToDate = 13,
        Failed = 14,
    };

    // The dialog window's timers.
    static constexpr uintptr_t kTimerRunLoop = 0xABCDABCD;
    static constexpr uintptr_t kTimerPacket = 0xDEADBEEF;
    static constexpr uintptr_t kTimerRetryDelay = 0xABBABABE;
    static constexpr uintptr_t kTimerBootloaderWait = 0xACACCACA;
    static constexpr uintptr_t kTimerFirmwareChangeWait = 0xBDBDDBDB;
    static constexpr uintptr_t kTimerExitCountdown = 0xABADBABE;
    // The update's progress guard: armed whenever the update waits for the device, so that no
    // wait lasts for ever (StallBoundMs gives the bound of each state).
    static constexpr uintptr_t kTimerUpdateStall = 0xFEEDFEED;
    static constexpr uint32_t kPacketTimeoutMs = 5000;
    static constexpr uint32_t kRetryDelayMs = 3000;
    static constexpr uint32_t kBootloaderWaitMs = 3000;
    static constexpr uint32_t kBootloaderSecondWaitMs = 10000;
    static constexpr uint32_t kFirmwareChangeWaitMs = 10000;
    static constexpr uint32_t kExitCountdownTickMs = 1000;
    // How long the update may wait for the device without progress before it goes the failure way
    // (a retry while retries remain, then the abort). Each bound is longer than the designed waits
    // that may run in the same state, so that those keep their meaning:
    // - entering the bootloader: the mouse restarts within a few seconds; the firmware-change
    //   wait of 10 s, three times;
    static constexpr uint32_t kStallEnterBootloaderMs = 30000;
    // - a request that failed at once (no DFU control feature, a send that failed): the retry
    //   delay;
    static constexpr uint32_t kStallFailedRequestMs = kRetryDelayMs;
    // - the bootloader is there: its transfer feature and the first status come within six
    //   packet time-outs;
    static constexpr uint32_t kStallBootloaderReadyMs = 30000;
    // - while no packet is on its way (a packet has its own time-out): for the bootloader to come
    //   back after an image was accepted or after a restart, the bootloader wait (3 s), the wait
    //   after the receiver's re-announce (10 s), and half a minute for the user to switch the
    //   mouse off and on as text 1042 asks;
    static constexpr uint32_t kStallTransferMs = 45000;
    // - the new firmware announces itself: the firmware-change wait of 10 s, three times;
    static constexpr uint32_t kStallFirmwareChangeMs = 30000;
    // - the mouse lost during the update (states 0 and 1): as long as a bootloader's return.
    static constexpr uint32_t kStallMouseLostMs = kStallTransferMs;
    // Transfers that may end in a retry before the update is given up.
    static constexpr int kMaxRetries = 3;
    // The target mouse's wireless product ID.
    static constexpr int kTargetProductId = 0x40A1;
    // The receiver's forced-arrival request: register 0x02 written with 02 00 00, which makes it
    // announce every paired device again.
    static const std::vector<Byte> kForcedArrivalReport;
    // The CRC of a profile sector covers bytes 0 to 252; bytes 253 and 254 hold it.
    static constexpr size_t kSectorSize = 255;
    static constexpr size_t kSectorCrcOffset = 253;
    static constexpr size_t kProfileReadSize = 240;

    // The dialog's template (resource 102).
    static ui::DialogTemplate Template();

    // Builds the dialog with the views that show it. With "/LOG" the log file is opened and the
    // run's header written.
    CVantorDFUDlg(std::vector<std::unique_ptr<ui::IDialogView>> views, CCompanion companion);
    ~CVantorDFUDlg() override;

    // IToolDialog: runs the dialog on the calling thread until it ends.
    [[nodiscard]] bool RunModal() override;

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

    // The on-board profiles around the update (on the dialog's thread, with the target held).
    // True when a byte other than 0xFF is found in sectors 6 to 15.
    bool CheckDataExistsAfterSector6();
    // Rewrites sector 1 with its two pairs of entries exchanged when the firmware before the
    // update was older than 6.28; true when nothing was needed or the sector was written.
    [[nodiscard]] bool FixButtonSwapIssue();
    // FixButtonSwapIssue, once more when it fails; a second failure is traced and kept in the
    // tool's outcome.
    void RepairProfileSector1();
    // Bytes 0 to 239 of sector 1.
    [[nodiscard]] bool ReadSectorData(std::vector<Byte>& buffer);
    // Writes a 255-byte sector image to sector 1; false when a block or the end of the session
    // was refused (the session is ended all the same).
    [[nodiscard]] bool WriteSectorToDevice(const std::vector<Byte>& sector);

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
    // A signal asks to close: outside the update the dialog closes as Close does; while the
    // mouse is being updated the request is held, with a line that says so and how long the
    // update still takes, and carried out as soon as the update has ended.
    void OnCloseSignal(int signal);
    void CloseForSignal(int signal);
    void ShowCannotInterrupt();
    // Seconds that the update still needs, estimated from the packets sent so far.
    int RemainingSecondsEstimate();

    // The steps of the initialisation and of the behaviour that need the library.
    void ConfigureLibrary();
    void SubscribeToLibrary();
    void UnsubscribeFromLibrary();
    void StartController();
    void AbortUpdate();
    void OnStartButton();
    void RunEntryActions(int state);
    void PostState(int state);

    // Library events. onRunLoopEvent: any thread; the others: the dialog's thread (run loop).
    void onRunLoopEvent() override;
    void onDeviceArrival(std::shared_ptr<IDevice> device) override;
    void onDeviceRemoval(std::shared_ptr<IDevice> device) override;
    void onConnect(std::shared_ptr<IDevice> device, bool device_configured_by_us) override;
    void onDisconnect(std::shared_ptr<IDevice> device) override;
    void onFirmwareChanged(std::shared_ptr<IDevice> device) override;
    void onDfuStatus(uint32_t packet_number, const std::vector<Byte>& status) override;

    // The controller's steps, on the dialog's thread.
    void onDeviceDetached();
    void onDeviceAttached();
    void onDeviceBootLoaderAttached();
    void EnterDfuMode();
    void StartFirstImage();
    [[nodiscard]] bool SendNextPacket(uint32_t packetNumber);
    void OnWaitTimeout(uintptr_t timerId);
    // Sends the receiver's forced-arrival request for the target's receiver.
    void AskReceiverToReannounce();
    void RetryDfu();
    // Shows the failure and starts the exit countdown, once.
    void GiveUpUpdate();
    void OnExitCountdown();
    void KillTransferTimers();
    // The packet time-out, the retry delay, both waits and the progress guard.
    void KillUpdateTimers();
    // Arms the progress guard with the bound of the current state, or stops it where the update
    // does not wait for the device.
    void ArmStallGuard();
    void ArmStallGuard(uint32_t boundMs);
    static uint32_t StallBoundMs(int state, bool updateStarted);
    // The progress guard expired: a retry while retries remain, then the abort.
    void OnUpdateStalled();
    void ResetImageOffsets();
    // Whether every packet of the current image has been sent.
    bool CurrentImageSent() const;
    bool IsTarget(const std::shared_ptr<IDevice>& device) const;

    ui::CDialogHost m_host;
    CCompanion m_companion;
    CFirmwarePackage m_firmware; // image A, image B and the current image

    // The update controller's members with their initial values.
    std::shared_ptr<IDeviceManager> m_manager;
    std::shared_ptr<IDevice> m_targetDevice;
    std::shared_ptr<IFeature00c2DFUControl> m_f00c2;
    std::shared_ptr<IFeature00d0DFU> m_f00d0;
    int m_retryCount = 0;
    int m_state = 0;
    int m_exitCountdown = 10;
    bool m_receiverReannounceSent = false;
    int m_previousMinor = -1;
    int m_previousBuild = -1;
    // The update is given up once (one dialog per process); before that, a device in its
    // bootloader gets one more restart.
    bool m_aborted = false;
    bool m_abortRestartedDevice = false;
    // The device accepted the whole first image of the current transfer (status 6).
    bool m_firstImageAccepted = false;
    // The update is under way (state 4, 7 or 8 entered, until Start is offered again): from then
    // on every wait for the device is bounded.
    bool m_updateStarted = false;
    // A packet was sent and its status has not arrived: Close is ignored only then.
    bool m_packetInFlight = false;
    // Counts the state changes, so that a nested message loop can tell that the state moved on.
    uint64_t m_stateChanges = 0;
    // A signal that asked to close while the update could not be interrupted; 0 for none.
    int m_heldSignal = 0;
    // The status text before the line about the held signal was added to it.
    std::optional<std::string> m_statusBeforeNotice;
    // Packets sent in this run and the performance counter at the first, for the estimate.
    int64_t m_packetsSent = 0;
    int64_t m_firstPacketCounter = 0;
};

} // namespace devio::app
