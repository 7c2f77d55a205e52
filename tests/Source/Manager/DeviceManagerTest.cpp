#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Source/Events/Subscriber.h"
#include "Source/Log/LastError.h"
#include "Source/Manager/DeviceManager.h"
#include "Source/System/DebugOutput.h"

namespace devio {
namespace {

class DeviceManagerSettings : public ::testing::Test {
protected:
    std::shared_ptr<DeviceManager> manager = DeviceManager::create();
};

TEST_F(DeviceManagerSettings, SoftwareIdIsChosenOnceAndKeepsItsLowFourBits) {
    const int chosen = manager->swid();
    EXPECT_GE(chosen, 10);
    EXPECT_LE(chosen, 14);
    EXPECT_EQ(manager->swid(), chosen);
    manager->swid(0x23);
    EXPECT_EQ(manager->swid(), 3);
}

TEST_F(DeviceManagerSettings, ConfigurationItemsHaveTheirDefaultsAndKeepWhatIsSet) {
    const bool defaults[IDeviceManager::kConfigItemCount] = {false, false, true, false, false,
                                                             false, false, true, false};
    for (unsigned item = 0; item < IDeviceManager::kConfigItemCount; ++item) {
        SCOPED_TRACE(item);
        bool value = !defaults[item];
        ASSERT_TRUE(manager->config_default(item, &value));
        EXPECT_EQ(value, defaults[item]);
        ASSERT_TRUE(manager->config_get(item, &value));
        EXPECT_EQ(value, defaults[item]);
        ASSERT_TRUE(manager->config_set(item, !defaults[item]));
        ASSERT_TRUE(manager->config_get(item, nullptr));
        ASSERT_TRUE(manager->config_get(item, &value));
        EXPECT_EQ(value, !defaults[item]);
    }
    // Item 6 belongs to the process: a second manager sees it set.
    bool gatt_io_disabled = false;
    ASSERT_TRUE(
        DeviceManager::create()->config_get(IDeviceManager::gatt_io_disabled, &gatt_io_disabled));
    EXPECT_TRUE(gatt_io_disabled);
    EXPECT_TRUE(manager->config_set(IDeviceManager::gatt_io_disabled, false));
}

TEST_F(DeviceManagerSettings, ItemNineIsInvalid) {
    bool value = false;
    for (bool ok : {manager->config_default(9, &value), manager->config_get(9, &value),
                    manager->config_set(9, true)}) {
        EXPECT_FALSE(ok);
        EXPECT_EQ(to_underlying(last_error().code), 76u);
    }
}

class ActiveLog : public Subscriber<IDeviceManager::ActiveChanged> {
public:
    std::vector<bool> events;

private:
    void onActiveChanged(bool active) override { events.push_back(active); }
};

TEST_F(DeviceManagerSettings, SetActiveAlwaysAnnouncesTrueButFalseOnlyOnAChange) {
    ActiveLog log;
    ASSERT_TRUE(log.subscribe(manager, DeliverDirect, "ActiveLog::ActiveChanged"));
    manager->set_active(true);
    manager->set_active(true);
    manager->set_active(false);
    manager->set_active(false);
    EXPECT_EQ(log.events, (std::vector<bool>{true, true, false}));
    EXPECT_FALSE(manager->is_active());
}

class ErrorLog : public Subscriber<IDeviceManager::UnreportedError> {
public:
    struct Report {
        std::string where;
        ErrorCode code;
        std::string message;
        unsigned long syserr;
    };
    std::vector<Report> reports;

private:
    void onUnreportedError(std::string where, ErrorCode code, std::string message,
                           unsigned long syserr) override {
        reports.push_back({std::move(where), code, std::move(message), syserr});
    }
};

TEST_F(DeviceManagerSettings, UnreportedErrorCarriesTheReportersLastError) {
    ErrorLog log;
    ASSERT_TRUE(log.subscribe(manager, DeliverDirect, "ErrorLog::UnreportedError"));
    set_last_error(ErrorCode::NoError);
    manager->report_unreported_error("nothing failed");
    EXPECT_TRUE(log.reports.empty());

    sys::DebugOutputCapture capture;
    set_last_error(ErrorCode::AddBusRetriesExhausted, 0x1f,
                   "Tessaly device enumeration failed after max retry attempts");
    manager->report_unreported_error("TessalyBus");
    ASSERT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(log.reports[0].where, "TessalyBus");
    EXPECT_EQ(log.reports[0].code, ErrorCode::AddBusRetriesExhausted);
    EXPECT_EQ(log.reports[0].message, "Tessaly device enumeration failed after max retry attempts");
    EXPECT_EQ(log.reports[0].syserr, 0x1fu);
    EXPECT_TRUE(capture.contains("Reporting unreported error: TessalyBus, err=77, str=Tessaly "
                                 "device enumeration failed after max retry attempts, sys=0x1f"));
}

} // namespace
} // namespace devio
