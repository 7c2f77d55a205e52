#include "Source/Linux/HidrawFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "Source/Log/xLog.h"
#include "Source/Windows/Win32LastError.h"

namespace devio {
namespace {

const char* const kTag = "HidrawFile";
// The longest report hidraw hands out.
constexpr std::size_t kReadBuffer = 16384;

bool means_gone(int error) {
    return error == EIO || error == ENODEV || error == EPIPE || error == ECONNRESET;
}

} // namespace

HidrawFile::HidrawFile(int fd, Collection collection, KernelObjects& kernel, std::string name)
    : fd_(fd), collection_(std::move(collection)), kernel_(kernel), name_(std::move(name)) {}

HidrawFile::~HidrawFile() {
    closed();
    if (wake_fd_ >= 0) {
        ::close(wake_fd_);
    }
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool HidrawFile::start() {
    wake_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_fd_ < 0) {
        return fail_with(ERROR_GEN_FAILURE, false);
    }
    try {
        thread_ = std::thread(&HidrawFile::run, this);
    } catch (const std::system_error&) {
        return fail_with(ERROR_GEN_FAILURE, false);
    }
    return true;
}

void HidrawFile::wake() {
    uint64_t one = 1;
    // A full counter still wakes the thread: the result does not matter.
    [[maybe_unused]] ssize_t written = ::write(wake_fd_, &one, sizeof(one));
}

std::size_t HidrawFile::pending_reads() const {
    sys::MutexLock lock(mutex_);
    return reads_.size();
}

void HidrawFile::vanish() {
    sys::MutexLock lock(mutex_);
    if (!gone_) {
        xLogWrite(kTag, kLogInfo, "devio::HidrawFile::vanish", "%s is gone", name_.c_str());
    }
    gone_ = true;
    end_pending_locked(ERROR_DEVICE_NOT_CONNECTED);
}

BOOL HidrawFile::read(void* buffer, DWORD size, DWORD* transferred, OVERLAPPED* overlapped) {
    if (overlapped == nullptr || buffer == nullptr) {
        return fail_with(ERROR_INVALID_PARAMETER, FALSE);
    }
    {
        sys::MutexLock lock(mutex_);
        if (gone_) {
            return fail_with(ERROR_DEVICE_NOT_CONNECTED, FALSE);
        }
        if (size < collection_.input_length) {
            return fail_with(ERROR_INVALID_USER_BUFFER, FALSE);
        }
        kernel_.begin(overlapped);
        reads_.push_back(
            {overlapped, static_cast<BYTE*>(buffer), size, {}, std::this_thread::get_id()});
    }
    if (transferred != nullptr) {
        *transferred = 0;
    }
    wake();
    return fail_with(ERROR_IO_PENDING, FALSE);
}

BOOL HidrawFile::write(const void* buffer, DWORD size, DWORD* transferred, OVERLAPPED* overlapped) {
    if (overlapped == nullptr || buffer == nullptr || size == 0) {
        return fail_with(ERROR_INVALID_PARAMETER, FALSE);
    }
    const auto* bytes = static_cast<const Byte*>(buffer);
    bool queued_before;
    {
        sys::MutexLock lock(mutex_);
        if (gone_) {
            return fail_with(ERROR_DEVICE_NOT_CONNECTED, FALSE);
        }
        kernel_.begin(overlapped);
        queued_before = !writes_.empty();
    }
    if (transferred != nullptr) {
        *transferred = 0; // the outcome comes through the overlapped record
    }
    // hidraw takes a report at once (a USB node within the kernel's own time-out), so the write
    // is tried here, saving the I/O thread a round; one that would block waits for that thread.
    if (!queued_before) {
        ssize_t written = ::write(fd_, bytes, size);
        int error = written < 0 ? errno : 0;
        if (written >= 0 || (error != EAGAIN && error != EINTR)) {
            sys::MutexLock lock(mutex_);
            finish_write_locked(overlapped, written, error);
            return fail_with(ERROR_IO_PENDING, FALSE);
        }
    }
    {
        sys::MutexLock lock(mutex_);
        writes_.push_back({overlapped, nullptr, size, std::vector<Byte>(bytes, bytes + size),
                           std::this_thread::get_id()});
    }
    wake();
    return fail_with(ERROR_IO_PENDING, FALSE);
}

BOOL HidrawFile::cancel(const OVERLAPPED* overlapped, bool calling_thread_only) {
    sys::MutexLock lock(mutex_);
    bool found = false;
    auto cancels = [&](const Pending& pending) {
        bool match = overlapped != nullptr
                         ? pending.overlapped == overlapped
                         : !calling_thread_only || pending.thread == std::this_thread::get_id();
        if (match) {
            kernel_.complete(pending.overlapped, ERROR_OPERATION_ABORTED, 0);
            found = true;
        }
        return match;
    };
    std::erase_if(reads_, cancels);
    std::erase_if(writes_, cancels);
    return found ? TRUE : fail_with(ERROR_NOT_FOUND, FALSE);
}

void HidrawFile::closed() {
    {
        sys::MutexLock lock(mutex_);
        if (closing_) {
            return;
        }
        closing_ = true;
        end_pending_locked(ERROR_OPERATION_ABORTED);
    }
    if (thread_.joinable()) {
        wake();
        thread_.join();
    }
}

void HidrawFile::end_pending_locked(DWORD error) {
    for (const Pending& pending : reads_) {
        kernel_.complete(pending.overlapped, error, 0);
    }
    for (const Pending& pending : writes_) {
        kernel_.complete(pending.overlapped, error, 0);
    }
    reads_.clear();
    writes_.clear();
}

// The I/O thread

void HidrawFile::run() {
    for (;;) {
        pollfd fds[2] = {{wake_fd_, POLLIN, 0}, {fd_, 0, 0}};
        {
            sys::MutexLock lock(mutex_);
            if (closing_) {
                return;
            }
            if (gone_) {
                fds[1].fd = -1; // a dead descriptor would report its hang-up forever
            } else {
                fds[1].events = static_cast<short>((reads_.empty() ? 0 : POLLIN) |
                                                   (writes_.empty() ? 0 : POLLOUT));
            }
        }
        // With no request the descriptor is still watched, for its hang-up.
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            xLogWrite(kTag, kLogError, "devio::HidrawFile::run", "%s: poll failed, errno=%d",
                      name_.c_str(), errno);
            vanish();
            return;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            uint64_t count = 0;
            [[maybe_unused]] ssize_t drained = ::read(wake_fd_, &count, sizeof(count));
        }
        Pending write{};
        bool writing = false;
        {
            sys::MutexLock lock(mutex_);
            if (closing_) {
                return;
            }
            short events = fds[1].revents;
            if (gone_) {
                continue;
            }
            if ((events & POLLIN) != 0 && !reads_.empty()) {
                read_report_locked();
            } else if ((events & (POLLHUP | POLLERR)) != 0) {
                gone_ = true;
                end_pending_locked(ERROR_DEVICE_NOT_CONNECTED);
                xLogWrite(kTag, kLogInfo, "devio::HidrawFile::run", "%s hung up", name_.c_str());
                continue;
            }
            if ((events & POLLOUT) != 0 && !writes_.empty() && !gone_) {
                write = writes_.front();
                writing = true;
            }
        }
        if (writing) {
            write_one(std::move(write));
        }
    }
}

