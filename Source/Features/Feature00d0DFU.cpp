#include "Source/Features/Feature00d0DFU.h"

#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kDataFunctions = 4; // data commands 0 to 3
constexpr unsigned kStartFunction = 4;
constexpr unsigned kRestartFunction = 5;
// A status block reaches up to its status code.
constexpr std::size_t kStatusBlockLength = 5;
// A notification carries at least the packet number.
constexpr std::size_t kNotificationLength = 4;

} // namespace

bool Feature00d0DFU::send_block(unsigned function, const std::vector<Byte>& block, unsigned& status,
                                std::vector<Byte>* response) {
    if (block.size() != kBlockSize) {
        set_last_error(rap20_error(2), static_cast<uint32_t>(block.size()),
                       "a DFU block has 16 bytes");
        return false;
    }
    std::vector<Byte> answer;
    if (!sendFeatureCommand(function, block, answer, CacheMode::Uncached)) {
        return false;
    }
    if (answer.size() < kStatusBlockLength) {
        set_last_error(ErrorCode::CommandResponseTooShort);
        return false;
    }
    status = status_code(answer);
    if (response != nullptr) {
        *response = std::move(answer);
    }
    return true;
}

bool Feature00d0DFU::DFUStart(const std::vector<Byte>& start_block, unsigned& status,
                              std::vector<Byte>* response) {
    return send_block(kStartFunction, start_block, status, response);
}

bool Feature00d0DFU::DFUSendPacket(unsigned packet_number, const std::vector<Byte>& packet) {
    uint32_t number = packet_number + 1;
    xLogWrite(kTag, kLogInfo, log_location<"DFUSendPacket">(),
              "DFUSendPacket:Sending packet : 0x%04x", number);
    unsigned status = 0;
    std::vector<Byte> answer;
    if (!send_block(number % kDataFunctions, packet, status, &answer)) {
        return false;
    }
    publish_status(number, answer);
    return true;
}

bool Feature00d0DFU::DFURestart(Byte parameter) {
    std::vector<Byte> answer;
    return sendFeatureCommand(kRestartFunction, {parameter}, answer, CacheMode::Uncached);
}

void Feature00d0DFU::onFeatureReport(int /*function*/, const std::vector<Byte>& parameters) {
    if (parameters.size() < kNotificationLength) {
        set_last_error(ErrorCode::CommandResponseTooShort);
        return;
    }
    publish_status(status_packet_number(parameters), parameters);
}

void Feature00d0DFU::publish_status(uint32_t packet_number, const std::vector<Byte>& status) {
    Producer<IFeature00d0DFU::Report>::produce(
        [packet_number, status](IFeature00d0DFU::Report* subscriber) {
            subscriber->onDfuStatus(packet_number, status);
        },
        "IFeature00d0DFU::Report::onDfuStatus");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature00d0DFU, 00d0)
