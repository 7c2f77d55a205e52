// What a hardware device behind a receiver offers the RAP device above it for the configuration
// cookie: telling the receiver that software configures this device (the receiver then watches
// its register 0x00 and sets its software-present bit), marking the device's slot as holding
// changes for its next connection (register 0x03), and withdrawing the software-present bit again.
// The receiver-attached hardware device implements it; the RAP device reaches it by a cast of its
// hardware device, so that it does not depend on the receiver bus.
#pragma once

namespace devio {

class IReceiverAttachedDevice {
public:
    virtual ~IReceiverAttachedDevice() = default;

    // Each returns false with the reason in the thread's LastError.
    [[nodiscard]] virtual bool set_software_present() = 0;
    [[nodiscard]] virtual bool set_slot_flag() = 0;
    [[nodiscard]] virtual bool clear_software_present() = 0;
};

} // namespace devio
