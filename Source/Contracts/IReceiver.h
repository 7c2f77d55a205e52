// The extra interface of a receiver bus: the devices paired to the receiver, its per-slot bytes,
// pairing (lock open and close) and unpairing. It produces the lock-state changes it reports and
// the news that another program overwrote its notification register 0x00.
#pragma once

#include <memory>
#include <vector>

#include "Source/Byte.h"

namespace devio {

class IDevice;

class IReceiver {
public:
    class LockingChange {
    public:
        // The receiver's raw bytes 3 and 4 of its lock-state notification.
        enum State : Byte {};
        enum ErrorType : Byte {};

        virtual void onLockingChange(std::shared_ptr<IDevice> /*device*/, State /*state*/,
                                     ErrorType /*error*/) {}
        virtual ~LockingChange() = default;
    };

    class RegisterZeroOverwritten {
    public:
        virtual void onRegisterZeroOverwritten() {}
        virtual ~RegisterZeroOverwritten() = default;
    };

    virtual ~IReceiver() = default;

    // The devices of the device manager whose hardware device belongs to this receiver.
    virtual std::vector<std::shared_ptr<IDevice>> paired_devices() = 0;
    // Reads the receiver's per-slot bytes into its devices' slot_byte.
    [[nodiscard]] virtual bool read_slot_bytes() = 0;
    // The receiver's product ID is one of the two listed receiver kinds.
    virtual bool is_listed_receiver_kind() = 0;
    // Opens the receiver for pairing, and closes it again.
    [[nodiscard]] virtual bool open_lock() = 0;
    [[nodiscard]] virtual bool close_lock() = 0;
    // Removes the pairing of the device with that RAP device index.
    [[nodiscard]] virtual bool unpair(int device_index) = 0;
};

} // namespace devio
