// The update controller: the behaviour of the update dialog. Everything here runs on the dialog's
// thread except onRunLoopEvent, which only arms the run-loop pump.
#include <string>

#include "Source/Contracts/IHardwareBus.h"
#include "Source/Features/IFeature0003FirmwareInfo.h"
#include "Source/Features/IFeature00c2DFUControl.h"
#include "Source/Manager/CDevio.h"
#include "Source/System/Clock.h"
#include "app/LoadMessage.h"
#include "app/TextIds.h"
#include "app/ToolOptions.h"
#include "app/ToolOutcome.h"
#include "app/ToolTrace.h"
#include "app/VantorDFUDlg.h"

namespace devio::app {

namespace {

// The firmware version below which an update is needed: minor 6, build 28.
constexpr int kCurrentVersion = 0x6001C;
constexpr int kProgressPerPacket = 16;

const char* BoolText(bool value) {
    return value ? "true" : "false";
}

// The decimal value of `text` as the C runtime reads it (digits up to the first other character),
// modulo 65,536.
int DecimalModulo16(const std::string& text) {
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        value = (value * 10 + static_cast<unsigned>(c - '0')) & 0xFFFF;
    }
    return static_cast<int>(value);
}

} // namespace

const std::vector<Byte> CVantorDFUDlg::kForcedArrivalReport = {0x10, 0xFF, 0x80, 0x02,
                                                               0x02, 0x00, 0x00};

void CVantorDFUDlg::ConfigureLibrary() {
    // The first library call: the facade makes its device manager now, after the companion has
    // let go of the mouse.
    // Both items are the manager's own; a library that cannot be had is found when subscribing.
    static_cast<void>(CDevio::instance().config_set(IDeviceManager::usb_devices_active, true));
    static_cast<void>(CDevio::instance().config_set(IDeviceManager::receivers_active, true));
}

void CVantorDFUDlg::SubscribeToLibrary() {
    m_manager = CDevio::instance();
    if (!m_manager) {
        ToolTrace("  the device library is not available\n");
        return;
    }
    Subscriber<IDeviceManager::RunLoopEvent>::subscribe(m_manager, DeliverDirect,
                                                        "CVantorDFUDlg::RunLoopEvent");
    Subscriber<IDeviceManager::ArrivalRemoval>::subscribe(m_manager, DeliverViaRunLoop, "");
}

void CVantorDFUDlg::UnsubscribeFromLibrary() {
    if (m_f00d0) {
        Subscriber<IFeature00d0DFU::Report>::unsubscribe(m_f00d0);
    }
    if (m_targetDevice) {
        Subscriber<IDevice::Connect>::unsubscribe(m_targetDevice);
    }
    if (m_manager) {
        Subscriber<IDeviceManager::ArrivalRemoval>::unsubscribe(m_manager);
        Subscriber<IDeviceManager::RunLoopEvent>::unsubscribe(m_manager);
    }
}

void CVantorDFUDlg::StartController() {
    for (const std::shared_ptr<IDevice>& device : CDevio::instance().devices()) {
        onDeviceArrival(device);
    }
    if (!m_targetDevice) {
        SwitchToState(NoDevice);
    } else if (m_targetDevice->connected()) {
        onConnect(m_targetDevice, false);
    }
}

void CVantorDFUDlg::PostState(int state) {
    // The message carries the state it was posted in (counted from 1; 0 means any state).
    m_host.PostMessage(WM_SWITCH_STATE, static_cast<uintptr_t>(state),
                       static_cast<intptr_t>(m_stateChanges + 1));
}

