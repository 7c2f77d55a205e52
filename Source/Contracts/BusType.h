// How a hardware device is reached: the value of IHardwareDevice::bus_type().
#pragma once

namespace devio {

// Directly over HID: a corded device, a receiver itself, a combined HID device.
inline constexpr int kBusTypeDirectHid = 0;
// Behind a receiver, through the receiver's own hardware device.
inline constexpr int kBusTypeReceiver = 1;
inline constexpr int kBusTypeBluetoothClassic = 2;
// Bluetooth low energy through the system's HID service.
inline constexpr int kBusTypeBleHid = 3;
// Bluetooth low energy through its GATT service.
inline constexpr int kBusTypeBleGatt = 4;

} // namespace devio
