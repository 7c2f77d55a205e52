// Feature 0x00D0, the DFU transfer. Blocks of any length other than 16 bytes are refused before
// anything is sent (Rap20Error + 2), so that no partial packet reaches the device's flash.
// onDfuStatus comes from the thread that sent the packet, or, for a notification, from the
// transport's read thread; run-loop subscribers get it later, on the application's thread.
#pragma once

#include <memory>
#include <vector>

#include "Source/Events/Producer.h"
#include "Source/Features/IFeature00d0DFU.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature00d0DFU : public FeatureBase<"Feature00d0DFU", IFeature00d0DFU>,
                       public Producer<IFeature00d0DFU::Report> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool DFUStart(const std::vector<Byte>& start_block, unsigned& status,
                                std::vector<Byte>* response) override;
    [[nodiscard]] bool DFUSendPacket(unsigned packet_number,
                                     const std::vector<Byte>& packet) override;
    [[nodiscard]] bool DFURestart(Byte parameter) override;

protected:
    // A status notification; the function number does not matter.
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;

private:
    // One block with a data function (0 to 3) or the start function (4), and its status.
    bool send_block(unsigned function, const std::vector<Byte>& block, unsigned& status,
                    std::vector<Byte>* response);
    void publish_status(uint32_t packet_number, const std::vector<Byte>& status);
};

} // namespace devio
