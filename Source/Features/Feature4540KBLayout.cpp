#include "Source/Features/Feature4540KBLayout.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetKeyboardLayout{0, 1, CacheMode::Cached};

} // namespace

bool Feature4540KBLayout::GetKeyboardLayout(int* layout) {
    std::vector<Byte> r;
    if (!exchange<"GetKeyboardLayout">(kGetKeyboardLayout, {}, r)) {
        return false;
    }
    set_out(layout, r[0]);
    return true;
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature4540KBLayout, 4540)
