#include "app/ToolTrace.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "Source/System/Clock.h"
#include "Source/System/DebugOutput.h"
#include "Source/System/Paths.h"
#include "Source/System/SecureFolder.h"
#include "app/TextEncoding.h"
#include "app/ToolLogFile.h"

namespace devio::app {

namespace {

// The performance counter and seconds per count, taken once.
class CTraceClock {
public:
    CTraceClock()
        : m_start(sys::Clock::performance_counter()),
          m_secondsPerCount(1.0 / static_cast<double>(sys::Clock::performance_frequency())) {}

    double ElapsedSeconds() const {
        return static_cast<double>(sys::Clock::performance_counter() - m_start) * m_secondsPerCount;
    }

private:
    int64_t m_start;
    double m_secondsPerCount;
};

const CTraceClock& TraceClock() {
    static const CTraceClock clock;
    return clock;
}

// Takes the start count while the process starts, before main and before any trace line.
[[maybe_unused]] const CTraceClock& g_traceClockAtStart = TraceClock();

std::string FormatMessage(const char* format, va_list args) {
    char small[256];
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(small, sizeof(small), format, copy);
    va_end(copy);
    if (length < 0) {
        return {};
    }
    if (static_cast<size_t>(length) < sizeof(small)) {
        return std::string(small, static_cast<size_t>(length));
    }
    std::string text(static_cast<size_t>(length), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    return text;
}

std::string LocalDateTime() {
    std::time_t now = static_cast<std::time_t>(sys::Clock::wall_time_us() / 1'000'000);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    size_t length = std::strftime(text, sizeof(text), "%m/%d/%Y %H:%M:%S", &local);
    return std::string(text, length);
}

} // namespace

std::string FormatToolTraceLine(double seconds, std::string_view message) {
    char prefix[48];
    // A time scale changed under a running clock can make the difference negative.
    int length = std::snprintf(prefix, sizeof(prefix), "%09.3f: ", seconds > 0.0 ? seconds : 0.0);
    std::string line(prefix, static_cast<size_t>(length));
    size_t kept = Utf8PrefixLength(message, kMaxTraceMessageLength);
    if (kept == message.size()) {
        return line.append(message);
    }
    // Cut at a character boundary; a cut line still ends the line it started.
    bool endsLine = message.back() == '\n';
    if (endsLine) {
        kept = Utf8PrefixLength(message, kMaxTraceMessageLength - 1);
    }
    line.append(message.substr(0, kept));
    if (endsLine) {
        line += '\n';
    }
    return line;
}

void ToolTrace(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string message = FormatMessage(format, args);
    va_end(args);
    std::string line = FormatToolTraceLine(TraceClock().ElapsedSeconds(), message);
    CToolLogFile::Instance().Write(line);
    sys::DebugOutput::write(line);
}

bool OpenToolLog(const std::string& path) {
    return CToolLogFile::Instance().Open(path);
}

bool BeginToolLogRun() {
    std::optional<std::string> documents = sys::Paths::documents_folder();
    // A Documents folder that another account could have prepared gets no file (SecureFolder
    // reports why); the trace goes on to the debugger output.
    if (!documents || !sys::SecureFolder::use(*documents, sys::SecureFolder::Create::No)) {
        return false;
    }
    std::string path = *documents;
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    path += kToolLogFileName;
    bool opened = OpenToolLog(path);
    ToolTrace("\n\n[%s]\n\n", LocalDateTime().c_str());
    return opened;
}

} // namespace devio::app
