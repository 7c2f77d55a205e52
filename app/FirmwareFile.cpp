#include "app/FirmwareFile.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

#include "Source/System/SystemError.h"
#include "app/AsciiCase.h"
#include "app/TextEncoding.h"

namespace devio::app {

namespace {

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Reads exactly `size` bytes unless the file ends or fails first; returns the count read.
size_t ReadFully(int fd, uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t got = ::read(fd, data + done, size - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            if (got < 0) {
                sys::fail_with_errno();
            }
            break;
        }
        done += static_cast<size_t>(got);
    }
    return done;
}

bool FailAndClose(int fd, uint32_t error) {
    ::close(fd);
    sys::set_last_system_error(error);
    return false;
}

} // namespace

bool ExtractResourceFromFile(const std::wstring& path, std::vector<uint8_t>& bytes) {
    // Non-blocking open: a FIFO named like an image must not hang the tool.
    int fd = ::open(Utf8FromWide(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return sys::fail_with_errno();
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return FailAndClose(fd, static_cast<uint32_t>(errno));
    }
    if (!S_ISREG(info.st_mode)) {
        return FailAndClose(fd, EINVAL);
    }
    if (info.st_size == 0) {
        return FailAndClose(fd, ENODATA);
    }
    // The image record counts bytes in 32 bits; a longer file is refused, not cut.
    if (info.st_size > std::numeric_limits<uint32_t>::max()) {
        return FailAndClose(fd, EFBIG);
    }
    auto size = static_cast<size_t>(info.st_size);
    bytes.resize(size);
    if (ReadFully(fd, bytes.data(), size) != size) {
        bytes.clear();
        uint32_t error = sys::last_system_error();
        return FailAndClose(fd, error != 0 ? error : EIO);
    }
    ::close(fd);
    return true;
}

bool MatchesFilePattern(std::string_view name, std::string_view pattern) {
    // Greedy matching with one backtrack point: the last '*' seen.
    size_t n = 0;
    size_t p = 0;
    size_t starPattern = std::string_view::npos;
    size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starName = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || AsciiLower(pattern[p]) == AsciiLower(name[n]))) {
            ++n;
            ++p;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

std::optional<std::string> FindFirstMatchingFile(const std::string& folder,
                                                 std::string_view pattern) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        sys::fail_with_errno();
        return std::nullopt;
    }
    std::optional<std::string> first;
    while (const dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        // std::string compares as unsigned bytes, which gives the byte-wise order.
        if (MatchesFilePattern(name, pattern) && (!first || name < *first) &&
            IsRegularFile(folder + "/" + name)) {
            first = std::move(name);
        }
    }
    ::closedir(dir);
    return first;
}

} // namespace devio::app
