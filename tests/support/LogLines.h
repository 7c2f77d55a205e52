// Counting the log lines a test's DebugOutputCapture recorded.
#pragma once

#include <string>

#include "Source/System/DebugOutput.h"

namespace devio::test {

// The number of recorded texts that contain `needle`.
inline int count_lines(const sys::DebugOutputCapture& capture, const std::string& needle) {
    int count = 0;
    for (const std::string& text : capture.texts()) {
        count += text.find(needle) != std::string::npos;
    }
    return count;
}

} // namespace devio::test
