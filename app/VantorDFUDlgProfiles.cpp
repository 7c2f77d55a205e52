// The update dialog's handling of the on-board profiles: the check for custom profiles before the
// update, and the repair of profile sector 1 after it. On the dialog's thread.
#include <algorithm>

#include "Source/Features/IFeature8100OnboardProfiles.h"
#include "app/ProfileCrc.h"
#include "app/ToolOutcome.h"
#include "app/ToolTrace.h"
#include "app/VantorDFUDlg.h"

namespace devio::app {

namespace {

constexpr uint16_t kFirstCustomSector = 6;
constexpr uint16_t kLastSector = 15;
constexpr uint16_t kRepairedSector = 1;
// Information value 6 of the profiles feature: the number of sectors.
constexpr size_t kSectorCountInfo = 6;
// The last block of a sector is read from one byte earlier, so that it ends at byte 254.
constexpr uint16_t kLastBlockAddress = 240;
constexpr uint16_t kLastBlockReadAddress = 239;
// The two pairs of 4-byte entries that the repair exchanges.
constexpr size_t kSwappedPairs[][2] = {{44, 48}, {108, 112}};
constexpr size_t kEntrySize = 4;
constexpr size_t kBlock = IFeature8100OnboardProfiles::kBlockSize;

} // namespace

bool CVantorDFUDlg::CheckDataExistsAfterSector6() {
    ToolTrace("CVantorDFUDlg::CheckDataExistsAfterSector6\n");
    if (!m_targetDevice) {
        return false;
    }
    auto profiles = m_targetDevice->feature<IFeature8100OnboardProfiles>();
    if (!profiles) {
        ToolTrace("  m_targetDevice->feature<IFeature8100OnboardProfiles>() failed\n");
        return false;
    }
    OnboardProfilesInfo info;
    if (!profiles->GetOnboardProfilesInfo(info)) {
        ToolTrace("  f8100->GetOnboardProfilesInfo() failed\n");
        return false;
    }
    if (info.info[kSectorCountInfo] <= static_cast<int>(kFirstCustomSector)) {
        return false;
    }
    int bytesRead = 0;
    for (uint16_t sector = kFirstCustomSector; sector <= kLastSector; ++sector) {
        size_t position = 0;
        while (position < kSectorSize) {
            bool movedBack = position == kLastBlockAddress;
            uint16_t address = movedBack ? kLastBlockReadAddress : static_cast<uint16_t>(position);
            std::vector<Byte> data;
            if (!profiles->ReadData(sector, address, data)) {
                ToolTrace("  f8100->ReadData() failed\n");
                return false;
            }
            if (std::any_of(data.begin(), data.end(), [](Byte b) { return b != 0xFF; })) {
                return true;
            }
            // An empty answer would never move on.
            size_t advance = std::max<size_t>(data.size() - (movedBack ? 1 : 0), 1);
            position += advance;
            bytesRead += static_cast<int>(advance);
        }
        SetProgressPos(bytesRead);
        m_host.DispatchWaitingMessages();
        // A device that went away during the messages ends the check.
        if (!m_targetDevice) {
            return false;
        }
    }
    return false;
}

bool CVantorDFUDlg::FixButtonSwapIssue() {
    ToolTrace("CVantorDFUDlg::FixButtonSwapIssue\n");
    if (!m_targetDevice) {
        return false;
    }
    if (m_previousMinor == -1 || m_previousBuild == -1 || m_previousMinor > 6 ||
        (m_previousMinor == 6 && m_previousBuild >= 28)) {
        return true;
    }
    if (!m_targetDevice->feature<IFeature8100OnboardProfiles>()) {
        ToolTrace("  m_targetDevice->feature<IFeature8100OnboardProfiles>() failed\n");
        return false;
    }
    std::vector<Byte> buffer(kProfileReadSize, 0);
    if (!ReadSectorData(buffer)) {
        return false;
    }
    for (const auto& pair : kSwappedPairs) {
        std::swap_ranges(buffer.begin() + static_cast<std::ptrdiff_t>(pair[0]),
                         buffer.begin() + static_cast<std::ptrdiff_t>(pair[0] + kEntrySize),
                         buffer.begin() + static_cast<std::ptrdiff_t>(pair[1]));
    }
    std::vector<Byte> sector(kSectorSize, 0xFF);
    std::copy(buffer.begin(), buffer.end(), sector.begin());
    uint16_t crc = ProfileCrc(std::span<const uint8_t>(sector.data(), kSectorCrcOffset));
    sector[kSectorCrcOffset] = static_cast<Byte>(crc >> 8);
    sector[kSectorCrcOffset + 1] = static_cast<Byte>(crc & 0xFF);
    return WriteSectorToDevice(sector);
}

void CVantorDFUDlg::RepairProfileSector1() {
    // A repair that fails (a lost answer, a refused block) is tried once more. The update has
    // succeeded all the same, so the dialog keeps its success text; the trace, the log and the
    // tool's end say that the profile was not repaired.
    if (FixButtonSwapIssue()) {
        return;
    }
    ToolTrace("  the repair of profile sector 1 failed; trying once more\n");
    if (FixButtonSwapIssue()) {
        return;
    }
    ToolTrace("Warning: the firmware was updated, but profile sector 1 could not be repaired.\n");
    ToolOutcome().profileNotRepaired = true;
}

bool CVantorDFUDlg::ReadSectorData(std::vector<Byte>& buffer) {
    ToolTrace("CVantorDFUDlg::ReadSectorData\n");
    auto profiles =
        m_targetDevice ? m_targetDevice->feature<IFeature8100OnboardProfiles>() : nullptr;
    if (!profiles) {
        return false;
    }
    buffer.resize(kProfileReadSize);
    for (size_t address = 0; address < kProfileReadSize; address += kBlock) {
        std::vector<Byte> block;
        if (!profiles->ReadData(kRepairedSector, static_cast<uint16_t>(address), block) ||
            block.size() != kBlock) {
            return false;
        }
        std::copy(block.begin(), block.end(),
                  buffer.begin() + static_cast<std::ptrdiff_t>(address));
    }
    return true;
}

bool CVantorDFUDlg::WriteSectorToDevice(const std::vector<Byte>& sector) {
    ToolTrace("CVantorDFUDlg::WriteSectorToDevice\n");
    auto profiles =
        m_targetDevice ? m_targetDevice->feature<IFeature8100OnboardProfiles>() : nullptr;
    if (!profiles || sector.size() != kSectorSize ||
        !profiles->BeginWrite(kRepairedSector, 0, static_cast<uint16_t>(kSectorSize))) {
        return false;
    }
    // A sector that was not written whole is a failure: the caller tries again.
    bool written = true;
    for (size_t offset = 0; offset < kSectorSize; offset += kBlock) {
        std::vector<Byte> block(kBlock, 0xFF);
        size_t count = std::min(kBlock, kSectorSize - offset);
        std::copy_n(sector.begin() + static_cast<std::ptrdiff_t>(offset), count, block.begin());
        int status = 0;
        if (!profiles->WriteData(block, status)) {
            ToolTrace("  f8100->WriteData() failed\n");
            written = false;
            break;
        }
    }
    if (!profiles->EndWrite()) {
        ToolTrace("  f8100->EndWrite() failed\n");
        written = false;
    }
    return written;
}

} // namespace devio::app
