// The shape of the simple get-and-set feature classes: each operation sends its one function and
// reads a fixed number of answer bytes. A class lists its operations once, as a table of function
// numbers, answer lengths and cache modes, and sends each through `exchange`, which logs a failure
// the same way for every class:
//
//     constexpr Operation kGetReportRate{1, 1};            // function 1, reads 1 byte
//     ...
//     if (!exchange<"GetReportRate">(kGetReportRate, {}, response)) return false;
//
// A failed exchange logs "<class>::<operation> failed", an answer with fewer bytes than the
// operation reads logs "<class>::<operation> response too short" and gives
// CommandResponseTooShort (both level 3). An operation that changes a setting the device must
// count as configured by this program claims the configuration first (`Operation::configures`):
// when that fails it logs "set_configured failed" and sends nothing.
//
// Operations run on the caller's thread; event hooks run on the transport's read thread.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Source/Byte.h"
#include "Source/Contracts/CacheMode.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

// One row of a class's operation table.
struct Operation {
    unsigned function;
    // The answer's parameter bytes the operation reads.
    std::size_t reads;
    CacheMode cache_mode = CacheMode::Uncached;
    // The operation changes a setting: the device's configuration is claimed first.
    bool configures = false;
};

// A 16-bit big-endian value from bytes `at` and `at + 1`.
inline unsigned be16(const std::vector<Byte>& bytes, std::size_t at) {
    return static_cast<unsigned>(bytes[at] << 8 | bytes[at + 1]);
}
inline int signed16(const std::vector<Byte>& bytes, std::size_t at) {
    return static_cast<int16_t>(be16(bytes, at));
}
// The two bytes of a 16-bit big-endian value.
inline std::vector<Byte> be16_bytes(unsigned value) {
    return {static_cast<Byte>(value >> 8), static_cast<Byte>(value)};
}
// `head` followed by `tail`.
inline std::vector<Byte> joined(std::vector<Byte> head, const std::vector<Byte>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}
// Bytes [from, from + count) of `bytes`, fewer where it ends.
inline std::vector<Byte> slice(const std::vector<Byte>& bytes, std::size_t from,
                               std::size_t count) {
    if (from >= bytes.size()) {
        return {};
    }
    std::size_t end = std::min(bytes.size(), from + count);
    return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
            bytes.begin() + static_cast<std::ptrdiff_t>(end)};
}
// The first `most` bytes of `text`.
inline std::vector<Byte> text_bytes(const std::string& text, std::size_t most) {
    return {text.begin(), text.begin() + static_cast<std::ptrdiff_t>(std::min(text.size(), most))};
}
// Text bytes up to the first zero byte.
inline std::string text_of(const std::vector<Byte>& bytes) {
    std::string text;
    for (Byte b : bytes) {
        if (b == 0) {
            break;
        }
        text.push_back(static_cast<char>(b));
    }
    return text;
}

template <FeatureName Name, class Interface>
class GetSetFeature : public FeatureBase<Name, Interface> {
public:
    using FeatureBase<Name, Interface>::FeatureBase;

protected:
    using FeatureBase<Name, Interface>::kTag;

    // Sends `operation` with `parameters`; on success `response` holds the answer's parameter
    // bytes, at least operation.reads of them.
    template <FeatureName Op>
    bool exchange(const Operation& operation, const std::vector<Byte>& parameters,
                  std::vector<Byte>& response) {
        constexpr const char* kLocation = FeatureBase<Name, Interface>::template log_location<Op>();
        if (operation.configures && !this->set_configured()) {
            xLogWrite(kTag, kLogDebug, kLocation, "set_configured failed");
            return false;
        }
        std::vector<Byte> answer;
        if (!this->sendFeatureCommand(operation.function, parameters, answer,
                                      operation.cache_mode)) {
            xLogWrite(kTag, kLogDebug, kLocation, "%s",
                      JoinedName<Name, "::", Op, " failed">::text);
            return false;
        }
        if (answer.size() < operation.reads) {
            xLogWrite(kTag, kLogDebug, kLocation, "%s",
                      JoinedName<Name, "::", Op, " response too short">::text);
            set_last_error(ErrorCode::CommandResponseTooShort);
            return false;
        }
        response = std::move(answer);
        return true;
    }
    // The same for an operation whose answer is not read.
    template <FeatureName Op>
    bool exchange(const Operation& operation, const std::vector<Byte>& parameters) {
        std::vector<Byte> ignored;
        return exchange<Op>(operation, parameters, ignored);
    }
};

} // namespace devio
