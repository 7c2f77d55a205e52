#include "Source/Features/Feature8100OnboardProfiles.h"

#include <string>

#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

enum Function : unsigned {
    kGetInfo = 0,
    kSetMode = 1,
    kGetMode = 2,
    kSetActiveProfile = 3,
    kGetActiveProfile = 4,
    kReadData = 5,
    kBeginWrite = 6,
    kWriteData = 7,
    kEndWrite = 8,
    kExecuteMacro = 9,
    kGetCrc = 10,
    kGetResolution = 11,
    kSetResolution = 12,
};

enum Event : int {
    kProfileActivated = 0,
    kResolutionChanged = 1,
};

constexpr Byte kOnboardMode = 1;
constexpr Byte kHostMode = 2;
constexpr std::size_t kInfoLength = 10;

void append16(std::vector<Byte>& bytes, uint16_t value) {
    bytes.push_back(static_cast<Byte>(value >> 8));
    bytes.push_back(static_cast<Byte>(value & 0xFF));
}

std::vector<Byte> words(std::initializer_list<uint16_t> values) {
    std::vector<Byte> bytes;
    for (uint16_t value : values) {
        append16(bytes, value);
    }
    return bytes;
}

int read16(const std::vector<Byte>& bytes, std::size_t at) {
    return bytes[at] << 8 | bytes[at + 1];
}

bool long_enough(const std::vector<Byte>& response, std::size_t needed) {
    if (response.size() >= needed) {
        return true;
    }
    set_last_error(ErrorCode::CommandResponseTooShort);
    return false;
}

} // namespace

bool Feature8100OnboardProfiles::command(const char* operation, unsigned function,
                                         const std::vector<Byte>& parameters,
                                         std::vector<Byte>& response) {
    if (sendFeatureCommand(function, parameters, response, CacheMode::Uncached)) {
        return true;
    }
    if (operation != nullptr) {
        // The log must not change the reason the caller gets.
        LastError reason = last_error();
        xLogWrite(kTag, kLogDebug, (std::string("devio::") + kTag + "::" + operation).c_str(),
                  "Feature8100OnboardProfiles::%s failed", operation);
        set_last_error(reason);
    }
    return false;
}

bool Feature8100OnboardProfiles::GetOnboardProfilesInfo(OnboardProfilesInfo& info) {
    std::vector<Byte> r;
    if (!command("GetOnboardProfilesInfo", kGetInfo, {}, r) || !long_enough(r, kInfoLength)) {
        return false;
    }
    for (std::size_t i = 0; i < info.info.size(); ++i) {
        info.info[i] = r[i];
    }
    info.infoWord = read16(r, 7);
    info.flagA = (r[9] & 0x03) == 0x02;
    info.flagB = (r[9] & 0x0C) == 0x08;
    return true;
}

bool Feature8100OnboardProfiles::SetOnboardMode(bool onboard) {
    std::vector<Byte> r;
    return command("SetOnboardMode", kSetMode, {onboard ? kOnboardMode : kHostMode}, r);
}

bool Feature8100OnboardProfiles::IsOnboardMode(bool& onboard) {
    std::vector<Byte> r;
    if (!command("IsOnboardMode", kGetMode, {}, r) || !long_enough(r, 1)) {
        return false;
    }
    onboard = r[0] == kOnboardMode;
    return true;
}

bool Feature8100OnboardProfiles::SetActiveProfile(uint16_t profile) {
    std::vector<Byte> r;
    return command("SetActiveProfile", kSetActiveProfile, words({profile}), r);
}

bool Feature8100OnboardProfiles::GetActiveProfile(int& profile) {
    std::vector<Byte> r;
    if (!command("GetActiveProfile", kGetActiveProfile, {}, r) || !long_enough(r, 2)) {
        return false;
    }
    profile = read16(r, 0);
    xLogWrite(kTag, kLogDebug, log_location<"GetActiveProfile">(),
              "Feature8100OnboardProfiles::GetActiveProfile returned 0x%x", profile);
    return true;
}