void CVantorDFUDlg::RunEntryActions(int state) {
    switch (state) {
    case NoDevice:
    case DeviceNotConnected:
        HideProgress();
        m_host.ShowControl(IDC_START, false);
        m_host.ShowControl(IDC_CLOSE, false);
        ShowMessage(state == NoDevice ? kTextNoReceiver : kTextNotConnected);
        break;
    case ReadyToStart:
        m_updateStarted = false;
        HideProgress();
        m_host.ShowControl(IDC_CLOSE, false);
        m_host.ShowControl(IDC_START, true);
        ShowMessage(kTextClickStart);
        break;
    case CheckProfiles: {
        // The check and the question run nested message loops, in which the mouse may go and
        // come back: an answer that comes after the state has moved on decides nothing.
        uint64_t changesBefore = m_stateChanges;
        bool answeredYes = true;
        if (CheckDataExistsAfterSector6()) {
            answeredYes =
                m_host.MessageBox(LoadMessage(kTextProfilesWillBeErased), LoadMessage(kTextTitle),
                                  ui::kMbYesNo | ui::kMbIconWarning) == ui::kIdYes;
        }
        if (m_stateChanges != changesBefore) {
            ToolTrace("  the state moved on to %d during the profile check\n", m_state);
            break;
        }
        PostState(answeredYes ? EnteringBootloader : ReadyToStart);
        break;
    }
    case Finishing:
        SetProgressPos(m_host.GetControl(IDC_PROGRESS)->progress.upper);
        ShowProgress();
        m_host.ShowControl(IDC_START, false);
        RepairProfileSector1();
        m_previousMinor = -1;
        m_previousBuild = -1;
        SetProgressPos(m_host.GetControl(IDC_PROGRESS)->progress.upper);
        PostState(Succeeded);
        break;
    case EnteringBootloader:
        EnterDfuMode();
        break;
    case BootloaderReady:
        StartFirstImage();
        break;
    case SendingFirstImage:
        ShowMessage(kTextUpdating);
        break;
    case SendingSecondImage:
        ShowMessage(kTextUpdating);
        m_firmware.SetCurrent(&m_firmware.ImageA());
        // A packet that cannot be sent arms the retry timer itself.
        static_cast<void>(SendNextPacket(0));
        break;
    case Succeeded:
        ShowSuccess();
        m_host.ShowControl(IDC_CLOSE, true);
        HideProgress();
        break;
    case UpToDate:
        ShowMessage(kTextUpToDate);
        m_host.ShowControl(IDC_CLOSE, true);
        HideProgress();
        break;
    case Failed:
        ShowMessage(kTextFailedRetrying);
        break;
    default:
        break;
    }
}

void CVantorDFUDlg::onRunLoopEvent() {
    // Any thread: arming the pump is all that may happen here.
    m_host.SetTimer(kTimerRunLoop, 0);
}

void CVantorDFUDlg::OnTimer(uintptr_t timerId) {
    switch (timerId) {
    case kTimerRunLoop:
        m_host.KillTimer(timerId);
        CDevio::instance().call_event_from_runloop();
        break;
    case kTimerPacket:
    case kTimerRetryDelay:
        m_host.KillTimer(timerId);
        m_packetInFlight = false;
        RetryDfu();
        break;
    case kTimerUpdateStall:
        OnUpdateStalled();
        break;
    case kTimerBootloaderWait:
    case kTimerFirmwareChangeWait:
        OnWaitTimeout(timerId);
        break;
    case kTimerExitCountdown:
        OnExitCountdown();
        break;
    default:
        // A timer the dialog does not know is stopped and otherwise ignored.
        m_host.KillTimer(timerId);
        break;
    }
}

bool CVantorDFUDlg::IsTarget(const std::shared_ptr<IDevice>& device) const {
    return device != nullptr && device == m_targetDevice;
}

void CVantorDFUDlg::onDeviceArrival(std::shared_ptr<IDevice> device) {
    if (m_retryCount >= kMaxRetries || !device || m_targetDevice ||
        device->pid() != kTargetProductId) {
        return;
    }
    ToolTrace("Device 0x%04x is arrived.\n", static_cast<unsigned>(device->pid()));
    SwitchToState(DeviceNotConnected);
    m_targetDevice = device;
    Subscriber<IDevice::Connect>::subscribe(m_targetDevice, DeliverViaRunLoop, "");
}

