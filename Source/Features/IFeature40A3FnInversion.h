// The Fn-inversion feature 0x40A3, with a lock key: the inversion, its default, and the event of
// the Fn lock.
// Layouts (this library's choice): the getter answers the inversion and its default (one byte
// each); the event carries the new inversion in byte 0.
#pragma once

namespace devio {

class IFeature40A3FnInversion {
public:
    static constexpr int kFeatureNumber = 0x40A3;

    // The Fn lock changed the inversion (event function 0). Produced on the transport's read
    // thread.
    class Report {
    public:
        virtual void onFLockChange(bool /*inverted*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature40A3FnInversion() = default;

    [[nodiscard]] virtual bool GetGlobalFnInversion(bool* inverted, bool* default_inverted) = 0;
    [[nodiscard]] virtual bool SetGlobalFnInversion(bool inverted) = 0;
};

} // namespace devio
