#include "Source/Windows/Win32SystemChoice.h"

#include <mutex>

#include "Source/Windows/Win32System.h"

namespace devio {
namespace {

std::mutex& choice_mutex() {
    static std::mutex mutex;
    return mutex;
}

Win32SystemChoice::Maker& chosen_maker() {
    static Win32SystemChoice::Maker maker;
    return maker;
}

} // namespace

void Win32SystemChoice::choose(Maker maker) {
    std::lock_guard lock(choice_mutex());
    chosen_maker() = std::move(maker);
}

std::shared_ptr<Win32System> Win32SystemChoice::make() {
    Maker maker;
    {
        std::lock_guard lock(choice_mutex());
        maker = chosen_maker();
    }
    std::shared_ptr<Win32System> system = maker ? maker() : nullptr;
    return system ? system : std::make_shared<Win32System>();
}

} // namespace devio
