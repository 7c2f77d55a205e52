// The lock-key feature 0x4220: the states of the lock keys.
// Layouts (this library's choice): one byte, bit 0 num lock, bit 1 caps lock, bit 2 scroll lock;
// the event carries the same byte.
#pragma once

namespace devio {

class IFeature4220LockKeyState {
public:
    static constexpr int kFeatureNumber = 0x4220;

    // A lock key changed (event function 0). Produced on the transport's read thread.
    class Report {
    public:
        virtual void onLockKeyChange(int /*locks*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature4220LockKeyState() = default;

    [[nodiscard]] virtual bool GetLockState(int* locks) = 0;
};

} // namespace devio
