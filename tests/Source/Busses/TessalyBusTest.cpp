// The receiver bus and its paired devices against a scripted receiver: the register commands it
// sends, how it turns the receiver's notifications into devices and events, and how a paired
// device frames its reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "Source/Busses/RAP10Command.h"
#include "Source/Busses/TessalyBus.h"
#include "Source/Busses/TessalyDevice.h"
#include "Source/Contracts/BusType.h"
#include "Source/Log/LastError.h"
#include "Source/Manager/CDevio.h"
#include "support/FakeHardwareDevice.h"
#include "support/HardwareEvents.h"
#include "support/LogLines.h"
#include "support/PlugLog.h"
#include "support/ReceiverStack.h"
#include "support/RunLoopPump.h"
#include "support/ScopedTimeScale.h"

namespace devio {
namespace {

using Bytes = std::vector<Byte>;

constexpr Byte kProtocolType = 4; // receiver A
constexpr int kMousePid = 0x40A1;
constexpr int kOtherPid = 0x4082;

Bytes connection(Byte index, int pid, bool link_up = true) {
    return {0x10,
            index,
            0x41,
            kProtocolType,
            static_cast<Byte>(link_up ? 0x00 : 0x40),
            static_cast<Byte>(pid & 0xFF),
            static_cast<Byte>(pid >> 8)};
}

// The receiver as a register model: the bus's register commands are answered here at once, on
// the caller's thread, and the forced arrival's notifications go through the bus's read handling
// first, as the receiver sends them ahead of its answer.
class ScriptedReceiver : public TessalyBus {
public:
    struct Paired {
        int pid;
        bool link_up;
    };

    using TessalyBus::onRead;
    using TessalyBus::TessalyBus;

    bool sendSynchronousCommand(const std::vector<Byte>& command, std::vector<Byte>& response,
                                CacheMode /*cache_mode*/,
                                const rap::MatchPositions& /*positions*/) override {
        commands.push_back(command);
        std::optional<Bytes> answer = answer_to(command);
        if (!answer.has_value()) {
            set_last_error(ErrorCode::NoResponse);
            return false;
        }
        if (cut_to.has_value()) {
            answer->resize(*cut_to);
        }
        response = *answer;
        return true;
    }

    // The commands with this sub-id and register.
    std::vector<Bytes> sent(Byte sub_id, Byte reg) const {
        std::vector<Bytes> found;
        for (const Bytes& command : commands) {
            if (command[2] == sub_id && command[3] == reg) {
                found.push_back(command);
            }
        }
        return found;
    }

    std::map<Byte, RAP10Command::Value> registers; // short registers
    std::map<Byte, Paired> paired;                 // by device index
    std::optional<int> reported_count;             // instead of the number paired
    std::optional<std::vector<Byte>> announced;    // the indexes the forced arrival announces
    std::map<Byte, Bytes> long_answers;            // long registers, by register
    std::optional<std::size_t> cut_to;             // every answer is cut to this length
    bool silent = false;
    std::vector<Bytes> commands;

private:
    std::optional<Bytes> answer_to(const Bytes& command) {
        if (silent) {
            return std::nullopt;
        }
        const Byte reg = command[3];
        RAP10Command::Value& value = registers[reg];
        switch (command[2]) {
        case RAP10Command::kReadShortRegister:
            if (reg == 0x02) {
                int count = reported_count.value_or(static_cast<int>(paired.size()));
                return Bytes{0x10, 0xFF, 0x81, 0x02, 0x00, static_cast<Byte>(count), 0x00};
            }
            return Bytes{0x10, 0xFF, 0x81, reg, value[0], value[1], value[2]};
        case RAP10Command::kWriteShortRegister:
            if (reg == 0x02) {
                for (const auto& [index, device] : paired) {
                    if (!announced || std::count(announced->begin(), announced->end(), index)) {
                        onRead(connection(index, device.pid, device.link_up), false, 0, 7);
                    }
                }
            } else {
                value = {command[4], command[5], command[6]};
            }
            return Bytes{0x10, 0xFF, 0x80, reg, 0x00, 0x00, 0x00};
        case RAP10Command::kReadLongRegister:
            if (long_answers.count(reg) != 0) {
                return long_answers[reg];
            }
            return std::nullopt;
        default:
            return std::nullopt;
        }
    }
};

using test::PlugLog;

class TessalyBusTest : public ::testing::Test {
protected:
    TessalyBusTest() {
        errors.Subscriber<IDeviceManager::UnreportedError>::subscribe(manager, DeliverDirect,
                                                                      "TessalyBusTest");
        bus->initDevice(manager);
        bus->paired[1] = {kMousePid, true};
        plugs.subscribe(std::static_pointer_cast<IHardwareBus>(bus), DeliverDirect, "plugs");
    }
    ~TessalyBusTest() override {
        plugs.unsubscribe(std::static_pointer_cast<IHardwareBus>(bus));
        bus->uninitDevice();
        bus.reset();
        manager.reset();
        CDevio::instance().reset();
    }

