#include "sim/ProfileMemory.h"

#include <algorithm>
#include <string_view>

#include <gtest/gtest.h>

#include "sim/Crc16.h"

namespace devio::sim {
namespace {

using Error = rap::Rap20Error;

bool erased(const ProfileMemory::Sector& sector) {
    return std::all_of(sector.begin(), sector.end(), [](Byte b) { return b == 0xFF; });
}

// Writes `image` in 16-byte blocks as one session covering the whole sector.
std::optional<Error> write_sector(ProfileMemory& memory, int sector,
                                  const ProfileMemory::Sector& image) {
    if (auto error = memory.begin_write(sector, 0, ProfileMemory::kSectorSize)) {
        return error;
    }
    for (int offset = 0; offset < ProfileMemory::kSectorSize; offset += 16) {
        ProfileMemory::Block block;
        block.fill(0xFF);
        std::copy_n(image.begin() + offset, std::min(16, ProfileMemory::kSectorSize - offset),
                    block.begin());
        uint16_t progress = 0;
        if (auto error = memory.write(block, progress)) {
            return error;
        }
        EXPECT_EQ(progress, offset + 16 < ProfileMemory::kSectorSize
                                ? ProfileMemory::kWriteMoreExpected
                                : ProfileMemory::kWriteComplete);
    }
    return memory.end_write();
}

TEST(SimProfileMemory, CrcIsCcittFalse) {
    std::string_view check = "123456789";
    EXPECT_EQ(crc16_ccitt_false({reinterpret_cast<const Byte*>(check.data()), check.size()}),
              0x29B1);
}

TEST(SimProfileMemory, FactoryProfilesCarryValidCrcsAndTheUpperSectorsAreErased) {
    ProfileMemory memory;
    for (int s = 0; s <= ProfileMemory::kFactoryProfiles; ++s) {
        EXPECT_TRUE(ProfileMemory::holds_valid_crc(memory.sector(s))) << s;
        EXPECT_FALSE(erased(memory.sector(s))) << s;
    }
    for (int s = ProfileMemory::kFactoryProfiles + 1; s < ProfileMemory::kSectorCount; ++s) {
        EXPECT_TRUE(erased(memory.sector(s))) << s;
    }
}

TEST(SimProfileMemory, ReadsOnlyBlocksInsideASector) {
    ProfileMemory memory;
    auto last = memory.read(1, 239);
    ASSERT_TRUE(last);
    EXPECT_EQ((*last)[15], memory.sector(1)[254]);
    EXPECT_FALSE(memory.read(1, 240));
    EXPECT_FALSE(memory.read(16, 0));
    EXPECT_FALSE(memory.read(-1, 0));
}

TEST(SimProfileMemory, ACompleteWriteWithValidCrcIsCommitted) {
    ProfileMemory memory;
    ProfileMemory::Sector image = memory.sector(1);
    std::swap_ranges(image.begin() + 44, image.begin() + 48, image.begin() + 48);
    image = ProfileMemory::with_crc(image);
    EXPECT_FALSE(write_sector(memory, 1, image));
    EXPECT_EQ(memory.sector(1), image);
}

TEST(SimProfileMemory, RefusedWritesLeaveTheSectorAsItWas) {
    ProfileMemory memory;
    const ProfileMemory::Sector before = memory.sector(1);
    ProfileMemory::Sector bad_crc = before;
    bad_crc[0] ^= 0x01;
    EXPECT_EQ(write_sector(memory, 1, bad_crc), Error::InvalidArgument);

    ASSERT_FALSE(memory.begin_write(1, 0, 255));
    uint16_t progress = 0;
    ProfileMemory::Block block{};
    ASSERT_FALSE(memory.write(block, progress));
    EXPECT_EQ(memory.end_write(), Error::InvalidArgument); // 16 of 255 bytes
    EXPECT_EQ(memory.sector(1), before);

    EXPECT_EQ(memory.write(block, progress), Error::NotAllowed); // no session
    EXPECT_EQ(memory.end_write(), Error::NotAllowed);
    EXPECT_EQ(memory.begin_write(16, 0, 1), Error::InvalidArgument);
    EXPECT_EQ(memory.begin_write(1, 250, 6), Error::OutOfRange);
    EXPECT_EQ(memory.begin_write(1, 0, 0), Error::OutOfRange);
}

TEST(SimProfileMemory, ErasingASectorIsAcceptedAndANewBeginAbandonsTheOpenSession) {
    ProfileMemory memory;
    ProfileMemory::Sector erased_sector;
    erased_sector.fill(0xFF);
    ASSERT_FALSE(memory.begin_write(2, 0, 16)); // abandoned by the write of the whole sector
    EXPECT_FALSE(write_sector(memory, 2, erased_sector));
    EXPECT_TRUE(erased(memory.sector(2)));
}

} // namespace
} // namespace devio::sim
