// A Device for the virtual mouse behind the virtual receiver, reached through the simulator's
// hardware devices (the receiver as one HID device, the mouse as a device paired to it), with the
// process's device manager and the simulator on a small time scale.
//
// No feature discovery runs here: a test puts the features it uses into the device's table, at
// the index that the mouse's root feature gives for the firmware it runs now. The device's
// system-wide command mutex lives in a runtime folder of the harness's own, so that the commands
// of other test programs to their fake receivers never hold up the simulated mouse's.
#pragma once

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "Source/Manager/CDevio.h"
#include "Source/Rap/Device.h"
#include "Source/Rap/Feature.h"
#include "Source/Rap/FeatureFactory.h"
#include "sim/PairedHardwareDevice.h"
#include "sim/ReceiverHardwareDevice.h"
#include "sim/VirtualMouse.h"
#include "sim/VirtualReceiver.h"
#include "support/ScopedTimeScale.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

namespace devio::test {

class SimDeviceHarness {
public:
    static constexpr int kSoftwareId = 12;
    static constexpr int kMouseIndex = 1;
    static constexpr double kTimeScale = 0.02;

    explicit SimDeviceHarness(sim::MouseOptions options = {}, sim::ReceiverTiming timing = {})
        : receiver(scheduler, *sim::receiver_kind('A'), timing),
          mouse(std::make_shared<sim::VirtualMouse>(scheduler, std::move(options))) {
        CDevio::instance().reset();
        manager = CDevio::instance();
        manager->swid(kSoftwareId);
        receiver.pair(mouse);
        receiver_device = sim::ReceiverHardwareDevice::create(receiver);
        mouse_hardware = sim::PairedHardwareDevice::attach(receiver_device, kMouseIndex);
        device = std::make_shared<Device>(manager, mouse_hardware);
        device->initDevice(manager);
        device->feature_table().put(FeatureFactory::create(0x0000, 0, device));
        // The receiver announces the mouse's link from its own thread: nothing is asked before.
        if (!wait_for([this] { return mouse_hardware->connected(); })) {
            ADD_FAILURE() << "the mouse's link did not come up";
        }
    }
    ~SimDeviceHarness() {
        device->uninitDevice();
        // Nothing is read from here on, so that what is left goes on this thread.
        receiver_device->unplug();
        device.reset();
        mouse_hardware.reset();
        manager.reset();
        CDevio::instance().reset();
    }
    SimDeviceHarness(const SimDeviceHarness&) = delete;
    SimDeviceHarness& operator=(const SimDeviceHarness&) = delete;

    // The index of feature `number` in the firmware the mouse runs now (root function 0); 0 when
    // it has none or the root does not answer.
    Byte feature_index(int number) {
        std::vector<Byte> answer;
        std::shared_ptr<Feature> root = device->feature_table().at_index(0);
        std::vector<Byte> request{static_cast<Byte>(number >> 8), static_cast<Byte>(number)};
        return root->sendFeatureCommand(0, request, answer, CacheMode::Uncached) && !answer.empty()
                   ? answer[0]
                   : 0;
    }
    // Puts the library's class for interface I at its index; empty (and a failure) without it.
    template <class I>
    std::shared_ptr<I> use_feature() {
        Byte index = feature_index(I::kFeatureNumber);
        if (index == 0) {
            ADD_FAILURE() << "the mouse has no feature 0x" << std::hex << I::kFeatureNumber;
            return nullptr;
        }
        std::shared_ptr<Feature> feature = FeatureFactory::create(I::kFeatureNumber, index, device);
        device->feature_table().put(feature);
        return std::dynamic_pointer_cast<I>(feature);
    }
    // Every feature but the root is dropped, as after a change of firmware.
    void forget_features() { device->feature_table().keep_only_root(); }

    TempDir runtime_folder;
    ScopedEnv runtime_env{"XDG_RUNTIME_DIR", runtime_folder.path().c_str()};
    ScopedTimeScale scale{kTimeScale};
    sim::Scheduler scheduler;
    sim::VirtualReceiver receiver;
    std::shared_ptr<sim::VirtualMouse> mouse;
    std::shared_ptr<sim::ReceiverHardwareDevice> receiver_device;
    std::shared_ptr<sim::PairedHardwareDevice> mouse_hardware;
    std::shared_ptr<IDeviceManager> manager;
    std::shared_ptr<Device> device;
};

} // namespace devio::test
