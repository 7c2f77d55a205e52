#include "sim/DelayLedger.h"

#include <chrono>

#include <gtest/gtest.h>

#include "SimHarness.h"

namespace devio::sim {
namespace {

using namespace std::chrono_literals;
using test::SimTest;

class SimDelayLedger : public SimTest {
protected:
    struct Counted {
        uint64_t exchanges;
        int64_t designed_us;
        int64_t taken_us;
    };
    // What `run` added to the ledger.
    Counted counted(const std::function<void()>& run) {
        DelayLedger::Totals before = DelayLedger::totals();
        run();
        DelayLedger::Totals after = DelayLedger::totals();
        return {after.exchanges - before.exchanges, (after.designed - before.designed).count(),
                (after.taken - before.taken).count()};
    }
};

// Each exchange counts the designed delays on its way to the host: USB in, the receiver's answer
// or the radio hop to the mouse, the mouse's answer and the hop back, and an answer's extra delay.
TEST_F(SimDelayLedger, CountsTheDesignedDelaysOfAnExchangeUpToItsAnswer) {
    const Report read_zero = rap::short_report(rap::kOwnIndex, rap::kReadShortRegister, 0x00);
    const Report ping = test::request(test::kMouseIndex, 0x00, 1, {0, 0, 0x5A});
    struct Case {
        const char* what;
        std::function<void()> prepare;
        Report request;
        int64_t designed_us;
    };
    for (const Case& c : {
             Case{"register read", [] {}, read_zero, 250 + 250},
             Case{"ping of the mouse", [] {}, ping, 250 + 500 + 500 + 500},
             Case{"register read answered late", [&] { receiver.delay_answer(1, 2ms); },
                  read_zero, 250 + 250 + 2000},
             Case{"ping answered late", [&] { mouse->delay_answer(1, 3ms); }, ping,
                  250 + 500 + 500 + 3000 + 500},
         }) {
        c.prepare();
        auto [exchanges, designed, taken] = counted([&] { exchange(c.request); });
        EXPECT_EQ(exchanges, 1u) << c.what;
        EXPECT_EQ(designed, c.designed_us) << c.what;
        // The scaled clock never runs an action early (1 us: the start is read after the due time).
        EXPECT_GE(taken + 1, static_cast<int64_t>(static_cast<double>(designed) * 0.01)) << c.what;
    }
}

// An answer that never comes counts nothing: the floor holds only what the host received.
TEST_F(SimDelayLedger, ADroppedAnswerIsNoExchange) {
    const Report read_zero = rap::short_report(rap::kOwnIndex, rap::kReadShortRegister, 0x00);
    receiver.drop_answer(1);
    auto [exchanges, designed, taken] = counted([&] {
        write(read_zero);
        exchange(read_zero); // runs after the dropped one: actions run in time order
    });
    EXPECT_EQ(exchanges, 1u);
    EXPECT_EQ(designed, 250 + 250);
    EXPECT_GT(taken, 0);
}

} // namespace
} // namespace devio::sim
