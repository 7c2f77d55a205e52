// The gaming-attachments feature 0x8120: the attachments (weights, grips, plates) fitted to a
// gaming device, as a list of kinds 1 to 4.
#pragma once

#include <vector>

namespace devio {

class IFeature8120GamingAttachments {
public:
    static constexpr int kFeatureNumber = 0x8120;

    // The attachments fitted changed. Produced on the transport's read thread.
    class Report {
    public:
        virtual void onAttachmentChanged(const std::vector<int>& /*kinds*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature8120GamingAttachments() = default;

    // The kinds of the attachments fitted now.
    [[nodiscard]] virtual bool GetAttachments(std::vector<int>* kinds) = 0;
    // The kinds the device accepts.
    [[nodiscard]] virtual bool GetSupportedAttachments(std::vector<int>* kinds) = 0;
    // Whether the device reports changes of its attachments.
    [[nodiscard]] virtual bool SetAttachmentReporting(bool enabled) = 0;
};

} // namespace devio
