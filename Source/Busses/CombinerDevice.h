// CombinerDevice: one physical HID device made of several collections (pieces), each a hardware
// device of the bus below. It opens and closes its pieces together, routes each write to the first
// piece (in collection-bit order) whose reports are long enough, and re-produces its pieces' Read
// and Write events as its own. To anything above it, it is whole by itself.
//
// Threads: the pieces' Read and Write events arrive on their read and writing threads and are
// re-produced there. The pieces map has a mutex of its own, held only to read or change the map,
// never while a piece is called or an event produced.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Source/Contracts/IHardwareDevice.h"
#include "Source/Events/Producer.h"
#include "Source/Events/Subscriber.h"

namespace devio {

class CombinerBus;

class CombinerDevice : public IHardwareDevice,
                       public Subscriber<IHardwareDevice::Read>,
                       public Subscriber<IHardwareDevice::Write>,
                       public Producer<IHardwareDevice::Connect>,
                       public Producer<IHardwareDevice::Read>,
                       public Producer<IHardwareDevice::Write>,
                       public std::enable_shared_from_this<CombinerDevice> {
public:
    CombinerDevice(std::weak_ptr<CombinerBus> bus, const std::shared_ptr<IHardwareDevice>& first);
    ~CombinerDevice() override;
    CombinerDevice(const CombinerDevice&) = delete;
    CombinerDevice& operator=(const CombinerDevice&) = delete;

    // Every bit of the needed mask is among the pieces' bits.
    bool whole() const;
    // Keeps an existing piece of the same bit; false when a subscription to the new piece failed.
    bool add_piece(const std::shared_ptr<IHardwareDevice>& piece);
    // Closes and drops the stored piece with the same path; true when no piece is left.
    bool remove_piece(const std::shared_ptr<IHardwareDevice>& piece);

    // IHardwareDevice
    bool connected() const override { return true; }
    // Opens every piece in ascending bit order; false at the first that fails.
    [[nodiscard]] bool open() override;
    void close() override;
    // WriteExceedsCollectionSize when no piece's reports are long enough.
    [[nodiscard]] bool write(std::vector<Byte> report, bool blocking) override;
    std::weak_ptr<IHardwareBus> bus() const override;
    std::string path() const override { return path_; }
    int pid() const override { return pid_; }
    std::string name() const override { return name_; }
    int slot_byte() const override { return 0; }
    int bus_type() const override { return 0; }
    int bus_index() const override { return 0; }
    // Asks every piece; true only when all of them still hold.
    bool verify_connection_following_timeout() override;

protected:
    void onRead(std::vector<Byte> report, bool set_own_index, unsigned syserr,
                unsigned size) override;
    void onWrite(std::vector<Byte> report, ErrorCode code, unsigned syserr) override;

    // The first reader makes us read every piece, the last one to leave stops it; a Write
    // subscriber makes us listen to the pieces' writes.
    using Producer<IHardwareDevice::Connect>::on_subscribe;
    bool on_subscribe(IHardwareDevice::Read* subscriber) override;
    bool on_subscribe(IHardwareDevice::Write* subscriber) override;
    using Producer<IHardwareDevice::Connect>::on_unsubscribe;
    using Producer<IHardwareDevice::Write>::on_unsubscribe;
    void on_unsubscribe(IHardwareDevice::Read* subscriber) override;

private:
    using Pieces = std::map<int, std::shared_ptr<IHardwareDevice>>;
    Pieces pieces() const;

    const std::weak_ptr<CombinerBus> bus_;
    const std::string path_;
    const int pid_;
    const std::string name_;
    const int needed_;

    mutable std::mutex mutex_;
    Pieces pieces_;               // guarded by mutex_
    bool reading_ = false;        // guarded by mutex_
    bool logging_writes_ = false; // guarded by mutex_
};

} // namespace devio
