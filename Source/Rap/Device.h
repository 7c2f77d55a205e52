// The RAP device: the library's object for one device reached through a hardware device, directly
// or behind a receiver. It classifies every report the hardware device delivers, runs the command
// engine (one synchronous command at a time, serialised across processes by a named mutex, with
// pings, retries, quarantine and the response cache), holds the device's feature table and follows
// its hardware device through connections and disconnections.
//
// The class is split by concern over several files:
//   Device.cpp               construction, identity, initialisation, active state, timers
//   DeviceReadHandler.cpp    classification of incoming reports, hardware Read and Write events
//   DeviceCommandEngine.cpp  synchronous commands, pings, retries, quarantine, cache
//   DeviceConnection.cpp     the lazy hardware subscriptions, connect and disconnect handling
//   DeviceConfiguration.cpp  the configuration cookie: configured and pending features, their
//                            check and replay on connect, deactivation, wireless status, shutdown,
//                            forget
//   DeviceDiscovery.cpp      the feature table: root, single features, the whole feature set
//   DeviceFirmwareCheck.cpp  the fingerprint of the running firmware and its check
//   DeviceCacheFile.cpp      the response cache's file
//
// Threads: the hardware Read and Write events arrive directly on the transport's read thread (the
// classification runs there); the hardware Connect event, the manager's ActiveChanged and the
// timers and the wireless-status event come through the run loop on the application's thread.
// Commands, and with them discovery and the firmware check, may run on any thread. The device's
// locks: the named mutex, the command slot's lock (taken inside the named mutex), the report-time
// lock, the software-id stamps' lock, the feature table's lock, the lock of the configured and
// pending lists and the subscriptions' lock; no other two are ever nested. The hardware device's
// read thread holds its producer's lock while the classification takes the command lock, so an
// exchange makes its hardware subscriptions before it takes the command lock, and failures are
// published after both locks are released.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Source/Contracts/IDevice.h"
#include "Source/Contracts/IDeviceManager.h"
#include "Source/Contracts/IHardwareDevice.h"
#include "Source/Events/ITimer.h"
#include "Source/Events/Producer.h"
#include "Source/Events/Subscriber.h"
#include "Source/Features/IFeature1D4BWirelessStatus.h"
#include "Source/Rap/CommandSlot.h"
#include "Source/Rap/FeatureTable.h"
#include "Source/Rap/NamedMutex.h"
#include "Source/Rap/ResponseCache.h"
#include "Source/Rap/SoftwareIdTracker.h"
#include "Source/System/ThreadAnnotations.h"

