#include "support/FakeHardwareDevice.h"

#include "Source/Contracts/BusType.h"
#include "Source/Log/LastError.h"
#include "Source/System/Clock.h"

namespace devio::test {

namespace {

constexpr Byte kProtocolMajor = 4;
constexpr Byte kProtocolMinor = 2;

bool is_ping(const rap::Report& request) {
    return rap::byte_at(request, 2) == rap::kRootFeatureIndex &&
           rap::function_of(rap::byte_at(request, 3)) == rap::kGetProtocolVersionFunction &&
           rap::parameter_at(request, 2) != 0;
}

} // namespace

FakeHardwareDevice::FakeHardwareDevice(Identity identity) : identity_(std::move(identity)) {
    std::lock_guard<std::mutex> lock(mutex_);
    reader_ = std::thread([this] { read_thread(); });
    reader_id_ = reader_.get_id();
}

FakeHardwareDevice::~FakeHardwareDevice() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    reader_.join();
}

bool FakeHardwareDevice::connected() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return linked_;
}

bool FakeHardwareDevice::open() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++opens_;
    return true;
}

bool FakeHardwareDevice::write(std::vector<Byte> report, bool blocking) {
    std::optional<ErrorCode> failure;
    std::function<void(const rap::Report&)> observer;
    std::function<std::vector<rap::Report>(const rap::Report&)> responder;
    bool answering = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        failure = write_failure_;
        if (!failure && blocking && std::this_thread::get_id() == reader_id_) {
            failure = ErrorCode::CannotPerformBlockingWriteOnReadThread;
        }
        if (!failure) {
            writes_.push_back({report, sys::Clock::performance_counter()});
            observer = write_observer_;
            responder = responder_;
            answering = linked_ && !silent_;
        }
    }
    if (failure) {
        ErrorCode code = *failure;
        Producer<IHardwareDevice::Write>::produce(
            [code](IHardwareDevice::Write* s) { s->onWrite({}, code, 0); },
            "FakeHardwareDevice::Write::onWrite");
        set_last_error(code);
        return false;
    }
    if (observer) {
        observer(report);
    }
    Producer<IHardwareDevice::Write>::produce(
        [report](IHardwareDevice::Write* s) { s->onWrite(report, ErrorCode::NoError, 0); },
        "FakeHardwareDevice::Write::onWrite");
    if (!answering) {
        return true;
    }
    std::vector<rap::Report> answers;
    if (responder) {
        answers = responder(report);
    } else {
        std::lock_guard<std::mutex> lock(mutex_);
        answers = scripted_answers(report);
    }
    // Behind a receiver the answer comes with the device's own index, marked for the reader.
    bool behind_receiver = identity_.bus_type == kBusTypeReceiver;
    for (rap::Report& answer : answers) {
        if (behind_receiver && answer.size() > 1) {
            answer[1] = static_cast<Byte>(identity_.bus_index);
        }
        deliver(std::move(answer), behind_receiver);
    }
    return true;
}

std::vector<rap::Report> FakeHardwareDevice::scripted_answers(const rap::Report& request) {
    if (is_ping(request) && answers_pings_) {
        return {
            response_to(request, {kProtocolMajor, kProtocolMinor, rap::parameter_at(request, 2)})};
    }
    auto found =
        script_.find({rap::byte_at(request, 2), rap::function_of(rap::byte_at(request, 3))});
    if (found == script_.end() || found->second.empty()) {
        return {};
    }
    Answer answer = found->second.front();
    if (found->second.size() > 1) {
        found->second.pop_front();
    }
    switch (answer.kind) {
    case Answer::Kind::Parameters:
        return {response_to(request, answer.parameters)};
    case Answer::Kind::Rap20Error:
        return {error_response_to(request, answer.error)};
    case Answer::Kind::Silence:
        break;
    }
    return {};
}

