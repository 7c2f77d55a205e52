// The classification of incoming reports and the hardware device's Read and Write events.
#include "Source/Rap/Device.h"

#include "Source/Log/xLog.h"
#include "Source/Rap/Feature.h"
#include "Source/System/Clock.h"

namespace devio {

namespace {

constexpr const char* kTag = "Device";
constexpr const char* kFunction = "devio::Device::onReadHandler";

} // namespace

void Device::onRead(std::vector<Byte> report, bool set_own_index, unsigned syserr, unsigned size) {
    ReportType type = onReadHandler(report, set_own_index);
    if (active_.load()) {
        Producer<IDevice::Report>::produce(
            [report, syserr, size, type](IDevice::Report* subscriber) {
                subscriber->onReport(report, syserr, size, type);
            },
            "Device::Report::onReport");
    }
}

void Device::onWrite(std::vector<Byte> report, ErrorCode code, unsigned syserr) {
    if (active_.load()) {
        Producer<IDevice::WriteReport>::produce(
            [report, code, syserr](IDevice::WriteReport* subscriber) {
                subscriber->onWriteReport(report, code, syserr);
            },
            "Device::WriteReport::onWriteReport");
    }
}

IDevice::ReportType Device::onReadHandler(std::vector<Byte> report, bool set_own_index) {
    {
        sys::MutexLock lock(report_time_mutex_);
        last_report_ms_ = sys::Clock::tick_count_ms();
    }
    silence_.store(false);

    if (report.size() < rap::kShortReportLength) {
        xLogWrite(kTag, kLogWarning, kFunction, "Not processing short read report of %d bytes",
                  static_cast<int>(report.size()));
        return ReportType::Unhandled;
    }
    if (set_own_index) {
        report[1] = rap::kOwnDeviceIndex;
    }
    // The receiver's notifications come with the index of the device they are about.
    if (rap::is_rap10_notification(report[2])) {
        xLogWrite(kTag, kLogVerbose, kFunction, "Report is a RAP 1.0 notification");
        return ReportType::Notification;
    }
    if (report[1] != rap::kOwnDeviceIndex && report[1] != rap::kReceiverDeviceIndex) {
        return ReportType::Unhandled;
    }

    bool feature_based = !features_.empty();
    std::shared_ptr<Feature> feature;
    if (feature_based) {
        feature = features_.at_index(report[2]);
        if (feature != nullptr && rap::software_id_of(report[3]) == 0) {
            xLogWrite(kTag, kLogVerbose, kFunction, "Report is a RAP 2.0 notification");
            if (active_.load()) {
                feature->deliverFeatureReport(static_cast<int>(rap::function_of(report[3])),
                                              rap::parameters_of(report));
            }
            return ReportType::Notification;
        }
    } else if (report[2] >= 0x01 && report[2] < rap::kFirstRegisterSubId) {
        xLogWrite(
            kTag, kLogVerbose, kFunction,
            "Report is a RAP 1.0 notification or a RAP 2.0 response/event for an unknown feature");
        return ReportType::Unhandled;
    }

    if (offer_to_pending_command(report)) {
        return ReportType::CommandResponse;
    }
    return classify_foreign_response(report, feature_based, feature);
}

bool Device::offer_to_pending_command(const rap::Report& report) {
    CommandSlot::Offer offer = command_.offer(report, brb_enabled_.load(), brb_active_);
    switch (offer.match) {
    case CommandSlot::Match::Completed:
        xLogWrite(kTag, kLogVerbose, kFunction, "No command in progress");
        break;
    case CommandSlot::Match::Empty:
        xLogWrite(kTag, kLogVerbose, kFunction, "Command in progress, size is %d", 0);
        break;
    case CommandSlot::Match::ErrorResponse:
        xLogWrite(kTag, kLogVerbose, kFunction, "Report is a RAP error response");
        break;
    case CommandSlot::Match::Response:
        xLogWrite(kTag, kLogVerbose, kFunction, "Report is a RAP command response");
        break;
    case CommandSlot::Match::PayloadMismatch:
        xLogWrite(kTag, kLogVerbose, kFunction,
                  "Response with mismatched payload does not complete our "
                  "pending command. Continuing decoding...");
        break;
    case CommandSlot::Match::HeaderMismatch:
        xLogWrite(kTag, kLogVerbose, kFunction,
                  "Response with mismatched header does not complete our "
                  "pending command. Continuing decoding... (!)");
        break;
    }
    if (offer.by_workaround) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "Response matches previous command. Activating brb workaround.");
    }
    return offer.completed();
}

IDevice::ReportType Device::classify_foreign_response(const rap::Report& report, bool feature_based,
                                                      const std::shared_ptr<Feature>& feature) {
    if (!feature_based) {
        xLogWrite(kTag, kLogVerbose, kFunction,
                  "Report is an unexpected RAP 1.0 command response, ignoring");
        return ReportType::OtherSoftwareResponse;
    }
    Byte index = report[2];
    unsigned function = rap::function_of(report[3]);
    unsigned software_id = rap::software_id_of(report[3]);
    // Another program's GetProtocolVersion with ping 0 (or our own flush request of the brb
    // workaround): it says nothing about who uses which id.
    if (index == rap::kRootFeatureIndex && function == rap::kGetProtocolVersionFunction &&
        report[6] == 0) {
        xLogWrite(kTag, kLogVerbose, kFunction,
                  "Report is a protocol check response from other SW using swid 0x%x, "
                  "ignoring",
                  software_id);
        return ReportType::OtherSoftwareResponse;
    }
    xLogWrite(kTag, kLogVerbose, kFunction,
              "Report is a feature response from other SW using swid 0x%x", software_id);
    unsigned ours = software_ids_.current();
    if (ours != 0 && software_id == ours) {
        xLogWrite(kTag, kLogVerbose, kFunction,
                  "Report is an unexpected command response with our swid 0x%x, so we "
                  "will switch our swid",
                  software_id);
        software_ids_.raise_conflict();
        need_ping_.store(true);
    }
    software_ids_.note_use(software_id);

    if (feature != nullptr) {
        if (active_.load()) {
            feature->deliverUnexpectedResponse(function, software_id, rap::parameters_of(report));
        }
    } else if (software_id != 0) {
        xLogWrite(kTag, kLogVerbose, kFunction,
                  "Report is a response to an unknown feature index %02x from other SW "
                  "using swid 0x%x, ignoring",
                  index, software_id);
    } else {
        xLogWrite(kTag, kLogVerbose, kFunction,
                  "Report is a notif from an unknown feature at index %02x, ignoring", index);
    }
    return ReportType::OtherSoftwareResponse;
}

} // namespace devio
