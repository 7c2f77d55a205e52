// From a plugged receiver to the mouse's firmware version, through everything the tool stands
// on: the virtual HID system, the Windows HID bus, the combiner, the receiver bus, the device
// manager's arrival and a Device whose discovery finds feature 0x0003.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Source/Features/IFeature0003FirmwareInfo.h"
#include "Source/Rap/Device.h"
#include "support/ReceiverStack.h"

namespace devio::test {
namespace {

TEST(ReceiverToFirmwareVersion, PluggedReceiverYieldsTheMouseAndItsFirmwareVersion) {
    ReceiverStack stack;
    ASSERT_TRUE(stack.start());
    ASSERT_EQ(stack.plug().size(), 2u);
    ASSERT_TRUE(stack.pump_until_entries(2));

    std::shared_ptr<IDevice> mouse = stack.device_with_pid(ReceiverStack::kMousePid);
    ASSERT_NE(mouse, nullptr);
    auto firmware = mouse->feature<IFeature0003FirmwareInfo>();
    ASSERT_NE(firmware, nullptr) << "discovery found the firmware-information feature";
    std::string version;
    ASSERT_TRUE(firmware->GetFwFormattedVersion(&version));
    EXPECT_EQ(version, "8.6.27");
}

} // namespace
} // namespace devio::test
