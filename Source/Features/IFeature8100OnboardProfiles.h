// Feature 0x8100, the on-board profiles: the device's profile memory (sectors read and written in
// 16-byte blocks), the switch between on-board and host mode, and the active profile and its
// resolution. Sector numbers, addresses, lengths and profile identifiers are 16-bit big-endian on
// the wire.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "Source/Byte.h"

namespace devio {

// A profile identifier of the device, passed through as its number.
enum class ProfileId : uint16_t {};

// What GetOnboardProfilesInfo tells about the profile memory. The library gives meaning to none
// of it; the update tool reads info[6], the number of sectors.
struct OnboardProfilesInfo {
    std::array<int, 7> info{}; // answer bytes 0 to 6
    int infoWord = 0;          // bytes 7 and 8
    bool flagA = false;        // (byte 9 AND 0x03) = 2
    bool flagB = false;        // (byte 9 AND 0x0C) = 8
};

class IFeature8100OnboardProfiles {
public:
    static constexpr int kFeatureNumber = 0x8100;
    // The block of ReadData and WriteData.
    static constexpr std::size_t kBlockSize = 16;

    // The device's events, on the transport's read thread (run-loop subscribers: later, on the
    // application's thread).
    class Report {
    public:
        virtual void onProfileActivated(ProfileId /*profile*/) {}
        virtual void onActiveProfileResolutionChanged(int /*index*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature8100OnboardProfiles() = default;

    [[nodiscard]] virtual bool GetOnboardProfilesInfo(OnboardProfilesInfo& info) = 0;
    // On-board mode, or host mode with false.
    [[nodiscard]] virtual bool SetOnboardMode(bool onboard) = 0;
    [[nodiscard]] virtual bool IsOnboardMode(bool& onboard) = 0;
    [[nodiscard]] virtual bool SetActiveProfile(uint16_t profile) = 0;
    [[nodiscard]] virtual bool GetActiveProfile(int& profile) = 0;
    // The 16 bytes at `address` of `sector` (the whole answer, at least 16 bytes).
    [[nodiscard]] virtual bool ReadData(uint16_t sector, uint16_t address,
                                        std::vector<Byte>& data) = 0;
    // A sector write: BeginWrite, WriteData with consecutive blocks until `length` bytes have been
    // given, then EndWrite.
    [[nodiscard]] virtual bool BeginWrite(uint16_t sector, uint16_t address, uint16_t length) = 0;
    // 1 to 16 bytes, padded with zeros to a block; other lengths are refused before anything is
    // sent. `status` := the answer's first two bytes.
    [[nodiscard]] virtual bool WriteData(const std::vector<Byte>& data, int& status) = 0;
    [[nodiscard]] virtual bool EndWrite() = 0;
    [[nodiscard]] virtual bool ExecuteMacro(uint16_t a, uint16_t b) = 0;
    // The whole answer for `sector`.
    [[nodiscard]] virtual bool GetCRC(uint16_t sector, std::vector<Byte>& data) = 0;
    [[nodiscard]] virtual bool GetActiveProfileResolution(int& index) = 0;
    [[nodiscard]] virtual bool SetActiveProfileResolution(Byte index) = 0;
};

} // namespace devio