namespace devio {

class Feature;
class IFeature0003FirmwareInfo;
class IReceiverAttachedDevice;

class Device : public IDevice,
               public Producer<IDevice::Report>,
               public Producer<IDevice::WriteReport>,
               public Producer<IDevice::Connect>,
               public Producer<IDevice::ConfigChange>,
               public Subscriber<IHardwareDevice::Read>,
               public Subscriber<IHardwareDevice::Write>,
               public Subscriber<IHardwareDevice::Connect>,
               public Subscriber<IDeviceManager::ActiveChanged>,
               public Subscriber<ITimer::TimerEvent>,
               public Subscriber<IFeature1D4BWirelessStatus::Report>,
               public std::enable_shared_from_this<Device> {
public:
    // The wait for one response, and the attempts of one synchronous command (0 to 10).
    static constexpr int64_t kResponseTimeoutMs = 3000;
    static constexpr int kRetryCount = 10;
    // Attempts after which a silent device behind a receiver or Bluetooth is quarantined.
    static constexpr int kSilenceThreshold = 4;
    // A cache store is written to the cache file this long after the store that started the timer.
    static constexpr int kCacheWriteDelayMs = 10000;
    // A configured device that stays connected while inactive is given back its defaults after
    // this.
    static constexpr int kDeactivationDelayMs = 5000;
    // A connect this soon after the last report is handled this much later, once.
    static constexpr int kReconnectSettleMs = 1000;
    static constexpr int kDeactivationTimerId = 0;
    static constexpr int kCacheWriteTimerId = 1;
    static constexpr int kFirmwareCheckTimerId = 2;

    Device(std::weak_ptr<IDeviceManager> manager, std::shared_ptr<IHardwareDevice> hardware);
    ~Device() override;
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // IDevice
    void initDevice(std::shared_ptr<IDeviceManager> manager) override;
    void uninitDevice() override;
    bool connected() override;
    bool removed() const override { return removed_.load(); }
    int busType() const override { return hardware_->bus_type(); }
    int transportType() const override { return hardware_->bus_type(); }
    int busIndex() const override { return hardware_->bus_index(); }
    std::shared_ptr<IHardwareBus> bus() const override { return hardware_->bus().lock(); }
    std::string path() const override { return hardware_->path(); }
    int pid() const override { return hardware_->pid(); }
    std::string name() const override { return hardware_->name(); }
    unsigned swid() const override;
    int slotByte() const override { return hardware_->slot_byte(); }
    [[nodiscard]] bool set_configured(std::shared_ptr<IFeature> feature) override
        DEVIO_EXCLUDES(configuration_mutex_);
    bool configured() const override DEVIO_EXCLUDES(configuration_mutex_);
    [[nodiscard]] bool set_pending(std::shared_ptr<IFeature> feature) override
        DEVIO_EXCLUDES(configuration_mutex_);
    bool pending() const override DEVIO_EXCLUDES(configuration_mutex_);
    [[nodiscard]] bool shutdown() override DEVIO_EXCLUDES(configuration_mutex_);
    void forget() override DEVIO_EXCLUDES(configuration_mutex_);
    std::weak_ptr<IDeviceManager> manager() const override { return manager_; }
    std::shared_ptr<IFeature> feature_by_id(int number) override;
    std::vector<std::shared_ptr<IFeature>> features() override;
    [[nodiscard]] bool sendCommand(const std::vector<Byte>& report, bool awaits_response) override;
    [[nodiscard]] bool sendSynchronousCommand(const std::vector<Byte>& command,
                                              std::vector<Byte>& response, CacheMode cache_mode,
                                              const rap::MatchPositions& positions) override;
    void abandon() override;
    [[nodiscard]] bool retry_load_feature_root() override;
    int extendedValue() const override { return hardware_->extended_value(); }
    void confirm_configuration() override;

    // A pseudo-random number from low to high, both included (sys::Random); any thread may ask.
    virtual int random(int low, int high);

    // Feature discovery. Each returns false (or empty) with the thread's error.
    // Makes sure the root feature is known; a device found not to speak RAP 2.0 is not asked
    // again unless `retry`.
    bool load_feature_root(bool retry);
    // Asks the root where a feature number lives and puts its object into the table.
    std::shared_ptr<Feature> load_feature(int number, CacheMode cache_mode);
    // Reads the whole feature set, once.
    bool load_features();

    // The fingerprint of the running firmware: fwType, prefix, version, build and unit id of the
    // running entity ("NotPresent" without feature 0x0003); empty on failure.
    std::string read_fwinfo(bool cached);
    // Takes the fingerprint once (from the cache when it was read from a file) and checks it
    // when the device is connected.
    bool load_fwinfo(bool had_cache);
    // The firmware check: a changed fingerprint makes the device forget its features and cached
    // answers, publish onFirmwareChanged and fail with FwVersionChanged.
    bool do_fwcheck();
    std::string fwinfo() const DEVIO_EXCLUDES(discovery_mutex_);

    // The folder of the cache files (ending with a separator); a non-empty one is kept and the
    // device's cache file is read at once.
    void persistent_data_directory(const std::string& directory) DEVIO_EXCLUDES(discovery_mutex_);
    // Writes the response cache to the device's file (and the product's generic file), replacing
    // it atomically.
    void perform_cache_write();
    // Adds the entries of the device's file (or of the generic file) that the cache lacks,
    // unless the file was written by other firmware.
    void perform_cache_read();

    // One exchange: the command under the named mutex and the command lock, and the wait for its
    // response. The response is the whole report.
    bool sendSynchronousCommandWithoutRetry(const std::vector<Byte>& command,
                                            std::vector<Byte>& response,
                                            const rap::MatchPositions& positions);

    // Classifies one report of the hardware device and acts on it: completes the pending command,
    // hands events and other programs' responses to the features, tracks software ids.
    ReportType onReadHandler(std::vector<Byte> report, bool set_own_index)
        DEVIO_EXCLUDES(report_time_mutex_);

    // The features known so far, filled by feature discovery.
    FeatureTable& feature_table() { return features_; }
    const std::shared_ptr<IHardwareDevice>& hardware() const { return hardware_; }
    // The configuration cookie this program wrote; cleared by every hard command failure but
    // NotConnected.
    uint16_t cookie() const { return cookie_.load(); }
    // The last cookie of another program seen on the device; the next cookie picked differs.
    uint16_t foreign_cookie() const { return foreign_cookie_.load(); }
    // This program's configuration was lost for a reason other than another program's cookie.
    bool device_unowned_but_dirty() const { return device_unowned_but_dirty_.load(); }
    bool quarantined() const { return quarantined_.load(); }
    // Scaled milliseconds since the last report of the hardware device (any report).
    uint64_t milliseconds_since_last_report() const DEVIO_EXCLUDES(report_time_mutex_);

protected:
    // Hardware events.
    void onRead(std::vector<Byte> report, bool set_own_index, unsigned syserr,
                unsigned size) override;
    void onWrite(std::vector<Byte> report, ErrorCode code, unsigned syserr) override;
    void onConnect(std::shared_ptr<IHardwareDevice> device) override;
    void onDisconnect(std::shared_ptr<IHardwareDevice> device) override;
    void onActiveChanged(bool active) override;
    void onTimerEvent(int timer_id) override;
    // The device asks for its settings again after a reconnection (feature 0x1D4B, devices behind
    // a receiver); on the application's thread.
    void onWirelessStatusEvent(bool reconnect, bool config_needed, bool powerswitch) override;

    // The first subscriber of our Connect event makes us follow the hardware device's; the first
    // of WriteReport makes us listen to its writes.
    using Producer<IDevice::Report>::on_subscribe;
    using Producer<IDevice::ConfigChange>::on_subscribe;
    bool on_subscribe(IDevice::Connect* subscriber) override DEVIO_EXCLUDES(subscriptions_mutex_);
    bool on_subscribe(IDevice::WriteReport* subscriber) override;

    // Connect handling (hardware Connect event, firmware-check timer, confirm_configuration,
    // becoming active) and disconnect handling (hardware Disconnect, quarantine, inactivity).
    void handle_connect();
    void handle_disconnect();

    // The configuration check of the connect handling: whether this program's configuration of
    // the device still holds, with the pending changes and the new cookie written. Empty when the
    // handling is to stop without an event.
    std::optional<bool> check_configuration_on_connect();
    // Deactivation timer: gives the device back its defaults when this program stopped using it.
    void perform_deactivate();

    // A hard failure of the engine (the one in LastError): the device no longer counts as
    // configured by this program, unless it is only away (NotConnected), which loses nothing.
    void clear_cookie() {
        if (last_error().code != ErrorCode::NotConnected) {
            cookie_.store(0);
        }
    }

    std::atomic<uint16_t> cookie_{0};
    std::atomic<uint16_t> foreign_cookie_{0};

private:
    enum RootResult : int { kRootNotTried = 0, kRootNotRap20 = 1, kRootLoaded = 2 };
    enum class PingResult { Proceed, NextAttempt, Failed };
    // How an exchange failed: the thread's error to set and what the WriteReport failure carries.
    struct Failure {
        ErrorCode code;
        uint32_t syserr = 0;
        const char* message = nullptr;
        unsigned number = 0;
    };

    // Command engine.
    PingResult ping(int attempt, const rap::Report& command);
    std::optional<Failure> exchange(const rap::Report& command, rap::Report& response,
                                    const rap::MatchPositions& positions);
    std::optional<Failure> await_response(CommandSlot::Lock& lock, rap::Report& response);
    void store_in_cache(const rap::Report& sent, const rap::Report& response);
    void publish_write_failure(ErrorCode code, unsigned number);
    void publish_config_change();
    unsigned manager_default_swid() const;

    // Classification.
    bool offer_to_pending_command(const rap::Report& report);
    ReportType classify_foreign_response(const rap::Report& report, bool feature_based,
                                         const std::shared_ptr<Feature>& feature);

    // Discovery.
    std::shared_ptr<Feature> install_feature(int number, int index, bool obsolete, bool swHidden,
                                             bool engineeringHidden, int version);
    void subscribe_to_wireless_status();
    // The full fingerprint from the entity that runs (rdnf bit 0); nothing when none runs, an
    // empty text when a request failed.
    std::optional<std::string> fingerprint_of_running_entity(IFeature0003FirmwareInfo& info,
                                                             int count, uint32_t unit_id,
                                                             CacheMode cache_mode);
    void set_fwinfo(std::string fingerprint) DEVIO_EXCLUDES(discovery_mutex_);
    std::string data_directory() const DEVIO_EXCLUDES(discovery_mutex_);

    // Configuration.
    std::shared_ptr<IReceiverAttachedDevice> receiver_attached() const;
    // Whether the device still holds our cookie; empty when the connect handling is to stop.
    std::optional<bool> cookie_still_ours(bool& foreign);
    // Writes the pending changes, then the cookie; false when the connect handling is to stop.
    bool replay_pending_changes(bool configured_by_us, bool& lost)
        DEVIO_EXCLUDES(configuration_mutex_);
    // Empties the configured list and tells its features (`why` logs each, with its number).
    void drop_configuration(const char* function, const char* why)
        DEVIO_EXCLUDES(configuration_mutex_);
    uint16_t pick_cookie();

    // Lazy hardware subscriptions.
    bool ensure_connect_subscription() DEVIO_EXCLUDES(subscriptions_mutex_);
    bool ensure_read_subscription() DEVIO_EXCLUDES(subscriptions_mutex_);
    void report_unreported_error(const char* where);

    std::weak_ptr<IDeviceManager> manager_;
    const std::shared_ptr<IHardwareDevice> hardware_;

    // Command engine state.
    NamedMutex named_mutex_;
    CommandSlot command_;
    mutable SoftwareIdTracker software_ids_; // swid() chooses the first id
    ResponseCache cache_;
    std::atomic<bool> silence_{false};
    std::atomic<bool> need_ping_{false};
    std::atomic<bool> firmware_check_needed_{false};
    std::atomic<bool> brb_enabled_{false};
    std::atomic<bool> brb_active_{false};
    std::atomic<bool> removed_{false};
    std::atomic<bool> quarantined_{false};
    std::atomic<bool> cache_dirty_{false};

    FeatureTable features_;
    std::atomic<int> root_result_{kRootNotTried};
    std::atomic<bool> all_features_loaded_{false};
    std::atomic<int> firmware_entity_{0};
    std::atomic<bool> fw_check_in_progress_{false};
    // The fingerprint and the data directory are read by discovery, the connect handling and the
    // cache-write timer on their threads.
    mutable sys::Mutex discovery_mutex_;
    std::string fwinfo_ DEVIO_GUARDED_BY(discovery_mutex_);
    std::string data_directory_ DEVIO_GUARDED_BY(discovery_mutex_);

    mutable sys::Mutex report_time_mutex_;
    uint64_t last_report_ms_ DEVIO_GUARDED_BY(report_time_mutex_) = 0;

    // Lifecycle state.
    std::atomic<bool> active_{true};
    std::atomic<bool> connected_{false};
    // 0 none yet, 1 disconnected, 2 connected: what the last Connect event said.
    std::atomic<int> last_reported_state_{0};
    // Serialises making the hardware subscriptions; the flags are read without it, so that an
    // exchange, which holds the command lock, never waits for it once they are made.
    sys::Mutex subscriptions_mutex_;
    std::atomic<bool> connect_subscribed_{false};
    std::atomic<bool> read_subscribed_{false};
    bool write_subscribed_ DEVIO_GUARDED_BY(subscriptions_mutex_) = false;
    bool generic_cache_ = false;
    std::shared_ptr<ITimer> deactivation_timer_;
    std::shared_ptr<ITimer> cache_write_timer_;
    std::shared_ptr<ITimer> firmware_check_timer_;

    // Configuration state.
    mutable sys::Mutex configuration_mutex_;
    std::vector<std::shared_ptr<Feature>>
        configured_features_ DEVIO_GUARDED_BY(configuration_mutex_);
    std::vector<std::shared_ptr<Feature>> pending_features_ DEVIO_GUARDED_BY(configuration_mutex_);
    bool shut_down_ DEVIO_GUARDED_BY(configuration_mutex_) = false;
    std::atomic<bool> device_unowned_but_dirty_{false};
    std::atomic<bool> software_present_requested_{false};
    std::atomic<bool> replaying_pending_{false}; // the connect handling writes held changes
};

} // namespace devio
