#include "app/FirmwareImage.h"

namespace devio::app {

void FirmwareImage::AssignCopy(std::vector<uint8_t> bytes) {
    m_copy = std::move(bytes);
    m_ownsData = true;
    Point(m_copy.data(), m_copy.size());
}

void FirmwareImage::AssignBuiltIn(std::span<const uint8_t> bytes) {
    m_copy = {};
    m_ownsData = false;
    Point(bytes.data(), bytes.size());
}

void FirmwareImage::Clear() {
    m_copy = {};
    m_ownsData = false;
    m_offset = 0;
    Point(nullptr, 0);
}

void FirmwareImage::Point(const uint8_t* data, size_t size) {
    m_data = size > 0 ? data : nullptr;
    m_size = static_cast<uint32_t>(size);
    m_packetCount = m_size / kPacketSize + (m_size % kPacketSize != 0 ? 1 : 0);
}

std::vector<uint8_t> FirmwareImage::GetNextPacket(uint32_t number) const {
    // 64-bit sum: an offset near the 32-bit limit must not wrap around into the image.
    if (m_data == nullptr || m_size == 0 || uint64_t{m_offset} + kPacketSize > uint64_t{m_size} ||
        number > m_packetCount) {
        return {};
    }
    return std::vector<uint8_t>(m_data + m_offset, m_data + m_offset + kPacketSize);
}

} // namespace devio::app
