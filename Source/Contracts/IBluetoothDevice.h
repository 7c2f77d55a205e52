// The events of a hardware device that is connected over Bluetooth: its link, its fast-reconnect
// link, and the removal of its pairing.
#pragma once

#include <string>

namespace devio {

class IBluetoothDevice {
public:
    class BtConnect {
    public:
        virtual void onBtConnect(std::string /*radio*/) {}
        virtual void onBtPairingUpdate(std::string /*radio*/) {}
        virtual void onBtDisconnect() {}
        virtual ~BtConnect() = default;
    };

    class BtFastConnect {
    public:
        virtual void onBtFastConnect(std::string /*radio*/) {}
        virtual void onBtFastDisconnect() {}
        virtual ~BtFastConnect() = default;
    };

    class BtUnpair {
    public:
        virtual void onBtUnpair(std::string /*radio*/) {}
        virtual ~BtUnpair() = default;
    };

    virtual ~IBluetoothDevice() = default;
};

} // namespace devio
