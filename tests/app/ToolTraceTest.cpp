#include "app/ToolTrace.h"

#include <ctime>
#include <fstream>
#include <iterator>
#include <regex>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Source/System/DebugOutput.h"
#include "app/ToolLogFile.h"
#include "support/TempDir.h"

namespace devio::app {
namespace {

using namespace std::string_literals;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// UTF-16LE of ASCII text, written out by hand so that the expectation does not use the encoder.
std::string AsciiAsUtf16Le(std::string_view text) {
    std::string out;
    for (char c : text) {
        out += c;
        out += '\0';
    }
    return out;
}

// The ASCII text of UTF-16LE bytes that hold only ASCII characters.
std::string AsciiFromUtf16Le(std::string_view bytes) {
    std::string out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        EXPECT_EQ(bytes[i + 1], '\0') << "non-ASCII character at byte " << i;
        out += bytes[i];
    }
    return out;
}

const std::string kBom = "\xFF\xFE";

TEST(ToolTraceLine, PrefixIsSecondsWithThreeDecimalsZeroPadded) {
    struct Case {
        double seconds;
        std::string message;
        std::string line;
    } cases[] = {
        {12.3456, "Waiting Bootloader Arrival...\n", "00012.346: Waiting Bootloader Arrival...\n"},
        {0.052, "\n\n[12/08/2026 21:33:10]\n\n", "00000.052: \n\n[12/08/2026 21:33:10]\n\n"},
        {99999.999, "x", "99999.999: x"},
        {0.0, "", "00000.000: "},
        {-0.25, "clock moved back", "00000.000: clock moved back"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatToolTraceLine(c.seconds, c.message), c.line) << c.seconds;
    }
}

TEST(ToolTraceLine, LongMessagesAreCutAtTheLimitInCharacters) {
    std::string prefix = "00001.000: ";
    // A cut line still ends with its line feed, inside the 1,012-character message part.
    std::string line = FormatToolTraceLine(1.0, std::string(2000, 'a') + "\n");
    EXPECT_EQ(line, prefix + std::string(kMaxTraceMessageLength - 1, 'a') + "\n");

    // Two-byte characters are counted as characters and never split.
    std::string e = "\xC3\xA9";
    std::string many;
    for (int i = 0; i < 1500; ++i) {
        many += e;
    }
    std::string expected = prefix;
    for (size_t i = 0; i < kMaxTraceMessageLength; ++i) {
        expected += e;
    }
    EXPECT_EQ(FormatToolTraceLine(1.0, many), expected);

    std::string exact(kMaxTraceMessageLength, 'b');
    EXPECT_EQ(FormatToolTraceLine(1.0, exact), prefix + exact);
}

TEST(ToolTrace, FormatsTheMessageAndSendsTheLineToTheDebuggerOutput) {
    sys::DebugOutputCapture capture;
    ToolTrace("Device 0x%04x is arrived.\n", 0x40A1);
    ToolTrace("ExtractResourceFromFile(%s)\n", "/media/Frédéric/QRT08_D0.dfu");
    auto texts = capture.texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_TRUE(
        std::regex_match(texts[0], std::regex(R"(\d{5}\.\d{3}: Device 0x40a1 is arrived\.\n)")))
        << texts[0];
    EXPECT_NE(texts[1].find(": ExtractResourceFromFile(/media/Frédéric/QRT08_D0.dfu)\n"),
              std::string::npos);
}

TEST(ToolLogFile, NewFileGetsBomAndLaterRunsAppendWithCrLf) {
    test::TempDir dir;
    std::string path = dir.file("VantorFirmwareUpdate.log");
    {
        CToolLogFile log;
        ASSERT_TRUE(log.Open(path));
        EXPECT_EQ(ReadFile(path), kBom);
        log.Write("00012.346: Waiting Bootloader Arrival...\n");
    }
    {
        CToolLogFile log;
        ASSERT_TRUE(log.Open(path));
        log.Write("00000.052: \n\n[12/08/2026 21:33:10]\n\n");
        log.Write("00001.000: Fr\xC3\xA9"
                  "d\xC3\xA9ric \xE2\x82\xAC\r\n");
    }
    std::string expected = kBom + AsciiAsUtf16Le("00012.346: Waiting Bootloader Arrival...\r\n") +
                           AsciiAsUtf16Le("00000.052: \r\n\r\n[12/08/2026 21:33:10]\r\n\r\n") +
                           AsciiAsUtf16Le("00001.000: Fr") + "\xE9\0"s + AsciiAsUtf16Le("d") +
                           "\xE9\0"s + AsciiAsUtf16Le("ric ") + "\xAC\x20"s +
                           AsciiAsUtf16Le("\r\r\n");
    EXPECT_EQ(ReadFile(path), expected);
}

TEST(ToolLogFile, ExistingTextWithoutBomIsAppendedToUnchanged) {
    test::TempDir dir;
    std::string path = dir.file("log");
    std::ofstream(path, std::ios::binary) << "x";
    CToolLogFile log;
    ASSERT_TRUE(log.Open(path));
    log.Write("y");
    EXPECT_EQ(ReadFile(path), "xy\0"s);
}

TEST(ToolLogFile, UnopenableFileLeavesTracingToTheDebuggerOnly) {
    test::TempDir dir;
    CToolLogFile log;
    EXPECT_FALSE(log.Open(dir.file("missing/folder/log")));
    EXPECT_FALSE(log.Open(dir.path())); // a folder
    const std::string victim = dir.file("victim");
    std::ofstream(victim) << "keep";
    ASSERT_EQ(symlink(victim.c_str(), dir.file("log").c_str()), 0);
    EXPECT_FALSE(log.Open(dir.file("log"))) << "never through a link";
    EXPECT_FALSE(log.IsOpen());
    log.Write("dropped\n");
    EXPECT_EQ(ReadFile(victim), "keep");
}

class ToolLogRun : public ::testing::Test {
protected:
    void TearDown() override { CToolLogFile::Instance().Close(); }
    test::TempDir documents;
};

TEST_F(ToolLogRun, EachRunAppendsItsHeaderToTheLogInDocuments) {
    test::ScopedEnv env("XDG_DOCUMENTS_DIR", documents.path().c_str());
    std::string path = documents.file("VantorFirmwareUpdate.log");
    ASSERT_TRUE(BeginToolLogRun());
    ToolTrace("Waiting Firmware Change...\n");
    ASSERT_TRUE(BeginToolLogRun());

    std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.substr(0, 2), kBom);
    std::string text = AsciiFromUtf16Le(bytes.substr(2));
    std::string header =
        R"(\d{5}\.\d{3}: \r\n\r\n\[(\d\d)/(\d\d)/(\d{4}) (\d\d):(\d\d):(\d\d)\]\r\n\r\n)";
    std::smatch match;
    ASSERT_TRUE(std::regex_match(
        text, match,
        std::regex(header + R"(\d{5}\.\d{3}: Waiting Firmware Change\.\.\.\r\n)" + header)))
        << text;

    // The header holds the local date and time of the run.
    std::tm stamp{};
    stamp.tm_mon = std::stoi(match[1]) - 1;
    stamp.tm_mday = std::stoi(match[2]);
    stamp.tm_year = std::stoi(match[3]) - 1900;
    stamp.tm_hour = std::stoi(match[4]);
    stamp.tm_min = std::stoi(match[5]);
    stamp.tm_sec = std::stoi(match[6]);
    stamp.tm_isdst = -1;
    EXPECT_LT(std::abs(std::difftime(std::time(nullptr), std::mktime(&stamp))), 120.0);
}

TEST_F(ToolLogRun, WithoutDocumentsFolderThereIsNoFileAndNoHeader) {
    std::string missing = documents.file("not-there");
    test::ScopedEnv env("XDG_DOCUMENTS_DIR", missing.c_str());
    sys::DebugOutputCapture capture;
    EXPECT_FALSE(BeginToolLogRun());
    EXPECT_FALSE(CToolLogFile::Instance().IsOpen());
    EXPECT_TRUE(capture.texts().empty());
    ToolTrace("still traced\n");
    EXPECT_TRUE(capture.contains("still traced"));
}

} // namespace
} // namespace devio::app
