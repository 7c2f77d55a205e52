#include "Source/Manager/CDevio.h"

#include <cstdarg>
#include <cstdlib>
#include <utility>

#include "Source/Log/LastError.h"
#include "Source/Log/Vs2003SingletonThreadCleanup.h"
#include "Source/Log/xLog.h"
#include "Source/Manager/DeviceManager.h"
#include "Source/Manager/ManagerRetirement.h"

namespace devio {

namespace {

// Every facade line: level 2, tag "Devio", the function "devio::CDevio::<operation>".
__attribute__((format(printf, 2, 3))) void facade_log(const char* function, const char* format,
                                                      ...) {
    va_list arguments;
    va_start(arguments, format);
    xLogWriteV("Devio", kLogInfo, function, format, arguments);
    va_end(arguments);
}

// The process's facade exists before the main function starts.
[[maybe_unused]] const bool kFacadeBuilt = (CDevio::instance(), true);

} // namespace

CDevio& CDevio::instance() {
    // Never freed, so that threads still running during the process's teardown find a facade
    // marked destroyed rather than freed memory; at exit it does what its destructor would.
    static CDevio* const facade = [] {
        auto* made = new CDevio();
        Vs2003SingletonThreadCleanup::instance().register_callback([made] { made->shutdown(); });
        std::atexit([] { instance().end_of_life(); });
        return made;
    }();
    return *facade;
}

CDevio::CDevio() {
    // The first line for the log file starts the log's thread, which registers the log's shutdown
    // with the guard before the facade registers its own: at the end of the main function the log
    // goes direct first, and the facade's teardown is then written line by line.
    facade_log("devio::CDevio::CDevio", "CDevio::CDevio");
}

CDevio::~CDevio() {
    end_of_life();
}

void CDevio::end_of_life() {
    if (destroyed_.load()) {
        return;
    }
    const char* where = "devio::CDevio::~CDevio";
    facade_log(where, "CDevio::~CDevio");
    if (existing()) {
        // The manager's threads must not be joined during the process's own teardown.
        facade_log(where, "CDevio::~CDevio calling about_to_join() to avoid deadlock");
        Vs2003SingletonThreadCleanup::about_to_join();
    }
    destroyed_.store(true);
    std::shared_ptr<DeviceManager> manager;
    std::lock_guard<std::mutex> lock(mutex_);
    manager.swap(manager_); // released after the lock
}

std::shared_ptr<DeviceManager> CDevio::getimpl() {
    if (destroyed_.load()) {
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (shut_down_) {
        facade_log("devio::CDevio::getimpl", "CDevio::getimpl retuning nullptr due to shutdown");
        set_last_error(ErrorCode::Unavailable);
        return nullptr;
    }
    if (!manager_) {
        facade_log("devio::CDevio::getimpl", "CDevio::getimpl creating cdevio DeviceManager");
        manager_ = DeviceManager::create();
    }
    return manager_;
}

std::shared_ptr<DeviceManager> CDevio::existing() {
    if (destroyed_.load()) {
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    return manager_;
}

CDevio::operator std::shared_ptr<IDeviceManager>() {
    facade_log("devio::CDevio::shared_ptr", "CDevio::shared_ptr<>");
    return getimpl();
}

void CDevio::shutdown() {
    facade_log("devio::CDevio::shutdown", "CDevio::shutdown enter");
    {
        std::lock_guard<std::mutex> lock(mutex_);
        shut_down_ = true;
    }
    reset();
    facade_log("devio::CDevio::shutdown", "CDevio::shutdown exit");
}

void CDevio::reset() {
    facade_log("devio::CDevio::reset", "CDevio::reset enter");
    if (!destroyed_.load()) {
        std::shared_ptr<DeviceManager> manager;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            manager.swap(manager_);
        }
        if (manager) {
            // Events queued before the reset are never delivered.
            manager->remove_runloop_events(nullptr, nullptr);
        }
        // The manager dies on this thread, after the calls still running on other threads let
        // it go, never on one of its own threads.
        ManagerRetirement::destroy_here(std::move(manager));
    }
    facade_log("devio::CDevio::reset", "CDevio::reset exit");
}

std::vector<std::shared_ptr<IDevice>> CDevio::devices() {
    facade_log("devio::CDevio::devices", "CDevio::devices");
    std::shared_ptr<DeviceManager> manager = getimpl();
    return manager ? manager->devices() : std::vector<std::shared_ptr<IDevice>>();
}

std::vector<std::shared_ptr<IDevice>> CDevio::devices_on_bus(std::shared_ptr<IHardwareBus> bus) {
    facade_log("devio::CDevio::devices_on_bus", "CDevio::devices_on_bus");
    std::shared_ptr<DeviceManager> manager = getimpl();
    return manager ? manager->devices_on_bus(std::move(bus))
                   : std::vector<std::shared_ptr<IDevice>>();
}

void CDevio::swid(int value) {
    facade_log("devio::CDevio::swid", "CDevio::swid");
    if (std::shared_ptr<DeviceManager> manager = getimpl()) {
        manager->swid(value);
    }
}

int CDevio::swid() {
    facade_log("devio::CDevio::swid", "CDevio::swid");
    std::shared_ptr<DeviceManager> manager = getimpl();
    return manager ? manager->swid() : 15;
}

bool CDevio::is_active() {
    facade_log("devio::CDevio::is_active", "CDevio::is_active");
    std::shared_ptr<DeviceManager> manager = getimpl();
    return manager ? manager->is_active() : false;
}

void CDevio::set_active(bool active) {
    facade_log("devio::CDevio::set_active", "CDevio::set_active %s", active ? "true" : "false");
    if (std::shared_ptr<DeviceManager> manager = getimpl()) {
        manager->set_active(active);
    }
}

void CDevio::report_unreported_error(const std::string& where) {
    const char* function = "devio::CDevio::report_unreported_error";
    facade_log(function, "CDevio::report_unreported_error");
    if (std::shared_ptr<DeviceManager> manager = existing()) {
        manager->report_unreported_error(where);
    } else {
        facade_log(function, "skipping CDevio::report_unreported_error");
    }
}

void CDevio::enqueue_event_for_runloop(QueuedEvent event) {
    if (std::shared_ptr<DeviceManager> manager = existing()) {
        manager->enqueue_event_for_runloop(std::move(event));
    } else {
        facade_log("devio::CDevio::enqueue_event_for_runloop",
                   "skipping CDevio::enqueue_event_for_runloop");
    }
}

void CDevio::call_event_from_runloop() {
    if (std::shared_ptr<DeviceManager> manager = existing()) {
        manager->call_event_from_runloop();
    }
}

void CDevio::remove_runloop_events(const void* subscriber, const void* producer) {
    const char* function = "devio::CDevio::remove_runloop_events";
    facade_log(function, "CDevio::remove_runloop_events start");
    if (std::shared_ptr<DeviceManager> manager = existing()) {
        manager->remove_runloop_events(subscriber, producer);
        facade_log(function, "CDevio::remove_runloop_events end");
    } else {
        facade_log(function, "skipping CDevio::remove_runloop_events");
    }
}

void CDevio::persistent_data_directory(const std::string& directory) {
    facade_log("devio::CDevio::persistent_data_directory", "CDevio::persistent_data_directory");
    if (std::shared_ptr<DeviceManager> manager = getimpl()) {
        manager->persistent_data_directory(directory);
    }
}

bool CDevio::config_default(unsigned item, bool* value) {
    facade_log("devio::CDevio::config_default", "CDevio::config_default %d",
               static_cast<int>(item));
    std::shared_ptr<DeviceManager> manager = getimpl();
    return manager ? manager->config_default(item, value) : false;
}

bool CDevio::config_get(unsigned item, bool* value) {
    facade_log("devio::CDevio::config_get", "CDevio::config_get %d", static_cast<int>(item));
    std::shared_ptr<DeviceManager> manager = getimpl();
    return manager ? manager->config_get(item, value) : false;
}

bool CDevio::config_set(unsigned item, bool value) {
    facade_log("devio::CDevio::config_set", "CDevio::config_set %d = %d", static_cast<int>(item),
               value ? 1 : 0);
    std::shared_ptr<DeviceManager> manager = getimpl();
    return manager ? manager->config_set(item, value) : false;
}

bool CDevio::connectToHardwareBusses() {
    facade_log("devio::CDevio::connectToHardwareBusses", "CDevio::connectToHardwareBusses");
    std::shared_ptr<DeviceManager> manager = getimpl();
    return manager ? manager->connectToHardwareBusses() : false;
}

void CDevio::makeDevice(std::shared_ptr<IDevice>& device,
                        std::shared_ptr<IHardwareDevice> hardware_device, bool plain_device_only,
                        int product_id) {
    facade_log("devio::CDevio::makeDevice", "CDevio::makeDevice");
    if (std::shared_ptr<DeviceManager> manager = getimpl()) {
        manager->makeDevice(device, std::move(hardware_device), plain_device_only, product_id);
    } else {
        device.reset();
    }
}

bool CDevio::manual_subscribe(ArrivalRemoval* subscriber, int delivery) {
    facade_log("devio::CDevio::manual_subscribe", "CDevio::manual_subscribe");
    std::shared_ptr<DeviceManager> manager = getimpl();
    return manager ? manager->Producer<ArrivalRemoval>::subscribe(subscriber, delivery) : false;
}

void CDevio::manual_unsubscribe(ArrivalRemoval* subscriber) {
    const char* function = "devio::CDevio::manual_unsubscribe";
    facade_log(function, "CDevio::manual_unsubscribe");
    if (std::shared_ptr<DeviceManager> manager = existing()) {
        manager->Producer<ArrivalRemoval>::unsubscribe(subscriber);
    } else {
        facade_log(function, "skipping CDevio::manual_unsubscribe");
    }
}

} // namespace devio

namespace devio::runloop_port {

void enqueue(QueuedEvent event) {
    CDevio::instance().enqueue_event_for_runloop(std::move(event));
}

void remove(const void* subscriber, const void* producer) {
    CDevio::instance().remove_runloop_events(subscriber, producer);
}

} // namespace devio::runloop_port
