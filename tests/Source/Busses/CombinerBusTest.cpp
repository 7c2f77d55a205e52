// The collection combiner on a bus of fake collections: pieces of one physical device become one
// device once whole, writes go to the piece whose reports are long enough, and the pieces' Read
// and Write events come up as the combined device's.
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Source/Busses/CombinerBus.h"
#include "Source/Busses/CombinerDevice.h"
#include "Source/Events/Producer.h"
#include "Source/Events/Subscriber.h"
#include "Source/Log/LastError.h"
#include "support/HardwareEvents.h"
#include "support/PlugLog.h"

namespace devio {
namespace {

// One HID collection: a short (bit 0x01, 7 bytes) or long (bit 0x02, 20 bytes) piece of the device
// under `parent`, or a piece that needs only itself.
class FakeCollection : public IHardwareDevice,
                       public Producer<IHardwareDevice::Read>,
                       public Producer<IHardwareDevice::Write>,
                       public Producer<IHardwareDevice::Connect> {
public:
    FakeCollection(std::string parent, int bit, int needed, int size)
        : parent_(std::move(parent)), bit_(bit), needed_(needed), size_(size) {}

    bool connected() const override { return true; }
    bool open() override {
        ++opens;
        return openable;
    }
    void close() override { ++closes; }
    bool write(std::vector<Byte> report, bool /*blocking*/) override {
        report.resize(static_cast<std::size_t>(size_), 0);
        written.push_back(report);
        Producer<IHardwareDevice::Write>::produce(
            [report](IHardwareDevice::Write* s) { s->onWrite(report, ErrorCode::NoError, 0); },
            "FakeCollection::Write::onWrite");
        return true;
    }
    std::weak_ptr<IHardwareBus> bus() const override { return {}; }
    std::string path() const override { return parent_ + "/col" + std::to_string(bit_); }
    int pid() const override { return 0xB401; }
    std::string name() const override { return "Fake receiver"; }
    int slot_byte() const override { return 0; }
    int bus_type() const override { return 0; }
    int bus_index() const override { return 0; }
    std::string group_key() const override { return parent_; }
    int collection_bit() const override { return bit_; }
    int collections_needed() const override { return needed_; }
    int collection_size() const override { return size_; }

    void deliver(const std::vector<Byte>& report) {
        Producer<IHardwareDevice::Read>::produce(
            [report](IHardwareDevice::Read* s) { s->onRead(report, false, 0, 7); },
            "FakeCollection::Read::onRead");
    }

    bool openable = true;
    int opens = 0;
    int closes = 0;
    std::vector<std::vector<Byte>> written;

private:
    std::string parent_;
    int bit_;
    int needed_;
    int size_;
};

std::shared_ptr<FakeCollection> short_piece(const std::string& parent = "usb/1") {
    return std::make_shared<FakeCollection>(parent, 0x01, 0x03, 7);
}
std::shared_ptr<FakeCollection> long_piece(const std::string& parent = "usb/1") {
    return std::make_shared<FakeCollection>(parent, 0x02, 0x03, 20);
}

// The bus below: lists what is plugged and announces changes as the HID bus does, a fresh
// object for the same collection on every enumeration.
class FakeCollectionBus : public IHardwareBus, public Producer<IHardwareBus::PlugUnplug> {
public:
    std::vector<std::shared_ptr<IHardwareDevice>> devices() override {
        std::lock_guard<std::mutex> lock(mutex_);
        return plugged_;
    }
    void plug(const std::shared_ptr<FakeCollection>& piece) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            plugged_.push_back(piece);
        }
        Producer<IHardwareBus::PlugUnplug>::produce(
            [piece](IHardwareBus::PlugUnplug* s) { s->onPlug(piece); },
            "FakeCollectionBus::onPlug");
    }
    void unplug(const std::shared_ptr<FakeCollection>& piece) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            std::erase(plugged_, piece);
        }
        Producer<IHardwareBus::PlugUnplug>::produce(
            [piece](IHardwareBus::PlugUnplug* s) { s->onUnplug(piece); },
            "FakeCollectionBus::onUnplug");
    }

private:
    std::mutex mutex_;
    std::vector<std::shared_ptr<IHardwareDevice>> plugged_;
};

using test::PlugLog;

class CombinerBusTest : public ::testing::Test {
protected:
    CombinerBusTest() { EXPECT_TRUE(log.subscribe(combiner, DeliverDirect, "log")); }
    ~CombinerBusTest() override { log.unsubscribe(combiner); }

    std::shared_ptr<FakeCollectionBus> below = std::make_shared<FakeCollectionBus>();
    std::shared_ptr<CombinerBus> combiner = CombinerBus::create({}, below);
    PlugLog log;
};