    std::vector<std::shared_ptr<IHardwareDevice>> enumerate() {
        std::vector<std::shared_ptr<IHardwareDevice>> found = bus->devices();
        plugs.entries.clear();
        bus->commands.clear();
        return found;
    }
    std::shared_ptr<TessalyDevice> mouse() { return bus->device_in_slot(0); }

    test::ScopedTimeScale scale{0.01};
    // A manager of its own for every case, made before anything subscribes to it.
    bool fresh_manager = (CDevio::instance().reset(), true);
    std::shared_ptr<IDeviceManager> manager = CDevio::instance();
    test::RunLoopPump pump{manager};
    test::ManagerEvents errors;
    std::shared_ptr<test::FakeHardwareDevice> hardware =
        std::make_shared<test::FakeHardwareDevice>(test::FakeHardwareDevice::Identity{
            "fake:/hid/receiver", 0xB401, kBusTypeDirectHid, 0, "Tessaly Receiver"});
    std::shared_ptr<ScriptedReceiver> bus =
        std::make_shared<ScriptedReceiver>(manager, hardware, kProtocolType, 6);
    PlugLog plugs;
};

TEST_F(TessalyBusTest, ForcedArrivalListsThePairedDevicesWithoutAnnouncingThem) {
    bus->paired[3] = {kOtherPid, false};
    std::vector<std::shared_ptr<IHardwareDevice>> found = bus->devices();

    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0]->path(), "fake:/hid/receiver:0");
    EXPECT_EQ(found[0]->pid(), kMousePid);
    EXPECT_EQ(found[0]->bus_type(), kBusTypeReceiver);
    EXPECT_EQ(found[0]->bus_index(), 1);
    EXPECT_TRUE(found[0]->connected());
    EXPECT_EQ(found[1]->path(), "fake:/hid/receiver:2");
    EXPECT_EQ(found[1]->bus_index(), 3);
    EXPECT_FALSE(found[1]->connected());
    EXPECT_EQ(found[0]->bus().lock(), std::static_pointer_cast<IHardwareBus>(bus));
    EXPECT_TRUE(plugs.entries.empty()) << "devices of a forced arrival are returned, not announced";

    // Notifications on first, then one count and one forced arrival.
    std::vector<Bytes> expected = {{0x10, 0xFF, 0x81, 0x00, 0, 0, 0},
                                   {0x10, 0xFF, 0x80, 0x00, 0x00, 0x01, 0x00},
                                   {0x10, 0xFF, 0x81, 0x02, 0, 0, 0},
                                   {0x10, 0xFF, 0x80, 0x02, 0x02, 0x00, 0x00}};
    EXPECT_EQ(bus->commands, expected);
}

