// A hardware device for tests of everything that talks RAP through a hardware device. Like a HID
// collection it delivers its reports on a read thread of its own; what it answers is a script of
// answers per feature index and function. It records every write, answers pings, and can stay
// silent, lose its link, fail its writes or carry another program's traffic (deliver).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Source/Contracts/IHardwareDevice.h"
#include "Source/Contracts/RapReport.h"
#include "Source/Events/Producer.h"

namespace devio::test {

class FakeHardwareDevice : public IHardwareDevice,
                           public Producer<IHardwareDevice::Read>,
                           public Producer<IHardwareDevice::Write>,
                           public Producer<IHardwareDevice::Connect>,
                           public std::enable_shared_from_this<FakeHardwareDevice> {
public:
    struct Identity {
        std::string path = "fake:/hid/1";
        int pid = 0x40A1;
        int bus_type = 0;
        int bus_index = 0;
        std::string name = "Fake device";
    };

    // One answer to a request of a feature function.
    struct Answer {
        enum class Kind { Parameters, Rap20Error, Silence };
        Kind kind = Kind::Silence;
        std::vector<Byte> parameters;
        Byte error = 0;

        // A response of the function carrying these parameters (short when they fit in 3 bytes).
        static Answer with(std::vector<Byte> parameters) {
            return {Kind::Parameters, std::move(parameters), 0};
        }
        static Answer rap20_error(Byte code) { return {Kind::Rap20Error, {}, code}; }
        static Answer silence() { return {}; }
    };

    // A written report and the scaled time of its write (performance-counter nanoseconds).
    struct WriteRecord {
        rap::Report report;
        int64_t time = 0;
    };

    explicit FakeHardwareDevice(Identity identity);
    FakeHardwareDevice() : FakeHardwareDevice(Identity{}) {}
    ~FakeHardwareDevice() override;

    // IHardwareDevice
    bool connected() const override;
    bool open() override;
    void close() override {}
    bool write(std::vector<Byte> report, bool blocking) override;
    std::weak_ptr<IHardwareBus> bus() const override { return {}; }
    std::string path() const override { return identity_.path; }
    int pid() const override { return identity_.pid; }
    std::string name() const override { return identity_.name; }
    int slot_byte() const override { return 0; }
    int bus_type() const override { return identity_.bus_type; }
    int bus_index() const override { return identity_.bus_index; }
    bool verify_connection_following_timeout() override { return connected(); }

    // Requests of this feature index and function get the answers in order; the last one stays.
    void answer(Byte feature_index, unsigned function, std::vector<Answer> answers);
    // Answers pings (root function 1 with a ping byte) with protocol 4.2 and the ping byte, which
    // it does unless told otherwise.
    void answer_pings(bool answer);
    // Answers nothing at all.
    void go_silent();
    // The link is gone: not connected, verification after a time-out fails, nothing answers; the
    // device announces its disconnection.
    void drop_link();
    // The link is back (or was never lost): the device answers again and announces its connection.
    void announce_connect();
    // Writes fail with this code from now on (NoError: they succeed again).
    void fail_writes(ErrorCode code);
    // Replaces the script: every written report gets the reports this returns.
    void set_responder(std::function<std::vector<rap::Report>(const rap::Report&)> responder);

    // Delivers a report from the read thread, as the device would on its own.
    void deliver(rap::Report report, bool set_own_index = false);
    // Returns when every report queued so far has been delivered to the subscribers.
    void wait_idle();
    // Runs on the writer's thread for every accepted write, before any answer is queued.
    void on_write(std::function<void(const rap::Report&)> observer);
    // Runs on the read thread just before each report is delivered.
    void on_deliver(std::function<void(const rap::Report&)> observer);

    std::vector<WriteRecord> writes() const;
    std::size_t write_count() const;
    int open_count() const;

    // The response a RAP 2.0 device gives to `request` with these parameters, and its error
    // answer.
    static rap::Report response_to(const rap::Report& request, const std::vector<Byte>& parameters);
    static rap::Report error_response_to(const rap::Report& request, Byte code);

private:
    std::vector<rap::Report> scripted_answers(const rap::Report& request);
    void read_thread();

    const Identity identity_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::pair<Byte, unsigned>, std::deque<Answer>> script_;
    std::function<std::vector<rap::Report>(const rap::Report&)> responder_;
    std::function<void(const rap::Report&)> write_observer_;
    std::function<void(const rap::Report&)> deliver_observer_;
    bool answers_pings_ = true;
    bool silent_ = false;
    bool linked_ = true;
    std::optional<ErrorCode> write_failure_;
    std::vector<WriteRecord> writes_;
    int opens_ = 0;
    std::deque<std::pair<rap::Report, bool>> queue_;
    bool delivering_ = false;
    bool stopping_ = false;
    std::thread::id reader_id_;
    std::thread reader_;
};

} // namespace devio::test