TEST_F(CombinerBusTest, PiecesOfOneDeviceAreAnnouncedOnceWholeAndRemovedWithTheFirstPiece) {
    auto first = short_piece();
    below->plug(first);
    ASSERT_EQ(log.entries.size(), 0u) << "a partial device is not announced";
    EXPECT_EQ(first->opens, 1);
    EXPECT_TRUE(combiner->devices().empty());

    auto second = long_piece();
    below->plug(second);
    ASSERT_EQ(log.entries.size(), 1u);
    std::shared_ptr<IHardwareDevice> whole = log.entries[0].device;
    EXPECT_TRUE(log.entries[0].plug);
    EXPECT_EQ(whole->path(), "usb/1");
    EXPECT_EQ(whole->collection_bit(), 0x02);
    EXPECT_EQ(whole->collections_needed(), 0x02);
    EXPECT_EQ(whole->collection_size(), 20);
    EXPECT_EQ(whole->bus().lock(), std::static_pointer_cast<IHardwareBus>(combiner));
    // Later enumerations return it without announcing it again.
    EXPECT_EQ(combiner->devices(), std::vector<std::shared_ptr<IHardwareDevice>>{whole});
    EXPECT_EQ(log.entries.size(), 1u);

    log.entries.clear();
    below->unplug(first);
    ASSERT_EQ(log.entries.size(), 2u);
    EXPECT_EQ(log.entries[0].device, first) << "the piece itself first";
    EXPECT_EQ(log.entries[1].device, whole);
    EXPECT_FALSE(log.entries[1].plug);
    EXPECT_EQ(first->closes, 1);
    below->unplug(second);
    ASSERT_EQ(log.entries.size(), 3u) << "only the piece: the device was announced gone already";

    // A piece that needs only itself is passed up as it is.
    auto alone = std::make_shared<FakeCollection>("usb/2", 0x43, 0x43, 20);
    below->plug(alone);
    ASSERT_EQ(log.entries.size(), 4u);
    EXPECT_EQ(log.entries[3].device, alone);
}

TEST_F(CombinerBusTest, PieceThatCannotBeOpenedOnArrivalIsIgnored) {
    auto alone = std::make_shared<FakeCollection>("usb/2", 0x43, 0x43, 20);
    alone->openable = false;
    below->plug(alone);
    auto piece = short_piece();
    piece->openable = false;
    below->plug(piece);
    EXPECT_TRUE(log.entries.empty());
    EXPECT_EQ(alone->opens, 1);
}

TEST_F(CombinerBusTest, WritesGoToTheFirstPieceLongEnoughAndReadsAndWritesComeUp) {
    auto shorter = short_piece();
    auto longer = long_piece();
    below->plug(shorter);
    below->plug(longer);
    ASSERT_EQ(log.entries.size(), 1u);
    std::shared_ptr<IHardwareDevice> whole = log.entries[0].device;
    test::HardwareEvents events(whole);

    EXPECT_TRUE(whole->write({0x10, 0xFF, 0x81, 0x00, 0, 0, 0}, false));
    EXPECT_TRUE(whole->write({0x11, 0xFF, 0x83, 0xB5, 0x40}, false));
    EXPECT_TRUE(whole->write(std::vector<Byte>(20, 0x11), false));
    set_last_error(ErrorCode::NoError);
    EXPECT_FALSE(whole->write(std::vector<Byte>(21, 0x11), false));
    EXPECT_EQ(last_error().code, ErrorCode::WriteExceedsCollectionSize);
    EXPECT_EQ(shorter->written.size(), 2u) << "7 bytes and shorter go to the short collection";
    EXPECT_EQ(longer->written.size(), 1u);
    EXPECT_EQ(events.writes().size(), 3u) << "the refused write produced none";

    shorter->deliver({0x10, 0xFF, 0x41, 0x04, 0x00, 0xA1, 0x40});
    longer->deliver({0x11, 0x01, 0x05});
    std::vector<test::HardwareEvents::Read> reads = events.reads();
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[0].report[2], 0x41);
    EXPECT_EQ(reads[1].report[1], 0x01);
}

TEST_F(CombinerBusTest, PieceOfABitAlreadyPresentKeepsTheFirstObject) {
    auto first = short_piece();
    auto combined = std::make_shared<CombinerDevice>(std::weak_ptr<CombinerBus>(), first);
    EXPECT_FALSE(combined->whole());
    auto duplicate = short_piece();
    EXPECT_TRUE(combined->add_piece(duplicate));
    EXPECT_FALSE(combined->whole());
    EXPECT_TRUE(combined->add_piece(long_piece()));
    EXPECT_TRUE(combined->whole());
    EXPECT_TRUE(combined->open());
    EXPECT_EQ(first->opens, 1);
    EXPECT_EQ(duplicate->opens, 0);
    EXPECT_FALSE(combined->remove_piece(duplicate)) << "same path: the first piece goes";
    EXPECT_EQ(first->closes, 1);
    EXPECT_TRUE(combined->remove_piece(long_piece()));
}

} // namespace
} // namespace devio
