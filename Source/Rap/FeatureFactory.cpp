#include "Source/Rap/FeatureFactory.h"

#include <map>

#include "Source/Rap/Feature.h"
#include "Source/System/ThreadAnnotations.h"

namespace devio {

namespace {

struct Registry {
    sys::Mutex mutex;
    std::map<int, FeatureFactory::Creator> creators DEVIO_GUARDED_BY(mutex);
};

// Created on the first registration, which runs during static initialisation; never destroyed, so
// that a feature made during static destruction still finds it.
Registry& registry() {
    static auto* instance = new Registry;
    return *instance;
}

} // namespace

bool FeatureFactory::register_creator(int number, Creator creator) {
    Registry& r = registry();
    sys::MutexLock lock(r.mutex);
    r.creators.insert_or_assign(number, std::move(creator));
    return true;
}

std::shared_ptr<Feature> FeatureFactory::create(int number, Byte index,
                                                std::weak_ptr<Device> device) {
    Creator creator;
    {
        Registry& r = registry();
        sys::MutexLock lock(r.mutex);
        if (auto found = r.creators.find(number); found != r.creators.end()) {
            creator = found->second;
        }
    }
    if (creator) {
        if (std::shared_ptr<Feature> made = creator(index, device)) {
            return made;
        }
    }
    return std::make_shared<Feature>(number, index, std::move(device));
}

std::vector<int> FeatureFactory::registered_numbers() {
    Registry& r = registry();
    sys::MutexLock lock(r.mutex);
    std::vector<int> numbers;
    numbers.reserve(r.creators.size());
    for (const auto& [number, creator] : r.creators) {
        numbers.push_back(number);
    }
    return numbers;
}

} // namespace devio
