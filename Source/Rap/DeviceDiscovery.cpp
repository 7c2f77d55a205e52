// Finding the device's features: the root feature (which also tells whether the device speaks
// RAP 2.0 at all), single features by number, and the whole feature set.
#include "Source/Rap/Device.h"

#include "Source/Contracts/BusType.h"
#include "Source/Features/IFeature0000Root.h"
#include "Source/Features/IFeature0001FeatureSet.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/Feature.h"
#include "Source/Rap/FeatureFactory.h"

namespace devio {

namespace {

constexpr const char* kTag = "Device";
constexpr const char* kLoadFeatureRoot = "devio::Device::load_feature_root";
constexpr const char* kLoadFeatures = "devio::Device::load_features";
// A RAP 1.0 device answers a request it does not know with its error 1.
const ErrorCode kUnknownRequest = rap10_error(1);
// The feature set lists the root at 0 and itself at 1; the others follow.
constexpr int kFirstListedIndex = 2;

} // namespace

bool Device::load_feature_root(bool retry) {
    if (retry) {
        xLogWrite(kTag, kLogInfo, kLoadFeatureRoot,
                  "Device::load_feature_root - retry was requested");
        root_result_.store(kRootNotTried);
    }
    bool had_cache = !cache_.empty();
    switch (root_result_.load()) {
    case kRootLoaded:
        xLogWrite(kTag, kLogInfo, kLoadFeatureRoot,
                  "Device::load_feature_root - using previous true result (feature already "
                  "loaded)");
        return true;
    case kRootNotRap20:
        set_last_error(ErrorCode::NotRap20);
        xLogWrite(kTag, kLogInfo, kLoadFeatureRoot,
                  "Device::load_feature_root - using previous false result (NotRap20)");
        return false;
    default:
        break;
    }

    xLogWrite(kTag, kLogInfo, kLoadFeatureRoot, "Device::load_feature_root enter");
    std::shared_ptr<Feature> created = FeatureFactory::create(
        IFeature0000Root::kFeatureNumber, rap::kRootFeatureIndex, weak_from_this());
    if (created == nullptr) {
        set_last_error(ErrorCode::GeneralFailure, 0, "cannot create root feature");
        xLogWrite(kTag, kLogInfo, kLoadFeatureRoot,
                  "Device::load_feature_root exit (false, cannot create root feature)");
        return false;
    }
    auto root = std::dynamic_pointer_cast<IFeature0000Root>(created);
    if (root == nullptr) {
        set_last_error(ErrorCode::GeneralFailure, 0, "load_feature_root cannot cast root feature");
        xLogWrite(kTag, kLogInfo, kLoadFeatureRoot,
                  "Device::load_feature_root exit (false, cannot cast root feature)");
        return false;
    }
    if (!root->TargetSw(nullptr, nullptr)) {
        if (last_error().code == kUnknownRequest) {
            root_result_.store(kRootNotRap20);
            set_last_error(ErrorCode::NotRap20);
            xLogWrite(kTag, kLogInfo, kLoadFeatureRoot,
                      "Device::load_feature_root exit (false, not RAP 2.0 device)");
            return false;
        }
        xLogWrite(kTag, kLogInfo, kLoadFeatureRoot,
                  "Device::load_feature_root exit (false, error)");
        return false;
    }

    root_result_.store(kRootLoaded);
    features_.put(created);
    xLogWrite(kTag, kLogInfo, kLoadFeatureRoot,
              "Device::load_feature_root success, now need a ping");
    need_ping_.store(true);
    if (!load_fwinfo(had_cache)) {
        xLogWrite(kTag, kLogInfo, kLoadFeatureRoot,
                  "load_feature_root failing (load_fwinfo failed)");
        // Without a fingerprint the cache cannot be trusted or written: try again next time.
        int loaded = kRootLoaded;
        root_result_.compare_exchange_strong(loaded, kRootNotTried);
        return false;
    }
    subscribe_to_wireless_status();
    xLogWrite(kTag, kLogInfo, kLoadFeatureRoot, "Device::load_feature_root exit (true, success)");
    return true;
}

std::shared_ptr<Feature> Device::install_feature(int number, int index, bool obsolete,
                                                 bool swHidden, bool engineeringHidden,
                                                 int version) {
    // The object already there keeps its subscribers.
    std::shared_ptr<Feature> present = features_.at_index(static_cast<Byte>(index));
    if (present != nullptr && present->featureID() == number) {
        return present;
    }
    std::shared_ptr<Feature> created =
        FeatureFactory::create(number, static_cast<Byte>(index), weak_from_this());
    created->set_discovery_info(obsolete, swHidden, engineeringHidden, version);
    features_.put(created);
    return created;
}

std::shared_ptr<Feature> Device::load_feature(int number, CacheMode cache_mode) {
    xLogWrite(kTag, kLogInfo, "devio::Device::load_feature", "Device::load_feature(0x%04x)",
              number);
    if (!load_feature_root(false)) {
        return nullptr;
    }
    std::shared_ptr<Feature> root_feature = features_.at_index(rap::kRootFeatureIndex);
    if (number == IFeature0000Root::kFeatureNumber) {
        return root_feature;
    }
    auto root = std::dynamic_pointer_cast<IFeature0000Root>(root_feature);
    if (root == nullptr) {
        set_last_error(ErrorCode::GeneralFailure, 0, "load_feature cannot cast root feature");
        return nullptr;
    }
    int index = 0;
    bool obsolete = false;
    bool hidden = false;
    bool engineering = false;
    int version = 0;
    if (!root->GetFeature(number, &index, &obsolete, &hidden, &engineering, &version, cache_mode)) {
        return nullptr;
    }
    if (index == 0) {
        set_last_error(ErrorCode::NotPresent);
        return nullptr;
    }
    return install_feature(number, index, obsolete, hidden, engineering, version);
}

bool Device::load_features() {
    xLogWrite(kTag, kLogInfo, kLoadFeatures, "Device::load_features()");
    if (!load_feature_root(false)) {
        xLogWrite(kTag, kLogInfo, kLoadFeatures,
                  "Device::load_features fail (load_feature_root fail)");
        return false;
    }
    if (all_features_loaded_.load()) {
        xLogWrite(kTag, kLogInfo, kLoadFeatures,
                  "Device::load_features success (all_features_loaded)");
        return true;
    }
    std::shared_ptr<IFeature0001FeatureSet> feature_set = feature<IFeature0001FeatureSet>();
    if (feature_set == nullptr) {
        xLogWrite(kTag, kLogInfo, kLoadFeatures,
                  "Device::load_features fail (no IFeature0001FeatureSet)");
        return false;
    }
    int count = 0;
    if (!feature_set->GetCount(&count)) {
        xLogWrite(kTag, kLogInfo, kLoadFeatures,
                  "Device::load_features fail (no featureSet->GetCount)");
        return false;
    }
    for (int index = kFirstListedIndex; index <= count; ++index) {
        int number = 0;
        bool engineering = false;
        bool hidden = false;
        bool obsolete = false;
        int version = 0;
        if (!feature_set->GetFeatureID(index, &number, &engineering, &hidden, &obsolete,
                                       &version)) {
            xLogWrite(kTag, kLogInfo, kLoadFeatures,
                      "Device::load_features fail (no featureSet->GetFeatureID %d)", index);
            return false;
        }
        install_feature(number, index, obsolete, hidden, engineering, version);
    }
    all_features_loaded_.store(true);
    subscribe_to_wireless_status();
    xLogWrite(kTag, kLogInfo, kLoadFeatures, "Device::load_features success (%d features)", count);
    return true;
}

void Device::subscribe_to_wireless_status() {
    if (busType() != kBusTypeReceiver) {
        return;
    }
    std::shared_ptr<IFeature1D4BWirelessStatus> status = feature<IFeature1D4BWirelessStatus>();
    if (status == nullptr) {
        return;
    }
    bool subscribed = Subscriber<IFeature1D4BWirelessStatus::Report>::subscribe(
        status, DeliverViaRunLoop, "Device::WirelessStatus");
    xLogWrite(kTag, kLogInfo, kLoadFeatureRoot,
              "Device::load_feature_root subscribing to 1d4b, ret=%d", subscribed ? 1 : 0);
}

std::shared_ptr<IFeature> Device::feature_by_id(int number) {
    xLogWrite(kTag, kLogInfo, "devio::Device::feature_by_id", "Device::feature_by_id(0x%04x)",
              number);
    if (std::shared_ptr<Feature> known = features_.by_number(number)) {
        return known;
    }
    if (all_features_loaded_.load()) {
        set_last_error(ErrorCode::NotPresent);
        return nullptr;
    }
    return load_feature(number, CacheMode::Cached);
}

std::vector<std::shared_ptr<IFeature>> Device::features() {
    xLogWrite(kTag, kLogInfo, "devio::Device::features", "Device::features");
    load_features();
    std::vector<std::shared_ptr<IFeature>> result;
    for (std::shared_ptr<Feature>& feature : features_.all()) {
        result.push_back(std::move(feature));
    }
    // A device that does not speak RAP 2.0 simply has no features; any other failure stands.
    if (result.empty() && root_result_.load() == kRootNotRap20) {
        set_last_error(ErrorCode::NoError);
    }
    return result;
}

bool Device::retry_load_feature_root() {
    xLogWrite(kTag, kLogInfo, "devio::Device::retry_load_feature_root",
              "Device::retry_load_feature_root");
    return load_feature_root(true);
}

} // namespace devio
