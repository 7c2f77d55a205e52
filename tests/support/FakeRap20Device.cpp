#include "support/FakeRap20Device.h"

#include <algorithm>

#include "Source/Log/LastError.h"

namespace devio::test {

namespace {

constexpr Byte kProtocolMajor = 4;
constexpr Byte kProtocolMinor = 2;
constexpr Byte kInvalidFunction = 7;
constexpr Byte kOutOfRange = 2;

Byte high(unsigned value) {
    return static_cast<Byte>(value >> 8);
}
Byte low(unsigned value) {
    return static_cast<Byte>(value & 0xFF);
}

} // namespace

std::vector<FakeRap20Device::FeatureEntry> FakeRap20Device::standard_features() {
    return {{0x0000}, {0x0001}, {0x0003, 0, 1}, {0x0020}, {0x2005}, {0x1D4B}, {0x1000, 0, 1}};
}

FakeRap20Device::Firmware FakeRap20Device::application(uint16_t version, uint16_t build) {
    return {{{0, "QRT", version, build, true},
             {1, "BOT", 0x0102, 0x0007, false},
             {2, "HWR", 0x0001, 0x0000, false}}};
}

FakeRap20Device::FakeRap20Device(Identity identity, std::vector<FeatureEntry> features,
                                 Firmware firmware)
    : FakeHardwareDevice(std::move(identity)), features_(std::move(features)),
      firmware_(std::move(firmware)) {
    set_responder([this](const rap::Report& request) { return respond(request); });
}

void FakeRap20Device::set_firmware(Firmware firmware) {
    std::lock_guard<std::mutex> lock(model_mutex_);
    firmware_ = std::move(firmware);
}

void FakeRap20Device::set_features(std::vector<FeatureEntry> features) {
    std::lock_guard<std::mutex> lock(model_mutex_);
    features_ = std::move(features);
}

void FakeRap20Device::answer_as_rap10(bool rap10) {
    std::lock_guard<std::mutex> lock(model_mutex_);
    rap10_ = rap10;
}

void FakeRap20Device::fail_next(int feature, unsigned function, Byte code, int count) {
    std::lock_guard<std::mutex> lock(model_mutex_);
    failures_.push_back({feature, function, code, count});
}

uint16_t FakeRap20Device::cookie() const {
    std::lock_guard<std::mutex> lock(model_mutex_);
    return cookie_;
}

void FakeRap20Device::set_cookie(uint16_t cookie) {
    std::lock_guard<std::mutex> lock(model_mutex_);
    cookie_ = cookie;
}

bool FakeRap20Device::swap_mode() const {
    std::lock_guard<std::mutex> lock(model_mutex_);
    return swap_;
}

std::vector<FakeRap20Device::Request> FakeRap20Device::requests() const {
    std::lock_guard<std::mutex> lock(model_mutex_);
    return requests_;
}

int FakeRap20Device::count(int feature, unsigned function) const {
    std::lock_guard<std::mutex> lock(model_mutex_);
    return static_cast<int>(
        std::count_if(requests_.begin(), requests_.end(), [&](const Request& r) {
            return r.feature == feature && r.function == function;
        }));
}

void FakeRap20Device::clear_requests() {
    std::lock_guard<std::mutex> lock(model_mutex_);
    requests_.clear();
}

bool FakeRap20Device::set_software_present() {
    std::lock_guard<std::mutex> lock(model_mutex_);
    ++receiver_calls_.software_present;
    if (receiver_fails_) {
        set_last_error(ErrorCode::NoResponse);
    }
    return !receiver_fails_;
}

bool FakeRap20Device::set_slot_flag() {
    std::lock_guard<std::mutex> lock(model_mutex_);
    ++receiver_calls_.slot_flag;
    if (receiver_fails_) {
        set_last_error(ErrorCode::NoResponse);
    }
    return !receiver_fails_;
}

bool FakeRap20Device::clear_software_present() {
    std::lock_guard<std::mutex> lock(model_mutex_);
    ++receiver_calls_.clear_software_present;
    return true;
}

void FakeRap20Device::fail_receiver_operations(bool fail) {
    std::lock_guard<std::mutex> lock(model_mutex_);
    receiver_fails_ = fail;
}

FakeRap20Device::ReceiverCalls FakeRap20Device::receiver_calls() const {
    std::lock_guard<std::mutex> lock(model_mutex_);
    return receiver_calls_;
}

void FakeRap20Device::send_event(int feature, unsigned function, std::vector<Byte> parameters) {
    int index = 0;
    {
        std::lock_guard<std::mutex> lock(model_mutex_);
        index = index_of(feature);
    }
    rap::Report event =
        rap::make_feature_command(static_cast<Byte>(index), function, 0, parameters);
    event.resize(parameters.size() <= 3 ? rap::kShortReportLength : rap::kLongReportLength, 0);
    deliver(std::move(event));
}

int FakeRap20Device::index_of(int feature) const {
    for (std::size_t i = 0; i < features_.size(); ++i) {
        if (features_[i].number == feature) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

std::vector<rap::Report> FakeRap20Device::respond(const rap::Report& request) {
    std::lock_guard<std::mutex> lock(model_mutex_);
    if (request.size() < rap::kHeaderLength) {
        return {};
    }
    if (rap10_) {
        // RAP 1.0 error: sub-id 0x8F, the request's bytes 2 and 3, error 1.
        return {
            {rap::kShortReportId, request[1], rap::kRap10ErrorSubId, request[2], request[3], 1, 0}};
    }
    Byte index = request[2];
    unsigned function = rap::function_of(request[3]);
    if (index >= features_.size()) {
        return {error_response_to(request, kOutOfRange)};
    }
    int feature = features_[index].number;
    bool ping = feature == 0x0000 && function == 1 && rap::parameter_at(request, 2) != 0;
    if (!ping) {
        requests_.push_back({feature, function, rap::parameters_of(request)});
    }
    for (Failure& failure : failures_) {
        if (failure.feature == feature && failure.function == function && failure.remaining > 0) {
            --failure.remaining;
            return {error_response_to(request, failure.code)};
        }
    }
    return {answer(request, feature, function)};
}

rap::Report FakeRap20Device::answer(const rap::Report& request, int feature, unsigned function) {
    auto parameter = [&request](std::size_t position) {
        return rap::parameter_at(request, position);
    };
    switch (feature << 4 | static_cast<int>(function)) {
    case 0x00000: { // GetFeature
        int wanted = parameter(0) << 8 | parameter(1);
        auto found = std::find_if(features_.begin(), features_.end(),
                                  [wanted](const FeatureEntry& e) { return e.number == wanted; });
        if (found == features_.end()) {
            return response_to(request, {0, 0, 0});
        }
        return response_to(
            request, {static_cast<Byte>(found - features_.begin()), found->flags, found->version});
    }
    case 0x00001: // GetProtocolVersion (and pings)
        return response_to(request, {kProtocolMajor, kProtocolMinor, parameter(2)});
    case 0x00010: // GetCount
        return response_to(request, {static_cast<Byte>(features_.size() - 1)});
    case 0x00011: { // GetFeatureID
        Byte index = parameter(0);
        if (index >= features_.size()) {
            return error_response_to(request, kOutOfRange);
        }
        const FeatureEntry& entry = features_[index];
        return response_to(request,
                           {high(static_cast<unsigned>(entry.number)),
                            low(static_cast<unsigned>(entry.number)), entry.flags, entry.version});
    }
    case 0x00030: { // GetEntityCount
        uint32_t unit = firmware_.unit_id;
        return response_to(request, {static_cast<Byte>(firmware_.entities.size()),
                                     static_cast<Byte>(unit >> 24), static_cast<Byte>(unit >> 16),
                                     static_cast<Byte>(unit >> 8), static_cast<Byte>(unit),
                                     high(firmware_.transport), low(firmware_.transport),
                                     high(firmware_.pid1), low(firmware_.pid1), 0, 0, 0, 0, 0});
    }
    case 0x00031: { // GetFwInfo
        Byte entity = parameter(0);
        if (entity >= firmware_.entities.size()) {
            return error_response_to(request, kOutOfRange);
        }
        const Entity& e = firmware_.entities[entity];
        std::string prefix = e.prefix + "   ";
        return response_to(request, {e.type, static_cast<Byte>(prefix[0]),
                                     static_cast<Byte>(prefix[1]), static_cast<Byte>(prefix[2]),
                                     high(e.version), low(e.version), high(e.build), low(e.build),
                                     static_cast<Byte>(e.running ? 1 : 0), 0, 0, 0, 0, 0, 0, 0});
    }
    case 0x00200: // GetCookie
        return response_to(request, {high(cookie_), low(cookie_)});
    case 0x00201: // SetCookie
        cookie_ = static_cast<uint16_t>(parameter(0) << 8 | parameter(1));
        return response_to(request, {});
    case 0x20050: // button swap: get
        return response_to(request, {static_cast<Byte>(swap_ ? 1 : 0)});
    case 0x20051: // button swap: set
        swap_ = parameter(0) != 0;
        return response_to(request, {static_cast<Byte>(swap_ ? 1 : 0)});
    default:
        return error_response_to(request, kInvalidFunction);
    }
}

} // namespace devio::test
