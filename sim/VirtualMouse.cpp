#include "sim/VirtualMouse.h"

#include <algorithm>

#include "sim/Features/AdjustableDpiFeature.h"
#include "sim/Features/BatteryFeature.h"
#include "sim/Features/ButtonSwapFeature.h"
#include "sim/Features/ConfigChangeFeature.h"
#include "sim/Features/DeviceNameFeature.h"
#include "sim/Features/DfuControlFeature.h"
#include "sim/Features/FeatureSetFeature.h"
#include "sim/Features/FirmwareInfoFeature.h"
#include "sim/Features/OnboardProfilesFeature.h"
#include "sim/Features/ReportRateFeature.h"
#include "sim/Features/RootFeature.h"
#include "sim/Features/WirelessStatusFeature.h"

namespace devio::sim {

namespace {

FeatureRequest parse_request(const Report& report) {
    FeatureRequest request;
    request.feature_index = report[2];
    request.function = static_cast<Byte>(report[3] >> 4);
    request.software_id = static_cast<Byte>(report[3] & 0x0F);
    request.param_count = std::min(report.size() - rap::kHeaderLength, request.params.size());
    std::copy_n(report.begin() + rap::kHeaderLength, request.param_count, request.params.begin());
    return request;
}

} // namespace

VirtualMouse::VirtualMouse(Scheduler& scheduler, MouseOptions options)
    : options_(std::move(options)), group_(scheduler) {
    inventory_.application = options_.application;
    inventory_.bootloader = options_.bootloader;
    inventory_.hardware = options_.hardware;
    inventory_.unit_id = options_.unit_id;
    inventory_.transport = options_.transport;
    inventory_.model_id = options_.wireless_product_id;
    application_installed_ = options_.start_in == Firmware::Application;
    powered_ = options_.powered;
    build_application_features();
    build_bootloader_features();
    run(options_.start_in);
}

VirtualMouse::~VirtualMouse() {
    auto lock = group_.lock();
    group_.cancel();
}

void VirtualMouse::build_application_features() {
    application_.add<RootFeature>(application_);
    application_.add<FeatureSetFeature>(application_);
    application_.add<FirmwareInfoFeature>(inventory_);
    application_.add<ConfigChangeFeature>(cookie_);
    if (options_.has_dfu_control) {
        application_.add<DfuControlFeature>(static_cast<MouseControl&>(*this),
                                            options_.ignores_dfu_control);
    }
    application_.add<BatteryFeature>();
    application_.add<WirelessStatusFeature>();
    application_.add<ButtonSwapFeature>();
    application_.add<OnboardProfilesFeature>(profiles_, options_.refused_profile_writes);
    application_.add<DeviceNameFeature>(options_.name);
    application_.add<AdjustableDpiFeature>();
    application_.add<ReportRateFeature>();
}

void VirtualMouse::build_bootloader_features() {
    bootloader_.add<RootFeature>(bootloader_);
    bootloader_.add<FeatureSetFeature>(bootloader_);
    bootloader_.add<FirmwareInfoFeature>(inventory_);
    if (options_.has_dfu_transfer) {
        bootloader_.add<DfuTransferFeature>(
            transfer_, dfu_faults_, static_cast<MouseControl&>(*this), options_.timing.erase);
    }
}

void VirtualMouse::run(Firmware firmware) {
    inventory_.running = firmware;
    active_ = firmware == Firmware::Application ? &application_ : &bootloader_;
}

bool VirtualMouse::link_established() const {
    return link_ != nullptr && powered_ && !booting_ && !radio_lost_;
}

void VirtualMouse::attach(RadioLink* link) {
    link_ = link;
}

void VirtualMouse::from_host(const Report& report) {
    if (!link_established() || report.size() < rap::kHeaderLength) {
        return;
    }
    answer(parse_request(report), faults_.next_command());
}

void VirtualMouse::answer(const FeatureRequest& request, AnswerFaults::Verdict verdict) {
    VirtualFeature* feature = active_->at(request.feature_index);
    FeatureAnswer outcome = feature != nullptr
                                ? feature->handle(request)
                                : FeatureAnswer::fail(rap::Rap20Error::InvalidFeatureIndex);
    Byte function_byte = rap::function_byte(request.function, request.software_id);
    Report report;
    if (outcome.kind == FeatureAnswer::Kind::Params) {
        report =
            rap::long_report(rap::kOwnIndex, request.feature_index, function_byte, outcome.params);
    } else if (outcome.kind == FeatureAnswer::Kind::Error) {
        report =
            rap::rap20_error(rap::kOwnIndex, request.feature_index, function_byte, outcome.error);
    }
    if (verdict.drop) {
        report.clear();
    }
    after(options_.timing.answer + verdict.extra_delay + outcome.extra_delay,
          [this, report = std::move(report), then = std::move(outcome.then)] {
              if (!report.empty()) {
                  to_host(report);
              }
              if (then) {
                  then();
              }
          });
}

void VirtualMouse::set_power(bool on) {
    auto lock = group_.lock();
    if (on == powered_) {
        return;
    }
    if (!on) {
        go_down();
        powered_ = false;
        booting_ = false;
        return;
    }
    powered_ = true;
    booting_ = true;
    Firmware target = application_installed_ ? Firmware::Application : Firmware::Bootloader;
    after(options_.timing.power_on, [this, target] { come_up(target, true, true); });
}

bool VirtualMouse::set_sector(int sector, std::span<const Byte> bytes) {
    auto lock = group_.lock();
    return profiles_.set_sector(sector, bytes);
}

void VirtualMouse::drop_answer(unsigned nth) {
    auto lock = group_.lock();
    faults_.drop_answer(nth);
}

void VirtualMouse::delay_answer(unsigned nth, std::chrono::milliseconds extra) {
    auto lock = group_.lock();
    faults_.delay_answer(nth, extra);
}

void VirtualMouse::drop_link(std::chrono::milliseconds duration) {
    auto lock = group_.lock();
    lose_link_for(duration);
}

void VirtualMouse::drop_link_at_dfu_packet(uint32_t packet, std::chrono::milliseconds duration) {
    auto lock = group_.lock();
    dfu_faults_.link_drop = DfuFaults::LinkDrop{packet, duration};
}

void VirtualMouse::fail_dfu_packet(uint32_t packet, Byte status, bool spurious) {
    auto lock = group_.lock();
    dfu_faults_.bad_status = DfuFaults::BadStatus{packet, status, spurious};
}

void VirtualMouse::add_packet_fault(const DfuFaults::AtPacket& fault) {
    auto lock = group_.lock();
    dfu_faults_.at_packets.push_back(fault);
}

void VirtualMouse::power_off_for(std::chrono::milliseconds duration) {
    go_down();
    powered_ = false;
    booting_ = false;
    // Not through after(): going down changed the epoch, and the power comes back regardless.
    group_.post(duration, [this] {
        if (powered_) {
            return; // switched on meanwhile
        }
        powered_ = true;
        booting_ = true;
        Firmware target = application_installed_ ? Firmware::Application : Firmware::Bootloader;
        after(options_.timing.power_on, [this, target] { come_up(target, true, true); });
    });
}

void VirtualMouse::hide_bootloader_return(bool hide) {
    auto lock = group_.lock();
    hide_bootloader_return_ = hide;
}

void VirtualMouse::other_program_request(const OtherProgramRequest& request) {
    auto lock = group_.lock();
    auto index = active_->index_of(request.feature);
    if (!link_established() || !index) {
        return; // the other program has nothing to talk to
    }
    FeatureRequest parsed;
    parsed.feature_index = *index;
    parsed.function = request.function;
    parsed.software_id = request.software_id;
    parsed.param_count = std::min(request.params.size(), parsed.params.size());
    std::copy_n(request.params.begin(), parsed.param_count, parsed.params.begin());
    answer(parsed, {}); // the faults count only the host's requests
}

void VirtualMouse::start_other_program(OtherProgramRequest request,
                                       std::chrono::milliseconds period) {
    auto lock = group_.lock();
    schedule_other_program(std::move(request), period, ++other_program_generation_);
}

void VirtualMouse::stop_other_program() {
    auto lock = group_.lock();
    ++other_program_generation_;
}

void VirtualMouse::schedule_other_program(OtherProgramRequest request,
                                          std::chrono::milliseconds period, uint64_t generation) {
    group_.post(period, [this, request = std::move(request), period, generation]() mutable {
        if (generation != other_program_generation_) {
            return;
        }
        other_program_request(request);
        schedule_other_program(std::move(request), period, generation);
    });
}

MouseState VirtualMouse::state() const {
    auto lock = group_.lock();
    MouseState state;
    state.powered = powered_;
    state.link_established = link_established();
    state.running = inventory_.running;
    FirmwareEntity running = inventory_.running_entity();
    state.running_prefix.assign(running.prefix.begin(), running.prefix.end());
    state.running_version = running.version.text();
    state.application_version = inventory_.application.text();
    state.application_installed = application_installed_;
    state.radio_stack_updated = radio_stack_updated_;
    state.restarts = restarts_;
    state.application_image = transfer_.received(DfuTransfer::Image::Application);
    state.application_image_complete = transfer_.complete(DfuTransfer::Image::Application);
    state.radio_stack_image = transfer_.received(DfuTransfer::Image::RadioStack);
    state.radio_stack_image_complete = transfer_.complete(DfuTransfer::Image::RadioStack);
    for (int i = 0; i < ProfileMemory::kSectorCount; ++i) {
        state.sectors[static_cast<std::size_t>(i)] = profiles_.sector(i);
    }
    state.cookie = cookie_;
    state.commands = faults_.commands();
    return state;
}

void VirtualMouse::enter_bootloader() {
    after(options_.timing.enter_bootloader, [this] { restart_into(Firmware::Bootloader, true); });
}

void VirtualMouse::restart_from_bootloader() {
    Firmware target = application_installed_ ? Firmware::Application : Firmware::Bootloader;
    bool announce = !(target == Firmware::Bootloader && hide_bootloader_return_);
    restart_into(target, announce);
}

void VirtualMouse::image_started(DfuTransfer::Image) {
    // Either image replaces part of what the application runs on: until a complete application
    // image has arrived, every restart ends in the bootloader.
    application_installed_ = false;
}

void VirtualMouse::image_completed(DfuTransfer::Image image) {
    if (image == DfuTransfer::Image::RadioStack) {
        radio_stack_updated_ = true;
        return;
    }
    inventory_.application = options_.new_application;
    application_installed_ = true;
    // New firmware starts unconfigured, with the factory profiles.
    cookie_ = 0;
    profiles_.restore_factory_contents();
}

void VirtualMouse::lose_link_for(std::chrono::milliseconds duration) {
    if (!link_established()) {
        return;
    }
    radio_lost_ = true;
    link_->link_changed(false, true);
    after(duration, [this] { // a restart or power loss meanwhile cancels this
        radio_lost_ = false;
        if (link_established()) {
            link_->link_changed(true, true);
            if (inventory_.running == Firmware::Application) {
                // Back in range without a restart: the settings are still in place.
                send_event(kWirelessStatusFeature, 0, {1, 0, 0}, options_.timing.wireless_status);
            }
        }
    });
}

void VirtualMouse::send_event(uint16_t feature, Byte function, std::vector<Byte> params,
                              Scheduler::Delay delay) {
    auto index = active_->index_of(feature);
    if (!index) {
        return;
    }
    Report report =
        rap::long_report(rap::kOwnIndex, *index, rap::function_byte(function, 0), params);
    after(delay, [this, report = std::move(report)] { to_host(report); });
}

void VirtualMouse::after(Scheduler::Delay delay, std::function<void()> action) {
    group_.post(delay, [this, epoch = epoch_, action = std::move(action)] {
        if (epoch == epoch_) {
            action();
        }
    });
}

void VirtualMouse::go_down() {
    bool was_linked = link_established();
    ++epoch_; // what was under way is lost
    radio_lost_ = false;
    booting_ = true;
    transfer_.end_session();
    if (was_linked) {
        link_->link_changed(false, true);
    }
}

void VirtualMouse::restart_into(Firmware target, bool announce) {
    go_down();
    after(options_.timing.restart, [this, target, announce] { come_up(target, announce, false); });
}

void VirtualMouse::come_up(Firmware target, bool announce, bool power_switch) {
    booting_ = false;
    ++restarts_;
    run(target);
    application_.restart();
    bootloader_.restart();
    if (!link_established()) {
        return;
    }
    link_->link_changed(true, announce);
    if (target == Firmware::Application) {
        // reconnect, settings needed (RAM settings are gone), power switch
        send_event(kWirelessStatusFeature, 0, {1, 1, static_cast<Byte>(power_switch ? 1 : 0)},
                   options_.timing.wireless_status);
    }
}

void VirtualMouse::to_host(const Report& report) {
    if (link_established()) {
        link_->to_host(report);
    }
}

} // namespace devio::sim
