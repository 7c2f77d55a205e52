#include "Source/Rap/Feature.h"

#include "Source/Log/LastError.h"
#include "Source/Rap/Device.h"

namespace devio {

Feature::Feature(int featureID, Byte featureIndex, std::weak_ptr<Device> device)
    : featureID_(featureID), featureIndex_(featureIndex), device_(std::move(device)) {}

std::shared_ptr<Device> Feature::device_or_fail() const {
    std::shared_ptr<Device> device = device_.lock();
    if (device == nullptr) {
        set_last_error(ErrorCode::DeviceRemoved);
    }
    return device;
}

rap::Report Feature::command_for(Device& device, unsigned function,
                                 const std::vector<Byte>& parameters) const {
    return rap::make_feature_command(static_cast<Byte>(featureIndex_), function, device.swid(),
                                     parameters);
}

bool Feature::sendFeatureReport(unsigned function, const std::vector<Byte>& parameters) {
    std::shared_ptr<Device> device = device_or_fail();
    return device != nullptr &&
           device->sendCommand(command_for(*device, function, parameters), false);
}

bool Feature::sendFeatureCommand(unsigned function, const std::vector<Byte>& parameters,
                                 std::vector<Byte>& response, CacheMode cache_mode) {
    return sendFeatureCommand(function, parameters, response, cache_mode, {});
}

bool Feature::sendFeatureCommand(unsigned function, const std::vector<Byte>& parameters,
                                 std::vector<Byte>& response, CacheMode cache_mode,
                                 const rap::MatchPositions& positions) {
    std::shared_ptr<Device> device = device_or_fail();
    if (device == nullptr) {
        return false;
    }
    rap::Report command = command_for(*device, function, parameters);
    rap::Report answer;
    if (!device->sendSynchronousCommand(command, answer, cache_mode, positions)) {
        return false;
    }
    if (answer.size() < rap::kShortReportLength) {
        set_last_error(ErrorCode::CommandResponseTooShort);
        return false;
    }
    // The engine may have switched the software id during the exchange: the answer carries the
    // id that is current now.
    if (answer[2] != command[2] || answer[3] != rap::function_byte(function, device->swid())) {
        set_last_error(ErrorCode::GeneralFailure, 0, "response does not match command");
        return false;
    }
    response = rap::parameters_of(answer);
    return true;
}

void Feature::deliverFeatureReport(int function, const std::vector<Byte>& parameters) {
    produce([function,
             parameters](IFeature::FeatureReport* s) { s->onFeatureReport(function, parameters); },
            "Feature::FeatureReport::onFeatureReport");
    onFeatureReport(function, parameters);
}

void Feature::deliverUnexpectedResponse(unsigned function, unsigned software_id,
                                        const std::vector<Byte>& parameters) {
    produce(
        [function, software_id, parameters](IFeature::FeatureReport* s) {
            s->onUnexpectedResponse(function, software_id, parameters);
        },
        "Feature::FeatureReport::onUnexpectedResponse");
    onUnexpectedResponse(function, software_id, parameters);
}

bool Feature::set_configured() {
    if (configured_.load()) {
        return true;
    }
    std::shared_ptr<Device> device = device_or_fail();
    if (device == nullptr) {
        return false;
    }
    // Only a device that took the request counts the feature as configuring it: a refused one
    // (the device was away) is asked again with the next change.
    bool result = device->set_configured(self());
    if (result) {
        configured_.store(true);
    }
    return result;
}

bool Feature::set_pending() {
    if (processing_pending_.load()) {
        set_last_error(ErrorCode::FeatureChangePending);
        return false;
    }
    if (pending_.load()) {
        return true;
    }
    std::shared_ptr<Device> device = device_or_fail();
    if (device == nullptr) {
        return false;
    }
    bool result = device->set_pending(self());
    if (result) {
        pending_.store(true);
    }
    return result;
}

void Feature::set_discovery_info(bool obsolete, bool swHidden, bool engineeringHidden,
                                 int version) {
    obsolete_ = obsolete;
    swHidden_ = swHidden;
    engineeringHidden_ = engineeringHidden;
    version_ = version;
}

} // namespace devio