void CVantorDFUDlg::onDeviceRemoval(std::shared_ptr<IDevice> device) {
    if (!m_targetDevice || !device || device->pid() != kTargetProductId) {
        return;
    }
    ToolTrace("Device 0x%04x is removed.\n", static_cast<unsigned>(device->pid()));
    onDeviceDetached();
}

void CVantorDFUDlg::onDeviceDetached() {
    ToolTrace("CVantorDFUDlg::onDeviceDetached\n");
    // The objects of a device that has gone deliver nothing more to the controller.
    if (m_f00d0) {
        Subscriber<IFeature00d0DFU::Report>::unsubscribe(m_f00d0);
    }
    Subscriber<IDevice::Connect>::unsubscribe(m_targetDevice);
    m_targetDevice.reset();
    m_f00c2.reset();
    m_f00d0.reset();
    ResetImageOffsets();
    KillTransferTimers();
    SwitchToState(NoDevice);
}

void CVantorDFUDlg::onConnect(std::shared_ptr<IDevice> device, bool device_configured_by_us) {
    ToolTrace("Device 0x%04x is connected. [settings_retained(%s)]\n",
              static_cast<unsigned>(device ? device->pid() : 0), BoolText(device_configured_by_us));
    if (!IsTarget(device)) {
        return;
    }
    auto firmwareInfo = m_targetDevice->feature<IFeature0003FirmwareInfo>();
    if (!firmwareInfo) {
        ToolTrace("  unable to get feature 0x0003\n");
        return;
    }
    int count = 0;
    if (!firmwareInfo->GetEntityCount(&count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                      CacheMode::Uncached)) {
        ToolTrace("  unable to get the count of the entities from the feature 0x0003\n");
        return;
    }
    for (int entity = 0; entity < count; ++entity) {
        int fwType = 0;
        int rdnf = 0;
        std::string prefix;
        std::string version;
        std::string build;
        if (!firmwareInfo->GetFwInfo(entity, &fwType, &prefix, &version, &build, &rdnf, nullptr,
                                     CacheMode::Uncached) ||
            rdnf != 1) {
            continue;
        }
        if (prefix == "BOT") {
            onDeviceBootLoaderAttached();
        } else if (prefix == "QRT") {
            onDeviceAttached();
        }
        return;
    }
}

void CVantorDFUDlg::onDeviceBootLoaderAttached() {
    ToolTrace("CVantorDFUDlg::onDeviceBootLoaderAttached. curState=%d\n", m_state);
    m_host.KillTimer(kTimerBootloaderWait);
    // An update that was given up stays given up: the exit countdown runs.
    if (m_aborted) {
        ToolTrace("  the update was given up\n");
        return;
    }
    // The second image follows only a first image that the device accepted whole; a bootloader
    // that returns for any other reason gets the whole transfer again.
    SwitchToState(m_state == SendingFirstImage && m_firstImageAccepted ? SendingSecondImage
                                                                       : BootloaderReady);
}

