// The target mouse, as it answers behind its receiver: application firmware "QRT" with the
// features the tool and the library use, a bootloader "BOT" that takes the two firmware images
// through feature 0x00D0, restarts that take time, on-board profile memory and the configuration
// cookie, and the faults a test can switch on.
//
// Public operations may be called on any thread; they take the simulator lock. The WirelessDevice
// side is called by the receiver on the simulator thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sim/AnswerFaults.h"
#include "sim/DfuTransfer.h"
#include "sim/FeatureTable.h"
#include "sim/Features/DfuTransferFeature.h"
#include "sim/FirmwareInventory.h"
#include "sim/MouseControl.h"
#include "sim/MouseState.h"
#include "sim/ProfileMemory.h"
#include "sim/Scheduler.h"
#include "sim/WirelessDevice.h"

namespace devio::sim {

struct MouseTiming {
    Scheduler::Delay answer{500};                   // a request is answered
    std::chrono::milliseconds enter_bootloader{20}; // SetDfuControl until the link goes down
    std::chrono::milliseconds restart{300};         // link down until link up in a restart
    std::chrono::milliseconds power_on{500};        // switched on until the link is up
    std::chrono::milliseconds erase{100};           // the bootloader erases flash for an image
    std::chrono::milliseconds wireless_status{20};  // link up until the wireless-status event
};

struct MouseOptions {
    FirmwareVersion application = FirmwareVersion::from(8, 6, 27);
    // What a complete application image installs.
    FirmwareVersion new_application = FirmwareVersion::from(8, 6, 28);
    FirmwareVersion bootloader = FirmwareVersion::from(1, 2, 7);
    FirmwareVersion hardware = FirmwareVersion::from(0, 1, 0);
    uint32_t unit_id = 0x4D2B17A5;
    uint16_t wireless_product_id = 0x40A1;
    uint16_t transport = 0x0004; // reached through a receiver
    std::string name = "Vantor";
    // Starting in the bootloader is a mouse whose update was broken off: no application installed.
    Firmware start_in = Firmware::Application;
    bool powered = true; // a powered mouse starts with its link up
    // Faulty firmware: the application without feature 0x00C2, one that ignores the request to
    // enter the bootloader, a bootloader without feature 0x00D0.
    bool has_dfu_control = true;
    bool ignores_dfu_control = false;
    bool has_dfu_transfer = true;
    // Profile writes (BeginWrite) that the mouse refuses before it takes one.
    unsigned refused_profile_writes = 0;
    MouseTiming timing;
};

// Another program that talks to the same mouse through the receiver, with its own software id.
struct OtherProgramRequest {
    Byte software_id = 0x3;
    uint16_t feature = 0x1000;
    Byte function = 0;
    std::vector<Byte> params;
};

class VirtualMouse final : public WirelessDevice, private MouseControl {
public:
    static constexpr uint16_t kWirelessStatusFeature = 0x1D4B;

    VirtualMouse(Scheduler& scheduler, MouseOptions options = {});
    ~VirtualMouse() override;
    VirtualMouse(const VirtualMouse&) = delete;
    VirtualMouse& operator=(const VirtualMouse&) = delete;

    // WirelessDevice
    uint16_t wireless_product_id() const override { return options_.wireless_product_id; }
    std::string paired_name() const override { return options_.name; }
    bool link_established() const override;
    void attach(RadioLink* link) override;
    void from_host(const Report& report) override;

    // The power switch. Switching on boots the installed application (or the bootloader).
    void set_power(bool on);
    // Test setup: the contents of a profile sector (padded with 0xFF).
    bool set_sector(int sector, std::span<const Byte> bytes);

    // Faults, each switchable on its own.
    // The answer to the N-th request from now (1 = the next) is lost, or comes `extra` late.
    void drop_answer(unsigned nth);
    void delay_answer(unsigned nth, std::chrono::milliseconds extra);
    // The radio link is lost for `duration`, now or when DFU packet `packet` arrives (unanswered).
    void drop_link(std::chrono::milliseconds duration);
    void drop_link_at_dfu_packet(uint32_t packet, std::chrono::milliseconds duration);
    // DFU packet `packet` is refused once with `status`; a spurious status is sent as an extra
    // event while the packet is taken.
    void fail_dfu_packet(uint32_t packet, Byte status = DfuTransfer::kWriteFailed,
                         bool spurious = false);
    // A fault at one packet of one image's transfer (DfuFaults::AtPacket).
    void add_packet_fault(const DfuFaults::AtPacket& fault);
    // A restart of the bootloader into itself is not announced by the receiver; the host sees
    // the bootloader again only when it asks the receiver to re-announce its devices.
    void hide_bootloader_return(bool hide);
    // Another program's request, now, or repeated every `period` until stopped.
    void other_program_request(const OtherProgramRequest& request);
    void start_other_program(OtherProgramRequest request, std::chrono::milliseconds period);
    void stop_other_program();

    MouseState state() const;

private:
    // MouseControl, for the features.
    void enter_bootloader() override;
    void restart_from_bootloader() override;
    void image_started(DfuTransfer::Image image) override;
    void image_completed(DfuTransfer::Image image) override;
    void lose_link_for(std::chrono::milliseconds duration) override;
    void power_off_for(std::chrono::milliseconds duration) override;
    void send_event(uint16_t feature, Byte function, std::vector<Byte> params,
                    Scheduler::Delay delay) override;
    void after(Scheduler::Delay delay, std::function<void()> action) override;

    void build_application_features();
    void build_bootloader_features();
    void run(Firmware firmware);
    void answer(const FeatureRequest& request, AnswerFaults::Verdict verdict);
    void go_down();
    void restart_into(Firmware target, bool announce);
    void come_up(Firmware target, bool announce, bool power_switch);
    void to_host(const Report& report);
    void schedule_other_program(OtherProgramRequest request, std::chrono::milliseconds period,
                                uint64_t generation);

    MouseOptions options_;
    FirmwareInventory inventory_;
    bool application_installed_ = true;
    bool radio_stack_updated_ = false;
    uint16_t cookie_ = 0;
    ProfileMemory profiles_;
    DfuTransfer transfer_;
    DfuFaults dfu_faults_;
    AnswerFaults faults_;
    FeatureTable application_;
    FeatureTable bootloader_;
    FeatureTable* active_ = &application_;

    RadioLink* link_ = nullptr;
    bool powered_ = false;
    bool booting_ = false;
    bool radio_lost_ = false;
    uint64_t epoch_ = 0; // changes whenever the mouse restarts or loses power
    bool hide_bootloader_return_ = false;
    int restarts_ = 0;
    uint64_t other_program_generation_ = 0;
    Scheduler::Group group_;
};

} // namespace devio::sim
