#include "Source/Busses/CombinerBus.h"

#include "Source/Busses/CombinerDevice.h"
#include "Source/Contracts/IDeviceManager.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"

namespace devio {

namespace {

constexpr const char* kTag = "Devio";

bool complete_by_itself(const IHardwareDevice& piece) {
    return piece.collections_needed() == piece.collection_bit();
}

} // namespace

std::shared_ptr<CombinerBus> CombinerBus::create(std::weak_ptr<IDeviceManager> manager,
                                                 std::shared_ptr<IHardwareBus> below) {
    return std::shared_ptr<CombinerBus>(new CombinerBus(std::move(manager), std::move(below)));
}

CombinerBus::CombinerBus(std::weak_ptr<IDeviceManager> manager, std::shared_ptr<IHardwareBus> below)
    : below_(std::move(below)), manager_(std::move(manager)) {}

CombinerBus::~CombinerBus() {
    // The bus below calls us directly: leave it before the set goes.
    Subscriber<IHardwareBus::PlugUnplug>::unsubscribe(below_);
}

std::vector<std::shared_ptr<IBluetoothBus>> CombinerBus::bluetooth_busses() {
    return below_->bluetooth_busses();
}

std::vector<std::shared_ptr<IHardwareSecondaryBus>> CombinerBus::secondary_busses() {
    return below_->secondary_busses();
}

bool CombinerBus::subscribe_below() {
    return Subscriber<IHardwareBus::PlugUnplug>::subscribe(below_, DeliverDirect,
                                                           "CombinerBus::PlugUnplug");
}

bool CombinerBus::on_subscribe(IHardwareBus::PlugUnplug* /*subscriber*/) {
    const bool subscribed = subscribe_below();
    xLogWrite(kTag, kLogInfo, "devio::CombinerBus::on_subscribe",
              "CombinerBus::on_subscribe exit, ret=%d", subscribed ? 1 : 0);
    return subscribed;
}

void CombinerBus::produce_plug(const std::shared_ptr<IHardwareDevice>& device) {
    Producer<IHardwareBus::PlugUnplug>::produce(
        [device](IHardwareBus::PlugUnplug* subscriber) { subscriber->onPlug(device); },
        "CombinerBus::PlugUnplug::onPlug");
}

void CombinerBus::produce_unplug(const std::shared_ptr<IHardwareDevice>& device) {
    Producer<IHardwareBus::PlugUnplug>::produce(
        [device](IHardwareBus::PlugUnplug* subscriber) { subscriber->onUnplug(device); },
        "CombinerBus::PlugUnplug::onUnplug");
}

std::vector<std::shared_ptr<IHardwareDevice>> CombinerBus::devices() {
    constexpr const char* kFunction = "devio::CombinerBus::devices";
    if (!subscribe_below()) {
        xLogWrite(kTag, kLogInfo, kFunction, "CombinerBus::devices exit (false, subscribe failed)");
        return {};
    }
    std::vector<std::shared_ptr<IHardwareDevice>> pieces = below_->devices();
    if (pieces.empty() && last_error().code != ErrorCode::NoError) {
        xLogWrite(kTag, kLogInfo, kFunction, "CombinerBus::devices exit (propogating error %d)",
                  static_cast<int>(to_underlying(last_error().code)));
        return {};
    }
    std::vector<std::shared_ptr<IHardwareDevice>> result;
    std::vector<std::shared_ptr<IHardwareDevice>> completed;
    {
        // Held across the merge, so that two enumerations at once announce a device only once.
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [path, combined] : combined_) {
            if (combined->whole()) {
                result.push_back(combined);
            }
        }
        if (!pieces.empty()) {
            xLogWrite(kTag, kLogInfo, kFunction, "CombinerBus::devices discovering new devices");
        }
        for (const std::shared_ptr<IHardwareDevice>& piece : pieces) {
            if (complete_by_itself(*piece)) {
                xLogWrite(kTag, kLogInfo, kFunction, "CombinerBus::devices single complete piece");
                result.push_back(piece);
                continue;
            }
            auto fresh = std::make_shared<CombinerDevice>(weak_from_this(), piece);
            auto [it, inserted] = combined_.emplace(fresh->path(), fresh);
            bool was_whole = false;
            if (inserted) {
                xLogWrite(kTag, kLogInfo, kFunction,
                          "CombinerBus::devices using a piece to start creating a new device");
            } else {
                was_whole = it->second->whole();
                xLogWrite(kTag, kLogInfo, kFunction, "CombinerBus::devices merging in a piece");
                if (!it->second->add_piece(piece)) {
                    xLogWrite(kTag, kLogInfo, kFunction,
                              "CombinerBus::devices exit (false, failed to add piece, err=%d)",
                              static_cast<int>(to_underlying(last_error().code)));
                    return {};
                }
            }
            if (!was_whole && it->second->whole()) {
                xLogWrite(kTag, kLogInfo, kFunction,
                          "CombinerBus::devices adding a piece finished a device to completion");
                result.push_back(it->second);
                completed.push_back(it->second);
            }
        }
    }
    for (const std::shared_ptr<IHardwareDevice>& device : completed) {
        xLogWrite(kTag, kLogInfo, kFunction, "CombinerBus::devices producing onPlug event");
        produce_plug(device);
    }
    if (result.empty()) {
        set_last_error(ErrorCode::NoError);
    }
    xLogWrite(kTag, kLogInfo, kFunction,
              "CombinerBus::devices exit (success, returning %d devices)",
              static_cast<int>(result.size()));
    return result;
}

