#include "sim/VirtualMouse.h"

#include <gtest/gtest.h>

#include "SimHarness.h"
#include "sim/Crc16.h"

namespace devio::sim {
namespace {

using test::SimTest;

// Feature indexes of the application firmware.
constexpr Byte kRoot = 0, kFeatureSet = 1, kFirmwareInfo = 2, kConfigChange = 3, kDfuControl = 4,
               kButtonSwap = 7, kOnboardProfiles = 8, kReportRate = 11; // after 0x0005 and 0x2201

std::vector<Byte> params_of(const Report& answer, std::size_t count) {
    return {answer.begin() + 4, answer.begin() + 4 + static_cast<std::ptrdiff_t>(count)};
}

class SimMouse : public SimTest {
protected:
    Byte index_of(uint16_t feature) {
        return mouse_request(kRoot, 0,
                             {static_cast<Byte>(feature >> 8), static_cast<Byte>(feature)})[4];
    }
};

TEST_F(SimMouse, ListsItsFeaturesThroughRootAndFeatureSet) {
    const std::vector<uint16_t> expected{0x0000, 0x0001, 0x0003, 0x0020, 0x00C2, 0x1000,
                                         0x1D4B, 0x2005, 0x8100, 0x0005, 0x2201,
                                         0x8060};
    ASSERT_EQ(mouse_request(kFeatureSet, 0)[4], expected.size() - 1);
    for (std::size_t i = 1; i < expected.size(); ++i) {
        Report entry = mouse_request(kFeatureSet, 1, {static_cast<Byte>(i)});
        EXPECT_EQ(entry[4] << 8 | entry[5], expected[i]) << i;
        EXPECT_EQ(index_of(expected[i]), i) << std::hex << expected[i];
    }
    EXPECT_EQ(index_of(0x00D0), 0) << "no DFU transfer outside the bootloader";
    EXPECT_EQ(mouse_request(kFeatureSet, 1, {12})[2], rap::kRap20Error);
}

TEST_F(SimMouse, AnswersItsNameInChunksAndItsDpi) {
    EXPECT_EQ(params_of(mouse_request(index_of(0x0005), 0), 1), (std::vector<Byte>{6}));
    EXPECT_EQ(params_of(mouse_request(index_of(0x0005), 1, {2}), 5),
              (std::vector<Byte>{'n', 't', 'o', 'r', 0}));
    EXPECT_EQ(mouse_request(index_of(0x0005), 1, {6})[2], rap::kRap20Error) << "past the name";
    EXPECT_EQ(params_of(mouse_request(index_of(0x0005), 2), 1), (std::vector<Byte>{3}))
        << "a mouse";
    EXPECT_EQ(params_of(mouse_request(index_of(0x2201), 1, {0}), 9),
              (std::vector<Byte>{0, 0x00, 0xC8, 0xE0, 50, 0x0F, 0xA0, 0, 0}));
    EXPECT_EQ(params_of(mouse_request(index_of(0x2201), 3, {0, 0x03, 0x20}), 3),
              (std::vector<Byte>{0, 0x03, 0x20}));
    EXPECT_EQ(mouse_request(index_of(0x2201), 3, {0, 0x03, 0x21})[2], rap::kRap20Error)
        << "off the step";
    EXPECT_EQ(params_of(mouse_request(index_of(0x2201), 2, {0}), 5),
              (std::vector<Byte>{0, 0x03, 0x20, 0x03, 0xE8}));
}

TEST_F(SimMouse, AnswersOnTheLongCollectionEchoingSoftwareIdAndPing) {
    std::size_t from = host.count();
    Report answer = exchange(test::request(1, kRoot, 1, {0, 0, 0xA7}, 0x9));
    EXPECT_EQ(host.since(from).back().collection, Collection::Long);
    EXPECT_EQ(params_of(answer, 3), (std::vector<Byte>{4, 2, 0xA7}));
    EXPECT_EQ(answer[3], 0x19);
}

TEST_F(SimMouse, DescribesItsFirmwareEntities) {
    Report count = mouse_request(kFirmwareInfo, 0);
    EXPECT_EQ(params_of(count, 9),
              (std::vector<Byte>{3, 0x4D, 0x2B, 0x17, 0xA5, 0x00, 0x04, 0x40, 0xA1}));
    EXPECT_EQ(params_of(mouse_request(kFirmwareInfo, 1, {0}), 9),
              (std::vector<Byte>{0, 'Q', 'R', 'T', 0x08, 0x06, 0x00, 0x27, 1}));
    EXPECT_EQ(params_of(mouse_request(kFirmwareInfo, 1, {1}), 9),
              (std::vector<Byte>{1, 'B', 'O', 'T', 0x01, 0x02, 0x00, 0x07, 0}));
    EXPECT_EQ(mouse_request(kFirmwareInfo, 1, {3}),
              (Report{0x10, 0x01, 0xFF, kFirmwareInfo, 0x11, 0x03, 0}));
}

TEST_F(SimMouse, ReportsTheVersionItWasGiven) {
    MouseOptions options;
    options.application = *FirmwareVersion::parse("8.5.9928");
    auto older = std::make_shared<VirtualMouse>(scheduler, options);
    ASSERT_EQ(receiver.pair_at(2, older), 2);
    Report info = exchange(test::request(2, kFirmwareInfo, 1, {0}));
    EXPECT_EQ(params_of(info, 8), (std::vector<Byte>{0, 'Q', 'R', 'T', 0x08, 0x05, 0x99, 0x28}));
    EXPECT_EQ(older->state().running_version, "8.5.9928");
}

TEST_F(SimMouse, AnswersUnknownFeaturesFunctionsAndShortRequestsWithRap20Errors) {
    struct Case {
        Report request;
        Byte code;
    };
    for (const Case& c : {
             Case{test::request(1, 0x20, 0), 0x06},                // no feature at index 0x20
             Case{test::request(1, kRoot, 5), 0x07},               // no function 5
             Case{test::request(1, 6, 0), 0x07},                   // 0x1D4B has no functions
             Case{test::request(1, kDfuControl, 1, {1, 0}), 0x02}, // "DFU" missing: no restart
             Case{test::request(1, kOnboardProfiles, 5, {0, 16, 0}), 0x03}, // sector 16
         }) {
        EXPECT_EQ(exchange(c.request),
                  (Report{0x10, 0x01, 0xFF, c.request[2], c.request[3], c.code, 0}));
    }
    EXPECT_EQ(mouse->state().running, Firmware::Application);
}

TEST_F(SimMouse, KeepsTheCookieAcrossAPowerCycleButNotItsRamSettings) {
    mouse_request(kConfigChange, 1, {0xBE, 0xEF});
    EXPECT_EQ(params_of(mouse_request(kButtonSwap, 1, {1}), 1), std::vector<Byte>{1});
    enable_notifications();
    mouse->set_power(false);
    std::size_t from = host.count();
    mouse->set_power(true);
    // Back on: the link comes up, then the wireless-status event (reconnect, config needed, power
    // switch) of feature 0x1D4B at index 6, software id 0.
    wait_for(from, test::connection_of(1));
    EXPECT_EQ(params_of(wait_for(from, [](const Report& r) { return r[2] == 6; }), 3),
              (std::vector<Byte>{1, 1, 1}));
    EXPECT_EQ(params_of(mouse_request(kConfigChange, 0), 2), (std::vector<Byte>{0xBE, 0xEF}));
    EXPECT_EQ(params_of(mouse_request(kButtonSwap, 0), 1), std::vector<Byte>{0});
}

TEST_F(SimMouse, OffersFourReportRatesAndRefusesOthers) {
    EXPECT_EQ(params_of(mouse_request(kReportRate, 0), 1), std::vector<Byte>{0x8B});
    EXPECT_EQ(params_of(mouse_request(kReportRate, 1), 1), std::vector<Byte>{8});
    for (Byte refused : {0, 3, 9}) {
        EXPECT_EQ(mouse_request(kReportRate, 2, {refused})[2], rap::kRap20Error) << int(refused);
    }
    mouse_request(kReportRate, 2, {2});
    EXPECT_EQ(params_of(mouse_request(kReportRate, 1), 1), std::vector<Byte>{2});
}

TEST_F(SimMouse, ProfileMemoryAnswersTheReadsAndWritesOfAProfileRepair) {
    Report info = mouse_request(kOnboardProfiles, 0);
    EXPECT_GT(info[4 + 6], 6) << "info value 6: sectors";
    // The upper sectors are empty; the block at 239 ends at byte 254, one at 240 would not fit.
    EXPECT_EQ(params_of(mouse_request(kOnboardProfiles, 5, {0, 6, 0, 239}), 16),
              std::vector<Byte>(16, 0xFF));
    EXPECT_EQ(mouse_request(kOnboardProfiles, 5, {0, 6, 0, 240})[2], rap::kRap20Error);

    // Read bytes 0 to 239 of sector 1, exchange two 4-byte entries, set the CRC, write it back.
    std::array<Byte, 255> sector;
    sector.fill(0xFF);
    for (Byte address = 0; address < 240; address += 16) {
        auto block = params_of(mouse_request(kOnboardProfiles, 5, {0, 1, 0, address}), 16);
        std::copy(block.begin(), block.end(), sector.begin() + address);
    }
    std::swap_ranges(sector.begin() + 44, sector.begin() + 48, sector.begin() + 48);
    uint16_t crc = crc16_ccitt_false(std::span<const Byte>(sector.data(), 253));
    sector[253] = static_cast<Byte>(crc >> 8);
    sector[254] = static_cast<Byte>(crc);
    mouse_request(kOnboardProfiles, 6, {0, 1, 0, 0, 0, 255});
    for (int offset = 0; offset < 255; offset += 16) {
        std::vector<Byte> block(16, 0xFF);
        std::copy_n(sector.begin() + offset, std::min(16, 255 - offset), block.begin());
        Report status = mouse_request(kOnboardProfiles, 7, block);
        EXPECT_EQ(status[2], kOnboardProfiles) << offset;
        EXPECT_EQ(status[5], offset + 16 < 255 ? 1 : 2) << offset;
    }
    EXPECT_EQ(mouse_request(kOnboardProfiles, 8)[2], kOnboardProfiles);
    EXPECT_EQ(mouse->state().sectors[1], sector);
    EXPECT_EQ(params_of(mouse_request(kOnboardProfiles, 10, {0, 1}), 2),
              (std::vector<Byte>{static_cast<Byte>(crc >> 8), static_cast<Byte>(crc)}));
}

TEST_F(SimMouse, RefusesAProfileWriteWithABadCrc) {
    auto before = mouse->state().sectors[2];
    mouse_request(kOnboardProfiles, 6, {0, 2, 0, 0, 0, 16});
    mouse_request(kOnboardProfiles, 7, std::vector<Byte>(16, 0x00));
    EXPECT_EQ(mouse_request(kOnboardProfiles, 8),
              (Report{0x10, 0x01, 0xFF, kOnboardProfiles, 0x81, 0x02, 0}));
    EXPECT_EQ(mouse->state().sectors[2], before);
}

TEST_F(SimMouse, EntersItsBootloaderThroughDfuControl) {
    enable_notifications();
    std::size_t from = host.count();
    // SetDfuControl(1, 0) with "DFU", a long report the host does not wait an answer for.
    write(test::request(1, kDfuControl, 1, {1, 0, 0, 0, 'D', 'F', 'U'}));
    auto down = host.wait(from, test::connection_of(1));
    ASSERT_TRUE(down);
    EXPECT_EQ(host.at(*down).report[4], rap::kLinkNotEstablished);
    auto up = host.wait(*down + 1, test::connection_of(1));
    ASSERT_TRUE(up);
    EXPECT_EQ(host.at(*up).report[4], 0x00);
    for (const auto& r : host.since(from)) {
        EXPECT_NE(r.report[2], kDfuControl) << "the request is not answered";
    }
    EXPECT_EQ(params_of(mouse_request(kFirmwareInfo, 1, {1}), 9),
              (std::vector<Byte>{1, 'B', 'O', 'T', 0x01, 0x02, 0x00, 0x07, 1}));
    EXPECT_EQ(index_of(0x00D0), 3);
    EXPECT_EQ(index_of(0x8100), 0) << "the bootloader has no profile feature";
    auto state = mouse->state();
    EXPECT_EQ(state.running_prefix, "BOT");
    EXPECT_EQ(state.restarts, 1);
}

} // namespace
} // namespace devio::sim
