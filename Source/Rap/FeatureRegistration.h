// Registration of a feature class, written once at namespace scope in the feature's own module:
//
//     DEVIO_FEATURE_MODULE(Feature00c0DFUControl, 00c0, 0x00C0)
//
// registers the class's creator under its number and defines the module's force-inclusion object,
// IFeatureForceInclusion00c0, whose construction logs "Devio: Feature00c0 included" (level 3) once.
// The digits are written as in the class name. The feature archive is linked whole (see
// Source/CMakeLists.txt), so every module that uses this runs its registration.
//
// A class that is registered without an inclusion object of its own uses DEVIO_REGISTER_FEATURE
// with the same arguments. The class may be given with its namespace.
#pragma once

#include <memory>
#include <utility>

#include "Source/Rap/FeatureFactory.h"

namespace devio {

// Logs the inclusion line of one feature module: "Devio: <feature> included".
void log_feature_inclusion(const char* tag, const char* function, const char* feature);

template <class FeatureClass>
bool register_feature_class(int number) {
    return FeatureFactory::register_creator(
        number, [](Byte index, std::weak_ptr<Device> device) -> std::shared_ptr<Feature> {
            return std::make_shared<FeatureClass>(index, std::move(device));
        });
}

} // namespace devio

#define DEVIO_REGISTER_FEATURE(FeatureClass, digits, number)                                       \
    namespace devio {                                                                              \
    namespace {                                                                                    \
    [[maybe_unused]] const bool feature_registered_##digits =                                      \
        register_feature_class<FeatureClass>(number);                                              \
    }                                                                                              \
    }

#define DEVIO_FEATURE_MODULE(FeatureClass, digits, number)                                         \
    DEVIO_REGISTER_FEATURE(FeatureClass, digits, number)                                           \
    namespace devio {                                                                              \
    class IFeatureForceInclusion##digits {                                                         \
    public:                                                                                        \
        IFeatureForceInclusion##digits() {                                                         \
            static bool included = false;                                                          \
            if (!included) {                                                                       \
                included = true;                                                                   \
                log_feature_inclusion("IFeatureForceInclusion" #digits,                            \
                                      "devio::IFeatureForceInclusion" #digits                      \
                                      "::IFeatureForceInclusion" #digits,                          \
                                      "Feature" #digits);                                          \
            }                                                                                      \
        }                                                                                          \
    };                                                                                             \
    namespace {                                                                                    \
    [[maybe_unused]] const IFeatureForceInclusion##digits force_inclusion_##digits;                \
    }                                                                                              \
    }
