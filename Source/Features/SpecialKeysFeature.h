// The operations and key events the special-keys classes 0x1B03 and 0x1B04 share: counts and
// control-id records read through the response cache, the reporting of a control written now or
// held while the device is away, and the key event. The classes give their name, their interface
// and the function that reads a control's reporting (SpecialKeysCommon.h has the layouts).
#pragma once

#include <string>

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Features/PendingChanges.h"
#include "Source/Features/SpecialKeysCommon.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

template <FeatureName Name, class Interface, unsigned GetReportingFunction>
class SpecialKeysFeature : public FeatureBase<Name, Interface>,
                           public Producer<typename Interface::KeyReport> {
    using Base = FeatureBase<Name, Interface>;

public:
    using Base::Base;

    static constexpr unsigned kGetCount = 0;
    static constexpr unsigned kGetCtrlIdInfo = 1;
    static constexpr unsigned kSetCtrlIdReporting = 3;
    static constexpr int kKeyEvent = 0;

    bool GetCount(int* count) override {
        std::vector<Byte> response;
        if (!send_expecting(*this, kGetCount, {}, CacheMode::Cached, 1, response)) {
            return false;
        }
        set_out(count, response[0]);
        return true;
    }

    bool GetCtrlIdInfo(int index, int* control_id, int* task_id, int* flags) override {
        std::vector<Byte> response;
        if (!send_expecting(*this, kGetCtrlIdInfo, {static_cast<Byte>(index)}, CacheMode::Cached, 5,
                            response)) {
            return false;
        }
        set_out(control_id, (response[0] << 8) | response[1]);
        set_out(task_id, (response[2] << 8) | response[3]);
        set_out(flags, response[4]);
        return true;
    }

    bool GetCtrlIdReporting(int control_id, CtrlIdReporting* reporting) override {
        std::vector<Byte> response;
        if (!send_expecting(
                *this, GetReportingFunction,
                {static_cast<Byte>(control_id >> 8), static_cast<Byte>(control_id & 0xFF)},
                CacheMode::Uncached, kCtrlIdReportingBytes, response)) {
            return false;
        }
        if (reporting != nullptr) {
            *reporting = CtrlIdReporting::from(response);
        }
        return true;
    }

    bool SetCtrlIdReporting(const CtrlIdReporting& reporting) override {
        if (SetCtrlIdReportingNow(reporting)) {
            return true;
        }
        if (last_error().code != ErrorCode::NotConnected) {
            return false;
        }
        static const std::string caching_line =
            "Feature 0x" + std::string(Name.text).substr(7, 4) + " caching pending change";
        return pending_.hold(*this, reporting, Base::kTag,
                             Base::template log_location<"SetCtrlIdReporting">(),
                             caching_line.c_str());
    }

    bool SetCtrlIdReportingNow(const CtrlIdReporting& reporting) override {
        constexpr const char* kFunction = Base::template log_location<"SetCtrlIdReportingNow">();
        if (!this->set_configured()) {
            xLogWrite(Base::kTag, kLogInfo, kFunction, "set_configured failed");
            return false;
        }
        std::vector<Byte> response;
        if (!send_expecting(*this, kSetCtrlIdReporting, reporting.bytes(), CacheMode::Uncached,
                            kCtrlIdReportingBytes, response)) {
            xLogWrite(Base::kTag, kLogInfo, kFunction, "sendFeatureCommand failed");
            return false;
        }
        return true;
    }

    bool process_pending_changes(bool /*device_configured*/) override {
        return pending_.replay(
            [this](const CtrlIdReporting& reporting) { return SetCtrlIdReportingNow(reporting); });
    }

protected:
    // The key event; classes with more events dispatch the others first.
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override {
        if (function != kKeyEvent) {
            return;
        }
        std::vector<int> ids = pressed_control_ids(parameters);
        Producer<typename Interface::KeyReport>::produce(
            [ids](typename Interface::KeyReport* subscriber) { subscriber->onKeyChange(ids); },
            key_report_label());
    }
    // "<class>::KeyReport::onKeyChange".
    virtual EventLabel key_report_label() const = 0;

private:
    PendingChanges<CtrlIdReporting> pending_;
};

} // namespace devio
