#include "Source/Manager/BottomBusChoice.h"

#include <mutex>

#include "Source/Windows/Win32Bus.h"

namespace devio {

namespace {

std::mutex& choice_mutex() {
    static std::mutex mutex;
    return mutex;
}

BottomBusChoice::Maker& chosen_maker() {
    static BottomBusChoice::Maker maker;
    return maker;
}

} // namespace

void BottomBusChoice::choose(Maker maker) {
    std::lock_guard<std::mutex> lock(choice_mutex());
    chosen_maker() = std::move(maker);
}

std::shared_ptr<IHardwareBus> BottomBusChoice::make(std::weak_ptr<IDeviceManager> manager) {
    Maker maker;
    {
        std::lock_guard<std::mutex> lock(choice_mutex());
        maker = chosen_maker();
    }
    if (maker) {
        return maker(std::move(manager));
    }
    return Win32Bus::create(std::move(manager));
}

} // namespace devio
