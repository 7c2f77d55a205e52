#include "sim/VirtualCollection.h"

#include <algorithm>
#include <cstring>

#include "Source/Windows/Win32LastError.h"

namespace devio::sim {

BOOL VirtualHidFile::read(void* buffer, DWORD size, DWORD* transferred, OVERLAPPED* overlapped) {
    return collection_->read(*this, buffer, size, transferred, overlapped);
}

BOOL VirtualHidFile::write(const void* buffer, DWORD size, DWORD* transferred,
                           OVERLAPPED* overlapped) {
    return collection_->write(*this, buffer, size, transferred, overlapped);
}

BOOL VirtualHidFile::cancel(const OVERLAPPED* overlapped, bool calling_thread_only) {
    return collection_->cancel(*this, overlapped, calling_thread_only);
}

void VirtualHidFile::closed() {
    collection_->close(*this);
}

bool VirtualCollection::present() const {
    std::lock_guard lock(mutex_);
    return present_;
}

std::shared_ptr<VirtualHidFile> VirtualCollection::open() {
    std::lock_guard lock(mutex_);
    if (!present_) {
        return fail_with(ERROR_DEVICE_NOT_CONNECTED, nullptr);
    }
    auto file = std::make_shared<VirtualHidFile>(shared_from_this());
    std::erase_if(files_, [](const auto& weak) { return weak.expired(); });
    files_.push_back(file);
    return file;
}

std::size_t VirtualCollection::open_files() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(files_.begin(), files_.end(), [](const auto& w) {
        auto file = w.lock();
        return file && !file->closed_;
    }));
}

std::size_t VirtualCollection::pending_reads() const {
    std::lock_guard lock(mutex_);
    std::size_t pending = 0;
    for (const auto& weak : files_) {
        if (std::shared_ptr<VirtualHidFile> file = weak.lock()) {
            pending += file->reads_.size();
        }
    }
    return pending;
}

bool VirtualCollection::deliver(const Report& report) {
    std::lock_guard lock(mutex_);
    if (!present_ || report.size() != description_.input_length) {
        return false;
    }
    for (const auto& weak : files_) {
        std::shared_ptr<VirtualHidFile> file = weak.lock();
        if (!file || file->closed_) {
            continue;
        }
        if (file->reads_.empty()) {
            if (file->queued_.size() == kInputBuffers) {
                file->queued_.pop_front();
            }
            file->queued_.push_back(report);
            continue;
        }
        VirtualHidFile::Pending read = file->reads_.front();
        file->reads_.erase(file->reads_.begin());
        std::memcpy(read.buffer, report.data(), report.size());
        kernel_.complete(read.overlapped, ERROR_SUCCESS, static_cast<DWORD>(report.size()));
    }
    return true;
}

void VirtualCollection::set_write_handler(WriteHandler handler) {
    sys::MutexLock lock(handler_mutex_);
    handler_ = std::move(handler);
}

void VirtualCollection::set_write_fault(WriteFault fault) {
    std::lock_guard lock(mutex_);
    fault_ = fault;
}

void VirtualCollection::vanish() {
    set_write_handler({});
    std::lock_guard lock(mutex_);
    present_ = false;
    for (const auto& weak : files_) {
        if (std::shared_ptr<VirtualHidFile> file = weak.lock()) {
            end_pending(*file, ERROR_DEVICE_NOT_CONNECTED);
            file->queued_.clear();
        }
    }
}