void CVantorDFUDlg::onDeviceAttached() {
    ToolTrace("CVantorDFUDlg::onDeviceAttached\n");
    if (!m_targetDevice) {
        ToolTrace("  no device instance\n");
        return;
    }
    // The device that the failed update restarted runs its application again: nothing more
    // will come of this update.
    if (m_abortRestartedDevice && m_state >= BootloaderReady && m_state <= SendingSecondImage) {
        GiveUpUpdate();
        return;
    }
    // Without the DFU control feature the version check still runs: the update then ends at the
    // request to enter the bootloader, the failure way, instead of telling the user for ever that
    // the mouse is not connected.
    m_f00c2 = m_targetDevice->feature<IFeature00c2DFUControl>();
    if (!m_f00c2) {
        ToolTrace("  unable to get feature 0x00c2\n");
    }
    auto firmwareInfo = m_targetDevice->feature<IFeature0003FirmwareInfo>();
    if (!firmwareInfo) {
        ToolTrace("  unable to get feature 0x0003\n");
        return;
    }
    ToolTrace("Calling f0003=>GetFwFormattedVersion\n");
    std::string version;
    if (!firmwareInfo->GetFwFormattedVersion(&version)) {
        ToolTrace("  GetFwFormattedVersion failed\n");
        return;
    }
    size_t firstDot = version.find('.');
    size_t secondDot = firstDot == std::string::npos ? firstDot : version.find('.', firstDot + 1);
    if (secondDot == std::string::npos) {
        return;
    }
    KillTransferTimers();
    ResetImageOffsets();
    int minor = DecimalModulo16(version.substr(firstDot + 1, secondDot - firstDot - 1));
    std::string buildText = version.substr(secondDot + 1);
    // A build "99xx" is build xx of a test series.
    if (buildText.size() == 4 && buildText.starts_with("99")) {
        buildText = buildText.substr(2);
    }
    int build = DecimalModulo16(buildText);
    ToolTrace("f0003=>GetFwFormattedVersion: minor=%d, build=%d\n", minor, build);
    ToolTrace("  current state is %d\n", m_state);
    switch (m_state) {
    case DeviceNotConnected:
        if (ToolOptions().forceUpdate || minor * 65536 + build < kCurrentVersion) {
            m_previousMinor = minor;
            m_previousBuild = build;
            SwitchToState(ReadyToStart);
        } else {
            SwitchToState(UpToDate);
        }
        break;
    case CheckProfiles:
    case 5:
    case EnteringBootloader:
        SwitchToState(CheckProfiles);
        break;
    default:
        break;
    }
}

void CVantorDFUDlg::onDisconnect(std::shared_ptr<IDevice> device) {
    ToolTrace("Device 0x%04x is disconnected.\n",
              static_cast<unsigned>(device ? device->pid() : 0));
    if (!IsTarget(device)) {
        return;
    }
    switch (m_state) {
    case ReadyToStart:
    case CheckProfiles:
    case 5:
    case EnteringBootloader:
        SwitchToState(DeviceNotConnected);
        break;
    default:
        // The restarts during the transfer leave the state as it is.
        break;
    }
}

void CVantorDFUDlg::onFirmwareChanged(std::shared_ptr<IDevice> device) {
    ToolTrace("Device 0x%04x is firmware-changed.\n",
              static_cast<unsigned>(device ? device->pid() : 0));
    m_host.KillTimer(kTimerFirmwareChangeWait);
    if (m_state == EnteringBootloader) {
        SwitchToState(BootloaderReady);
    } else if (m_state == WaitFirmwareChange) {
        SwitchToState(Finishing);
    }
}

void CVantorDFUDlg::OnStartButton() {
    m_host.ShowControl(IDC_START, false);
    ShowMessage(kTextPreparing);
    SetProgressPos(0);
    ShowProgress();
    PostState(CheckProfiles);
}

void CVantorDFUDlg::EnterDfuMode() {
    const FirmwareImage& a = m_firmware.ImageA();
    const FirmwareImage& b = m_firmware.ImageB();
    if (!m_targetDevice || !m_f00c2 || a.size() == 0 || !a.data() || b.size() == 0 || !b.data()) {
        ToolTrace("  cannot enter DFU mode\n");
        ArmStallGuard(kStallFailedRequestMs);
        return;
    }
    if (m_f00c2->SetDfuControl(1, 0)) {
        ToolTrace("Waiting Firmware Change...\n");
        m_host.SetTimer(kTimerFirmwareChangeWait, kFirmwareChangeWaitMs);
    } else {
        ToolTrace("  SetDfuControl failed\n");
        ArmStallGuard(kStallFailedRequestMs);
    }
}

