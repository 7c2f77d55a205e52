#include "Source/Windows/Win32Device.h"

#include <bit>
#include <cstdio>
#include <system_error>

#include "Source/Log/DevioException.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Windows/HidTypes.h"
#include "Source/Windows/WideText.h"
#include "Source/Windows/Win32Bus.h"
#include "Source/Windows/Win32System.h"

namespace devio {
namespace {

const char* const kTag = "Win32Device";
// How long a read thread waits before it retries a read that failed at once.
constexpr DWORD kReadRetryMs = 1000;
// The product string buffer, in bytes.
constexpr ULONG kProductStringBytes = 252;

// "-hid- 0x<pid> [W]: 11 ff ..." as one line of at most 255 characters.
void log_report(const char* where, const char* direction, int pid,
                const std::vector<Byte>& report) {
    char piece[16];
    std::snprintf(piece, sizeof(piece), "0x%x ", static_cast<unsigned>(pid));
    std::string line = std::string("-hid- ") + piece + direction;
    for (Byte byte : report) {
        std::snprintf(piece, sizeof(piece), "%02x ", byte);
        line += piece;
    }
    if (line.size() > 255) {
        line.resize(255);
    }
    xLogWrite(kTag, kLogInfo, where, "%s", line.c_str());
}

// A Bluetooth low-energy HID path carries its vendor and product ID after "}_dev_vid&02".
void ids_from_ble_path(const std::string& path, uint16_t* vendor_id, uint16_t* product_id) {
    std::size_t at = path.find("}_dev_vid&02");
    if (at == std::string::npos || at + 25 >= path.size()) {
        return;
    }
    std::string vendor = path.substr(at + 12, 4);
    std::string product = path.substr(at + 21, 4);
    xLogWrite(kTag, kLogInfo, "devio::Win32Device::open", "vid is %s and pid is %s", vendor.c_str(),
              product.c_str());
    *vendor_id = static_cast<uint16_t>(std::strtoul(vendor.c_str(), nullptr, 16));
    *product_id = static_cast<uint16_t>(std::strtoul(product.c_str(), nullptr, 16));
}

// Frees preparsed data on every way out of the examination.
class PreparsedData {
public:
    explicit PreparsedData(Win32System& system) : system_(system) {}
    ~PreparsedData() {
        if (data != PHIDP_PREPARSED_DATA{}) {
            try {
                system_.HidD_FreePreparsedData(data);
            } catch (const DevioException&) {
                // The library that made the data is there; nothing else to release.
            }
        }
    }
    PreparsedData(const PreparsedData&) = delete;
    PreparsedData& operator=(const PreparsedData&) = delete;

