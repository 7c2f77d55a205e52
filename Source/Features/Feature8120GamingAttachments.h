// The gaming-attachments feature's class. Functions 0 and 1 and the device's event (function 0)
// carry a list [count, kind, kind, ...]; a kind outside 1..4 empties the list with
// Rap20Error + 2, fewer than count + 1 bytes are CommandResponseTooShort (an event that is either
// publishes nothing). Function 2 [enabled] was left open by the protocol and is chosen as a
// device of this kind takes it.
#pragma once

#include "Source/Features/IFeature8120GamingAttachments.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature8120GamingAttachments
    : public FeatureBase<"Feature8120GamingAttachments", IFeature8120GamingAttachments>,
      public Producer<IFeature8120GamingAttachments::Report> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetAttachments(std::vector<int>* kinds) override;
    [[nodiscard]] bool GetSupportedAttachments(std::vector<int>* kinds) override;
    [[nodiscard]] bool SetAttachmentReporting(bool enabled) override;

    // The kinds of a list as functions 0 and 1 and the event carry it, or false with the error.
    static bool parse_list(const std::vector<Byte>& bytes, std::vector<int>& kinds);

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;

private:
    bool read_list(unsigned function, std::vector<int>* kinds);
};

} // namespace devio