bool Feature8100OnboardProfiles::ReadData(uint16_t sector, uint16_t address,
                                          std::vector<Byte>& data) {
    constexpr const char* kFunction = log_location<"ReadData">();
    std::vector<Byte> r;
    if (!command("ReadData", kReadData, words({sector, address}), r)) {
        return false;
    }
    if (r.size() < kBlockSize) {
        xLogWrite(kTag, kLogDebug, kFunction,
                  "Feature8100OnboardProfiles::ReadData returned too few bytes (%d)",
                  static_cast<int>(r.size()));
        set_last_error(ErrorCode::CommandResponseTooShort);
        return false;
    }
    xLogWrite(kTag, kLogDebug, kFunction,
              "Feature8100OnboardProfiles::ReadData read %d bytes from sector %d sectorAddr %d",
              static_cast<int>(r.size()), sector, address);
    data = std::move(r);
    return true;
}

bool Feature8100OnboardProfiles::BeginWrite(uint16_t sector, uint16_t address, uint16_t length) {
    std::vector<Byte> r;
    return command("BeginWrite", kBeginWrite, words({sector, address, length}), r);
}

bool Feature8100OnboardProfiles::WriteData(const std::vector<Byte>& data, int& status) {
    if (data.empty() || data.size() > kBlockSize) {
        xLogWrite(kTag, kLogDebug, log_location<"WriteData">(),
                  "Feature8100OnboardProfiles::WriteData invalid parameter");
        set_last_error(rap20_error(2), static_cast<uint32_t>(data.size()),
                       "WriteData takes 1 to 16 bytes");
        return false;
    }
    std::vector<Byte> block = data;
    block.resize(kBlockSize, 0x00);
    std::vector<Byte> r;
    if (!command("WriteData", kWriteData, block, r) || !long_enough(r, 2)) {
        return false;
    }
    status = read16(r, 0);
    return true;
}

bool Feature8100OnboardProfiles::EndWrite() {
    std::vector<Byte> r;
    return command("EndWrite", kEndWrite, {}, r);
}

bool Feature8100OnboardProfiles::ExecuteMacro(uint16_t a, uint16_t b) {
    std::vector<Byte> r;
    return command("ExecuteMacro", kExecuteMacro, words({a, b}), r);
}

bool Feature8100OnboardProfiles::GetCRC(uint16_t sector, std::vector<Byte>& data) {
    std::vector<Byte> r;
    if (!command(nullptr, kGetCrc, words({sector}), r)) {
        return false;
    }
    data = std::move(r);
    return true;
}

bool Feature8100OnboardProfiles::GetActiveProfileResolution(int& index) {
    std::vector<Byte> r;
    if (!command("GetActiveProfileResolution", kGetResolution, {}, r) || !long_enough(r, 1)) {
        return false;
    }
    index = r[0];
    return true;
}

bool Feature8100OnboardProfiles::SetActiveProfileResolution(Byte index) {
    std::vector<Byte> r;
    return command("SetActiveProfileResolution", kSetResolution, {index}, r);
}

void Feature8100OnboardProfiles::onFeatureReport(int function,
                                                 const std::vector<Byte>& parameters) {
    if (function == kProfileActivated && parameters.size() >= 2) {
        auto profile = static_cast<ProfileId>(read16(parameters, 0));
        Producer<IFeature8100OnboardProfiles::Report>::produce(
            [profile](IFeature8100OnboardProfiles::Report* s) { s->onProfileActivated(profile); },
            "Feature8100OnboardProfiles::Report::onProfileActivated");
    } else if (function == kResolutionChanged && !parameters.empty()) {
        int index = parameters[0];
        Producer<IFeature8100OnboardProfiles::Report>::produce(
            [index](IFeature8100OnboardProfiles::Report* s) {
                s->onActiveProfileResolutionChanged(index);
            },
            "Feature8100OnboardProfiles::Report::onActiveProfileResolutionChanged");
    }
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature8100OnboardProfiles, 8100)