void HidrawFile::read_report_locked() {
    Byte report[kReadBuffer + 1];
    // Room in front for the zero ID byte of a collection without report IDs.
    Byte* into = collection_.uses_report_ids ? report : report + 1;
    ssize_t length = ::read(fd_, into, kReadBuffer);
    if (length < 0 && (errno == EAGAIN || errno == EINTR)) {
        return;
    }
    if (length <= 0) {
        int error = length < 0 ? errno : 0;
        if (length == 0 || means_gone(error)) {
            gone_ = true;
            end_pending_locked(ERROR_DEVICE_NOT_CONNECTED);
            xLogWrite(kTag, kLogInfo, "devio::HidrawFile::run", "%s: read found the node gone",
                      name_.c_str());
        } else {
            Pending read = reads_.front();
            reads_.pop_front();
            kernel_.complete(read.overlapped, ERROR_GEN_FAILURE, 0);
            xLogWrite(kTag, kLogWarning, "devio::HidrawFile::run", "%s: read failed, errno=%d",
                      name_.c_str(), error);
        }
        return;
    }
    if (!collection_.uses_report_ids) {
        report[0] = 0;
        ++length;
    }
    deliver_locked(report, static_cast<std::size_t>(length));
}

void HidrawFile::deliver_locked(const Byte* report, std::size_t length) {
    if (collection_.shares_node && collection_.uses_report_ids &&
        std::find(collection_.input_report_ids.begin(), collection_.input_report_ids.end(),
                  report[0]) == collection_.input_report_ids.end()) {
        return; // another collection's report
    }
    Pending read = reads_.front();
    reads_.pop_front();
    auto copied = static_cast<DWORD>(std::min<std::size_t>(length, read.size));
    std::memcpy(read.buffer, report, copied);
    kernel_.complete(read.overlapped, ERROR_SUCCESS, copied);
}

void HidrawFile::write_one(Pending write) {
    ssize_t written = ::write(fd_, write.bytes.data(), write.bytes.size());
    int error = written < 0 ? errno : 0;
    sys::MutexLock lock(mutex_);
    auto found = std::find_if(writes_.begin(), writes_.end(), [&](const Pending& pending) {
        return pending.overlapped == write.overlapped;
    });
    if (written < 0 && (error == EAGAIN || error == EINTR)) {
        return; // tried again when the descriptor is writable
    }
    if (found == writes_.end()) {
        return; // cancelled or closed meanwhile: its record has completed
    }
    writes_.erase(found);
    finish_write_locked(write.overlapped, written, error);
}

void HidrawFile::finish_write_locked(OVERLAPPED* overlapped, ssize_t written, int error) {
    if (written >= 0) {
        kernel_.complete(overlapped, ERROR_SUCCESS, static_cast<DWORD>(written));
    } else if (means_gone(error)) {
        gone_ = true;
        end_pending_locked(ERROR_DEVICE_NOT_CONNECTED);
        kernel_.complete(overlapped, ERROR_DEVICE_NOT_CONNECTED, 0);
    } else {
        xLogWrite(kTag, kLogWarning, "devio::HidrawFile::write", "%s: write failed, errno=%d",
                  name_.c_str(), error);
        kernel_.complete(overlapped, ERROR_GEN_FAILURE, 0);
    }
}

} // namespace devio
