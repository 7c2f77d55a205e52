// A whole firmware update of the virtual mouse, driven by the DFU features alone through a Device
// on the mouse's paired hardware device: enter the bootloader, send both built-in images as the
// update tool does (start block, then one packet per confirming status), restart after each.
#include <condition_variable>
#include <deque>
#include <optional>
#include <span>

#include <gtest/gtest.h>

#include "Source/Features/IFeature00c2DFUControl.h"
#include "Source/Features/IFeature00d0DFU.h"
#include "firmware/FirmwareResources.h"
#include "support/HardwareEvents.h"
#include "support/SimDeviceHarness.h"

namespace devio::test {
namespace {

// The statuses of the transfer in the order they come, from the sending thread (answers) and the
// read thread (the device's own notifications).
class StatusQueue : public Subscriber<IFeature00d0DFU::Report> {
public:
    struct Status {
        uint32_t packet;
        unsigned code;
    };

    explicit StatusQueue(std::shared_ptr<IFeature00d0DFU> dfu) : dfu_(std::move(dfu)) {
        subscribe(dfu_, DeliverDirect, "StatusQueue");
    }
    ~StatusQueue() override { unsubscribe(dfu_); }

    std::optional<Status> next() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!changed_.wait_for(lock, HardwareEvents::kBound, [&] { return !queue_.empty(); })) {
            return std::nullopt;
        }
        Status status = queue_.front();
        queue_.pop_front();
        return status;
    }

private:
    void onDfuStatus(uint32_t packet, const std::vector<Byte>& status) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queue_.push_back({packet, IFeature00d0DFU::status_code(status)});
        }
        changed_.notify_all();
    }

    std::shared_ptr<IFeature00d0DFU> dfu_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Status> queue_;
};

std::vector<Byte> packet_of(std::span<const uint8_t> image, uint32_t number) {
    auto from = image.begin() + static_cast<std::ptrdiff_t>(16 * number);
    return {from, from + 16};
}

// Sends `image` and returns the status that ended it (0 after a failure of the exchange).
unsigned send_image(IFeature00d0DFU& dfu, StatusQueue& statuses, std::span<const uint8_t> image) {
    const uint32_t last_packet = static_cast<uint32_t>(image.size() / 16) - 1;
    unsigned status = 0;
    if (!dfu.DFUStart(packet_of(image, 0), status, nullptr) ||
        IFeature00d0DFU::IsDfuError(status)) {
        ADD_FAILURE() << "the start block was refused, status " << status;
        return 0;
    }
    for (;;) {
        std::optional<StatusQueue::Status> next = statuses.next();
        if (!next) {
            ADD_FAILURE() << "no status from the device";
            return 0;
        }
        if (next->code == IFeature00d0DFU::kStatusNoAction) {
            continue;
        }
        if (next->code != IFeature00d0DFU::kStatusPacketAccepted) {
            return next->code;
        }
        if (next->packet >= last_packet) {
            ADD_FAILURE() << "packet " << next->packet << " accepted, but the image is complete";
            return 0;
        }
        if (!dfu.DFUSendPacket(next->packet, packet_of(image, next->packet + 1))) {
            ADD_FAILURE() << "packet " << next->packet + 1 << " failed, error "
                          << to_underlying(last_error().code);
            return 0;
        }
    }
}

TEST(FeatureDfuTransfer, BothBuiltInImagesReachTheMouseThroughTheDfuFeatures) {
    std::span<const uint8_t> image_a = firmware::FindFirmwareResource(firmware::kImageAResourceId);
    std::span<const uint8_t> image_b = firmware::FindFirmwareResource(firmware::kImageBResourceId);
    ASSERT_FALSE(image_a.empty());
    ASSERT_FALSE(image_b.empty());

    SimDeviceHarness h;
    HardwareEvents links(h.mouse_hardware);
    std::shared_ptr<IFeature00c2DFUControl> control = h.use_feature<IFeature00c2DFUControl>();
    ASSERT_NE(control, nullptr);
    ASSERT_TRUE(control->SetDfuControl(1, 0));
    ASSERT_TRUE(links.wait_links(1, 1)) << "the mouse restarts into its bootloader";
    ASSERT_EQ(h.mouse->state().running_prefix, "BOT");

    h.forget_features();
    std::shared_ptr<IFeature00d0DFU> dfu = h.use_feature<IFeature00d0DFU>();
    ASSERT_NE(dfu, nullptr);
    StatusQueue statuses(dfu);

    // Image B first; the bootloader restarts into itself for the second.
    ASSERT_EQ(send_image(*dfu, statuses, image_b), IFeature00d0DFU::kStatusImageAccepted);
    ASSERT_TRUE(dfu->DFURestart(1));
    ASSERT_TRUE(links.wait_links(2, 2));
    ASSERT_EQ(send_image(*dfu, statuses, image_a), IFeature00d0DFU::kStatusImageComplete);
    ASSERT_TRUE(dfu->DFURestart(1));
    ASSERT_TRUE(links.wait_links(3, 3)) << "the mouse restarts into its new firmware";

    sim::MouseState mouse = h.mouse->state();
    EXPECT_EQ(mouse.running_prefix, "QRT");
    EXPECT_EQ(mouse.application_version, "8.6.28");
    EXPECT_TRUE(mouse.radio_stack_image_complete);
    EXPECT_TRUE(mouse.application_image_complete);
    EXPECT_TRUE(std::equal(image_b.begin(), image_b.end(), mouse.radio_stack_image.begin(),
                           mouse.radio_stack_image.end()));
    EXPECT_TRUE(std::equal(image_a.begin(), image_a.end(), mouse.application_image.begin(),
                           mouse.application_image.end()));
}

} // namespace
} // namespace devio::test
