#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

#include "Source/System/DebugOutput.h"
#include "XLogTestLog.h"
#include "support/WaitFor.h"

namespace devio {
namespace {

using test::FileLine;
using test::TestLog;

XLogConfig file_only() {
    XLogConfig config;
    config.outputs = XLogConfig::kFileOutput;
    return config;
}

std::vector<std::string> texts_of(const std::vector<FileLine>& lines) {
    std::vector<std::string> texts;
    for (const FileLine& line : lines) {
        texts.push_back(line.text);
    }
    return texts;
}

size_t index_of(const std::vector<std::string>& texts, const std::string& text) {
    return static_cast<size_t>(std::find(texts.begin(), texts.end(), text) - texts.begin());
}

// Inserts "T", "f" and `message` into `buffer`: 7 + message length bytes of text.
LogBuffer::Reserve put(LogBuffer& buffer, const std::string& message) {
    LogBuffer::Reservation reservation;
    LogBuffer::Reserve result =
        buffer.reserve(static_cast<uint32_t>(message.size() + 7), reservation);
    if (result == LogBuffer::Reserve::Reserved) {
        buffer.fill(reservation, LogTimes::now(), 1, kLogInfo, "T", "f", message);
    }
    return result;
}

TEST(LogBufferTest, RingWrapsWithSkipAndRefusesWhatDoesNotFit) {
    TestLog test(file_only());
    {
        auto reader = test.log().buffers().hold_reader(); // the test is the buffer's only reader
        auto buffer = LogBuffer::create(8, 1000);
        ASSERT_TRUE(buffer);
        LogFile& file = test.log().file();
        const std::string a(200, 'a'), b(200, 'b'), c(200, 'c'), d(200, 'd'), e(200, 'e');
        EXPECT_EQ(put(*buffer, a), LogBuffer::Reserve::Reserved);
        EXPECT_EQ(put(*buffer, b), LogBuffer::Reserve::Reserved);
        EXPECT_EQ(put(*buffer, c), LogBuffer::Reserve::Reserved);
        EXPECT_EQ(put(*buffer, d), LogBuffer::Reserve::Reserved);
        // 828 bytes used: the next record would have to skip the last 172 bytes.
        EXPECT_EQ(put(*buffer, e), LogBuffer::Reserve::Overrun);
        EXPECT_EQ(buffer->usage().entries, 4u);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(buffer->output_oldest_entry(file), LogBuffer::Output::Written);
        }
        EXPECT_EQ(put(*buffer, e), LogBuffer::Reserve::Reserved) << "wraps to offset 0";
        EXPECT_EQ(buffer->usage().text, 207u + 172u + 207u);
        EXPECT_EQ(buffer->output_oldest_entry(file), LogBuffer::Output::Written);
        EXPECT_EQ(buffer->output_oldest_entry(file), LogBuffer::Output::Written);
        EXPECT_EQ(buffer->output_oldest_entry(file), LogBuffer::Output::None);
        EXPECT_EQ(buffer->usage().text, 0u);

        // The entry ring takes n - 2 records.
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(put(*buffer, "s" + std::to_string(i)), LogBuffer::Reserve::Reserved);
        }
        EXPECT_EQ(put(*buffer, "s6"), LogBuffer::Reserve::Overrun);
        while (buffer->output_oldest_entry(file) != LogBuffer::Output::None) {
        }
    }
    auto texts = texts_of(test.shut_down_and_read());
    size_t first = index_of(texts, std::string(200, 'a'));
    ASSERT_LT(first + 10, texts.size() + 1);
    const std::vector<std::string> expected = {std::string(200, 'a'),
                                               std::string(200, 'b'),
                                               std::string(200, 'c'),
                                               std::string(200, 'd'),
                                               std::string(200, 'e'),
                                               "s0",
                                               "s1",
                                               "s2",
                                               "s3",
                                               "s4",
                                               "s5"};
    EXPECT_EQ(std::vector<std::string>(texts.begin() + static_cast<long>(first),
                                       texts.begin() + static_cast<long>(first + expected.size())),
              expected);
}

