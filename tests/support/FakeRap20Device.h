// A RAP 2.0 device for tests of feature discovery, the firmware check and the configuration
// cookie, on a FakeHardwareDevice: a feature table, firmware entities with a unit id, the cookie
// of feature 0x0020, the button-swap setting of 0x2005, and, behind a receiver, the receiver's
// software-present and slot-flag operations. It answers every request from this model (on the
// writer's thread, like the fake below it) and records the requests; it can change its firmware,
// answer as a device that only speaks RAP 1.0, or, through the fake below, be silent or away.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "Source/Contracts/IReceiverAttachedDevice.h"
#include "support/FakeHardwareDevice.h"

namespace devio::test {

class FakeRap20Device : public FakeHardwareDevice, public IReceiverAttachedDevice {
public:
    struct FeatureEntry {
        int number;
        Byte flags = 0; // bit 7 obsolete, 6 hidden, 5 engineering
        Byte version = 0;
    };
    struct Entity {
        Byte type;
        std::string prefix;
        uint16_t version;
        uint16_t build;
        bool running;
    };
    struct Firmware {
        std::vector<Entity> entities;
        uint32_t unit_id = 0x4D2;
        uint16_t transport = 0;
        uint16_t pid1 = 0;
    };
    // A request as the device saw it (pings are not recorded).
    struct Request {
        int feature;
        unsigned function;
        std::vector<Byte> parameters;
    };
    struct ReceiverCalls {
        int software_present = 0;
        int slot_flag = 0;
        int clear_software_present = 0;
    };

    // Feature index = position: root, feature set, firmware information (version 1), config
    // change, button swap, wireless status, battery.
    static std::vector<FeatureEntry> standard_features();
    // Application "QRT" running (entity 0), bootloader "BOT", hardware "HWR".
    static Firmware application(uint16_t version = 0x0806, uint16_t build = 0x0027);

    explicit FakeRap20Device(Identity identity = {},
                             std::vector<FeatureEntry> features = standard_features(),
                             Firmware firmware = application());

    void set_firmware(Firmware firmware);
    void set_features(std::vector<FeatureEntry> features);
    // Every request gets RAP 1.0 error 1, as a device that does not know RAP 2.0 answers.
    void answer_as_rap10(bool rap10);
    // The next `count` requests of the feature and function get RAP 2.0 error `code`.
    void fail_next(int feature, unsigned function, Byte code, int count = 1);

    uint16_t cookie() const;
    // Another program configured the device.
    void set_cookie(uint16_t cookie);
    bool swap_mode() const;

    std::vector<Request> requests() const;
    int count(int feature, unsigned function) const;
    void clear_requests();

    // Behind a receiver.
    bool set_software_present() override;
    bool set_slot_flag() override;
    bool clear_software_present() override;
    void fail_receiver_operations(bool fail);
    ReceiverCalls receiver_calls() const;

    // A device event (software id 0) of the feature at its index.
    void send_event(int feature, unsigned function, std::vector<Byte> parameters);

private:
    std::vector<rap::Report> respond(const rap::Report& request);
    rap::Report answer(const rap::Report& request, int feature, unsigned function);
    int index_of(int feature) const;

    mutable std::mutex model_mutex_;
    std::vector<FeatureEntry> features_;
    Firmware firmware_;
    bool rap10_ = false;
    struct Failure {
        int feature;
        unsigned function;
        Byte code;
        int remaining;
    };
    std::vector<Failure> failures_;
    uint16_t cookie_ = 0;
    bool swap_ = false;
    std::vector<Request> requests_;
    bool receiver_fails_ = false;
    ReceiverCalls receiver_calls_;
};

} // namespace devio::test
