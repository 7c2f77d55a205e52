// An application of the installed devio library: opens the library through its facade, checks
// that the feature classes were linked in, and shuts the library down as a program's main
// function does. Prints one line and exits 0 when all of that worked.
#include <cstdio>
#include <vector>

#include <Source/Log/Vs2003SingletonThreadCleanup.h>
#include <Source/Manager/CDevio.h>
#include <Source/Manager/DeviceManager.h>
#include <Source/Rap/FeatureFactory.h>

namespace {

int fail(const char* what) {
    std::fprintf(stderr, "devio-consumer: %s\n", what);
    return 1;
}

} // namespace

int main() {
    devio::Vs2003SingletonThreadCleanup& guard = devio::Vs2003SingletonThreadCleanup::instance();
    guard.set_present();

    // Each feature class registers itself before main: none would be here if the feature archive
    // had not been linked whole.
    std::vector<int> classes = devio::FeatureFactory::registered_numbers();
    if (classes.empty() || classes.front() != 0x0000) {
        return fail("the feature classes are missing (root 0x0000 not registered)");
    }

    devio::CDevio& library = devio::CDevio::instance();
    if (!library.getimpl()) {
        return fail("the facade made no device manager");
    }
    library.swid(7);
    if (library.swid() != 7) {
        return fail("the device manager did not keep the software id");
    }

    // The end of main: the library's threads stop in order, and the facade makes no manager again.
    guard.run_callbacks();
    if (library.getimpl()) {
        return fail("the facade made a device manager after shutdown");
    }
    std::printf("devio-consumer: %zu feature classes; the facade opened and shut down\n",
                classes.size());
    return 0;
}
