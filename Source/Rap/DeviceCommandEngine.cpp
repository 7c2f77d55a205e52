// The command engine: synchronous commands with pings, retries, quarantine and the response
// cache, single exchanges under the named mutex and the command lock, plain writes, abandon.
#include "Source/Rap/Device.h"

#include <cstdlib>

#include "Source/Contracts/BusType.h"
#include "Source/Log/xLog.h"
#include "Source/System/Clock.h"

namespace devio {

namespace {

constexpr const char* kTag = "Device";
constexpr const char* kSynchronous = "devio::Device::sendSynchronousCommand";
constexpr const char* kWithoutRetry = "devio::Device::sendSynchronousCommandWithoutRetry";
constexpr const char* kSendCommand = "devio::Device::sendCommand";

// The ping's answer must echo the ping byte, its parameter 2.
const rap::MatchPositions kPingPositions{2};

// Failures after which the command is tried again, after a ping.
bool is_soft_error(ErrorCode code) {
    return code == ErrorCode::NoResponse || code == rap10_error(7) || code == rap10_error(9) ||
           code == rap20_error(8) || code == ErrorCode::DeviceNotFunctioning ||
           code == ErrorCode::SoftwareIdConflict;
}

bool is_soft_ping_error(ErrorCode code) {
    return code == ErrorCode::NoResponse || code == rap20_error(8) ||
           code == ErrorCode::DeviceNotFunctioning || code == ErrorCode::SoftwareIdConflict;
}

int code_of(const LastError& error) {
    return static_cast<int>(to_underlying(error.code));
}

} // namespace

bool Device::sendSynchronousCommand(const std::vector<Byte>& command, std::vector<Byte>& response,
                                    CacheMode cache_mode, const rap::MatchPositions& positions) {
    xLogWrite(kTag, kLogInfo, kSynchronous, "sendSynchronousCommand enter, dev=%s", path().c_str());
    if (command.size() >= rap::kHeaderLength) {
        xLogWrite(kTag, kLogInfo, kSynchronous,
                  "sendSynchronousCommand cmd starts with %02x %02x %02x %02x", command[0],
                  command[1], command[2], command[3]);
    }
    bool use_cache = cache_mode == CacheMode::Cached && ResponseCache::cacheable(command);
    if (use_cache) {
        if (std::optional<rap::Report> cached = cache_.lookup(command, swid())) {
            response = std::move(*cached);
            xLogWrite(kTag, kLogInfo, kSynchronous,
                      "sendSynchronousCommand exit (true, returning cached data)");
            return true;
        }
        xLogWrite(kTag, kLogInfo, kSynchronous, "requested command not in cache:");
    }
    if (quarantined_.load()) {
        xLogWrite(kTag, kLogInfo, kSynchronous, "device is quarantined, returning NotConnected");
        set_last_error(ErrorCode::NotConnected);
        return false;
    }

    silence_.store(true);
    for (int attempt = 0; attempt <= kRetryCount; ++attempt) {
        if (attempt > kSilenceThreshold && silence_.load() &&
            transportType() != kBusTypeDirectHid) {
            xLogWrite(kTag, kLogInfo, kSynchronous,
                      "device was silent for %d tries, quarantining it until it reconnects",
                      kSilenceThreshold);
            quarantined_.store(true);
            handle_disconnect();
            set_last_error(ErrorCode::NotConnected);
            return false;
        }
        if (need_ping_.exchange(false)) {
            xLogWrite(kTag, kLogInfo, kSynchronous, "need a ping");
            PingResult pinged = ping(attempt, command);
            if (pinged == PingResult::Failed) {
                return false;
            }
            if (pinged == PingResult::NextAttempt) {
                continue;
            }
        }
        if (firmware_check_needed_.load() && !do_fwcheck()) {
            xLogWrite(kTag, kLogInfo, kSynchronous,
                      "before sending command the fw check failed, err=%d", code_of(last_error()));
            clear_cookie();
            return false;
        }

        rap::Report sent = features_.empty() ? command : rap::with_software_id(command, swid());
        rap::Report answer;
        if (sendSynchronousCommandWithoutRetry(sent, answer, positions)) {
            xLogWrite(kTag, kLogInfo, kSynchronous, "sendSynchronousCommand exit (true, success)");
            if (use_cache) {
                store_in_cache(sent, answer);
            }
            response = std::move(answer);
            return true;
        }
        ErrorCode code = last_error().code;
        if (!is_soft_error(code)) {
            xLogWrite(kTag, kLogInfo, kSynchronous, "synchronous command hard error errcode=%d",
                      code_of(last_error()));
            clear_cookie();
            return false;
        }
        xLogWrite(kTag, kLogInfo, kSynchronous,
                  "synchronous command soft error errcode=%d, will ping and retry %d more times",
                  code_of(last_error()), kRetryCount - attempt);
        need_ping_.store(true);
        if (code == ErrorCode::NoResponse) {
            firmware_check_needed_.store(true);
        }
    }
    set_last_error(ErrorCode::NoResponse);
    xLogWrite(kTag, kLogInfo, kSynchronous, "sendSynchronousCommand exit (false, NoResponse)");
    clear_cookie();
    return false;
}

Device::PingResult Device::ping(int attempt, const rap::Report& command) {
    if (features_.empty()) {
        xLogWrite(kTag, kLogInfo, kSynchronous,
                  "not sending ping because device not feature based");
        return PingResult::Proceed;
    }
    if (attempt != 0) {
        xLogWrite(kTag, kLogInfo, kSynchronous, "delaying before ping");
        // Growing delays give a busy receiver time to recover; abandon ends the wait early.
        command_.pause(random(0, 499) + (int64_t{10} << attempt));
    }
    xLogWrite(kTag, kLogInfo, kSynchronous, "sending ping");
    Byte ping_byte = static_cast<Byte>(random(0x10, 0xFF));
    unsigned id = software_ids_.select(manager_default_swid());
    rap::Report ping{rap::kShortReportId,
                     rap::byte_at(command, 1),
                     rap::kRootFeatureIndex,
                     rap::function_byte(rap::kGetProtocolVersionFunction, id),
                     0x00,
                     0x00,
                     ping_byte};
    rap::Report answer;
    if (sendSynchronousCommandWithoutRetry(ping, answer, kPingPositions)) {
        xLogWrite(kTag, kLogInfo, kSynchronous, "ping successful");
        // A conflict seen during the ping: ping again with the next id.
        return need_ping_.load() ? PingResult::NextAttempt : PingResult::Proceed;
    }
    if (is_soft_ping_error(last_error().code)) {
        xLogWrite(kTag, kLogInfo, kSynchronous,
                  "on ping soft error errcode=%d, will ping and retry %d more times",
                  code_of(last_error()), kRetryCount - attempt);
        need_ping_.store(true);
        return PingResult::NextAttempt;
    }
    xLogWrite(kTag, kLogInfo, kSynchronous,
              "Device::sendSynchronousCommand exit (false, ping hard error %d)",
              code_of(last_error()));
    clear_cookie();
    return PingResult::Failed;
}

void Device::store_in_cache(const rap::Report& sent, const rap::Report& response) {
    unsigned current = software_ids_.current();
    if (rap::software_id_of(rap::byte_at(sent, 3)) != current ||
        rap::software_id_of(rap::byte_at(response, 3)) != current ||
        !cache_.store(sent, response)) {
        return;
    }
    cache_dirty_.store(true);
    if (cache_write_timer_ != nullptr) {
        cache_write_timer_->start_debounced(kCacheWriteDelayMs);
    }
}

bool Device::sendSynchronousCommandWithoutRetry(const std::vector<Byte>& command,
                                                std::vector<Byte>& response,
                                                const rap::MatchPositions& positions) {
    std::optional<Failure> failure = exchange(command, response, positions);
    if (!failure.has_value()) {
        return true;
    }
    // Published with no device lock held, so that a subscriber may send commands itself.
    publish_write_failure(failure->code, failure->number);
    set_last_error(failure->code, failure->syserr, failure->message);
    return false;
}

std::optional<Device::Failure> Device::exchange(const rap::Report& command, rap::Report& response,
                                                const rap::MatchPositions& positions) {
    // Subscribing takes the hardware device's producer locks, which its read thread holds while
    // it hands us a report and waits for the command lock: subscribe before taking it. A failure
    // shows again in sendCommand below.
    ensure_connect_subscription();
    ensure_read_subscription();
    // Without a name (before initDevice) the mutex only logs its assertion; the exchange still
    // runs, serialised inside this process by the command lock.
    bool serialised = named_mutex_.lock();
    if (!serialised && named_mutex_.is_open()) {
        // Another program holds the receiver's commands for longer than any exchange takes.
        LastError error = last_error();
        return Failure{error.code, error.syserr, error.message};
    }
    struct Release {
        NamedMutex& mutex;
        bool held;
        ~Release() {
            if (held) {
                mutex.unlock();
            }
        }
    } release{named_mutex_, serialised};
    CommandSlot::Lock lock = command_.acquire();

    if (software_ids_.conflict() && !features_.empty()) {
        return Failure{ErrorCode::SoftwareIdConflict, 0, nullptr, software_ids_.current()};
    }
    command_.begin(lock, command, positions);
    if (!sendCommand(command, true)) {
        xLogWrite(kTag, kLogError, kWithoutRetry,
                  "Device::sendSynchronousCommandWithoutRetry() - sendCommand failed!");
        LastError error = last_error();
        if (!hardware_->verify_connection_following_timeout()) {
            xLogWrite(
                kTag, kLogError, kWithoutRetry,
                "Device::sendSynchronousCommandWithoutRetry() - not connected after timeout!");
            error = LastError{ErrorCode::NotConnected, 0, nullptr};
        }
        command_.finish(lock, brb_enabled_.load());
        xLogWrite(kTag, kLogInfo, kWithoutRetry,
                  "sendSynchronousCommandWithoutRetry returning error %d", code_of(error));
        return Failure{error.code, error.syserr, error.message};
    }
    if (brb_active_.load()) {
        xLogWrite(kTag, kLogInfo, kWithoutRetry,
                  "sendSynchronousCommandWithoutRetry brb workaround sending extra get protocol "
                  "request to flush response");
        // GetProtocolVersion with ping byte 0; the transport fills bytes 0 and 1. Only its answer
        // matters, and a write that failed leaves none: the exchange below then times out.
        static_cast<void>(sendCommand({0x00, 0x00, rap::kRootFeatureIndex,
                                       rap::function_byte(rap::kGetProtocolVersionFunction, swid()),
                                       0x00, 0x00, 0x00},
                                      false));
    }
    return await_response(lock, response);
}

std::optional<Device::Failure> Device::await_response(CommandSlot::Lock& lock,
                                                      rap::Report& response) {
    int64_t started = sys::Clock::performance_counter();
    command_.wait(lock, kResponseTimeoutMs);
    int64_t elapsed_ms = (sys::Clock::performance_counter() - started) /
                         (sys::Clock::performance_frequency() / 1000);
    CommandSlot::Outcome outcome = command_.finish(lock, brb_enabled_.load());

    if (outcome.ended_by_workaround) {
        xLogWrite(kTag, kLogInfo, kWithoutRetry,
                  "Device::_initiated_brb_workaround, returning no response to trigger a quick "
                  "retry");
        return Failure{ErrorCode::NoResponse};
    }
    if (command_.abandoned()) {
        xLogWrite(kTag, kLogError, kWithoutRetry,
                  "Device::sendSynchronousCommandWithoutRetry() - abandoned!");
        return Failure{ErrorCode::Abandoned};
    }
    if (!outcome.response.empty()) {
        if (rap::is_error_response(outcome.response)) {
            return Failure{rap::error_code_of(outcome.response), rap::byte_at(outcome.response, 5)};
        }
        response = std::move(outcome.response);
        xLogWrite("Timeout", kLogInfo, kWithoutRetry, "pid %04x elapsed command time %d ms", pid(),
                  static_cast<int>(elapsed_ms));
        return std::nullopt;
    }
    xLogWrite("Timeout", kLogWarning, kWithoutRetry,
              "Device::sendSynchronousCommandWithoutRetry timeout, no response after %d ms, "
              "timeout was %d ms",
              static_cast<int>(elapsed_ms), static_cast<int>(kResponseTimeoutMs));
    if (!hardware_->verify_connection_following_timeout()) {
        xLogWrite(kTag, kLogError, kWithoutRetry,
                  "Device::sendSynchronousCommandWithoutRetry() - not connected after timeout!");
        return Failure{ErrorCode::NotConnected};
    }
    xLogWrite(kTag, kLogError, kWithoutRetry,
              "Device::sendSynchronousCommandWithoutRetry() - no response!");
    return Failure{ErrorCode::NoResponse};
}

bool Device::sendCommand(const std::vector<Byte>& report, bool awaits_response) {
    if (command_.abandoned()) {
        xLogWrite(kTag, kLogError, kSendCommand, "Device::sendCommand() - abandoned!");
        set_last_error(ErrorCode::Abandoned);
        return false;
    }
    if (removed_.load()) {
        xLogWrite(kTag, kLogError, kSendCommand, "Device::sendCommand() - removed!");
        set_last_error(ErrorCode::DeviceRemoved);
        return false;
    }
    if (!hardware_->open()) {
        xLogWrite(kTag, kLogError, kSendCommand,
                  "Device::sendCommand() - hardware device not open!");
        return false;
    }
    if (awaits_response && (!ensure_connect_subscription() || !ensure_read_subscription())) {
        return false;
    }
    if (!hardware_->write(report, awaits_response)) {
        xLogWrite(kTag, kLogError, kSendCommand,
                  "Device::sendCommand() - hwdev->write() failed, errcode = %d!",
                  code_of(last_error()));
        return false;
    }
    return true;
}

void Device::abandon() {
    constexpr const char* kFunction = "devio::Device::abandon";
    xLogWrite(kTag, kLogInfo, kFunction, "Device::abandon enter");
    xLogWrite(kTag, kLogVerbose, kFunction, "Device::abandon setting readCompleted_");
    command_.abandon();
    xLogWrite(kTag, kLogInfo, kFunction, "Device::abandon exit");
}

void Device::publish_write_failure(ErrorCode code, unsigned number) {
    if (active_.load()) {
        Producer<IDevice::WriteReport>::produce(
            [code, number](IDevice::WriteReport* subscriber) {
                subscriber->onWriteReport({}, code, number);
            },
            "Device::WriteReport::onWriteReport");
    }
}

} // namespace devio
