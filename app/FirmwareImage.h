// One firmware image of the update: its bytes, the number of 16-byte packets they make and the
// offset of the next packet to send. The bytes are either a built-in image (not owned) or a copy
// read from a file (owned).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace devio::app {

class FirmwareImage {
public:
    static constexpr uint32_t kPacketSize = 16;

    FirmwareImage() = default;
    FirmwareImage(const FirmwareImage&) = delete;
    FirmwareImage& operator=(const FirmwareImage&) = delete;

    // Image length in bytes; 0 when the record holds no image.
    uint32_t size() const { return m_size; }
    const uint8_t* data() const { return m_data; }
    // size / 16, plus one for a final fragment shorter than 16 bytes.
    uint32_t packetCount() const { return m_packetCount; }
    bool ownsData() const { return m_ownsData; }

    // Byte offset of the next packet; 0 at the start of a transfer. The update controller moves
    // it on by 16 after each packet sent.
    uint32_t offset() const { return m_offset; }
    void setOffset(uint32_t offset) { m_offset = offset; }

    // Takes `bytes` as an owned copy, freeing any previous one; the offset is kept.
    void AssignCopy(std::vector<uint8_t> bytes);
    // Points the record at bytes it does not own (a built-in image), freeing any previous copy;
    // the offset is kept.
    void AssignBuiltIn(std::span<const uint8_t> bytes);
    // Empties the record: every field zero, nothing owned.
    void Clear();

    // The 16 bytes at the offset. Empty when there is no image, fewer than 16 bytes remain, or
    // `number` is beyond packetCount (the number of the packet about to be sent, counted from 1).
    std::vector<uint8_t> GetNextPacket(uint32_t number) const;

private:
    void Point(const uint8_t* data, size_t size);

    std::vector<uint8_t> m_copy;
    const uint8_t* m_data = nullptr;
    uint32_t m_size = 0;
    uint32_t m_packetCount = 0;
    uint32_t m_offset = 0;
    bool m_ownsData = false;
};

} // namespace devio::app