BOOL VirtualCollection::read(VirtualHidFile& file, void* buffer, DWORD size, DWORD* transferred,
                             OVERLAPPED* overlapped) {
    if (overlapped == nullptr || buffer == nullptr) {
        return fail_with(ERROR_INVALID_PARAMETER, FALSE);
    }
    std::lock_guard lock(mutex_);
    if (!present_) {
        return fail_with(ERROR_DEVICE_NOT_CONNECTED, FALSE);
    }
    if (size < description_.input_length) {
        return fail_with(ERROR_INVALID_USER_BUFFER, FALSE);
    }
    kernel_.begin(overlapped);
    if (!file.queued_.empty()) {
        const Report& report = file.queued_.front();
        std::memcpy(buffer, report.data(), report.size());
        auto length = static_cast<DWORD>(report.size());
        file.queued_.pop_front();
        kernel_.complete(overlapped, ERROR_SUCCESS, length);
        if (transferred != nullptr) {
            *transferred = length;
        }
        return TRUE;
    }
    file.reads_.push_back(
        {overlapped, static_cast<BYTE*>(buffer), size, std::this_thread::get_id()});
    return fail_with(ERROR_IO_PENDING, FALSE);
}

bool VirtualCollection::is_output_report(const BYTE* report, DWORD size) const {
    if (size != description_.output_length || size == 0) {
        return false;
    }
    return std::any_of(description_.outputs.begin(), description_.outputs.end(),
                       [&](const HidReportCapability& cap) { return cap.report_id == report[0]; });
}

BOOL VirtualCollection::write(VirtualHidFile& file, const void* buffer, DWORD size,
                              DWORD* transferred, OVERLAPPED* overlapped) {
    if (overlapped == nullptr || buffer == nullptr) {
        return fail_with(ERROR_INVALID_PARAMETER, FALSE);
    }
    const auto* bytes = static_cast<const BYTE*>(buffer);
    WriteFault fault;
    {
        std::lock_guard lock(mutex_);
        if (!present_) {
            return fail_with(ERROR_DEVICE_NOT_CONNECTED, FALSE);
        }
        if (!is_output_report(bytes, size)) {
            return fail_with(ERROR_INVALID_PARAMETER, FALSE);
        }
        fault = fault_;
        if (fault.kind == WriteFault::Kind::FailAtOnce) {
            return fail_with(fault.error, FALSE);
        }
        kernel_.begin(overlapped);
        if (fault.kind == WriteFault::Kind::Hang) {
            file.writes_.push_back({overlapped, nullptr, size, std::this_thread::get_id()});
            return fail_with(ERROR_IO_PENDING, FALSE);
        }
    }
    if (fault.kind == WriteFault::Kind::None) {
        sys::MutexLock lock(handler_mutex_);
        if (handler_) {
            handler_(Report(bytes, bytes + size));
        }
    }
    bool failed = fault.kind == WriteFault::Kind::FailOnCompletion;
    kernel_.complete(overlapped, failed ? fault.error : ERROR_SUCCESS, failed ? 0 : size);
    if (transferred != nullptr) {
        *transferred = 0; // the outcome comes through the overlapped record
    }
    return fail_with(ERROR_IO_PENDING, FALSE);
}

BOOL VirtualCollection::cancel(VirtualHidFile& file, const OVERLAPPED* overlapped,
                               bool calling_thread_only) {
    std::lock_guard lock(mutex_);
    bool found = false;
    auto cancels = [&](const VirtualHidFile::Pending& pending) {
        bool match = overlapped != nullptr
                         ? pending.overlapped == overlapped
                         : !calling_thread_only || pending.thread == std::this_thread::get_id();
        if (match) {
            kernel_.complete(pending.overlapped, ERROR_OPERATION_ABORTED, 0);
            found = true;
        }
        return match;
    };
    std::erase_if(file.reads_, cancels);
    std::erase_if(file.writes_, cancels);
    return found ? TRUE : fail_with(ERROR_NOT_FOUND, FALSE);
}

void VirtualCollection::close(VirtualHidFile& file) {
    std::lock_guard lock(mutex_);
    end_pending(file, ERROR_OPERATION_ABORTED);
    file.queued_.clear();
    file.closed_ = true;
}

void VirtualCollection::end_pending(VirtualHidFile& file, DWORD error) {
    for (const auto& pending : file.reads_) {
        kernel_.complete(pending.overlapped, error, 0);
    }
    for (const auto& pending : file.writes_) {
        kernel_.complete(pending.overlapped, error, 0);
    }
    file.reads_.clear();
    file.writes_.clear();
}

} // namespace devio::sim