TEST_F(TessalyBusTest, CountMismatchIsRetriedThreeTimesReportedEachTimeAndReturnsWhatCame) {
    bus->paired[2] = {kOtherPid, true};
    bus->announced = std::vector<Byte>{1};
    sys::DebugOutputCapture capture;

    std::vector<std::shared_ptr<IHardwareDevice>> found = bus->devices();

    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->pid(), kMousePid);
    EXPECT_EQ(bus->sent(0x80, 0x02).size(), 3u) << "three forced arrival runs";
    EXPECT_EQ(test::count_lines(capture, "2 devices reported by receiver but only 1 arrival "
                                         "reports received. Retrying."),
              3);
    std::vector<test::ManagerEvents::Error> reported = errors.errors();
    ASSERT_EQ(reported.size(), 3u);
    for (const test::ManagerEvents::Error& error : reported) {
        EXPECT_EQ(error.where, "TessalyBus");
        EXPECT_EQ(to_underlying(error.code), 65u);
        EXPECT_EQ(error.message, "Tessaly device arrival unique count mismatch");
    }
    // Notifications are set up again after the first mismatch only.
    EXPECT_EQ(bus->sent(0x81, 0x00).size(), 2u);
}

TEST_F(TessalyBusTest, ReceiverThatDoesNotAnswerOrAnswersShortListsNothingWithTheError) {
    struct Case {
        bool silent;
        std::optional<std::size_t> cut_to;
        ErrorCode code;
    };
    for (const Case& c : {Case{true, std::nullopt, ErrorCode::NoResponse},
                          Case{false, 6, ErrorCode::CommandResponseTooShort}}) {
        auto receiver = std::make_shared<ScriptedReceiver>(manager, hardware, kProtocolType, 6);
        receiver->initDevice(manager);
        receiver->paired[1] = {kMousePid, true};
        receiver->silent = c.silent;
        receiver->cut_to = c.cut_to;
        set_last_error(ErrorCode::NoError);
        EXPECT_TRUE(receiver->devices().empty());
        EXPECT_EQ(last_error().code, c.code);
        EXPECT_EQ(receiver->device_in_slot(0), nullptr);
        receiver->uninitDevice();
    }
}

