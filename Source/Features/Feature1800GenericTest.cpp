#include "Source/Features/Feature1800GenericTest.h"

#include "Source/Features/FeatureRequest.h"
#include "Source/Log/LastError.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kTestEcho = 0;

} // namespace

bool Feature1800GenericTest::TestEcho(const std::vector<Byte>& bytes, std::vector<Byte>* answer) {
    if (bytes.empty() || bytes.size() > kMaxBytes) {
        set_last_error(rap20_error(2));
        return false;
    }
    std::vector<Byte> response;
    if (!send_expecting(*this, kTestEcho, bytes, CacheMode::Uncached, 1, response)) {
        return false;
    }
    if (response[0] != bytes[0]) {
        set_last_error(ErrorCode::InvalidDeviceData);
        return false;
    }
    if (answer != nullptr) {
        *answer = std::move(response);
    }
    return true;
}

void Feature1800GenericTest::onFeatureReport(int /*function*/,
                                             const std::vector<Byte>& parameters) {
    Producer<IFeature1800GenericTest::GenericResponse>::produce(
        [parameters](IFeature1800GenericTest::GenericResponse* subscriber) {
            subscriber->onTestResponse(parameters);
        },
        "Feature1800GenericTest::GenericResponse::onTestResponse");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1800GenericTest, 1800)
