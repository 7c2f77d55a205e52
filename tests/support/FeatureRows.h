// Table-driven checks of a feature class against a scripted device: per operation the requests it
// sends, the answers it is given, and what it decodes or the error it leaves; per event the
// device's report or another program's answer, and what the class publishes.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Source/Contracts/RapReport.h"
#include "Source/Log/LastError.h"
#include "Source/Rap/FeatureFactory.h"
#include "Source/System/DebugOutput.h"
#include "support/DeviceHarness.h"
#include "support/LogLines.h"
#include "support/ScopedTimeScale.h"

namespace devio::test {

// The feature index the rows put their feature at.
inline constexpr Byte kRowIndex = 0x07;

template <class C>
std::shared_ptr<C> install_feature(DeviceHarness& h) {
    auto feature = std::dynamic_pointer_cast<C>(
        FeatureFactory::create(C::kFeatureNumber, kRowIndex, h.device));
    h.device->feature_table().put(feature);
    return feature;
}

// One request: its function and its parameters (the padding after them must be zero).
struct Sent {
    unsigned function;
    std::vector<Byte> parameters;
};

template <class C>
struct OperationRow {
    const char* operation;
    // Answer parameters per function, in order; the last one stays.
    std::map<unsigned, std::vector<std::vector<Byte>>> answers;
    // Calls the operation and writes what it decoded into the string.
    std::function<bool(C&, std::string&)> call;
    std::vector<Sent> sent;
    std::string decoded;                  // when the operation succeeds
    ErrorCode error = ErrorCode::NoError; // when it fails
};

inline std::string sent_text(const Sent& s) {
    std::string text = std::to_string(s.function) + ":";
    for (Byte b : s.parameters) {
        text += " " + std::to_string(b);
    }
    return text;
}

// The requests written to the row's feature, each cut to the length the expected one has when
// everything after that is zero.
inline std::vector<std::string> requests_of(const FakeHardwareDevice& hardware,
                                            const std::vector<Sent>& expected) {
    std::vector<std::string> texts;
    std::size_t n = 0;
    for (const auto& write : hardware.writes()) {
        if (rap::byte_at(write.report, 2) != kRowIndex) {
            continue;
        }
        std::vector<Byte> parameters = rap::parameters_of(write.report);
        std::size_t keep = n < expected.size() ? expected[n].parameters.size() : 0;
        bool tail_zero = true;
        for (std::size_t i = keep; i < parameters.size(); ++i) {
            tail_zero = tail_zero && parameters[i] == 0;
        }
        if (tail_zero && keep <= parameters.size()) {
            parameters.resize(keep);
        }
        texts.push_back(sent_text({rap::function_of(rap::byte_at(write.report, 3)), parameters}));
        ++n;
    }
    return texts;
}

template <class C>
void run_operation_rows(const std::vector<OperationRow<C>>& rows) {
    for (const OperationRow<C>& row : rows) {
        SCOPED_TRACE(row.operation);
        DeviceHarness h;
        h.make_feature_based();
        h.answer_root_without_features(); // a setting's set_configured finds no cookie feature
        std::shared_ptr<C> feature = install_feature<C>(h);
        for (const auto& [function, answers] : row.answers) {
            std::vector<FakeHardwareDevice::Answer> scripted;
            for (const auto& parameters : answers) {
                scripted.push_back(FakeHardwareDevice::Answer::with(parameters));
            }
            h.hardware->answer(kRowIndex, function, scripted);
        }
        set_last_error(ErrorCode::NoError);
        std::string decoded;
        bool ok = row.call(*feature, decoded);
        ErrorCode code = last_error().code;
        std::vector<std::string> expected;
        for (const Sent& s : row.sent) {
            expected.push_back(sent_text(s));
        }
        EXPECT_EQ(requests_of(*h.hardware, row.sent), expected);
        if (row.error == ErrorCode::NoError) {
            EXPECT_TRUE(ok) << "error " << to_underlying(code);
            EXPECT_EQ(decoded, row.decoded);
        } else {
            EXPECT_FALSE(ok);
            EXPECT_EQ(to_underlying(code), to_underlying(row.error));
        }
    }
}

// One report of the feature reaching the class: a device event (software id 0) or another
// program's answer, and the texts the class's events publish for it.
struct EventRow {
    unsigned function;
    unsigned software_id;
    std::vector<Byte> parameters;
    std::vector<std::string> published;
};

// Delivers every row's report through the device's read thread, one after the other, and checks
// what `published` collected for each.
template <class C>
void run_event_rows(DeviceHarness& h, const std::vector<EventRow>& rows,
                    std::vector<std::string>& published) {
    for (const EventRow& row : rows) {
        SCOPED_TRACE("function " + std::to_string(row.function) + " software id " +
                     std::to_string(row.software_id));
        published.clear();
        rap::Report report =
            rap::make_feature_command(kRowIndex, row.function, row.software_id, row.parameters);
        report.resize(std::max<std::size_t>(report.size(), rap::kShortReportLength), 0);
        h.hardware->deliver(report);
        h.hardware->wait_idle();
        EXPECT_EQ(published, row.published);
    }
}

// A change while the device is away is held and logged, and both held changes are written in
// order when it is back. `set` writes the value 1 or 0, which the request carries at
// `value_byte`; the device answers
// `answer`.
template <class C>
void check_away_and_back(const char* caching_line, unsigned set_function,
                         const std::function<bool(C&, int)>& set, std::size_t value_byte = 0,
                         std::vector<Byte> answer = {1}) {
    DeviceHarness h;
    h.make_feature_based();
    h.answer_root_without_features();
    std::shared_ptr<C> feature = install_feature<C>(h);
    h.hardware->answer(kRowIndex, set_function, {FakeHardwareDevice::Answer::with(answer)});
    sys::DebugOutputCapture capture;
    {
        ScopedTimeScale fast(kAwayScale);
        h.hardware->drop_link();
        EXPECT_TRUE(set(*feature, 1));
        EXPECT_TRUE(set(*feature, 0));
    }
    EXPECT_EQ(last_error().code, ErrorCode::NoError);
    EXPECT_EQ(count_lines(capture, caching_line), 2);
    EXPECT_TRUE(feature->pending());
    std::size_t away = h.hardware->write_count();

    h.hardware->announce_connect();
    h.hardware->wait_idle();
    // The device may replay on its own when it hears the connection; either way each held value
    // is written once, in order, and nothing is left.
    EXPECT_TRUE(feature->process_pending_changes(false));
    EXPECT_TRUE(feature->process_pending_changes(false));
    std::vector<rap::Report> writes;
    for (const auto& write : h.hardware->writes()) {
        writes.push_back(write.report);
    }
    std::vector<std::string> written;
    for (std::size_t i = away; i < writes.size(); ++i) {
        if (rap::byte_at(writes[i], 2) == kRowIndex &&
            rap::function_of(rap::byte_at(writes[i], 3)) == set_function) {
            written.push_back(std::to_string(rap::parameters_of(writes[i])[value_byte]));
        }
    }
    EXPECT_EQ(written, (std::vector<std::string>{"1", "0"}));
}

} // namespace devio::test
