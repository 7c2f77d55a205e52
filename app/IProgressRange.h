// The part of the progress bar that loading the firmware sets up: its range and its step. The
// update dialog implements it for its progress bar.
#pragma once

namespace devio::app {

class IProgressRange {
public:
    virtual ~IProgressRange() = default;
    virtual void SetRange(int lower, int upper) = 0;
    virtual void SetStep(int step) = 0;
};

} // namespace devio::app