TEST(LogBufferTest, ReaderWaitsOnASlotThatIsReservedButNotFilled) {
    TestLog test(file_only());
    auto reader = test.log().buffers().hold_reader();
    auto buffer = LogBuffer::create(8, 1000);
    LogBuffer::Reservation first, second;
    ASSERT_EQ(buffer->reserve(10, first), LogBuffer::Reserve::Reserved);
    ASSERT_EQ(buffer->reserve(10, second), LogBuffer::Reserve::Reserved);
    buffer->fill(second, LogTimes::now(), 1, kLogInfo, "T", "f", "two");
    EXPECT_EQ(buffer->output_oldest_entry(test.log().file()), LogBuffer::Output::Busy);
    EXPECT_FALSE(buffer->close_if_empty());
    buffer->fill(first, LogTimes::now(), 1, kLogInfo, "T", "f", "one");
    EXPECT_EQ(buffer->output_oldest_entry(test.log().file()), LogBuffer::Output::Written);
    EXPECT_EQ(buffer->output_oldest_entry(test.log().file()), LogBuffer::Output::Written);
    EXPECT_TRUE(buffer->close_if_empty());
    EXPECT_EQ(put(*buffer, "late"), LogBuffer::Reserve::Closed);
}

TEST(LogBufferTest, OverrunLosesMessagesAndTheLossIsReported) {
    // 40 slots: the header alone does not make the buffer grow; 60 messages cannot all fit.
    TestLog test(file_only(), 40, 100000);
    int written = 0, lost = 0;
    {
        auto reader = test.log().buffers().hold_reader();
        for (int i = 0; i < 60; ++i) {
            (test.log().write("Device", kLogInfo, "devio::Device::burst", "m%d", i) ? written
                                                                                    : lost)++;
        }
    }
    ASSERT_GT(lost, 0);
    ASSERT_GT(written, 0);
    ASSERT_TRUE(test::wait_for([&] { return test.log().buffers().pending() == 0; }));
    test.log().write("Device", kLogInfo, "devio::Device::burst", "after");
    auto lines = test.shut_down_and_read();
    auto texts = texts_of(lines);
    for (int i = 0; i < written; ++i) {
        EXPECT_LT(index_of(texts, "m" + std::to_string(i)), texts.size());
    }
    EXPECT_EQ(index_of(texts, "m" + std::to_string(written)), texts.size());
    const std::string report = "xLog overrun detected by reader, lost " + std::to_string(lost) +
                               " messages around this time";
    size_t at = index_of(texts, report);
    ASSERT_LT(at, texts.size());
    EXPECT_EQ(lines[at].level, "0");
    EXPECT_EQ(lines[at].function, "LogBuffer::report_overruns");
    EXPECT_GT(at, index_of(texts, "m" + std::to_string(written - 1)));
    EXPECT_LT(index_of(texts, "after"), texts.size());
    EXPECT_EQ(test.log().buffers().lost(), 0u);
}

TEST(LogBufferTest, GrowsWhenAThirdIsInUseAndDropsEmptyRetiredBuffers) {
    TestLog test(file_only(), 30, 100000);
    auto fill = [&](int from, int to) {
        auto reader = test.log().buffers().hold_reader();
        for (int i = from; i < to; ++i) {
            EXPECT_TRUE(test.log().write("Device", kLogInfo, "devio::Device::burst", "g%d", i));
        }
    };
    fill(0, 12); // with the header, more than 10 of 30 slots
    ASSERT_TRUE(test::wait_for([&] { return test.log().buffers().capacity().entries == 90; }));
    EXPECT_EQ(test.log().buffers().capacity().text, 200000u);
    ASSERT_TRUE(test::wait_for([&] { return test.log().buffers().pending() == 0; }));
    fill(12, 45); // more than 30 of 90 slots
    ASSERT_TRUE(test::wait_for([&] { return test.log().buffers().capacity().entries == 270; }));

    auto texts = texts_of(test.shut_down_and_read());
    size_t enlarged = 0;
    for (const std::string& text : texts) {
        if (text.starts_with(
                "xLog enlarged buffer from 30/100000 to 90/200000, currently using ") ||
            text.starts_with(
                "xLog enlarged buffer from 90/200000 to 270/400000, currently using ")) {
            ++enlarged;
        }
    }
    EXPECT_EQ(enlarged, 2u);
    EXPECT_LT(index_of(texts, "xLog deleting old log buffer containing 0/0"), texts.size());
    for (int i = 1; i < 45; ++i) {
        EXPECT_LT(index_of(texts, "g" + std::to_string(i - 1)),
                  index_of(texts, "g" + std::to_string(i)))
            << "records keep their order across growth";
    }
    EXPECT_LT(index_of(texts, "g44"), texts.size());
}

