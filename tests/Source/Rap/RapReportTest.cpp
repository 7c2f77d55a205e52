#include "Source/Contracts/RapReport.h"

#include <gtest/gtest.h>

namespace devio::rap {
namespace {

TEST(RapReport, CommandsTakeTheShortOrLongIdByLengthAndAreNotPadded) {
    struct Case {
        std::vector<Byte> parameters;
        Byte id;
    };
    for (const Case& c :
         {Case{{}, kShortReportId}, Case{{1, 2, 3}, kShortReportId},
          Case{{1, 2, 3, 4}, kLongReportId}, Case{std::vector<Byte>(16, 7), kLongReportId}}) {
        Report command = make_feature_command(0x05, 0x1, 0xA, c.parameters);
        ASSERT_EQ(command.size(), kHeaderLength + c.parameters.size());
        EXPECT_EQ(command[0], c.id) << c.parameters.size() << " parameter bytes";
        EXPECT_EQ(command[1], kOwnDeviceIndex);
        EXPECT_EQ(command[2], 0x05);
        EXPECT_EQ(command[3], 0x1A);
        EXPECT_EQ(parameters_of(command), c.parameters);
    }
}

TEST(RapReport, SoftwareIdReplacesOnlyTheLowNibbleOfByteThree) {
    EXPECT_EQ(with_software_id({0x10, 0xFF, 0x02, 0x3F, 0x44}, 0x1),
              (Report{0x10, 0xFF, 0x02, 0x31, 0x44}));
    EXPECT_EQ(with_software_id({0x10, 0xFF, 0x02}, 0x1), (Report{0x10, 0xFF, 0x02}));
}

TEST(RapReport, ErrorCodesMapByGenerationWithTheirUnknownCodesAbove) {
    struct Case {
        Byte byte2;
        Byte code;
        ErrorCode expected;
    };
    for (const Case& c : {Case{kRap10ErrorSubId, 0, ErrorCode::Rap10Error},
                          Case{kRap10ErrorSubId, 7, static_cast<ErrorCode>(15)},
                          Case{kRap10ErrorSubId, 12, static_cast<ErrorCode>(20)},
                          Case{kRap10ErrorSubId, 13, ErrorCode::Rap10ErrorUnknown},
                          Case{kRap20ErrorFeatureIndex, 2, static_cast<ErrorCode>(46)},
                          Case{kRap20ErrorFeatureIndex, 9, static_cast<ErrorCode>(53)},
                          Case{kRap20ErrorFeatureIndex, 10, ErrorCode::Rap20ErrorUnknown},
                          Case{kRap20ErrorFeatureIndex, 0xFF, ErrorCode::Rap20ErrorUnknown}}) {
        Report response{0x10, 0xFF, c.byte2, 0x05, 0x1A, c.code, 0x00};
        EXPECT_TRUE(is_error_response(response));
        EXPECT_EQ(error_code_of(response), c.expected)
            << "byte 2 " << int(c.byte2) << " code " << int(c.code);
    }
    EXPECT_FALSE(is_error_response({0x10, 0xFF, 0x8F}));
    EXPECT_FALSE(is_error_response({0x10, 0xFF, 0x05, 0x1A, 0x00, 0x02, 0x00}));
}

TEST(RapReport, ErrorAnswersMustRepeatTheFailedRequest) {
    const Report feature_command{0x10, 0xFF, 0x05, 0x1A, 0x00};
    const Report register_command{0x10, 0xFF, 0x81, 0x02, 0x00};
    struct Case {
        Report report;
        const Report& command;
        bool rap10;
        bool rap20;
    };
    const Case cases[] = {
        {{0x10, 0xFF, 0xFF, 0x05, 0x1A, 0x02, 0x00}, feature_command, false, true},
        {{0x10, 0xFF, 0xFF, 0x05, 0x1B, 0x02, 0x00}, feature_command, false, false},
        {{0x10, 0x01, 0xFF, 0x05, 0x1A, 0x02, 0x00}, feature_command, false, false},
        {{0x10, 0xFF, 0x8F, 0x81, 0x02, 0x03, 0x00}, register_command, true, false},
        // A receiver answering for itself uses index 0 for a command sent to 0xFF.
        {{0x10, 0x00, 0x8F, 0x81, 0x02, 0x03, 0x00}, register_command, true, false},
        {{0x10, 0x00, 0x8F, 0x81, 0x03, 0x03, 0x00}, register_command, false, false},
        {{0x10, 0x02, 0x8F, 0x81, 0x02, 0x03, 0x00}, register_command, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(is_rap10_error_for(c.report, c.command), c.rap10)
            << testing::PrintToString(c.report);
        EXPECT_EQ(is_rap20_error_for(c.report, c.command), c.rap20)
            << testing::PrintToString(c.report);
    }
}

TEST(RapReport, MatchingCountsBytesBeyondTheEndAsZero) {
    const Report ping{0x10, 0xFF, 0x00, 0x1A, 0x00, 0x00, 0x5C};
    EXPECT_TRUE(header_matches({0x11, 0xFF, 0x00, 0x1A}, ping));
    EXPECT_FALSE(header_matches({0x10, 0xFF, 0x00, 0x1B}, ping));
    EXPECT_TRUE(header_matches({0x10, 0xFF, 0x00}, {0x10, 0xFF, 0x00, 0x00}));
    EXPECT_FALSE(header_matches({}, ping));
    EXPECT_FALSE(header_matches(ping, {}));

    EXPECT_TRUE(payload_matches({0x10, 0xFF, 0x00, 0x1A, 0x04, 0x02, 0x5C}, ping, {2}));
    EXPECT_FALSE(payload_matches({0x10, 0xFF, 0x00, 0x1A, 0x04, 0x02, 0x5D}, ping, {2}));
    EXPECT_FALSE(payload_matches({0x10, 0xFF, 0x00, 0x1A}, ping, {2}));
    EXPECT_TRUE(payload_matches({0x10, 0xFF, 0x00, 0x1A}, ping, {0, 1, 100}));
    EXPECT_TRUE(payload_matches({0x10}, {0x10}, {SIZE_MAX}));
}

} // namespace
} // namespace devio::rap