TEST_F(TessalyBusTest, ShortRegisterBitOperationWritesOnlyAChangeAndAcceptsSevenByteAnswers) {
    struct Case {
        RAP10Command::Value current;
        RAP10Command::Value set;
        RAP10Command::Value clear;
        std::optional<RAP10Command::Value> written;
    };
    const Case cases[] = {
        {{0x00, 0x01, 0x00}, {0x00, 0x01, 0x00}, {}, std::nullopt},
        {{0x00, 0x01, 0x00}, {0x00, 0x08, 0x00}, {}, RAP10Command::Value{0x00, 0x09, 0x00}},
        {{0x00, 0x09, 0x00}, {}, {0x00, 0x08, 0x00}, RAP10Command::Value{0x00, 0x01, 0x00}},
        {{0xF0, 0x00, 0x00},
         {0x01, 0x00, 0x00},
         {0x30, 0x00, 0x00},
         RAP10Command::Value{0xC1, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        bus->commands.clear();
        bus->registers[0x00] = c.current;
        EXPECT_TRUE(bus->short_register_bit_operation(0x00, c.set, c.clear));
        std::vector<Bytes> writes = bus->sent(0x80, 0x00);
        ASSERT_EQ(writes.size(), c.written ? 1u : 0u);
        EXPECT_EQ(bus->sent(0x81, 0x00).size(), 1u);
        EXPECT_EQ(bus->registers[0x00], c.written.value_or(c.current));
    }
    // A short register's answer is 7 bytes long: anything shorter is refused before a write.
    bus->cut_to = 6;
    bus->commands.clear();
    set_last_error(ErrorCode::NoError);
    EXPECT_FALSE(bus->short_register_bit_operation(0x00, {0x00, 0x08, 0x00}, {}));
    EXPECT_EQ(last_error().code, ErrorCode::CommandResponseTooShort);
    EXPECT_TRUE(bus->sent(0x80, 0x00).empty());
}

TEST_F(TessalyBusTest, ConnectionWithAnotherProductIdReplacesTheOccupant) {
    enumerate();
    std::shared_ptr<TessalyDevice> old = mouse();
    test::HardwareEvents old_events(old);

    bus->onRead(connection(1, kOtherPid), false, 0, 7);

    EXPECT_EQ(old_events.disconnects(), 1);
    ASSERT_EQ(plugs.entries.size(), 2u);
    EXPECT_FALSE(plugs.entries[0].plug);
    EXPECT_EQ(plugs.entries[0].device, old);
    EXPECT_TRUE(plugs.entries[1].plug);
    EXPECT_EQ(plugs.entries[1].device->pid(), kOtherPid);
    EXPECT_EQ(plugs.entries[1].device, mouse());
    EXPECT_TRUE(mouse()->connected());

    // The same product ID again only follows the link.
    plugs.entries.clear();
    bus->onRead(connection(1, kOtherPid, false), false, 0, 7);
    EXPECT_TRUE(plugs.entries.empty());
    EXPECT_FALSE(mouse()->connected());
}

TEST_F(TessalyBusTest, NotificationsOutsideTheSlotsOrOfAnotherProtocolAreIgnored) {
    const Bytes ignored[] = {
        connection(0, kMousePid),
        connection(7, kMousePid),
        {0x10, 0x02, 0x41, 0x0C, 0x00, 0xA1, 0x40}, // protocol type of another receiver kind
    };
    for (const Bytes& report : ignored) {
        bus->onRead(report, false, 0, 7);
    }
    EXPECT_TRUE(plugs.entries.empty());
    // A link-down announcement for an empty slot makes a device that is announced, not connected.
    bus->onRead(connection(2, kMousePid, false), false, 0, 7);
    ASSERT_EQ(plugs.entries.size(), 1u);
    EXPECT_TRUE(plugs.entries[0].plug);
    EXPECT_FALSE(plugs.entries[0].device->connected());
}

TEST_F(TessalyBusTest, ReportsOfADisconnectedDeviceReviveItUnlessTheyAreErrorAnswers) {
    enumerate();
    bus->onRead(connection(1, kMousePid, false), false, 0, 7);
    test::HardwareEvents events(mouse());
    ASSERT_FALSE(mouse()->connected());

    bus->onRead({0x10, 0x01, 0x8F, 0x00, 0x10, 0x04, 0x00}, false, 0, 7);
    EXPECT_FALSE(mouse()->connected());
    EXPECT_EQ(events.connects(), 0);

    const Bytes own{0x11, 0x01, 0x05, 0x10, 0x01, 0x02, 0x03, 0, 0, 0,
                    0,    0,    0,    0,    0,    0,    0,    0, 0, 0};
    bus->onRead(own, false, 0, 20);
    EXPECT_TRUE(mouse()->connected());
    EXPECT_EQ(events.connects(), 1);
    std::vector<test::HardwareEvents::Read> reads = events.reads();
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[1].report, own);
    EXPECT_TRUE(reads[1].set_own_index);
    EXPECT_EQ(reads[1].size, 20u);
}

TEST_F(TessalyBusTest, UnpairAndLockCommandsAndTheirNotifications) {
    enumerate();
    EXPECT_TRUE(bus->unpair(2));
    EXPECT_TRUE(bus->open_lock());
    EXPECT_TRUE(bus->close_lock());
    std::vector<Bytes> expected = {{0x10, 0xFF, 0x80, 0xB2, 0x03, 0x02, 0x00},
                                   {0x10, 0xFF, 0x80, 0xB2, 0x01, 0x00, 0x00},
                                   {0x10, 0xFF, 0x80, 0xB2, 0x02, 0x00, 0x00}};
    EXPECT_EQ(bus->commands, expected);

    std::shared_ptr<TessalyDevice> unpaired = mouse();
    bus->onRead({0x10, 0x01, 0x40, 0x02, 0x00, 0x00, 0x00}, false, 0, 7);
    ASSERT_EQ(plugs.entries.size(), 1u);
    EXPECT_FALSE(plugs.entries[0].plug);
    EXPECT_EQ(plugs.entries[0].device, unpaired);
    EXPECT_EQ(mouse(), nullptr);

    struct LockEvents : Subscriber<IReceiver::LockingChange> {
        std::vector<std::pair<int, int>> changes;
        void onLockingChange(std::shared_ptr<IDevice>, State state, ErrorType error) override {
            changes.emplace_back(state, error);
        }
    } locks;
    ASSERT_TRUE(locks.subscribe(std::static_pointer_cast<IReceiver>(bus), DeliverDirect, "locks"));
    bus->onRead({0x10, 0xFF, 0x4A, 0x01, 0x00, 0x00, 0x00}, false, 0, 7);
    bus->onRead({0x10, 0xFF, 0x4A, 0x00, 0x01, 0x00, 0x00}, false, 0, 7);
    EXPECT_EQ(locks.changes, (std::vector<std::pair<int, int>>{{1, 0}, {0, 1}}));
    locks.unsubscribe(std::static_pointer_cast<IReceiver>(bus));
}

TEST_F(TessalyBusTest, RegisterZeroWriteOfAnotherProgramRestoresTheBitsOnTheRunLoop) {
    enumerate();
    for (Byte expected : {Byte{0x01}, Byte{0x09}}) {
        if (expected == 0x09) {
            ASSERT_TRUE(mouse()->set_software_present());
        }
        bus->registers[0x00] = {0x00, 0x00, 0x00};
        bus->onRead({0x10, 0xFF, 0x80, 0x00, 0x00, 0x00, 0x00}, false, 0, 7);
        EXPECT_EQ(bus->registers[0x00][1], 0x00) << "never restored on the read thread";
        EXPECT_TRUE(test::wait_for([&] {
            pump.drain();
            return bus->registers[0x00][1] == expected;
        }));
    }
    EXPECT_TRUE(mouse()->clear_software_present());
    EXPECT_EQ(bus->registers[0x00][1], 0x01);
}

TEST_F(TessalyBusTest, SlotFlagsSlotBytesAndNamesComeFromTheReceiversRegisters) {
    enumerate();
    bus->onRead(connection(3, kOtherPid), false, 0, 7);
    std::shared_ptr<TessalyDevice> other = bus->device_in_slot(2);
    bus->registers[0x03] = {0x01, 0x22, 0x33};
    ASSERT_TRUE(other->set_slot_flag());
    EXPECT_EQ(bus->registers[0x03], (RAP10Command::Value{0x05, 0x22, 0x33}));

    Bytes slot_bytes(20, 0);
    slot_bytes = {0x11, 0xFF, 0x83, 0xB3, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
                  0,    0,    0,    0,    0,    0,    0,    0,    0,    0};
    bus->long_answers[0xB3] = slot_bytes;
    ASSERT_TRUE(bus->read_slot_bytes());
    EXPECT_EQ(mouse()->slot_byte(), 0x0A);
    EXPECT_EQ(other->slot_byte(), 0x0C);

    // The name is read once it is asked for, and kept once it is known.
    EXPECT_EQ(mouse()->name(), "") << "no answer: empty, and asked again";
    bus->long_answers[0xB5] = {0x11, 0xFF, 0x83, 0xB5, 0x40, 0x06, 'V', 'a', 'n', 't',
                               'o',  'r',  0,    0,    0,    0,    0,   0,   0,   0};
    EXPECT_EQ(mouse()->name(), "Vantor");
    bus->long_answers.erase(0xB5);
    EXPECT_EQ(mouse()->name(), "Vantor");
    std::vector<Bytes> reads = bus->sent(0x83, 0xB5);
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[1][4], 0x40) << "0x40 + slot 0";
}