void CVantorDFUDlg::StartFirstImage() {
    KillTransferTimers();
    // The waits of the states before end here: the bootloader is back.
    m_host.KillTimer(kTimerBootloaderWait);
    m_host.KillTimer(kTimerFirmwareChangeWait);
    if (m_aborted) {
        return;
    }
    ResetImageOffsets();
    m_firstImageAccepted = false;
    SetProgressPos(kProgressLeadIn);
    ShowProgress();
    ShowMessage(kTextUpdating);
    if (!m_f00d0) {
        if (!m_targetDevice || !(m_f00d0 = m_targetDevice->feature<IFeature00d0DFU>())) {
            // Without the transfer feature the machine stays in this state.
            return;
        }
        Subscriber<IFeature00d0DFU::Report>::subscribe(m_f00d0, DeliverViaRunLoop, "");
    }
    ShowProgress();
    m_state = SendingFirstImage;
    m_host.SetDialogState(m_state);
    m_firmware.SetCurrent(&m_firmware.ImageB());
    if (ToolOptions().skipDevice) {
        SwitchToState(WaitFirmwareChange);
        // A restart that does not go out ends in the firmware-change wait's time-out.
        static_cast<void>(m_f00d0->DFURestart(1));
        m_host.SetTimer(kTimerFirmwareChangeWait, kFirmwareChangeWaitMs);
    } else {
        // A packet that cannot be sent arms the retry timer itself.
        static_cast<void>(SendNextPacket(0));
    }
}

bool CVantorDFUDlg::SendNextPacket(uint32_t packetNumber) {
    if (!m_f00d0) {
        ToolTrace("  m_f00d0 is null\n");
        return false;
    }
    FirmwareImage* current = m_firmware.Current();
    std::vector<uint8_t> packet = m_firmware.GetNextPacket(packetNumber + 1);
    if (packet.empty() || current == nullptr) {
        ToolTrace("  nextPacket is null\n");
        return false;
    }
    bool sent = false;
    if (current->offset() == 0) {
        unsigned status = 0;
        sent = m_f00d0->DFUStart(packet, status, nullptr);
        if (sent && IFeature00d0DFU::IsDfuError(status)) {
            ToolTrace("  IsDfuError returned true\n");
            sent = false;
        }
    } else {
        sent = m_f00d0->DFUSendPacket(packetNumber, packet);
    }
    if (!sent) {
        ToolTrace("  DFUSendPacket failed. Retrying after delay\n");
        m_host.SetTimer(kTimerRetryDelay, kRetryDelayMs);
        return false;
    }
    current->setOffset(current->offset() + FirmwareImage::kPacketSize);
    SetProgressPos(GetProgressPos() + kProgressPerPacket);
    m_host.SetTimer(kTimerPacket, kPacketTimeoutMs);
    m_packetInFlight = true;
    ArmStallGuard();
    if (m_packetsSent++ == 0) {
        m_firstPacketCounter = sys::Clock::performance_counter();
    }
    return true;
}

bool CVantorDFUDlg::CurrentImageSent() const {
    const FirmwareImage* current = m_firmware.Current();
    return current != nullptr && current->size() != 0 &&
           current->offset() + FirmwareImage::kPacketSize > current->size();
}

