#include "app/FirmwarePackage.h"

#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "Source/System/DebugOutput.h"
#include "app/FirmwareFile.h"
#include "app/TextEncoding.h"
#include "firmware/FirmwareResources.h"
#include "support/TempDir.h"

namespace devio::app {
namespace {

using Bytes = std::vector<uint8_t>;

class RecordingProgress : public IProgressRange {
public:
    void SetRange(int lower, int upper) override { range = {lower, upper}; }
    void SetStep(int value) override { step = value; }
    std::pair<int, int> range{-1, -1};
    int step = -1;
};

Bytes BuiltIn(uint32_t id) {
    auto bytes = firmware::FindFirmwareResource(id);
    return Bytes(bytes.begin(), bytes.end());
}

Bytes Image(const FirmwareImage& image) {
    return Bytes(image.data(), image.data() + image.size());
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

Bytes Pattern(size_t size, uint8_t first) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(first + i);
    }
    return bytes;
}

TEST(BuiltInFirmware, ImagesBeginAndEndAsTheDeviceExpects) {
    struct Case {
        uint32_t id;
        uint32_t size;
        uint32_t packets;
        Bytes head; // the start block and the first data packet
    } cases[] = {
        {2000, 79'120, 4'945, {0x01, 0x01, 'Q',  'R', 'T', '0',  '8',  '_',  'D',  '0',  0,
                               0,    0,    0,    0,   0,   0x01, 0x00, 0x01, 0xF0, 0x00, 0x00,
                               0x01, 0x33, 0xC8, 0,   0,   0,    0,    0,    0,    0}},
        {2001, 121'216, 7'576, {0x02, 0x01, 'Q',  'R', 'T', '0',  '8',  '_',  'D',  '0',  0,
                                0,    0,    0,    0,   0,   0x01, 0x00, 0x05, 0x10, 0x00, 0x00,
                                0x01, 0xD8, 0x38, 0,   0,   0,    0,    0,    0,    0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        FirmwareImage image;
        ASSERT_TRUE(LoadFirmwareResource(c.id, image));
        EXPECT_EQ(image.size(), c.size);
        EXPECT_EQ(image.packetCount(), c.packets);
        EXPECT_FALSE(image.ownsData());
        Bytes bytes = Image(image);
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 32), c.head);
        uint32_t lengthField = uint32_t{bytes[21]} << 24 | uint32_t{bytes[22]} << 16 |
                               uint32_t{bytes[23]} << 8 | bytes[24];
        EXPECT_EQ(lengthField, c.size - 328);
        Bytes closing(16, 0);
        closing[0] = 0x03;
        EXPECT_EQ(Bytes(bytes.end() - 16, bytes.end()), closing);
    }
}

TEST(BuiltInFirmware, FolderOfTheImageFilesLoadsTheSameBytes) {
    sys::DebugOutputCapture capture;
    CFirmwarePackage package;
    ASSERT_TRUE(package.LoadFirmwareFromFolder(WideFromUtf8(DEVIO_SOURCE_DIR "/firmware")));
    EXPECT_TRUE(package.ImageA().ownsData());
    EXPECT_TRUE(package.ImageB().ownsData());
    EXPECT_EQ(Image(package.ImageA()), BuiltIn(2000));
    EXPECT_EQ(Image(package.ImageB()), BuiltIn(2001));
    EXPECT_TRUE(
        capture.contains("ExtractResourceFromFile(" DEVIO_SOURCE_DIR "/firmware/QRT08_D0.dfu)\n"));
}

TEST(LoadFirmwareResource, UnknownIdLeavesTheRecordAsItWas) {
    FirmwareImage image;
    image.AssignCopy(Pattern(32, 0));
    image.setOffset(16);
    EXPECT_FALSE(LoadFirmwareResource(2002, image));
    EXPECT_EQ(image.size(), 32u);
    EXPECT_EQ(image.offset(), 16u);
    EXPECT_TRUE(image.ownsData());
}

TEST(LoadFirmwareImages, WithoutFolderUsesBothBuiltInImages) {
    CFirmwarePackage package;
    RecordingProgress progress;
    ASSERT_TRUE(package.LoadFirmwareImages(progress));
    EXPECT_EQ(package.ImageA().size(), 79'120u);
    EXPECT_EQ(package.ImageB().size(), 121'216u);
    EXPECT_EQ(progress.range, std::make_pair(0, 208'496));
    EXPECT_EQ(progress.step, 1);
}

// A firmware folder in a temporary directory, and what loading it traced.
class FirmwareFolder : public ::testing::Test {
protected:
    std::wstring Folder() const { return WideFromUtf8(dir.path()); }
    std::vector<std::string> TracedMessages() const {
        std::vector<std::string> messages;
        for (const std::string& line : capture.texts()) {
            messages.push_back(line.substr(line.find(": ") + 2));
        }
        return messages;
    }
    std::vector<std::string> Searches(const std::string& afterA, const std::string& afterB) const {
        std::vector<std::string> lines{"Search the firmware file QRT*.dfu in the folder " +
                                       dir.path() + "\n"};
        if (!afterA.empty()) {
            lines.push_back(afterA + "\n");
        }
        lines.push_back("Search the firmware file s132*.dfu in the folder " + dir.path() + "\n");
        if (!afterB.empty()) {
            lines.push_back(afterB + "\n");
        }
        return lines;
    }

    test::TempDir dir;
    sys::DebugOutputCapture capture;
    CFirmwarePackage package;
    RecordingProgress progress;
};

TEST_F(FirmwareFolder, FileForOneRecordLeavesTheOtherBuiltIn) {
    Bytes imageB = Pattern(48, 0x02);
    WriteFile(dir.file("s132_custom.dfu"), imageB);
    ASSERT_TRUE(package.LoadFirmwareFromFolder(Folder()));
    ASSERT_TRUE(package.LoadFirmwareImages(progress));
    EXPECT_EQ(Image(package.ImageB()), imageB);
    EXPECT_EQ(package.ImageB().packetCount(), 3u);
    EXPECT_EQ(Image(package.ImageA()), BuiltIn(2000));
    EXPECT_EQ(progress.range, std::make_pair(0, 79'120 + 48 + 8'160));
    EXPECT_EQ(TracedMessages(),
              Searches("", "ExtractResourceFromFile(" + dir.file("s132_custom.dfu") + ")"));
}

TEST_F(FirmwareFolder, FirstMatchInByteOrderWinsAndNamesMatchInAnyCase) {
    WriteFile(dir.file("QRT_b.dfu"), Pattern(16, 0xB0));
    WriteFile(dir.file("QRT_a.dfu"), Pattern(16, 0xA0));
    WriteFile(dir.file("qrt_0.dfu"), Pattern(16, 0x00));      // after 'Q' in byte order
    std::filesystem::create_directory(dir.file("QRT_0.dfu")); // first, but a folder
    WriteFile(dir.file("S132.DFU"), Pattern(16, 0x13));
    ASSERT_TRUE(package.LoadFirmwareFromFolder(Folder()));
    EXPECT_EQ(Image(package.ImageA()), Pattern(16, 0xA0));
    EXPECT_EQ(Image(package.ImageB()), Pattern(16, 0x13));
}

TEST_F(FirmwareFolder, UnreadableFilesFallBackToTheBuiltInImages) {
    WriteFile(dir.file("QRT_empty.dfu"), {});
    ASSERT_EQ(mkfifo(dir.file("s132_pipe.dfu").c_str(), 0600), 0);
    ASSERT_TRUE(package.LoadFirmwareFromFolder(Folder()));
    ASSERT_TRUE(package.LoadFirmwareImages(progress));
    EXPECT_EQ(Image(package.ImageA()), BuiltIn(2000));
    EXPECT_EQ(Image(package.ImageB()), BuiltIn(2001));
    EXPECT_EQ(
        TracedMessages(),
        Searches("Failed to call ExtractResourceFromFile(" + dir.file("QRT_empty.dfu") + ")", ""));
}

TEST_F(FirmwareFolder, QuotesAroundTheFolderAreRemoved) {
    WriteFile(dir.file("QRT1.dfu"), Pattern(32, 0x01));
    ASSERT_TRUE(package.LoadFirmwareFromFolder(L"\"" + Folder() + L"\""));
    EXPECT_EQ(Image(package.ImageA()), Pattern(32, 0x01));
    EXPECT_EQ(TracedMessages(),
              Searches("ExtractResourceFromFile(" + dir.file("QRT1.dfu") + ")", ""));
}

TEST_F(FirmwareFolder, MissingEmptyAndOverlongFoldersLoadNothing) {
    EXPECT_TRUE(package.LoadFirmwareFromFolder(Folder() + L"/absent"));
    EXPECT_EQ(package.ImageA().size(), 0u);
    EXPECT_EQ(capture.texts().size(), 2u);

    capture.clear();
    EXPECT_FALSE(package.LoadFirmwareFromFolder(L""));
    EXPECT_TRUE(capture.texts().empty());

    // Refused rather than cut to a different folder.
    std::wstring overlong = Folder() + L"/" + std::wstring(kMaxFolderPathLength, L'x');
    overlong.resize(kMaxFolderPathLength + 1);
    EXPECT_FALSE(package.LoadFirmwareFromFolder(overlong));
    EXPECT_FALSE(capture.contains("Search the firmware file"));
    EXPECT_EQ(package.ImageA().size(), 0u);
}

TEST(GetNextPacket, CutsTheCurrentImageAndStopsAtItsEnd) {
    FirmwareImage twenty;
    twenty.AssignCopy(Pattern(20, 0));
    FirmwareImage builtIn;
    ASSERT_TRUE(LoadFirmwareResource(2000, builtIn));
    const uint32_t last = builtIn.size() - 16;
    Bytes closing(16, 0);
    closing[0] = 0x03;

    struct Case {
        const char* name;
        FirmwareImage* image;
        uint32_t offset;
        uint32_t number;
        Bytes packet;
    } cases[] = {
        {"20 bytes: first packet", &twenty, 0, 1, Pattern(16, 0)},
        {"20 bytes: last 4 bytes are never sent", &twenty, 16, 2, {}},
        {"last packet", &builtIn, last, 4'945, closing},
        {"number beyond the packet count", &builtIn, last, 4'946, {}},
        {"offset at the end", &builtIn, builtIn.size(), 4'945, {}},
        {"offset that would wrap around", &builtIn, 0xFFFFFFF8u, 1, {}},
    };
    EXPECT_EQ(twenty.packetCount(), 2u);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.image->setOffset(c.offset);
        EXPECT_EQ(c.image->GetNextPacket(c.number), c.packet);
    }

    CFirmwarePackage package;
    EXPECT_TRUE(package.GetNextPacket(1).empty()); // no current image
    package.SetCurrent(&package.ImageB());
    EXPECT_TRUE(package.GetNextPacket(1).empty()); // current image empty
}

TEST(FirmwareImage, ClearEmptiesAndCopiesKeepTheOffset) {
    FirmwareImage image;
    image.setOffset(32);
    image.AssignCopy(Pattern(33, 0));
    EXPECT_EQ(image.offset(), 32u);
    EXPECT_EQ(image.packetCount(), 3u);
    EXPECT_EQ(image.GetNextPacket(3), Bytes()); // only one byte after the offset
    image.Clear();
    EXPECT_EQ(image.size(), 0u);
    EXPECT_EQ(image.data(), nullptr);
    EXPECT_EQ(image.packetCount(), 0u);
    EXPECT_EQ(image.offset(), 0u);
    EXPECT_FALSE(image.ownsData());
}

TEST(MatchesFilePattern, WildcardsAndCase) {
    struct Case {
        const char* name;
        const char* pattern;
        bool matches;
    } cases[] = {
        {"QRT08_D0.dfu", "QRT*.dfu", true},
        {"QRT.dfu", "QRT*.dfu", true},
        {"qrt08.DFU", "QRT*.dfu", true},
        {"s132_QRT08_D0.dfu", "QRT*.dfu", false},
        {"QRT08.dfu.bak", "QRT*.dfu", false},
        {"QRT08.dfux", "QRT*.dfu", false},
        {"QR.dfu", "QRT*.dfu", false},
        {"a.dfu.dfu", "a*.dfu", true},
        {"abXbc", "a*bc", true},
        {"QRT1.dfu", "QRT?.dfu", true},
        {"QRT.dfu", "QRT?.dfu", false},
        {"*", "*", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchesFilePattern(c.name, c.pattern), c.matches) << c.name << " ~ " << c.pattern;
    }
}

TEST(ExtractResourceFromFile, ReadsWholeFilesOnly) {
    test::TempDir dir;
    Bytes bytes{1, 2, 3};
    EXPECT_FALSE(ExtractResourceFromFile(WideFromUtf8(dir.file("missing")), bytes));
    EXPECT_FALSE(ExtractResourceFromFile(WideFromUtf8(dir.path()), bytes));
    EXPECT_EQ(bytes, (Bytes{1, 2, 3}));

    // A name that is not valid UTF-8 survives the trip through the wide path.
    std::string odd = dir.file("QRT\xFF.dfu");
    WriteFile(odd, Pattern(5, 7));
    ASSERT_TRUE(ExtractResourceFromFile(WideFromUtf8(odd), bytes));
    EXPECT_EQ(bytes, Pattern(5, 7));
}

} // namespace
} // namespace devio::app
