// A virtual X display for the window tests: starts Xvfb on a free display number (Xvfb picks it
// and reports it on a pipe once it accepts clients), points DISPLAY at it, and ends it again.
#pragma once

#include <sys/types.h>

#include <string>

namespace devio::test {

class XvfbDisplay {
public:
    XvfbDisplay() = default;
    ~XvfbDisplay() { Stop(); }
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    // Starts the server and sets DISPLAY (and clears WAYLAND_DISPLAY); false with `error` set
    // when it cannot.
    bool Start(std::string* error);
    void Stop();

private:
    pid_t m_pid = -1;
};

} // namespace devio::test
