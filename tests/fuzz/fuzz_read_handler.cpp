// Feeds arbitrary reports to a device's classification while one of its commands waits for an
// answer. Input: a flags byte, 7 command bytes, then reports, each as a length byte (0 to 31) and
// that many bytes. The fake device answers the command with the input's reports and then with the
// proper answer, so that every exchange ends without waiting for its time-out.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Source/Contracts/BusType.h"
#include "Source/System/Clock.h"
#include "support/DeviceHarness.h"
#include "support/PrivateLogConfiguration.h"

namespace {

// Millions of reports would flood the system log and the log folder: this program logs nothing.
__attribute__((constructor(101))) void switch_the_log_off() {
    devio::test::use_private_log_configuration(
        [](devio::sys::ConfigStore& store, const std::string& key) {
            store.write_dword(key, "logging", 0);
        });
}

using devio::Byte;
namespace rap = devio::rap;
using devio::test::DeviceHarness;
using devio::test::FakeHardwareDevice;

struct Input {
    bool behind_receiver = false;
    bool feature_based = false;
    rap::MatchPositions positions;
    rap::Report command;
    std::vector<rap::Report> reports;
};

// A command the classification can complete: sent to the device itself, with a software id, and
// not one of the receiver notifications (nor, without a feature table, a feature's report).
rap::Report usable_command(const uint8_t* bytes, bool feature_based) {
    rap::Report command(bytes, bytes + 7);
    command[1] = rap::kOwnDeviceIndex;
    if (rap::is_rap10_notification(command[2])) {
        command[2] = 0x00;
    }
    if (!feature_based && command[2] >= 0x01 && command[2] < 0x80) {
        command[2] |= 0x80;
    }
    if (rap::software_id_of(command[3]) == 0) {
        command[3] |= 0x01;
    }
    return command;
}

bool parse(const uint8_t* data, size_t size, Input& input) {
    if (size < 8) {
        return false;
    }
    Byte flags = data[0];
    input.behind_receiver = (flags & 0x01) != 0;
    input.feature_based = (flags & 0x02) != 0;
    static const rap::MatchPositions kPositions[] = {{}, {0}, {2}, {0, 1, 2}};
    input.positions = kPositions[(flags >> 2) & 0x03];
    input.command = usable_command(data + 1, input.feature_based);
    for (size_t at = 8; at < size;) {
        size_t length = data[at++] & 0x1F;
        length = std::min(length, size - at);
        input.reports.emplace_back(data + at, data + at + length);
        at += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input input;
    if (!parse(data, size, input)) {
        return 0;
    }
    // Long enough that the final answer always arrives in time.
    devio::sys::Clock::set_time_scale(0.01);
    DeviceHarness h(
        {.bus_type = input.behind_receiver ? devio::kBusTypeReceiver : devio::kBusTypeDirectHid,
         .bus_index = 2});
    if (input.feature_based) {
        h.make_feature_based();
        h.add_feature(0x1D4B, 0x05);
    }
    h.hardware->set_responder([&input](const rap::Report& request) {
        std::vector<rap::Report> answers = input.reports;
        answers.push_back(FakeHardwareDevice::response_to(request, rap::parameters_of(request)));
        return answers;
    });
    rap::Report response;
    h.device->sendSynchronousCommandWithoutRetry(input.command, response, input.positions);
    // A second exchange, with the first one as the previous command of the brb workaround.
    h.device->sendSynchronousCommandWithoutRetry(input.command, response, input.positions);
    h.hardware->wait_idle();
    return 0;
}
