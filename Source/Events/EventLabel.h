// The name of one production, for diagnostics: the producing class, the event interface and the
// handler joined by "::" ("DeviceManager::ArrivalRemoval::onDeviceArrival").
//
// A label is always a string literal, so that queuing an event copies a pointer rather than a
// text; the constructor accepts nothing else.
#pragma once

#include <cstddef>

namespace devio {

class EventLabel {
public:
    constexpr EventLabel() = default;
    template <std::size_t N>
    consteval EventLabel(const char (&text)[N]) : text_(text) {} // NOLINT: implicit by design

    constexpr const char* c_str() const noexcept { return text_; }

private:
    const char* text_ = "";
};

} // namespace devio
