// The feature factory: creates the object for a feature number that a device reports, of the
// feature's own class when one is registered, else a plain Feature.
//
// Each feature module registers its class from a static initialiser (FeatureRegistration.h), before
// main runs; the registry is created on first use, so the order of the modules does not matter.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Source/Byte.h"

namespace devio {

class Device;
class Feature;

class FeatureFactory {
public:
    // Makes a new object of one class for a device's feature index.
    using Creator = std::function<std::shared_ptr<Feature>(Byte index, std::weak_ptr<Device>)>;

    // Registers (or replaces) the creator for a feature number. Returns true, so that a module can
    // keep the result in a static.
    static bool register_creator(int number, Creator creator);
    // The object for a feature number; a plain Feature when no creator (or an empty one) is
    // registered for it.
    static std::shared_ptr<Feature> create(int number, Byte index, std::weak_ptr<Device> device);
    // The registered numbers in ascending order.
    static std::vector<int> registered_numbers();
};

} // namespace devio