void CombinerBus::onPlug(std::shared_ptr<IHardwareDevice> piece) {
    constexpr const char* kFunction = "devio::CombinerBus::onPlug";
    xLogWrite(kTag, kLogInfo, kFunction, "CombinerBus::onPlug enter (pid = 0x%x)", piece->pid());
    if (!piece->open()) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "CombinerBus::onPlug exit, ignoring device it could not open");
        return;
    }
    if (complete_by_itself(*piece)) {
        xLogWrite(kTag, kLogInfo, kFunction, "CombinerBus::onPlug producing onPlug event");
        produce_plug(piece);
    } else if (devices().empty() && last_error().code != ErrorCode::NoError) {
        if (std::shared_ptr<IDeviceManager> manager = manager_.lock()) {
            manager->report_unreported_error("CombinerBus::onPlug");
        }
    }
    xLogWrite(kTag, kLogInfo, kFunction, "CombinerBus::onPlug exit");
}

void CombinerBus::onUnplug(std::shared_ptr<IHardwareDevice> piece) {
    constexpr const char* kFunction = "devio::CombinerBus::onUnplug";
    xLogWrite(kTag, kLogInfo, kFunction, "CombinerBus::onUnplug enter (pid = 0x%x)", piece->pid());
    xLogWrite(kTag, kLogInfo, kFunction,
              "CombinerBus::onUnplug producing unPlug event for individual piece");
    produce_unplug(piece);
    std::vector<std::shared_ptr<IHardwareDevice>> broken;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = combined_.begin(); it != combined_.end();) {
            std::shared_ptr<CombinerDevice> combined = it->second;
            const bool was_whole = combined->whole();
            if (combined->remove_piece(piece)) {
                xLogWrite(kTag, kLogInfo, kFunction, "CombinerBus::onUnplug removing device");
                it = combined_.erase(it);
            } else {
                ++it;
            }
            if (was_whole && !combined->whole()) {
                broken.push_back(std::move(combined));
            }
        }
    }
    for (const std::shared_ptr<IHardwareDevice>& device : broken) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "CombinerBus::onUnplug producing unPlug event for combined device");
        produce_unplug(device);
    }
    xLogWrite(kTag, kLogInfo, kFunction, "CombinerBus::onUnplug exit");
}

void CombinerBus::onPowerChange(bool standBy) {
    xLogWrite(kTag, kLogInfo, "devio::CombinerBus::onPowerChange",
              "CombinerBus::onPowerChange(standBy=%d)", standBy ? 1 : 0);
    Producer<IHardwareBus::PlugUnplug>::produce(
        [standBy](IHardwareBus::PlugUnplug* subscriber) { subscriber->onPowerChange(standBy); },
        "CombinerBus::PlugUnplug::onPowerChange");
}

} // namespace devio
