// The library against the behaviours of real receivers and mice that the simulator can be
// switched to, each where the library has a designed reaction: a busy answer is asked again after
// a ping, a receiver that answers one behind is flushed, a receiver answering for itself with
// index 0x00 is understood, and a paired mouse that is off makes no count mismatch.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "Source/Features/IFeature0003FirmwareInfo.h"
#include "Source/Features/IFeature1000BatteryUnifiedLevelStatus.h"
#include "Source/Rap/Device.h"
#include "support/ReceiverStack.h"

namespace devio::test {
namespace {

struct Behaviour {
    const char* name;
    std::function<void(ReceiverStack&)> switch_on;
};

// The mouse is found, its firmware version read and its battery asked twice (uncached requests).
TEST(SimulatedBehaviour, TheMouseIsFoundAndAnswersWithEachBehaviour) {
    const Behaviour behaviours[] = {
        {"none", [](ReceiverStack&) {}},
        {"mouse busy on its first request", [](ReceiverStack& s) { s.mouse->busy_answer(1); }},
        {"receiver busy on its first register command",
         [](ReceiverStack& s) { s.receiver.busy_answer(1); }},
        {"receiver answers one behind", [](ReceiverStack& s) { s.receiver.answer_behind(true); }},
        {"receiver answers with index 0x00",
         [](ReceiverStack& s) { s.receiver.answer_with_index_zero(true); }},
        {"register 0x02 counts every paired slot",
         [](ReceiverStack& s) { s.receiver.count_paired_devices(true); }},
        {"short answers where they fit", [](ReceiverStack& s) { s.mouse->short_answers(true); }},
        {"rdnf with bits besides bit 0", [](ReceiverStack& s) { s.mouse->set_rdnf_extra_bits(6); }},
        {"events of the mouse and receiver status notifications",
         [](ReceiverStack& s) {
             s.mouse->send_events_every(std::chrono::milliseconds(1000));
             s.receiver.notify(1, 0x49);
             s.receiver.notify(1, 0x4B);
         }},
    };
    for (const Behaviour& behaviour : behaviours) {
        SCOPED_TRACE(behaviour.name);
        ReceiverStack stack;
        behaviour.switch_on(stack);
        ASSERT_TRUE(stack.start());
        stack.plug();
        ASSERT_TRUE(stack.pump_until_entries(2));
        std::shared_ptr<IDevice> mouse = stack.device_with_pid(ReceiverStack::kMousePid);
        ASSERT_NE(mouse, nullptr);
        auto firmware = mouse->feature<IFeature0003FirmwareInfo>();
        ASSERT_NE(firmware, nullptr);
        std::string version;
        EXPECT_TRUE(firmware->GetFwFormattedVersion(&version));
        EXPECT_EQ(version, "8.6.27");
        auto battery = mouse->feature<IFeature1000BatteryUnifiedLevelStatus>();
        ASSERT_NE(battery, nullptr);
        for (int i = 0; i < 2; ++i) {
            int level = 0;
            int next = 0;
            int status = -1;
            EXPECT_TRUE(battery->GetBatteryLevelStatus(&level, &next, &status));
            EXPECT_EQ(level, 80);
            EXPECT_EQ(next, 50);
        }
        EXPECT_TRUE(stack.events.errors().empty()) << "no count mismatch";
    }
}

// A paired mouse that is switched off: register 0x02 counts it out, the forced arrival announces
// it with its link down; one enumeration run, no mismatch, and the mouse is there, not connected.
TEST(SimulatedBehaviour, APairedMouseThatIsOffMakesNoCountMismatch) {
    ReceiverStack stack;
    stack.mouse->set_power(false);
    ASSERT_TRUE(stack.start());
    stack.plug();
    ASSERT_TRUE(stack.pump_until_entries(2));
    std::shared_ptr<IDevice> mouse = stack.device_with_pid(ReceiverStack::kMousePid);
    ASSERT_NE(mouse, nullptr);
    EXPECT_FALSE(mouse->connected());
    EXPECT_TRUE(stack.events.errors().empty());
}

} // namespace
} // namespace devio::test