TEST_F(TessalyBusTest, PairedDeviceFramesItsWritesAndFollowsItsLink) {
    enumerate();
    std::shared_ptr<TessalyDevice> device = mouse();
    test::HardwareEvents events(device);

    ASSERT_TRUE(device->write({0x10, 0xFF, 0x00, 0x1A, 0x00, 0x00, 0x00}, false));
    ASSERT_EQ(hardware->write_count(), 1u);
    const Bytes expected{0x10, 0x01, 0x00, 0x1A, 0x00, 0x00, 0x00};
    EXPECT_EQ(hardware->writes()[0].report, expected);
    std::vector<test::HardwareEvents::Write> writes = events.writes();
    ASSERT_EQ(writes.size(), 1u) << "the receiver's Write comes back as the device's own";
    EXPECT_EQ(writes[0].report, expected);

    // After a link-down, a time-out counts as the device being gone until it is written again.
    EXPECT_TRUE(device->verify_connection_following_timeout());
    bus->onRead(connection(1, kMousePid, false), false, 0, 7);
    EXPECT_FALSE(device->verify_connection_following_timeout());
    set_last_error(ErrorCode::NoError);
    EXPECT_FALSE(device->write({0x10, 0xFF, 0x00, 0x1A, 0x00, 0x00, 0x00}, false));
    EXPECT_EQ(last_error().code, ErrorCode::NotConnected);
    EXPECT_STREQ(last_error().message, "TessalyDevice::write() not connected!");
    bus->onRead(connection(1, kMousePid, true), false, 0, 7);
    ASSERT_TRUE(device->write({0x10, 0xFF, 0x00, 0x1A, 0x00, 0x00, 0x00}, false));
    EXPECT_TRUE(device->verify_connection_following_timeout());
    EXPECT_TRUE(events.wait_links(1, 1));

    // A device that outlives its receiver bus refuses everything with DeviceRemoved.
    plugs.unsubscribe(std::static_pointer_cast<IHardwareBus>(bus));
    bus->uninitDevice();
    bus.reset();
    EXPECT_FALSE(device->write({0x10, 0xFF, 0x00, 0x1A, 0x00, 0x00, 0x00}, false));
    EXPECT_EQ(last_error().code, ErrorCode::DeviceRemoved);
    EXPECT_STREQ(last_error().message, "TessalyDevice::write() device removed!");
    for (bool ok : {device->set_software_present(), device->set_slot_flag(),
                    device->clear_software_present()}) {
        EXPECT_FALSE(ok);
        EXPECT_EQ(last_error().code, ErrorCode::DeviceRemoved);
    }
    EXPECT_EQ(device->extended_value(), 0);
    bus = std::make_shared<ScriptedReceiver>(manager, hardware, kProtocolType, 6);
}