void CVantorDFUDlg::onDfuStatus(uint32_t packet_number, const std::vector<Byte>& status) {
    unsigned code = IFeature00d0DFU::status_code(status);
    m_packetInFlight = false;
    // A status is progress: the guard starts over.
    ArmStallGuard();
    // An image counts as complete only when the tool has sent all of it, and the new firmware
    // only when it was the second image that completed: a device that claims more than it got
    // must not end the update as a success.
    bool claimsCompletion = code == IFeature00d0DFU::kStatusImageComplete ||
                            code == IFeature00d0DFU::kStatusImageAccepted;
    if (claimsCompletion) {
        FirmwareImage* expected = code == IFeature00d0DFU::kStatusImageComplete
                                      ? &m_firmware.ImageA()
                                      : &m_firmware.ImageB();
        bool firstImageDone = code == IFeature00d0DFU::kStatusImageAccepted || m_firstImageAccepted;
        if (m_firmware.Current() != expected || !CurrentImageSent() || !firstImageDone) {
            ToolTrace("Status %u for an image that was not sent completely\n", code);
            code = 0;
        }
    }
    switch (code) {
    case IFeature00d0DFU::kStatusPacketAccepted:
        // A packet that cannot be sent arms the retry timer itself.
        static_cast<void>(SendNextPacket(packet_number));
        break;
    case IFeature00d0DFU::kStatusImageComplete:
        // A retry delay armed by an earlier status must not restart the transfer later.
        KillTransferTimers();
        SwitchToState(WaitFirmwareChange);
        if (m_f00d0) {
            // A restart that does not go out ends in the firmware-change wait's time-out.
            static_cast<void>(m_f00d0->DFURestart(1));
        }
        m_host.SetTimer(kTimerFirmwareChangeWait, kFirmwareChangeWaitMs);
        ToolTrace("Waiting Firmware Change...\n");
        break;
    case IFeature00d0DFU::kStatusNoAction:
        break;
    case IFeature00d0DFU::kStatusImageAccepted:
        KillTransferTimers();
        if (m_f00d0) {
            // A restart that does not go out ends in the bootloader wait's time-out.
            static_cast<void>(m_f00d0->DFURestart(1));
        }
        m_receiverReannounceSent = false;
        m_firstImageAccepted = true;
        m_host.SetTimer(kTimerBootloaderWait, kBootloaderWaitMs);
        ToolTrace("Waiting Bootloader Arrival...\n");
        break;
    default:
        ToolTrace("Something bad happened %d...\n", static_cast<int>(code));
        m_host.SetTimer(kTimerRetryDelay, kRetryDelayMs);
        break;
    }
}

void CVantorDFUDlg::OnWaitTimeout(uintptr_t timerId) {
    ToolTrace("Timer 0x%08x is timeout.\n", static_cast<unsigned>(timerId));
    m_host.KillTimer(timerId);
    if (!m_targetDevice) {
        SwitchToState(NoDevice);
        return;
    }
    if (m_state != SendingFirstImage) {
        return;
    }
    if (m_receiverReannounceSent) {
        ShowMessage(kTextTurnOffAndOn);
        return;
    }
    m_receiverReannounceSent = true;
    AskReceiverToReannounce();
    m_host.SetTimer(kTimerBootloaderWait, kBootloaderSecondWaitMs);
}

void CVantorDFUDlg::RetryDfu() {
    ToolTrace("CVantorDFUDlg::RetryDfu\n");
    // A time-out of a transfer that is over (given up, or past its last status) moves nothing.
    if (m_aborted || m_state < BootloaderReady || m_state > SendingSecondImage) {
        ToolTrace("  no transfer to retry in state %d\n", m_state);
        return;
    }
    m_firmware.ImageA().setOffset(0);
    if (!m_targetDevice) {
        SwitchToState(NoDevice);
        return;
    }
    if (!m_targetDevice->connected()) {
        SwitchToState(DeviceNotConnected);
        return;
    }
    ++m_retryCount;
    if (m_retryCount < kMaxRetries) {
        PostState(BootloaderReady);
        return;
    }
    KillTransferTimers();
    ResetImageOffsets();
    AbortUpdate();
}

void CVantorDFUDlg::AbortUpdate() {
    if (m_aborted) {
        return;
    }
    // A device in its bootloader is restarted once more and its events drive the machine again;
    // should that transfer fail too, the update is given up.
    if (!m_abortRestartedDevice && m_f00d0 && m_f00d0->DFURestart(1)) {
        m_abortRestartedDevice = true;
        // A device that never comes back from this restart ends the update all the same.
        ArmStallGuard(kStallTransferMs);
        return;
    }
    GiveUpUpdate();
}

void CVantorDFUDlg::AskReceiverToReannounce() {
    // Behind a receiver the bus is the receiver's own device: asking it to announce its paired
    // devices again brings back a device whose return went unnoticed.
    if (!m_targetDevice) {
        return;
    }
    if (auto receiver = std::dynamic_pointer_cast<IDevice>(m_targetDevice->bus())) {
        // A request that does not go out leaves the wait to end at its bound.
        static_cast<void>(receiver->sendCommand(kForcedArrivalReport, false));
    }
}

