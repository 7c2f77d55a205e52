#include "Source/System/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "Source/System/SecureFolder.h"
#include "Source/System/SystemError.h"

namespace devio::sys {

namespace {

// Temporary names unique across the process's threads and across processes.
std::string temporary_name_for(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return path + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

bool write_all(int fd, std::string_view text) {
    std::size_t written = 0;
    while (written < text.size()) {
        ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return fail_with_errno();
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool read_file_contents(const std::string& path, std::string& text) {
    int fd = SecureFolder::open_file(path, O_RDONLY);
    FILE* file = fd >= 0 ? fdopen(fd, "rb") : nullptr;
    if (file == nullptr) {
        uint32_t error = static_cast<uint32_t>(errno);
        if (fd >= 0) {
            ::close(fd);
        }
        set_last_system_error(error);
        return false;
    }
    text.clear();
    char buffer[8192];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, n);
    }
    bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok || fail_with_errno();
}

bool replace_file_contents(const std::string& path, std::string_view text, mode_t mode) {
    std::string temporary = temporary_name_for(path);
    // Made afresh: a file or link already under the name is never written through.
    int fd = SecureFolder::open_file(temporary, O_WRONLY | O_CREAT | O_EXCL, mode);
    if (fd < 0) {
        return fail_with_errno();
    }
    bool ok = write_all(fd, text) && (::fsync(fd) == 0 || fail_with_errno());
    ok = (::close(fd) == 0 || fail_with_errno()) && ok;
    if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
        uint32_t error = ok ? static_cast<uint32_t>(errno) : last_system_error();
        ::unlink(temporary.c_str());
        set_last_system_error(error);
        return false;
    }
    return true;
}

} // namespace devio::sys