TEST(LogBufferTest, ShutdownTwiceAndDirectOutputAfterwards) {
    sys::DebugOutputCapture console;
    TestLog test;
    test.log().write("Device", kLogInfo, "devio::Device::open", "buffered");
    test.log().buffers().shutdown();
    test.log().buffers().shutdown();
    EXPECT_TRUE(test.log().buffers().is_shut_down());
    test.log().write("Device", kLogInfo, "devio::Device::open", "direct");
    // Written and flushed by the call itself.
    auto texts = texts_of(test.lines());
    const std::vector<std::string> sequence = {"buffered",
                                               "_shutdown set to true",
                                               "notifying logging thread of shutdown",
                                               "joining log thread",
                                               "freeing tag info",
                                               "logging is now direct to file, all tags enabled",
                                               "already shut down",
                                               "direct"};
    for (size_t i = 0; i < sequence.size(); ++i) {
        EXPECT_LT(index_of(texts, sequence[i]), texts.size()) << sequence[i];
        if (i > 0) {
            EXPECT_LT(index_of(texts, sequence[i - 1]), index_of(texts, sequence[i]));
        }
    }
    EXPECT_LT(index_of(texts, "log thread exiting"), index_of(texts, "freeing tag info"));
    EXPECT_TRUE(console.contains("INFO - Device::open direct\n")) << "tags no longer filter";
    EXPECT_FALSE(console.contains("INFO - Device::open buffered"));
}

TEST(LogBufferThreadsTest, ManyWritersWhileTheBufferGrows) {
    constexpr int kThreads = 8;
    constexpr int kMessages = 3000;
    TestLog test(file_only(), 64, 16384);
    std::atomic<int> succeeded{0};
    std::vector<std::thread> writers;
    for (int w = 0; w < kThreads; ++w) {
        writers.emplace_back([&, w] {
            for (int n = 0; n < kMessages; ++n) {
                if (test.log().write("Device", kLogInfo, "devio::Device::burst",
                                     "w%d n%d ...................................", w, n)) {
                    succeeded.fetch_add(1);
                }
                if (n == kMessages / 10) {
                    // The rest goes in while, and after, the reader grows the buffer.
                    EXPECT_TRUE(test::wait_for(
                        [&] { return test.log().buffers().capacity().entries > 64; }));
                }
            }
        });
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    auto lines = test.shut_down_and_read();
    std::map<int, int> last_of_writer;
    int messages = 0;
    long long reported = 0;
    for (const FileLine& line : lines) {
        ASSERT_FALSE(line.function.empty()) << "every line is whole";
        int w = -1, n = -1;
        if (std::sscanf(line.text.c_str(), "w%d n%d", &w, &n) == 2) {
            ++messages;
            auto [it, first] = last_of_writer.emplace(w, n);
            if (!first) {
                EXPECT_LT(it->second, n) << "a writer's records keep their order";
                it->second = n;
            }
            EXPECT_TRUE(line.text.ends_with(" ..................................."));
        }
        int lost = 0;
        if (std::sscanf(line.text.c_str(), "xLog overrun detected by reader, lost %d", &lost) ==
            1) {
            reported += lost;
        }
    }
    EXPECT_EQ(messages, succeeded.load());
    // Every lost message is counted; the log's own few lines (growth, shutdown) may be lost too.
    const long long counted = reported + static_cast<long long>(test.log().buffers().lost());
    const long long failed = kThreads * kMessages - succeeded.load();
    EXPECT_GE(counted, failed);
    EXPECT_LE(counted, failed + 16);
}

} // namespace
} // namespace devio
