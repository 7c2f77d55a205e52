// A window made through the system-API seam on a thread of its own, as the HID bus makes its
// hidden window: it records the device-change messages it receives and answers each as its hook
// says (a removal query is granted without a hook).
#pragma once

#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Source/Windows/WideText.h"
#include "Source/Windows/Win32System.h"

namespace devio::test {

class SeamWindow {
public:
    struct Change {
        DWORD event = 0;
        DWORD type = 0; // 0 without a record
        HANDLE handle{};
        HDEVNOTIFY notification{};
        GUID interface_class;
        std::string path;
    };
    // Runs on the window's thread; its result answers the message.
    using Hook = std::function<LRESULT(const Change&)>;

    explicit SeamWindow(Win32System& system, Hook hook = {})
        : system_(system), hook_(std::move(hook)) {
        std::promise<HWND> created;
        auto window = created.get_future();
        thread_ = std::thread([this, &created] { run(created); });
        window_ = window.get();
    }
    ~SeamWindow() { close(); }
    SeamWindow(const SeamWindow&) = delete;
    SeamWindow& operator=(const SeamWindow&) = delete;

    HWND window() const { return window_; }
    std::thread::id thread_id() const { return thread_.get_id(); }

    std::vector<Change> changes() const {
        std::lock_guard lock(mutex_);
        return changes_;
    }

    HDEVNOTIFY register_interface(const GUID& interface_class) {
        DEV_BROADCAST_DEVICEINTERFACE_W filter;
        filter.dbch_size = sizeof(filter);
        filter.dbch_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = interface_class;
        return system_.RegisterDeviceNotificationW(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    }
    HDEVNOTIFY register_handle(HANDLE file) {
        DEV_BROADCAST_HANDLE filter;
        filter.dbch_size = sizeof(filter);
        filter.dbch_devicetype = DBT_DEVTYP_HANDLE;
        filter.dbch_handle = file;
        return system_.RegisterDeviceNotificationW(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    }

    void close() {
        if (thread_.joinable()) {
            system_.PostMessageW(window_, WM_CLOSE, 0, 0);
            thread_.join();
        }
    }

private:
    // The window procedure reaches its object through the window's user data, and the system
    // through the thread it runs on.
    static thread_local SeamWindow* creating_;

    static LRESULT procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        SeamWindow* self = creating_;
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
            self->system_.SetWindowLongPtrW(window, GWLP_USERDATA,
                                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        self =
            reinterpret_cast<SeamWindow*>(self->system_.GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self == nullptr) {
            return 0;
        }
        if (message == WM_DESTROY) {
            self->system_.PostQuitMessage(0);
            return 0;
        }
        if (message == WM_DEVICECHANGE) {
            return self->record(static_cast<DWORD>(wparam),
                                reinterpret_cast<const DEV_BROADCAST_HDR*>(lparam));
        }
        return self->system_.DefWindowProcW(window, message, wparam, lparam);
    }

    LRESULT record(DWORD event, const DEV_BROADCAST_HDR* header) {
        Change change;
        change.event = event;
        if (header != nullptr) {
            change.type = header->dbch_devicetype;
            if (header->dbch_devicetype == DBT_DEVTYP_HANDLE) {
                const auto* record = static_cast<const DEV_BROADCAST_HANDLE*>(header);
                change.handle = record->dbch_handle;
                change.notification = record->dbch_hdevnotify;
            } else if (header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
                const auto* record = static_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
                change.interface_class = record->dbcc_classguid;
                change.path = narrow(record->dbcc_name);
            }
        }
        {
            std::lock_guard lock(mutex_);
            changes_.push_back(change);
        }
        return hook_ ? hook_(change) : TRUE;
    }

    void run(std::promise<HWND>& created) {
        creating_ = this;
        WNDCLASSW window_class;
        window_class.lpfnWndProc = &SeamWindow::procedure;
        window_class.lpszClassName = u"SeamWindow";
        system_.RegisterClassW(&window_class); // may exist already: one class for every window
        HWND window =
            system_.CreateWindowExW(WS_EX_TOOLWINDOW, u"SeamWindow", u"SeamWindow", WS_POPUP, 0, 0,
                                    0, 0, HWND{}, HMENU{}, HINSTANCE{}, this);
        created.set_value(window);
        if (window == HWND{}) {
            return;
        }
        MSG message;
        while (system_.GetMessageW(&message, HWND{}, 0, 0) > 0) {
            system_.DispatchMessageW(&message);
        }
    }

    Win32System& system_;
    Hook hook_;
    std::thread thread_;
    HWND window_{};
    mutable std::mutex mutex_;
    std::vector<Change> changes_;
};

inline thread_local SeamWindow* SeamWindow::creating_ = nullptr;

} // namespace devio::test
