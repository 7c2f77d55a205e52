// The facade's reset destroys the device manager on its own thread, also when a library thread
// held the last reference a moment before (a producer queueing onto the run loop).
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "Source/Manager/CDevio.h"
#include "Source/Manager/DeviceManager.h"
#include "Source/System/DebugOutput.h"
#include "support/ReceiverStack.h"
#include "support/WaitFor.h"

namespace devio {
namespace {

constexpr const char* kWaiting = "for other holders of the DeviceManager";

// Another thread holds the manager while the facade is reset, and lets it go only once the reset
// waits: the manager must be gone when reset returns, destroyed by the resetting thread.
TEST(ManagerRetirement, ResetOutwaitsAnotherHolderAndDestroysTheManagerItself) {
    CDevio& devio = CDevio::instance();
    devio.reset();
    sys::DebugOutputCapture capture;
    std::shared_ptr<DeviceManager> held = devio.getimpl();
    std::weak_ptr<DeviceManager> watch = held;
    std::thread holder([&, mine = std::move(held)]() mutable {
        test::wait_for([&] { return capture.contains(kWaiting); });
        mine.reset();
    });
    devio.reset();
    const bool gone_at_return = watch.expired();
    holder.join();
    EXPECT_TRUE(gone_at_return);
    EXPECT_TRUE(capture.contains(kWaiting));
}

// The whole stack (busses, the receiver and its mouse, read threads, the retry timer) while
// library threads keep taking and dropping the manager: each reset ends with the manager gone.
TEST(ManagerRetirement, ResetOfAWholeStackWhileLibraryThreadsHoldTheManager) {
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        std::weak_ptr<DeviceManager> watch;
        {
            test::ReceiverStack stack;
            ASSERT_TRUE(stack.start());
            stack.plug();
            ASSERT_TRUE(stack.pump_until_entries(2)); // the receiver and the mouse
            watch = stack.manager;
            std::atomic<bool> stop{false};
            std::thread taker([&] {
                while (!stop) {
                    std::shared_ptr<DeviceManager> taken = watch.lock();
                    std::this_thread::yield();
                }
            });
            stack.events.Subscriber<IDeviceManager::ArrivalRemoval>::unsubscribe(stack.manager);
            stack.pump.reset();
            stack.manager.reset();
            CDevio::instance().reset();
            const bool gone_at_return = watch.expired();
            stop = true;
            taker.join();
            EXPECT_TRUE(gone_at_return);
        }
    }
}

} // namespace
} // namespace devio
