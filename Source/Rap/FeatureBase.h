// The base of every feature class: it takes the class's name and its typed interface, and gives
// the class its constructor, its number (the interface's kFeatureNumber, written nowhere else),
// its log tag and the qualified names of its operations for log lines.
//
// How to write a feature class (Feature2005ButtonSwapCancel is a full example):
//
// 1. The interface, Source/Features/IFeatureXXXXName.h, names the number once and declares the
//    operations; an operation that reports failure by its result is [[nodiscard]]:
//
//        class IFeature1802DeviceReset {
//        public:
//            static constexpr int kFeatureNumber = 0x1802;
//            virtual void forceDeviceReset() = 0;
//        };
//
// 2. The class derives from FeatureBase with its own name as a string, and takes the constructor:
//
//        class Feature1802DeviceReset
//            : public FeatureBase<"Feature1802DeviceReset", IFeature1802DeviceReset> {
//        public:
//            using FeatureBase::FeatureBase;
//            void forceDeviceReset() override;
//        };
//
//    A class that publishes events of its own also derives from Producer<IFeature...::Event>.
//
// 3. Operations send with sendFeatureCommand or send_expecting (FeatureRequest.h) and name the
//    cache mode: CacheMode::Cached only for answers that never change while the firmware stays
//    the same. Log lines use the tag and the derived location:
//
//        xLogWrite(kTag, kLogInfo, log_location<"forceDeviceReset">(), "...");
//
// 4. The module registers the class once, at namespace scope, after its namespace (see
//    FeatureRegistration.h); the digits are written as in the class name and are checked against
//    the interface's number, and the name given to FeatureBase against the class's own:
//
//        DEVIO_FEATURE_MODULE(Feature1802DeviceReset, 1802)
//
// The hooks a class may override (onFeatureReport, onUnexpectedResponse, process_pending_changes)
// and the threads they run on are described in Feature.h.
#pragma once

#include <memory>
#include <utility>

#include "Source/Contracts/CacheMode.h"
#include "Source/Rap/Feature.h"
#include "Source/Rap/FeatureName.h"

namespace devio {

template <FeatureName Name, class Interface>
class FeatureBase : public Feature, public Interface {
public:
    // The class's own name, as given; checked against the class by the registration.
    static constexpr const char* kClassName = Name.text;

    FeatureBase(Byte index, std::weak_ptr<Device> device)
        : Feature(Interface::kFeatureNumber, index, std::move(device)) {}

protected:
    // The tag of the class's log lines: its name.
    static constexpr const char* kTag = Name.text;

    // "devio::<class>::<operation>", the location of an operation's log lines.
    template <FeatureName Operation>
    static constexpr const char* log_location() {
        return JoinedName<"devio::", Name, "::", Operation>::text;
    }
    // The locations of the constructor's and the destructor's log lines.
    static constexpr const char* constructor_location() {
        return JoinedName<"devio::", Name, "::", Name>::text;
    }
    static constexpr const char* destructor_location() {
        return JoinedName<"devio::", Name, "::~", Name>::text;
    }
};

} // namespace devio
