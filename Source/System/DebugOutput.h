// The process-wide debugger-output sink, the stand-in for the platform's debugger stream.
//
// By default lines go to the system log (syslog, debug priority). DEVIO_DEBUG_OUTPUT=stderr sends
// them to standard error, DEVIO_DEBUG_OUTPUT=file:PATH appends them to PATH. Tests capture what
// reaches the sink with a DebugOutputCapture.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace devio::sys {

class DebugOutput {
public:
    // Writes one piece of text (normally a line ending in '\n'); thread-safe.
    static void write(std::string_view text);
};

// While alive, records every text written to the sink (in addition to the normal output).
class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    std::vector<std::string> texts() const;
    // True when some recorded text contains `needle`.
    bool contains(std::string_view needle) const;
    void clear();

private:
    std::unique_ptr<std::vector<std::string>> recorded_;
};

} // namespace devio::sys
