#include "Source/Features/Feature8120GamingAttachments.h"

#include "Source/Log/LastError.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetAttachments = 0;
constexpr unsigned kGetSupportedAttachments = 1;
constexpr unsigned kSetAttachmentReporting = 2;
constexpr int kAttachmentEvent = 0;

} // namespace

bool Feature8120GamingAttachments::parse_list(const std::vector<Byte>& bytes,
                                              std::vector<int>& kinds) {
    kinds.clear();
    if (bytes.empty() || bytes.size() < static_cast<std::size_t>(bytes[0]) + 1) {
        set_last_error(ErrorCode::CommandResponseTooShort);
        return false;
    }
    for (std::size_t at = 1; at <= bytes[0]; ++at) {
        if (bytes[at] < 1 || bytes[at] > 4) {
            kinds.clear();
            set_last_error(rap20_error(2));
            return false;
        }
        kinds.push_back(bytes[at]);
    }
    return true;
}

bool Feature8120GamingAttachments::read_list(unsigned function, std::vector<int>* kinds) {
    std::vector<Byte> response;
    if (!sendFeatureCommand(function, {}, response, CacheMode::Uncached)) {
        return false;
    }
    std::vector<int> parsed;
    bool ok = parse_list(response, parsed);
    if (kinds != nullptr) {
        *kinds = std::move(parsed);
    }
    return ok;
}

bool Feature8120GamingAttachments::GetAttachments(std::vector<int>* kinds) {
    return read_list(kGetAttachments, kinds);
}

bool Feature8120GamingAttachments::GetSupportedAttachments(std::vector<int>* kinds) {
    return read_list(kGetSupportedAttachments, kinds);
}

bool Feature8120GamingAttachments::SetAttachmentReporting(bool enabled) {
    std::vector<Byte> response;
    return sendFeatureCommand(kSetAttachmentReporting, {static_cast<Byte>(enabled ? 1 : 0)},
                              response, CacheMode::Uncached);
}

void Feature8120GamingAttachments::onFeatureReport(int function,
                                                   const std::vector<Byte>& parameters) {
    std::vector<int> kinds;
    if (function != kAttachmentEvent || !parse_list(parameters, kinds)) {
        return;
    }
    Producer<IFeature8120GamingAttachments::Report>::produce(
        [kinds](IFeature8120GamingAttachments::Report* subscriber) {
            subscriber->onAttachmentChanged(kinds);
        },
        "Feature8120GamingAttachments::Report::onAttachmentChanged");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature8120GamingAttachments, 8120)
