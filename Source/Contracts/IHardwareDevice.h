// A hardware device: something that can be opened, written to, and that delivers the reports it
// receives through its Read event. Everything above the hardware layer sees devices only through
// this interface; the concrete classes (HID collection, combined device, receiver-attached device,
// pairing device) stack on top of one another.
//
// Every hardware device is also a producer of the three nested events:
// - Read: on the read thread of the HID collection, or on the thread that delivered the read of
//   the device below. Subscribing to Read is what makes a device read.
// - Write: on the thread that called write(), or that delivered the Write of the device below.
// - Connect: on the thread that handles the receiver's or radio's link notification.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Source/Byte.h"
#include "Source/Log/ErrorCode.h"

namespace devio {

class IHardwareBus;

class IHardwareDevice {
public:
    class Read {
    public:
        // `report` is empty when the read failed; `syserr` is then the system error (1167 when
        // the device is gone). `size` is the read buffer's length (the collection size). With
        // `set_own_index` the report comes from a device behind a receiver and its device-index
        // byte is to be read as 0xFF.
        virtual void onRead(std::vector<Byte> /*report*/, bool /*set_own_index*/,
                            unsigned /*syserr*/, unsigned /*size*/) {}
        virtual ~Read() = default;
    };

    class Write {
    public:
        // One event per write() of a device that transfers to the hardware itself: the report as
        // it went out (padded) on success, an empty one for a failure found before the transfer.
        virtual void onWrite(std::vector<Byte> /*report*/, ErrorCode /*code*/,
                             unsigned /*syserr*/) {}
        virtual ~Write() = default;
    };

    class Connect {
    public:
        virtual void onConnect(std::shared_ptr<IHardwareDevice> /*device*/) {}
        virtual void onDisconnect(std::shared_ptr<IHardwareDevice> /*device*/) {}
        virtual ~Connect() = default;
    };

    // The per-collection identity of a device that overrides none of the combining operations:
    // it is whole by itself.
    static constexpr int kDefaultCollectionBit = 0x02;
    static constexpr int kDefaultCollectionsNeeded = 0x02;
    static constexpr int kDefaultCollectionSize = 20;

    virtual ~IHardwareDevice() = default;

    // Whether the device can be written to now.
    virtual bool connected() const = 0;
    // Opening an open device verifies its handle; reopening a closed one gets a fresh handle.
    [[nodiscard]] virtual bool open() = 0;
    // Closing a closed (or never opened) device does nothing.
    virtual void close() = 0;
    // True only on success; the reason of a failure is in the thread's LastError. `blocking`
    // announces that the caller will wait for the answer: a device that reads on a thread of its
    // own refuses such a write when that thread does not run or when the caller is that thread.
    [[nodiscard]] virtual bool write(std::vector<Byte> report, bool blocking) = 0;
    virtual std::weak_ptr<IHardwareBus> bus() const = 0;
    // Stable across plug events: identifies the device.
    virtual std::string path() const = 0;
    // For a device behind a receiver, the product ID the receiver reports for it.
    virtual int pid() const = 0;
    virtual std::string name() const = 0;
    // The per-slot byte a receiver reports for its device; 0 elsewhere.
    virtual int slot_byte() const = 0;
    // One of the kBusType values.
    virtual int bus_type() const = 0;
    // Behind a receiver the RAP device index (1 to 6); Bluetooth low energy: 1 over the HID
    // service, 2 over GATT; 0 otherwise.
    virtual int bus_index() const = 0;

    // A device behind a receiver returns the value of its receiver's hardware device.
    virtual int extended_value() const { return 0; }
    // Asked by the command engine after a command got no answer: false when the device is known
    // to be gone.
    virtual bool verify_connection_following_timeout() { return true; }
    // Pieces reporting the same key are combined until their collection bits make up the mask.
    virtual std::string group_key() const { return path(); }
    virtual int collection_bit() const { return kDefaultCollectionBit; }
    virtual int collections_needed() const { return kDefaultCollectionsNeeded; }
    // The length of every report of this device, report id included.
    virtual int collection_size() const { return kDefaultCollectionSize; }
};

} // namespace devio
