// Registration of a feature class, written once at namespace scope in the feature's own module:
//
//     DEVIO_FEATURE_MODULE(Feature00c0DFUControl, 00c0)
//
// registers the class's creator under its number (the interface's kFeatureNumber) and defines the
// module's force-inclusion object, IFeatureForceInclusion00c0, whose construction logs
// "Devio: Feature00c0 included" (level 3) once. The digits are written as in the class name; the
// build fails when they are not the class's number, or when the name the class gave FeatureBase
// is not its own. A number given as a third argument is checked the same way. The feature archive
// is linked whole (see Source/CMakeLists.txt), so every module that uses this runs its
// registration.
//
// A class that is registered without an inclusion object of its own uses DEVIO_REGISTER_FEATURE
// with the same arguments. The class may be given with its namespace.
#pragma once

#include <memory>
#include <string_view>
#include <utility>

#include "Source/Rap/FeatureFactory.h"
#include "Source/Rap/FeatureName.h"

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

// Whether the name a class gave FeatureBase is the class's own (`spelled` as the registration
// names it, possibly qualified); true for a class without a FeatureBase name.
template <class FeatureClass>
constexpr bool feature_class_named(std::string_view spelled) {
    if constexpr (requires { FeatureClass::kClassName; }) {
        return unqualified(spelled) == std::string_view(FeatureClass::kClassName);
    } else {
        return true;
    }
}

} // namespace devio

#define DEVIO_REGISTER_FEATURE(Class, digits, ...)                                                 \
    namespace devio {                                                                              \
    static_assert(hex_value(#digits) == Class::kFeatureNumber,                                     \
                  "the digits of " #Class " are not its interface's kFeatureNumber");              \
    __VA_OPT__(static_assert((__VA_ARGS__) == Class::kFeatureNumber,                               \
                             "the number of " #Class " is not its interface's kFeatureNumber");)   \
    static_assert(feature_class_named<Class>(#Class),                                              \
                  "the name " #Class " gives FeatureBase is not its own");                         \
    namespace {                                                                                    \
    [[maybe_unused]] const bool feature_registered_##digits =                                      \
        register_feature_class<Class>(Class::kFeatureNumber);                                      \
    }                                                                                              \
    }

#define DEVIO_FEATURE_MODULE(Class, digits, ...)                                                   \
    DEVIO_REGISTER_FEATURE(Class, digits __VA_OPT__(, ) __VA_ARGS__)                               \
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
