#include "app/ToolLogFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Source/System/SecureFolder.h"
#include "Source/System/SystemError.h"
#include "app/TextEncoding.h"

namespace devio::app {

namespace {

constexpr char kByteOrderMark[] = {'\xFF', '\xFE'};

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return sys::fail_with_errno();
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

} // namespace

CToolLogFile::~CToolLogFile() {
    Close();
}

CToolLogFile& CToolLogFile::Instance() {
    static auto* instance = new CToolLogFile();
    return *instance;
}

bool CToolLogFile::Open(const std::string& path) {
    sys::MutexLock lock(m_mutex);
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    // O_APPEND: every line lands at the current end even if another run writes meanwhile.
    // Never through a symbolic link: the file's name is known to anyone.
    int fd = sys::SecureFolder::open_file(path, O_RDWR | O_CREAT | O_APPEND, 0644);
    if (fd < 0) {
        return sys::fail_with_errno();
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        sys::fail_with_errno();
        ::close(fd);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        sys::set_last_system_error(EINVAL);
        return false;
    }
    if (info.st_size == 0 && !WriteAll(fd, kByteOrderMark, sizeof(kByteOrderMark))) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void CToolLogFile::Close() {
    sys::MutexLock lock(m_mutex);
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool CToolLogFile::IsOpen() const {
    sys::MutexLock lock(m_mutex);
    return m_fd >= 0;
}

void CToolLogFile::Write(std::string_view text) {
    std::string withCrLf;
    withCrLf.reserve(text.size() + 8);
    for (char c : text) {
        if (c == '\n') {
            withCrLf += '\r';
        }
        withCrLf += c;
    }
    std::string bytes = Utf16LeFromUtf8(withCrLf);
    sys::MutexLock lock(m_mutex);
    if (m_fd >= 0) {
        WriteAll(m_fd, bytes.data(), bytes.size());
    }
}

} // namespace devio::app