TEST_F(TessalyBusTest, SessionThatBecomesActiveEnumeratesAgainAndAnnouncesOnlyChanges) {
    enumerate();
    std::shared_ptr<TessalyDevice> kept = mouse();
    manager->set_active(false);
    pump.drain();
    manager->set_active(true);
    pump.drain();
    EXPECT_EQ(mouse(), kept) << "the same devices keep their objects";
    EXPECT_TRUE(plugs.entries.empty());

    manager->set_active(false);
    pump.drain();
    bus->paired[1] = {kOtherPid, true};
    manager->set_active(true);
    pump.drain();
    ASSERT_EQ(plugs.entries.size(), 2u);
    EXPECT_FALSE(plugs.entries[0].plug);
    EXPECT_EQ(plugs.entries[0].device, kept);
    EXPECT_TRUE(plugs.entries[1].plug);
    EXPECT_EQ(plugs.entries[1].device->pid(), kOtherPid);
}

TEST_F(TessalyBusTest, RegisterCommandsReadTheConnectionStateAndRefuseANullReceiver) {
    bus->reported_count = 3;
    int count = 0;
    int second = -1;
    ASSERT_TRUE(RAP10Command::read_receiver_connection_state(bus.get(), count, second));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(second, 0);

    bus->long_answers[0xB5] = {0x11, 0xFF, 0x83, 0xB5, 0x40, 0x03, 'a', 'b', 'c'};
    bus->cut_to = 9;
    std::string name;
    EXPECT_FALSE(RAP10Command::read_receiver_paired_device_name(bus.get(), 0, name));
    EXPECT_EQ(last_error().code, ErrorCode::CommandResponseTooShort);

    struct Call {
        std::function<bool()> call;
        const char* message;
    };
    const Call calls[] = {
        {[] { return RAP10Command::set_receiver_connection_state(nullptr, 0); },
         "null device pointer passed to set_receiver_connection_state!"},
        {[&] { return RAP10Command::read_receiver_connection_state(nullptr, count, second); },
         "null device pointer passed to read_receiver_connection_state!"},
        {[&] { return RAP10Command::read_receiver_paired_device_name(nullptr, 0, name); },
         "null device pointer passed to read_receiver_paired_device_name!"},
    };
    for (const Call& call : calls) {
        set_last_error(ErrorCode::NoError);
        EXPECT_FALSE(call.call());
        EXPECT_EQ(to_underlying(last_error().code), 19u);
        EXPECT_STREQ(last_error().message, call.message);
    }
}

} // namespace
} // namespace devio
