#include "sim/DfuTransfer.h"

#include <algorithm>

namespace devio::sim {

namespace {

constexpr std::size_t kLengthOffset = 21 - DfuTransfer::kPacketSize; // within packet 1

} // namespace

DfuTransfer::Step DfuTransfer::start(Packet block) {
    if (block[0] != static_cast<Byte>(Image::Application) &&
        block[0] != static_cast<Byte>(Image::RadioStack)) {
        session_.reset();
        return {kBadStartBlock, 0};
    }
    Image image = static_cast<Image>(block[0]);
    Record& target = record(image);
    target.bytes.assign(block.begin(), block.end());
    target.complete = false;
    session_ = Session{image};
    return {kBusy, 0};
}

void DfuTransfer::erase_done() {
    if (session_) {
        session_->erasing = false;
    }
}

DfuTransfer::Step DfuTransfer::packet(Byte function, Packet data) {
    if (!session_) {
        return {kWrongSequence, 0};
    }
    Session& s = *session_;
    uint32_t last = s.next - 1;
    if (s.erasing) {
        return {kBusy, last};
    }
    if (!s.done && function == s.next % 4) {
        return accept(data);
    }
    // The same packet once more (its answer was lost): confirm it again, store nothing.
    if (last > 0 && function == last % 4 && std::equal(data.begin(), data.end(), s.last.begin())) {
        return {s.done
                    ? (s.image == Image::Application ? kApplicationComplete : kRadioStackComplete)
                    : kPacketAccepted,
                last};
    }
    return {kWrongSequence, last};
}

DfuTransfer::Step DfuTransfer::accept(Packet data) {
    Session& s = *session_;
    Record& target = record(s.image);
    uint32_t number = s.next;
    if (number == 1) {
        uint32_t stored = static_cast<uint32_t>(data[kLengthOffset]) << 24 |
                          static_cast<uint32_t>(data[kLengthOffset + 1]) << 16 |
                          static_cast<uint32_t>(data[kLengthOffset + 2]) << 8 |
                          static_cast<uint32_t>(data[kLengthOffset + 3]);
        std::size_t expected = static_cast<std::size_t>(stored) + kLengthAdjustment;
        if (expected > kMaxImageSize) {
            session_.reset();
            return {kBadLength, number};
        }
        s.expected_length = expected;
    }
    target.bytes.insert(target.bytes.end(), data.begin(), data.end());
    std::copy(data.begin(), data.end(), s.last.begin());
    ++s.next;
    if (target.bytes.size() < s.expected_length) {
        return {kPacketAccepted, number};
    }
    s.done = true;
    target.complete = true;
    return {s.image == Image::Application ? kApplicationComplete : kRadioStackComplete, number,
            true};
}

uint32_t DfuTransfer::next_packet() const {
    return session_ && !session_->erasing && !session_->done ? session_->next : 0;
}

std::optional<DfuTransfer::Image> DfuTransfer::image_in_progress() const {
    if (!session_) {
        return std::nullopt;
    }
    return session_->image;
}

} // namespace devio::sim
