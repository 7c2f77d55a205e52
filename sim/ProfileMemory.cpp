#include "sim/ProfileMemory.h"

#include <algorithm>

#include "sim/Crc16.h"

namespace devio::sim {

namespace {

constexpr int kProfileBytes = 240; // the bytes of a profile; 240 to 252 stay 0xFF

bool valid_sector(int sector) {
    return sector >= 0 && sector < ProfileMemory::kSectorCount;
}

// Deterministic contents that look like a profile: settings, then button bindings in 4-byte
// entries, each sector slightly different.
ProfileMemory::Sector factory_profile(int sector) {
    ProfileMemory::Sector bytes;
    bytes.fill(0xFF);
    for (int i = 0; i < kProfileBytes; ++i) {
        bytes[static_cast<std::size_t>(i)] =
            static_cast<Byte>((i * 7 + sector * 31 + (i >> 2)) & 0xFF);
    }
    return ProfileMemory::with_crc(bytes);
}

// The directory: one 4-byte entry per profile (sector number, enabled, reserved), then 0xFF.
ProfileMemory::Sector factory_directory() {
    ProfileMemory::Sector bytes;
    bytes.fill(0xFF);
    for (int profile = 0; profile < ProfileMemory::kFactoryProfiles; ++profile) {
        auto entry = bytes.begin() + profile * 4;
        entry[0] = 0x00;
        entry[1] = static_cast<Byte>(profile + 1);
        entry[2] = 0x01;
        entry[3] = 0x00;
    }
    return ProfileMemory::with_crc(bytes);
}

bool erased(const ProfileMemory::Sector& sector) {
    return std::all_of(sector.begin(), sector.end(), [](Byte b) { return b == 0xFF; });
}

} // namespace

void ProfileMemory::restore_factory_contents() {
    for (auto& sector : sectors_) {
        sector.fill(0xFF);
    }
    sectors_[0] = factory_directory();
    for (int profile = 1; profile <= kFactoryProfiles; ++profile) {
        sectors_[static_cast<std::size_t>(profile)] = factory_profile(profile);
    }
    session_.reset();
}

bool ProfileMemory::set_sector(int index, std::span<const Byte> bytes) {
    if (!valid_sector(index) || bytes.size() > kSectorSize) {
        return false;
    }
    Sector& sector = sectors_[static_cast<std::size_t>(index)];
    sector.fill(0xFF);
    std::copy(bytes.begin(), bytes.end(), sector.begin());
    return true;
}

std::optional<ProfileMemory::Block> ProfileMemory::read(int sector, int address) const {
    if (!valid_sector(sector) || address < 0 || address + kBlockSize > kSectorSize) {
        return std::nullopt;
    }
    Block block;
    std::copy_n(sectors_[static_cast<std::size_t>(sector)].begin() + address, kBlockSize,
                block.begin());
    return block;
}

std::optional<rap::Rap20Error> ProfileMemory::begin_write(int sector, int address, int length) {
    if (!valid_sector(sector)) {
        return rap::Rap20Error::InvalidArgument;
    }
    if (address < 0 || length < 1 || address + length > kSectorSize) {
        return rap::Rap20Error::OutOfRange;
    }
    session_ = WriteSession{sector, address, length, 0, sectors_[static_cast<std::size_t>(sector)]};
    return std::nullopt;
}

std::optional<rap::Rap20Error> ProfileMemory::write(std::span<const Byte> data,
                                                    uint16_t& progress) {
    if (!session_ || session_->written >= session_->length) {
        return rap::Rap20Error::NotAllowed;
    }
    // Bytes beyond the announced length (the padding of the last block) are not stored.
    int count = std::min(static_cast<int>(data.size()), session_->length - session_->written);
    std::copy_n(data.begin(), count,
                session_->contents.begin() + session_->address + session_->written);
    session_->written += count;
    progress = session_->written < session_->length ? kWriteMoreExpected : kWriteComplete;
    return std::nullopt;
}

std::optional<rap::Rap20Error> ProfileMemory::end_write() {
    if (!session_) {
        return rap::Rap20Error::NotAllowed;
    }
    WriteSession session = std::move(*session_);
    session_.reset();
    if (session.written < session.length) {
        return rap::Rap20Error::InvalidArgument;
    }
    if (!erased(session.contents) && !holds_valid_crc(session.contents)) {
        return rap::Rap20Error::InvalidArgument;
    }
    sectors_[static_cast<std::size_t>(session.sector)] = session.contents;
    return std::nullopt;
}

uint16_t ProfileMemory::crc(const Sector& sector) {
    return crc16_ccitt_false(std::span<const Byte>(sector.data(), kCrcOffset));
}

bool ProfileMemory::holds_valid_crc(const Sector& sector) {
    return crc(sector) == static_cast<uint16_t>(sector[kCrcOffset] << 8 | sector[kCrcOffset + 1]);
}

ProfileMemory::Sector ProfileMemory::with_crc(Sector sector) {
    uint16_t value = crc(sector);
    sector[kCrcOffset] = static_cast<Byte>(value >> 8);
    sector[kCrcOffset + 1] = static_cast<Byte>(value & 0xFF);
    return sector;
}

} // namespace devio::sim