    PHIDP_PREPARSED_DATA data{};

private:
    Win32System& system_;
};

bool fail(ErrorCode code, uint32_t syserr = 0, const char* message = nullptr) {
    set_last_error(code, syserr, message);
    return false;
}

} // namespace

// What the read thread works with; it outlives the device when a Read handler drops the device.
struct Win32Device::ReadSession {
    std::shared_ptr<Win32System> system;
    std::weak_ptr<Win32Bus> bus;
    HANDLE file;
    HANDLE stop_event;
    HANDLE read_event;
    DWORD size;
    int pid;
    std::string path;
    std::atomic<bool> running{true};
    std::atomic<bool> finished{false};
    std::atomic<std::thread::id> thread_id;
    std::mutex start_mutex;
    std::condition_variable start_condition;
    bool started = false; // guarded by start_mutex
};

Win32Device::Win32Device(std::weak_ptr<Win32Bus> bus, std::shared_ptr<Win32System> system,
                         std::string path, int tag)
    : bus_(std::move(bus)), system_(std::move(system)), path_(std::move(path)), tag_(tag) {}

Win32Device::~Win32Device() {
    destructed_ = true;
    close();
}

std::weak_ptr<IHardwareBus> Win32Device::bus() const {
    return bus_;
}

const Win32Device::Identity* Win32Device::identity() const {
    return examined_.load(std::memory_order_acquire) ? &identity_ : nullptr;
}

int Win32Device::pid() const {
    const Identity* known = identity();
    return known != nullptr ? known->product_id : 0;
}

std::string Win32Device::name() const {
    const Identity* known = identity();
    return known != nullptr ? known->product_name : std::string();
}

int Win32Device::collection_bit() const {
    const Identity* known = identity();
    return known != nullptr ? known->usage & 0xFF : IHardwareDevice::collection_bit();
}

int Win32Device::needed_collections(uint16_t product_id, uint16_t usage_page, uint16_t usage) {
    if (product_id == kSelfSufficientProductId) {
        return 0x02;
    }
    if (usage_page == 0xFF43) {
        return usage >> 8;
    }
    if (usage_page == 0xFF00 && (usage == 1 || usage == 2)) {
        return 0x03;
    }
    return usage & 0xFF;
}

int Win32Device::collections_needed() const {
    const Identity* known = identity();
    return known != nullptr ? needed_collections(known->product_id, known->usage_page, known->usage)
                            : IHardwareDevice::collections_needed();
}

std::string Win32Device::group_key() const {
    const Identity* known = identity();
    if (known == nullptr || collections_needed() == collection_bit()) {
        return path_;
    }
    return known->parent_instance;
}

int Win32Device::collection_size() const {
    const Identity* known = identity();
    return known != nullptr ? known->collection_size : IHardwareDevice::collection_size();
}

// open

bool Win32Device::open() {
    const char* where = "devio::Win32Device::open";
    if (removed_) {
        xLogWrite(kTag, kLogInfo, where, "Win32Device::open exit (false, DeviceRemoved)");
        return fail(ErrorCode::DeviceRemoved);
    }
    if (destructed_) {
        xLogWrite(kTag, kLogInfo, where,
                  "Win32Device::open enter/exit (false, already destructed)");
        return fail(ErrorCode::Unavailable);
    }
    xLogWrite(kTag, kLogInfo, where, "Win32Device::open enter, dev=%s", path_.c_str());
    bool reopening = false;
    {
        std::lock_guard lock(mutex_);
        if (opened_) {
            std::shared_ptr<Win32Bus> bus = bus_.lock();
            if (notification_ != HDEVNOTIFY{} && bus &&
                bus->verifyDeviceNotificationHandleOpen(notification_, handle_)) {
                xLogWrite(kTag, kLogInfo, where, "Win32Device::open exit (true, already open)");
                return true;
            }
            reopening = true;
        }
    }
    // Reopening closes first, without the mutex: a Read handler may be using the device.
    if (reopening) {
        close();
        xLogWrite(kTag, kLogInfo, where, "Win32Device::open handle not valid, reopening");
    }
    std::lock_guard lock(mutex_);
    if (opened_) {
        xLogWrite(kTag, kLogInfo, where, "Win32Device::open exit (true, opened meanwhile)");
        return true;
    }
    try {
        return open_locked();
    } catch (const DevioException& e) {
        xLogWrite(kTag, kLogWarning, where, "Win32Device::open exception %s", e.what());
        e.store_as_last_error();
        release_locked();
        return false;
    }
}

bool Win32Device::open_locked() {
    const char* where = "devio::Win32Device::open";
    if (path_.empty()) {
        xLogWrite(kTag, kLogInfo, where, "Win32Device::open exit (false, no filepath)");
        return fail(ErrorCode::NoDevicePath);
    }
    handle_ = system_->CreateFileW(widen(path_).c_str(), GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_OVERLAPPED, HANDLE{});
    if (handle_ == INVALID_HANDLE_VALUE) {
        DWORD error = system_->GetLastError();
        xLogWrite(kTag, kLogInfo, where, "Win32Device::open exit (false, CreateFile failed)");
        return fail(ErrorCode::CreateFileFailed, error, "CreateFile failed");
    }
    opened_ = true;
    if (!examined_.load(std::memory_order_acquire) && !examine(handle_)) {
        release_locked();
        return false;
    }
    if (!create_events()) {
        release_locked();
        return false;
    }
    std::shared_ptr<Win32Bus> bus = bus_.lock();
    if (!bus) {
        xLogWrite(kTag, kLogInfo, where, "Win32Device::open could not lock bus to register handle");
        release_locked();
        return fail(ErrorCode::Unavailable);
    }
    notification_ = bus->registerDeviceNotificationAndTakeOwnershipOfHandle(handle_);
    if (notification_ == HDEVNOTIFY{}) {
        LastError refused = last_error();
        release_locked();
        set_last_error(refused);
        xLogWrite(kTag, kLogInfo, where,
                  "Win32Device::open exit (false, could not register device notification)");
        return false;
    }
    if (reading_) {
        start_read_thread_locked();
    }
    xLogWrite(kTag, kLogInfo, where, "Win32Device::open opened dev=%s", path_.c_str());
    xLogWrite(kTag, kLogInfo, where, "Win32Device::open exit (true)");
    return true;
}

bool Win32Device::examine(HANDLE file) {
    const char* where = "devio::Win32Device::open";
    Identity found;
    HIDD_ATTRIBUTES attributes;
    if (!system_->HidD_GetAttributes(file, &attributes)) {
        DWORD error = system_->GetLastError();
        xLogWrite(kTag, kLogInfo, where,
                  "Win32Device::open exit (false, HidD_GetAttributes failed)");
        return fail(ErrorCode::GetAttributesFailed, error);
    }
    xLogWrite(kTag, kLogInfo, where, "Win32Device::open vid=0x%04x pid=0x%04x ver=0x%04x",
              attributes.VendorID, attributes.ProductID, attributes.VersionNumber);
    found.vendor_id = attributes.VendorID;
    found.product_id = attributes.ProductID;
    found.version = attributes.VersionNumber;
    if (found.vendor_id == 0 && found.product_id == 0) {
        ids_from_ble_path(path_, &found.vendor_id, &found.product_id);
    }
    if (found.vendor_id != kVarkonVendorId) {
        xLogWrite(kTag, kLogInfo, where,
                  "Win32Device::open exit (false, ignoring non varkon device)");
        return fail(ErrorCode::ForeignDevice, found.product_id);
    }
    if (!accept_collection(found, file)) {
        return false;
    }
    WCHAR product[kProductStringBytes / sizeof(WCHAR)] = {};
    if (!system_->HidD_GetProductString(file, product, kProductStringBytes)) {
        xLogWrite(kTag, kLogWarning, where,
                  "Win32Device::open HidD_GetProductString failed, err=%d",
                  static_cast<int>(system_->GetLastError()));
    } else {
        std::u16string_view text(product, std::size(product));
        found.product_name = narrow(text.substr(0, text.find(u'\0')));
        xLogWrite(kTag, kLogInfo, where, "Win32Device::open product=%s",
                  found.product_name.c_str());
    }
    if (needed_collections(found.product_id, found.usage_page, found.usage) !=
        (found.usage & 0xFF)) {
        // A failure along the chain leaves the parent empty without failing the open.
        found.parent_instance = system_->setupdi_parent(system_->setupdi_instance_from_path(path_));
        xLogWrite(kTag, kLogInfo, where, "Win32Device::open parent=%s",
                  found.parent_instance.c_str());
    }
    identity_ = std::move(found);
    examined_.store(true, std::memory_order_release);
    return true;
}

bool Win32Device::accept_collection(Identity& found, HANDLE file) {
    const char* where = "devio::Win32Device::open";
    PreparsedData preparsed(*system_);
    if (!system_->HidD_GetPreparsedData(file, &preparsed.data)) {
        DWORD error = system_->GetLastError();
        xLogWrite(kTag, kLogInfo, where,
                  "Win32Device::open exit (false, HidD_GetPreparsedData failed)");
        return fail(ErrorCode::GetPreparsedDataFailed, error);
    }
    HIDP_CAPS caps;
    if (system_->HidP_GetCaps(preparsed.data, &caps) != HIDP_STATUS_SUCCESS) {
        xLogWrite(kTag, kLogInfo, where, "Win32Device::open exit (false, HidP_GetCaps failed)");
        return fail(ErrorCode::GetCapsFailed);
    }
    found.usage = caps.Usage;
    found.usage_page = caps.UsagePage;
    found.collection_size = caps.OutputReportByteLength;
    xLogWrite(kTag, kLogInfo, where,
              "Win32Device::open input len=%d output len=%d feature len=%d usagepage=0x%04x "
              "usage=0x%04x",
              caps.InputReportByteLength, caps.OutputReportByteLength, caps.FeatureReportByteLength,
              caps.UsagePage, caps.Usage);
    xLogWrite(kTag, kLogInfo, where,
              "Win32Device::open input: indices=%d values=%d buttons=%d; output: indices=%d "
              "values=%d buttons=%d; link collections=%d",
              caps.NumberInputDataIndices, caps.NumberInputValueCaps, caps.NumberInputButtonCaps,
              caps.NumberOutputDataIndices, caps.NumberOutputValueCaps, caps.NumberOutputButtonCaps,
              caps.NumberLinkCollectionNodes);

    if (caps.UsagePage == 0xFF43) {
        int piece = caps.Usage & 0xFF;
        int expected = caps.Usage >> 8;
        if (std::popcount(static_cast<unsigned>(piece)) != 1 || (piece & expected) == 0) {
            xLogWrite(kTag, kLogInfo, where,
                      "Win32Device::open exit (false, not a rap collection usage code)");
            return fail(ErrorCode::UnsupportedCollection);
        }
        xLogWrite(kTag, kLogInfo, where, "Win32Device::open thisusage=%d expected=%d bit=%d", piece,
                  expected, std::countr_zero(static_cast<unsigned>(piece)));
    } else if (caps.UsagePage == 0xFF00) {
        if (caps.Usage != 1 && caps.Usage != 2) {
            xLogWrite(kTag, kLogInfo, where,
                      "Win32Device::open exit (false, not a rap collection usage code)");
            return fail(ErrorCode::UnsupportedCollection);
        }
    } else {
        xLogWrite(kTag, kLogInfo, where, "Win32Device::open exit (false, not vendor usage page)");
        return fail(ErrorCode::NotVendorUsagePage);
    }
    if (caps.NumberOutputValueCaps + caps.NumberOutputButtonCaps != 1 ||
        caps.NumberInputValueCaps + caps.NumberInputButtonCaps != 1) {
        xLogWrite(kTag, kLogInfo, where,
                  "Win32Device::open exit (false, not just a single button or value cap)");
        return fail(ErrorCode::UnsupportedCollection);
    }
    if (caps.InputReportByteLength != caps.OutputReportByteLength) {
        xLogWrite(kTag, kLogInfo, where,
                  "Win32Device::open exit (false, mismatched input and output report sizes)");
        return fail(ErrorCode::UnsupportedCollection);
    }
    return read_report_ids(found, preparsed.data, caps.NumberOutputValueCaps,
                           caps.NumberOutputButtonCaps);
}

bool Win32Device::read_report_ids(Identity& found, PHIDP_PREPARSED_DATA data, uint16_t value_caps,
                                  uint16_t button_caps) {
    const char* where = "devio::Win32Device::open";
    std::vector<HIDP_VALUE_CAPS> values(value_caps);
    USHORT count = value_caps;
    NTSTATUS status = system_->HidP_GetValueCaps(HidP_Output, values.data(), &count, data);
    if (status != HIDP_STATUS_SUCCESS) {
        DWORD error = system_->GetLastError();
        xLogWrite(kTag, kLogInfo, where,
                  "Win32Device::open exit (false, HidP_GetValueCaps failed status=%x err=%d)",
                  static_cast<unsigned>(status), static_cast<int>(error));
        return fail(ErrorCode::GetCapsFailed, error);
    }
    for (USHORT i = 0; i < count; ++i) {
        xLogWrite(kTag, kLogInfo, where,
                  "Win32Device::open output value cap: usagepage=0x%04x reportid=%d bits=%d "
                  "count=%d",
                  values[i].UsagePage, values[i].ReportID, values[i].BitSize,
                  values[i].ReportCount);
        found.report_ids[values[i].ReportID] = found.collection_size;
    }
    std::vector<HIDP_BUTTON_CAPS> buttons(button_caps);
    count = button_caps;
    status = system_->HidP_GetButtonCaps(HidP_Output, buttons.data(), &count, data);
    if (status != HIDP_STATUS_SUCCESS) {
        DWORD error = system_->GetLastError();
        xLogWrite(kTag, kLogInfo, where,
                  "Win32Device::open exit (false, HidP_GetButtonCaps failed status=%x err=%d)",
                  static_cast<unsigned>(status), static_cast<int>(error));
        return fail(ErrorCode::GetCapsFailed, error);
    }
    for (USHORT i = 0; i < count; ++i) {
        xLogWrite(kTag, kLogInfo, where,
                  "Win32Device::open output button cap: usagepage=0x%04x reportid=%d",
                  buttons[i].UsagePage, buttons[i].ReportID);
        found.report_ids[buttons[i].ReportID] = found.collection_size;
    }
    return true;
}

bool Win32Device::create_events() {
    write_event_ = system_->CreateEventW(nullptr, FALSE, FALSE, nullptr);
    stop_event_ = system_->CreateEventW(nullptr, FALSE, FALSE, nullptr);
    read_event_ = system_->CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (write_event_ == HANDLE{} || stop_event_ == HANDLE{} || read_event_ == HANDLE{}) {
        return fail(ErrorCode::GeneralFailure, system_->GetLastError(), "CreateEvent failed");
    }
    return true;
}

// close

void Win32Device::close() {
    const char* where = "devio::Win32Device::close";
    xLogWrite(kTag, kLogInfo, where, "Win32Device::close enter, dev=%s", path_.c_str());
    std::thread thread;
    {
        std::lock_guard lock(mutex_);
        if (session_) {
            session_->running = false;
            system_->SetEvent(stop_event_);
            session_.reset();
        }
        thread = std::move(read_thread_);
    }
    if (thread.joinable()) {
        if (thread.get_id() == std::this_thread::get_id()) {
            xLogWrite(kTag, kLogError, where,
                      "close is being called from the read thread, so detaching read thread "
                      "instead of joining it");
            thread.detach();
        } else {
            try {
                thread.join();
            } catch (const std::system_error& e) {
                xLogWrite(kTag, kLogInfo, where, "Win32Device::close join failed: %s", e.what());
            }
        }
    }
    HDEVNOTIFY notification;
    HANDLE file;
    {
        std::lock_guard lock(mutex_);
        notification = notification_;
        file = handle_;
        notification_ = HDEVNOTIFY{};
        if (notification != HDEVNOTIFY{}) {
            // The bus owns the handle now; it closes it below.
            handle_ = INVALID_HANDLE_VALUE;
        }
        release_locked();
    }
    if (notification != HDEVNOTIFY{}) {
        // Without the mutex: the window thread may be handling a message that closes this device.
        if (std::shared_ptr<Win32Bus> bus = bus_.lock()) {
            bus->unregisterDeviceNotificationAndCloseTrackedHandle(notification, file);
        }
    }
    xLogWrite(kTag, kLogInfo, where, "Win32Device::close exit");
}

void Win32Device::release_locked() {
    const char* where = "devio::Win32Device::close";
    if (handle_ != INVALID_HANDLE_VALUE && notification_ == HDEVNOTIFY{}) {
        system_->CloseHandle(handle_);
        xLogWrite(kTag, kLogInfo, where, "Win32Device::close closed handle %p",
                  handle_ptr(handle_));
    }
    handle_ = INVALID_HANDLE_VALUE;
    notification_ = HDEVNOTIFY{};
    if (write_event_ != HANDLE{}) {
        system_->CloseHandle(write_event_);
        xLogWrite(kTag, kLogInfo, where, "Win32Device::close closed handle %08x (hWriteEvent)",
                  static_cast<unsigned>(write_event_));
        write_event_ = HANDLE{};
    }
    for (HANDLE* event : {&stop_event_, &read_event_}) {
        if (*event != HANDLE{}) {
            system_->CloseHandle(*event);
            xLogWrite(kTag, kLogInfo, where, "Win32Device::close closed handle %p (eventListRead)",
                      handle_ptr(*event));
            *event = HANDLE{};
        }
    }
    opened_ = false;
}

// write

bool Win32Device::end_write(std::vector<Byte> report, ErrorCode code, uint32_t syserr) {
    Producer<IHardwareDevice::Write>::produce(
        [report = std::move(report), code, syserr](IHardwareDevice::Write* subscriber) {
            subscriber->onWrite(report, code, syserr);
        },
        "Win32Device::Write::onWrite");
    bool succeeded = code == ErrorCode::NoError;
    if (!succeeded) {
        set_last_error(code, syserr);
    }
    xLogWrite(kTag, kLogInfo, "devio::Win32Device::write", "Win32Device::write exit, ret=%d",
              succeeded ? 1 : 0);
    return succeeded;
}

bool Win32Device::write(std::vector<Byte> report, bool blocking) {
    const char* where = "devio::Win32Device::write";
    xLogWrite(kTag, kLogInfo, where, "Win32Device::write enter, dev=%s blocking=%d", path_.c_str(),
              blocking ? 1 : 0);
    if (!open()) {
        xLogWrite(kTag, kLogInfo, where, "Win32Device::write exit (false, open failed)");
        LastError failure = last_error();
        return end_write({}, failure.code, failure.syserr);
    }
    std::lock_guard write_lock(write_mutex_);
    HANDLE file;
    HANDLE event;
    std::shared_ptr<ReadSession> session;
    {
        std::lock_guard lock(mutex_);
        file = handle_;
        event = write_event_;
        session = session_;
    }
    if (file == INVALID_HANDLE_VALUE || event == HANDLE{}) {
        xLogWrite(kTag, kLogInfo, where, "Win32Device::write exit (false, InvalidDeviceHandle)");
        return end_write({}, ErrorCode::InvalidDeviceHandle, 0);
    }
    if (report.empty()) {
        xLogWrite(kTag, kLogInfo, where, "Win32Device::write exit (false, WriteTooShort)");
        return end_write({}, ErrorCode::WriteTooShort, 0);
    }
    const Identity& known = *identity();
    for (const auto& [report_id, length] : known.report_ids) {
        if (length >= report.size()) {
            report[0] = report_id;
            break;
        }
    }
    if (report.size() > known.collection_size) {
        xLogWrite(kTag, kLogInfo, where,
                  "Win32Device::write exit (false, WriteExceedsCollectionSize)");
        return end_write({}, ErrorCode::WriteExceedsCollectionSize, 0);
    }
    report.resize(known.collection_size, 0);
    if (blocking) {
        if (!session || !session->running || session->finished) {
            xLogWrite(kTag, kLogInfo, where, "Win32Device::write dev=%s", path_.c_str());
            xLogWrite(kTag, kLogInfo, where,
                      "Win32Device::write exit (false, "
                      "CannotPerformWriteWithoutReadThreadRunning)");
            return end_write({}, ErrorCode::CannotPerformWriteWithoutReadThreadRunning, 0);
        }
        if (session->thread_id.load() == std::this_thread::get_id()) {
            xLogWrite(kTag, kLogInfo, where,
                      "Win32Device::write exit (false, CannotPerformBlockingWriteOnReadThread)");
            return end_write({}, ErrorCode::CannotPerformBlockingWriteOnReadThread, 0);
        }
    }
    log_report(where, "[W]: ", known.product_id, report);

    ErrorCode code = ErrorCode::NoError;
    DWORD syserr = 0;
    OVERLAPPED overlapped;
    overlapped.hEvent = event;
    DWORD transferred = 0;
    if (!system_->WriteFile(file, report.data(), static_cast<DWORD>(report.size()), nullptr,
                            &overlapped)) {
        DWORD error = system_->GetLastError();
        if (error != ERROR_IO_PENDING) {
            code = ErrorCode::WriteError;
            syserr = error;
        } else if (DWORD waited = system_->WaitForSingleObject(event, kWriteTimeoutMs);
                   waited != WAIT_OBJECT_0) {
            xLogWrite(kTag, kLogInfo, where, "Win32Device::write timeout, waitresult=0x%08x",
                      waited);
            system_->CancelIoEx(file, &overlapped);
            // The record stays the system's until the cancelled write has ended.
            system_->GetOverlappedResult(file, &overlapped, &transferred, TRUE);
            code = ErrorCode::WriteTimeout;
        } else if (!system_->GetOverlappedResult(file, &overlapped, &transferred, FALSE)) {
            code = ErrorCode::WriteError;
            syserr = system_->GetLastError();
        }
    }
    if (code == ErrorCode::WriteError) {
        xLogWrite(kTag, kLogInfo, where, "Win32Device::write WriteError, errcode_sys=%d",
                  static_cast<int>(syserr));
        if (syserr == ERROR_GEN_FAILURE) {
            code = ErrorCode::DeviceNotFunctioning;
        }
    } else if (code == ErrorCode::WriteTimeout) {
        xLogWrite(kTag, kLogInfo, where, "Win32Device::write WriteTimeout");
    } else {
        xLogWrite(kTag, kLogInfo, where, "Win32Device::write successful");
    }
    return end_write(std::move(report), code, syserr);
}

// Reading

bool Win32Device::on_subscribe(IHardwareDevice::Read*) {
    reading_ = true;
    std::lock_guard lock(mutex_);
    if (opened_) {
        start_read_thread_locked();
    }
    return true;
}

void Win32Device::start_read_thread() {
    std::lock_guard lock(mutex_);
    start_read_thread_locked();
}

void Win32Device::start_read_thread_locked() {
    const char* where = "devio::Win32Device::start_read_thread";
    if (session_ && session_->running && !session_->finished) {
        xLogWrite(kTag, kLogInfo, where,
                  "Win32Device::on_subscribe device already has read thread");
        return;
    }
    if (removed_ || !opened_) {
        xLogWrite(kTag, kLogInfo, where, "Win32Device::on_subscribe device is not open");
        return;
    }
    if (read_thread_.joinable()) {
        // A thread that ended by itself: it no longer touches the device.
        read_thread_.detach();
    }
    auto session = std::make_shared<ReadSession>();
    session->system = system_;
    session->bus = bus_;
    session->file = handle_;
    session->stop_event = stop_event_;
    session->read_event = read_event_;
    session->size = static_cast<DWORD>(identity()->collection_size);
    session->pid = identity()->product_id;
    session->path = path_;
    system_->ResetEvent(stop_event_);
    session_ = session;
    read_thread_ = std::thread(&Win32Device::read_thread, weak_from_this(), session);
    xLogWrite(kTag, kLogInfo, where, "Win32Device::on_subscribe waiting for read thread to start");
    std::unique_lock started(session->start_mutex);
    session->start_condition.wait(started, [&] { return session->started; });
}

void Win32Device::read_thread(std::weak_ptr<Win32Device> weak,
                              std::shared_ptr<ReadSession> session) {
    const char* where = "devio::Win32Device::read_thread";
    ReadSession& s = *session;
    {
        std::lock_guard lock(s.start_mutex);
        s.thread_id = std::this_thread::get_id();
        s.started = true;
    }
    s.start_condition.notify_all();
    Win32System& system = *s.system;
    std::vector<Byte> buffer(s.size);
    OVERLAPPED overlapped;
    overlapped.hEvent = s.read_event;
    while (s.running) {
        DWORD transferred = 0;
        DWORD error = ERROR_SUCCESS;
        bool failed_at_once = false;
        if (!system.ReadFile(s.file, buffer.data(), s.size, &transferred, &overlapped)) {
            error = system.GetLastError();
            failed_at_once = error != ERROR_IO_PENDING;
        }
        if (error == ERROR_IO_PENDING) {
            HANDLE events[2] = {s.stop_event, s.read_event};
            DWORD waited = system.WaitForMultipleObjects(2, events, FALSE, INFINITE);
            if (waited != WAIT_OBJECT_0 + 1) {
                xLogWrite(kTag, kLogInfo, where, "Win32Device::read_thread got stop event");
                s.running = false;
                system.CancelIoEx(s.file, &overlapped);
                // The buffer stays the system's until the cancelled read has ended.
                system.GetOverlappedResult(s.file, &overlapped, &transferred, TRUE);
                break;
            }
            error = system.GetOverlappedResult(s.file, &overlapped, &transferred, FALSE)
                        ? ERROR_SUCCESS
                        : system.GetLastError();
        }
        std::shared_ptr<Win32Device> device = weak.lock();
        if (!device || device->destructed_) {
            xLogWrite(kTag, kLogInfo, where,
                      "Win32Device::read_thread stopping because destructed (before producing "
                      "event)");
            break;
        }
        auto produce = [&](std::vector<Byte> report, unsigned syserr, unsigned size) {
            device->Producer<IHardwareDevice::Read>::produce(
                [report = std::move(report), syserr, size](IHardwareDevice::Read* subscriber) {
                    subscriber->onRead(report, false, syserr, size);
                },
                "Win32Device::Read::onRead");
        };
        if (error == ERROR_DEVICE_NOT_CONNECTED) {
            xLogWrite(kTag, kLogInfo, where, "Win32Device::read_thread ERROR_DEVICE_NOT_CONNECTED");
            if (std::shared_ptr<Win32Bus> bus = s.bus.lock()) {
                bus->read_failed_with_disconnect_error(s.path);
                device->removed_ = true;
            }
            produce({}, ERROR_DEVICE_NOT_CONNECTED, 0);
            break;
        }
        std::vector<Byte> report;
        if (error == ERROR_SUCCESS) {
            report.assign(buffer.begin(), buffer.begin() + transferred);
            log_report(where, "[R]: ", s.pid, report);
        }
        xLogWrite(kTag, kLogInfo, where, "Win32Device::read_thread producing event");
        produce(std::move(report), error, s.size);
        if (device->destructed_) {
            xLogWrite(kTag, kLogInfo, where,
                      "Win32Device::read_thread stopping because destructed (after producing "
                      "event)");
            break;
        }
        // A Read handler may have dropped the last reference: from here on only the session.
        device.reset();
        if (failed_at_once && s.running) {
            // A closed handle never reads again: wait for close. Other failures are retried
            // after a pause rather than at full speed.
            DWORD pause = error == ERROR_INVALID_HANDLE ? INFINITE : kReadRetryMs;
            if (system.WaitForSingleObject(s.stop_event, pause) != WAIT_TIMEOUT) {
                s.running = false;
            }
        }
    }
    s.finished = true;
    xLogWrite(kTag, kLogInfo, where, "Win32Device::read_thread end");
}

// verify

bool Win32Device::verify_connection_following_timeout() {
    const char* where = "devio::Win32Device::verify_connection_following_timeout";
    std::shared_ptr<Win32Bus> bus = bus_.lock();
    if (!bus) {
        xLogWrite(kTag, kLogInfo, where,
                  "Win32Device::verify_connection_following_timeout could not lock bus");
        return true;
    }
    if (bus->verify_device_exists(path_)) {
        xLogWrite(kTag, kLogInfo, where,
                  "Win32Device::verify_connection_following_timeout exit, returning true");
        return true;
    }
    xLogWrite(kTag, kLogWarning, where,
              "Win32Device::verify_connection_following_timeout returning false (is a zombie)");
    return false;
}

} // namespace devio
