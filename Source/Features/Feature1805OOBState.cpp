#include "Source/Features/Feature1805OOBState.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kSetOobState{0, 0};

} // namespace

bool Feature1805OOBState::SetOobState() {
    return exchange<"SetOobState">(kSetOobState, {});
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1805OOBState, 1805)
