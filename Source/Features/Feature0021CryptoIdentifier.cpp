#include "Source/Features/Feature0021CryptoIdentifier.h"

#include "Source/Features/FeatureRequest.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetIdentifier = 1;
constexpr unsigned kRegenerateIdentifier = 2;

} // namespace

bool Feature0021CryptoIdentifier::GetIdentifier(std::vector<Byte>* identifier) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetIdentifier, {}, CacheMode::Uncached, kIdentifierBytes,
                        response)) {
        return false;
    }
    if (identifier != nullptr) {
        identifier->assign(response.begin(),
                           response.begin() + static_cast<std::ptrdiff_t>(kIdentifierBytes));
    }
    return true;
}

bool Feature0021CryptoIdentifier::RegenerateIdentifier() {
    std::vector<Byte> response;
    return sendFeatureCommand(kRegenerateIdentifier, {}, response, CacheMode::Uncached);
}

void Feature0021CryptoIdentifier::onUnexpectedResponse(unsigned function, unsigned software_id,
                                                       const std::vector<Byte>& /*parameters*/) {
    if (function != kRegenerateIdentifier) {
        return;
    }
    Producer<IFeature0021CryptoIdentifier::RegenDetect>::produce(
        [software_id](IFeature0021CryptoIdentifier::RegenDetect* subscriber) {
            subscriber->onRegenerateIdentifier(software_id);
        },
        "Feature0021CryptoIdentifier::RegenDetect::onRegenerateIdentifier");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature0021CryptoIdentifier, 0021)
