// Whole-file reads and replacements. A replacement is written to a temporary file in the target's
// folder, flushed to disk and renamed over the target, so that a reader, another process or a crash
// sees the old contents or the new ones, never a part of either. Neither reads nor writes through a
// symbolic link in the file's own name; the caller checks the folder (SecureFolder).
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace devio::sys {

// The whole file; false (last system error set) when it cannot be opened or read.
bool read_file_contents(const std::string& path, std::string& text);
// Replaces (or creates) the file with `text`; false (last system error set) when it cannot be
// written, and then the file is as it was.
bool replace_file_contents(const std::string& path, std::string_view text, mode_t mode = 0644);

} // namespace devio::sys
