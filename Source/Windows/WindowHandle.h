// Window handles of Win32System and the message-window ids of Source/System they stand for.
#pragma once

#include <cstdint>

#include "Source/System/MessageWindows.h"
#include "Source/Windows/Win32Types.h"

namespace devio {

// 0 (no window) for an id that does not fit a handle; such a window is refused at creation.
inline HWND hwnd_of(sys::WindowId id) {
    return id <= UINT32_MAX ? HWND{static_cast<uint32_t>(id)} : HWND{};
}

inline sys::WindowId window_id_of(HWND window) {
    return static_cast<sys::WindowId>(window);
}

} // namespace devio