rap::Report FakeHardwareDevice::response_to(const rap::Report& request,
                                            const std::vector<Byte>& parameters) {
    bool is_short = parameters.size() <= rap::kShortReportLength - rap::kHeaderLength;
    rap::Report response(is_short ? rap::kShortReportLength : rap::kLongReportLength, 0);
    response[0] = is_short ? rap::kShortReportId : rap::kLongReportId;
    for (std::size_t i = 1; i < rap::kHeaderLength; ++i) {
        response[i] = rap::byte_at(request, i);
    }
    for (std::size_t i = 0; i < parameters.size() && rap::kHeaderLength + i < response.size();
         ++i) {
        response[rap::kHeaderLength + i] = parameters[i];
    }
    return response;
}

rap::Report FakeHardwareDevice::error_response_to(const rap::Report& request, Byte code) {
    return {rap::kShortReportId,
            rap::byte_at(request, 1),
            rap::kRap20ErrorFeatureIndex,
            rap::byte_at(request, 2),
            rap::byte_at(request, 3),
            code,
            0x00};
}

void FakeHardwareDevice::answer(Byte feature_index, unsigned function,
                                std::vector<Answer> answers) {
    std::lock_guard<std::mutex> lock(mutex_);
    script_[{feature_index, function}].assign(answers.begin(), answers.end());
}

void FakeHardwareDevice::answer_pings(bool answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_pings_ = answer;
}

void FakeHardwareDevice::go_silent() {
    std::lock_guard<std::mutex> lock(mutex_);
    silent_ = true;
}

void FakeHardwareDevice::drop_link() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        linked_ = false;
    }
    std::shared_ptr<IHardwareDevice> self = shared_from_this();
    Producer<IHardwareDevice::Connect>::produce(
        [self](IHardwareDevice::Connect* s) { s->onDisconnect(self); },
        "FakeHardwareDevice::Connect::onDisconnect");
}

void FakeHardwareDevice::announce_connect() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        linked_ = true;
        silent_ = false;
    }
    std::shared_ptr<IHardwareDevice> self = shared_from_this();
    Producer<IHardwareDevice::Connect>::produce(
        [self](IHardwareDevice::Connect* s) { s->onConnect(self); },
        "FakeHardwareDevice::Connect::onConnect");
}

void FakeHardwareDevice::fail_writes(ErrorCode code) {
    std::lock_guard<std::mutex> lock(mutex_);
    write_failure_ = code == ErrorCode::NoError ? std::nullopt : std::optional<ErrorCode>(code);
}

void FakeHardwareDevice::set_responder(
    std::function<std::vector<rap::Report>(const rap::Report&)> responder) {
    std::lock_guard<std::mutex> lock(mutex_);
    responder_ = std::move(responder);
}

void FakeHardwareDevice::on_write(std::function<void(const rap::Report&)> observer) {
    std::lock_guard<std::mutex> lock(mutex_);
    write_observer_ = std::move(observer);
}

void FakeHardwareDevice::on_deliver(std::function<void(const rap::Report&)> observer) {
    std::lock_guard<std::mutex> lock(mutex_);
    deliver_observer_ = std::move(observer);
}

void FakeHardwareDevice::deliver(rap::Report report, bool set_own_index) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.emplace_back(std::move(report), set_own_index);
    }
    changed_.notify_all();
}

void FakeHardwareDevice::wait_idle() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return queue_.empty() && !delivering_; });
}

std::vector<FakeHardwareDevice::WriteRecord> FakeHardwareDevice::writes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return writes_;
}

std::size_t FakeHardwareDevice::write_count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return writes_.size();
}

int FakeHardwareDevice::open_count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return opens_;
}

void FakeHardwareDevice::read_thread() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) {
            return;
        }
        rap::Report report = std::move(queue_.front().first);
        bool set_own_index = queue_.front().second;
        queue_.pop_front();
        delivering_ = true;
        std::function<void(const rap::Report&)> observer = deliver_observer_;
        unsigned size = static_cast<unsigned>(collection_size());
        lock.unlock();
        if (observer) {
            observer(report);
        }
        Producer<IHardwareDevice::Read>::produce(
            [report, set_own_index, size](IHardwareDevice::Read* s) {
                s->onRead(report, set_own_index, 0, size);
            },
            "FakeHardwareDevice::Read::onRead");
        lock.lock();
        delivering_ = false;
        changed_.notify_all();
    }
}

} // namespace devio::test
