// Reading firmware images from files: the whole-file read and the search for the first file of a
// folder that matches a name pattern.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace devio::app {

// Reads the whole file at `path` into `bytes`. False (errno in last_system_error) when the file
// does not exist or is not a regular file, is empty, is 4 GiB or longer, or cannot be read in full;
// `bytes` is then empty or unchanged.
[[nodiscard]] bool ExtractResourceFromFile(const std::wstring& path, std::vector<uint8_t>& bytes);

// True when `name` matches `pattern`, in which '*' stands for any run of characters and '?' for
// one byte; ASCII letters match without regard to case.
bool MatchesFilePattern(std::string_view name, std::string_view pattern);

// The name of the regular file (or link to one) in `folder` that matches `pattern` and comes first
// in byte-wise name order; none when there is no such file or the folder cannot be read.
std::optional<std::string> FindFirstMatchingFile(const std::string& folder,
                                                 std::string_view pattern);

} // namespace devio::app
