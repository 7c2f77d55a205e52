#include "Source/FeatureRegistration.h"

#include "Source/xLog.h"

namespace devio {

void log_feature_inclusion(const char* tag, const char* function, const char* feature) {
    xLogWrite(tag, kLogDebug, function, "Devio: %s included", feature);
}

} // namespace devio
