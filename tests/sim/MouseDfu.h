// A fixture whose mouse is in its bootloader, and the host's side of a DFU transfer in raw
// reports: the start block, the wait for status 1, then one packet per confirmed status.
#pragma once

#include "DfuImage.h"
#include "SimHarness.h"

namespace devio::sim::test {

inline constexpr Byte kDfuIndex = 3; // feature 0x00D0 in the bootloader
inline constexpr Byte kDfuControlIndex = 4;

inline uint32_t status_packet(const Report& r) {
    return static_cast<uint32_t>(r[6] << 8 | r[7]);
}
inline Byte status_code(const Report& r) {
    return r[8];
}

inline bool is_dfu_event(const Report& r) {
    return r[2] == kDfuIndex && (r[3] & 0x0F) == 0;
}

class DfuTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        enable_notifications();
        std::size_t from = host.count();
        write(request(kMouseIndex, kDfuControlIndex, 1, {1, 0, 0, 0, 'D', 'F', 'U'}));
        wait_for_restart(from);
    }

    // Waits for the link to go down and come up again after `from`.
    void wait_for_restart(std::size_t from) {
        auto down = host.wait(from, connection_of(kMouseIndex));
        ASSERT_TRUE(down);
        ASSERT_EQ(host.at(*down).report[4], rap::kLinkNotEstablished);
        auto up = host.wait(*down + 1, connection_of(kMouseIndex));
        ASSERT_TRUE(up);
        ASSERT_EQ(host.at(*up).report[4], 0);
    }

    Report send_packet(const std::vector<Byte>& image, uint32_t number) {
        auto bytes = packet(image, number);
        return exchange(request(kMouseIndex, kDfuIndex, static_cast<Byte>(number % 4),
                                {bytes.begin(), bytes.end()}));
    }

    // The start block, then packets until the status after `until` (all packets by default).
    // Returns the status of the last packet sent.
    Byte send_image(const std::vector<Byte>& image, uint32_t until = 0) {
        uint32_t packets = static_cast<uint32_t>(image.size() / 16) - 1;
        start(image);
        Byte status = 0;
        for (uint32_t n = 1; n <= (until != 0 ? until : packets); ++n) {
            Report answer = send_packet(image, n);
            EXPECT_EQ(status_packet(answer), n);
            status = status_code(answer);
            if (n < packets) {
                EXPECT_EQ(status, DfuTransfer::kPacketAccepted) << "packet " << n;
            }
        }
        return status;
    }

    // The start block, answered with "busy", then the device's own status 1 for packet 0.
    void start(const std::vector<Byte>& image) {
        std::size_t from = host.count();
        auto block = packet(image, 0);
        Report answer = exchange(request(kMouseIndex, kDfuIndex, 4, {block.begin(), block.end()}));
        EXPECT_EQ(status_code(answer), DfuTransfer::kBusy);
        Report ready = wait_for(from, is_dfu_event);
        EXPECT_EQ(status_packet(ready), 0u);
        EXPECT_EQ(status_code(ready), DfuTransfer::kPacketAccepted);
    }

    // DFURestart(1): answered, then the mouse restarts.
    void restart() {
        std::size_t from = host.count();
        Report answer = exchange(request(kMouseIndex, kDfuIndex, 5, {1}));
        EXPECT_EQ(answer[2], kDfuIndex);
        wait_for_restart(from);
    }
};

} // namespace devio::sim::test
