#include "Source/Rap/FeatureRegistration.h"

#include "Source/Log/xLog.h"

namespace devio {

void log_feature_inclusion(const char* tag, const char* function, const char* feature) {
    xLogWrite(tag, kLogDebug, function, "Devio: %s included", feature);
}

} // namespace devio
