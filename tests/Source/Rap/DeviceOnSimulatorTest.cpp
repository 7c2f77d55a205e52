// The device against the simulated mouse behind its simulated receiver, where the mouse's own
// answers matter: discovery of its features and firmware, a change held while it is switched off
// and written with the cookie when it comes back, and another program's cookie taking the
// configuration over. Link events and the mouse's wireless status reach the device through the
// run loop on this thread.
#include <gtest/gtest.h>

#include "Source/Features/IFeature0003FirmwareInfo.h"
#include "Source/Features/IFeature0005DeviceNameType.h"
#include "Source/Features/IFeature0020ConfigChange.h"
#include "Source/Features/IFeature2005ButtonSwapCancel.h"
#include "sim/PairedHardwareDevice.h"
#include "sim/ReceiverHardwareDevice.h"
#include "sim/VirtualMouse.h"
#include "support/DeviceHarness.h"
#include "support/RunLoopPump.h"
#include "support/ScopedTimeScale.h"
#include "support/WaitFor.h"

namespace devio::test {
namespace {

constexpr int kMouseIndex = 1;

class DeviceOnSimulator : public testing::Test {
protected:
    void SetUp() override {
        CDevio::instance().reset();
        manager = CDevio::instance();
        ASSERT_EQ(receiver.pair(mouse), kMouseIndex);
        receiver_device = sim::ReceiverHardwareDevice::create(receiver);
        hardware = sim::PairedHardwareDevice::attach(receiver_device, kMouseIndex);
        // The receiver answers the forced arrival on its own thread; the device below starts
        // connected only if the mouse's connection notification has come.
        ASSERT_TRUE(wait_for([&] { return hardware->connected(); }));
        device = std::make_shared<Device>(manager, hardware);
        device->initDevice(manager);
        pump = std::make_unique<RunLoopPump>();
        events = std::make_unique<DeviceEvents>(device);
        ASSERT_TRUE(device->connected());
    }
    void TearDown() override {
        events.reset();
        device->uninitDevice();
        // Nothing is read from here on, so that what is left goes on this thread.
        receiver_device->unplug();
        device.reset();
        hardware.reset();
        pump.reset();
        manager.reset();
        CDevio::instance().reset();
    }

    // Answers the run loop until `done`.
    template <class Condition>
    bool pump_until(Condition done) {
        return wait_for([&] {
            pump->drain();
            return done();
        });
    }
    // The mouse is switched off and the device has seen it go.
    void switch_off() {
        mouse->set_power(false);
        ASSERT_TRUE(pump_until([&] { return events->disconnects() > disconnects_seen; }));
        ++disconnects_seen;
    }

    ScopedTimeScale scale{0.01};
    sim::Scheduler scheduler;
    sim::VirtualReceiver receiver{scheduler, *sim::receiver_kind('A')};
    std::shared_ptr<sim::VirtualMouse> mouse = std::make_shared<sim::VirtualMouse>(scheduler);
    std::shared_ptr<sim::ReceiverHardwareDevice> receiver_device;
    std::shared_ptr<sim::PairedHardwareDevice> hardware;
    std::shared_ptr<IDeviceManager> manager;
    std::shared_ptr<Device> device;
    std::unique_ptr<RunLoopPump> pump;
    std::unique_ptr<DeviceEvents> events;
    int disconnects_seen = 0;
};

TEST_F(DeviceOnSimulator, TheMousesFeaturesAndFirmwareAreDiscovered) {
    std::vector<int> numbers;
    for (const std::shared_ptr<IFeature>& feature : device->features()) {
        numbers.push_back(feature->featureID());
    }
    EXPECT_EQ(numbers, (std::vector<int>{0x0000, 0x0001, 0x0003, 0x0020, 0x00C2, 0x1000, 0x1D4B,
                                         0x2005, 0x8100, 0x0005, 0x2201, 0x8060}));
    std::string name;
    auto names = device->feature<IFeature0005DeviceNameType>();
    ASSERT_NE(names, nullptr) << "discovery creates the name feature's own class";
    ASSERT_TRUE(names->GetDeviceName(&name));
    EXPECT_EQ(name, "Vantor");
    EXPECT_EQ(device->fwinfo(), "0QRT080600274D2B17A5");
    std::string version;
    ASSERT_TRUE(device->feature<IFeature0003FirmwareInfo>()->GetFwFormattedVersion(&version));
    EXPECT_EQ(version, "8.6.27");
}

TEST_F(DeviceOnSimulator, AChangeMadeWhileTheMouseIsOffIsWrittenWithTheCookieWhenItComesBack) {
    auto swap = device->feature<IFeature2005ButtonSwapCancel>();
    ASSERT_NE(swap, nullptr);
    switch_off();
    EXPECT_TRUE(swap->SetSwapMode(true));
    EXPECT_TRUE(device->pending());

    mouse->set_power(true);
    ASSERT_TRUE(pump_until([&] { return !device->pending() && events->connects() == 1; }));
    EXPECT_TRUE(device->configured());
    EXPECT_NE(device->cookie(), 0);
    EXPECT_EQ(mouse->state().cookie, device->cookie());
    bool swapped = false;
    ASSERT_TRUE(swap->GetSwapMode(&swapped));
    EXPECT_TRUE(swapped);
}

// Another program's SetCookie answer, seen on the way past.
class CookieWatch : public Subscriber<IFeature0020ConfigChange::ConfigReport> {
public:
    std::atomic<int> cookie{0};

private:
    void onCookieSet(unsigned /*software_id*/, uint16_t value) override { cookie = value; }
};

TEST_F(DeviceOnSimulator, AnotherProgramsCookieTakesTheConfigurationOver) {
    auto swap = device->feature<IFeature2005ButtonSwapCancel>();
    ASSERT_TRUE(swap->SetSwapModeNow(true));
    CookieWatch watch;
    ASSERT_TRUE(
        watch.subscribe(device->feature<IFeature0020ConfigChange>(), DeliverDirect, "CookieWatch"));
    mouse->other_program_request(
        {.software_id = 3, .feature = 0x0020, .function = 1, .params = {0x43, 0x21}});
    ASSERT_TRUE(wait_for([&] { return watch.cookie.load() == 0x4321; }));

    switch_off();
    mouse->set_power(true);
    ASSERT_TRUE(pump_until([&] { return events->connects() == 1; }));
    EXPECT_EQ(events->connect_flags(), std::vector<bool>{false});
    EXPECT_FALSE(device->configured());
    EXPECT_EQ(device->foreign_cookie(), 0x4321);
    EXPECT_EQ(mouse->state().cookie, 0x4321) << "left to the other program";
}

} // namespace
} // namespace devio::test
