// Writing a whole text to a descriptor, for the views and the terminal's signal handlers.
#pragma once

#include <cerrno>
#include <string_view>
#include <unistd.h>

namespace devio::app::ui {

// Writes all of `text` to `fd`, going on after interruptions and partial writes; false when the
// descriptor fails (a closed pipe, say). Async-signal-safe.
[[nodiscard]] inline bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        ssize_t written = write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

} // namespace devio::app::ui