uint32_t CVantorDFUDlg::StallBoundMs(int state, bool updateStarted) {
    switch (state) {
    case NoDevice:
    case DeviceNotConnected:
        return updateStarted ? kStallMouseLostMs : 0;
    case EnteringBootloader:
        return kStallEnterBootloaderMs;
    case BootloaderReady:
        return kStallBootloaderReadyMs;
    case SendingFirstImage:
    case SendingSecondImage:
        return kStallTransferMs;
    case WaitFirmwareChange:
        return kStallFirmwareChangeMs;
    default:
        // Before the update (the user's turn) and after it, nothing waits for the device.
        return 0;
    }
}

void CVantorDFUDlg::ArmStallGuard() {
    // A packet on its way has the packet time-out; the guard bounds only the waits between.
    bool guarded = !m_aborted && !m_packetInFlight;
    ArmStallGuard(guarded ? StallBoundMs(m_state, m_updateStarted) : 0);
}

void CVantorDFUDlg::ArmStallGuard(uint32_t boundMs) {
    if (boundMs == 0) {
        m_host.KillTimer(kTimerUpdateStall);
    } else {
        m_host.SetTimer(kTimerUpdateStall, boundMs);
    }
}

void CVantorDFUDlg::OnUpdateStalled() {
    ToolTrace("Timer 0x%08x is timeout.\n", static_cast<unsigned>(kTimerUpdateStall));
    m_host.KillTimer(kTimerUpdateStall);
    if (m_aborted) {
        return;
    }
    ToolTrace("  the update made no progress in state %d\n", m_state);
    KillTransferTimers();
    bool connected = m_targetDevice && m_targetDevice->connected();
    if (!m_abortRestartedDevice && ++m_retryCount < kMaxRetries) {
        if (!connected) {
            // The mouse may still come back (or be back unnoticed): the receiver is asked to
            // announce it, and it gets the wait once more.
            AskReceiverToReannounce();
            ArmStallGuard();
        } else {
            // The step that did not come about is tried again: entering the bootloader, or the
            // transfer once the bootloader is (or was) there.
            bool inBootloader =
                m_state != EnteringBootloader && (m_state == BootloaderReady || m_f00d0 != nullptr);
            PostState(inBootloader ? BootloaderReady : EnteringBootloader);
        }
        return;
    }
    ResetImageOffsets();
    if (connected) {
        AbortUpdate();
    } else {
        GiveUpUpdate();
    }
}

void CVantorDFUDlg::GiveUpUpdate() {
    if (m_aborted) {
        return;
    }
    m_aborted = true;
    KillUpdateTimers();
    SwitchToState(Failed);
    m_host.SetTimer(kTimerExitCountdown, kExitCountdownTickMs);
}

void CVantorDFUDlg::OnExitCountdown() {
    if (--m_exitCountdown > 0) {
        return;
    }
    m_host.KillTimer(kTimerExitCountdown);
    m_companion.SetRestartRequested(true);
    m_companion.RestartCompanion();
    m_host.EndDialog(ui::kIdCancel);
}

void CVantorDFUDlg::KillTransferTimers() {
    m_host.KillTimer(kTimerPacket);
    m_host.KillTimer(kTimerRetryDelay);
    m_packetInFlight = false;
}

void CVantorDFUDlg::KillUpdateTimers() {
    KillTransferTimers();
    m_host.KillTimer(kTimerBootloaderWait);
    m_host.KillTimer(kTimerFirmwareChangeWait);
    m_host.KillTimer(kTimerUpdateStall);
}

void CVantorDFUDlg::ResetImageOffsets() {
    m_firmware.ImageA().setOffset(0);
    m_firmware.ImageB().setOffset(0);
}

} // namespace devio::app
