// CombinerBus: the filter bus on top of a bus whose devices are single HID collections. It groups
// the pieces of one physical device (same group key) into one CombinerDevice, announces that
// device once all its needed pieces are present, and takes it away when one of them goes. A piece
// that is whole by itself is passed up unwrapped.
//
// Threads: onPlug, onUnplug and onPowerChange run on the thread that delivers the events of the
// bus below (its window thread, or a device's read thread for removals); devices() may run there
// and on a caller's thread at the same time. The set of combined devices has a mutex of its own,
// never held while an event is produced or the bus below is asked.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Source/Contracts/IHardwareBus.h"
#include "Source/Events/Producer.h"
#include "Source/Events/Subscriber.h"

namespace devio {

class CombinerDevice;
class IDeviceManager;

class CombinerBus : public IHardwareBus,
                    public Producer<IHardwareBus::PlugUnplug>,
                    public Subscriber<IHardwareBus::PlugUnplug>,
                    public std::enable_shared_from_this<CombinerBus> {
public:
    static std::shared_ptr<CombinerBus> create(std::weak_ptr<IDeviceManager> manager,
                                               std::shared_ptr<IHardwareBus> below);
    ~CombinerBus() override;

    // The whole devices; every device that a piece of this enumeration completed is also
    // announced with onPlug. An empty list keeps the error of the bus below.
    std::vector<std::shared_ptr<IHardwareDevice>> devices() override;
    std::vector<std::shared_ptr<IBluetoothBus>> bluetooth_busses() override;
    std::vector<std::shared_ptr<IHardwareSecondaryBus>> secondary_busses() override;

    const std::shared_ptr<IHardwareBus>& below() const { return below_; }

protected:
    // Events of the bus below.
    void onPlug(std::shared_ptr<IHardwareDevice> piece) override;
    void onUnplug(std::shared_ptr<IHardwareDevice> piece) override;
    void onPowerChange(bool standBy) override;
    // Our first subscriber makes us listen to the bus below.
    bool on_subscribe(IHardwareBus::PlugUnplug* subscriber) override;

private:
    CombinerBus(std::weak_ptr<IDeviceManager> manager, std::shared_ptr<IHardwareBus> below);
    bool subscribe_below();
    void produce_plug(const std::shared_ptr<IHardwareDevice>& device);
    void produce_unplug(const std::shared_ptr<IHardwareDevice>& device);

    const std::shared_ptr<IHardwareBus> below_;
    const std::weak_ptr<IDeviceManager> manager_;
    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<CombinerDevice>> combined_; // by path; guarded
};

} // namespace devio
