#include "gui/XvfbDisplay.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace devio::test {

namespace {

// Reads the display number that Xvfb writes when it is ready; empty on end of file or time-out.
std::string ReadDisplayNumber(int fd) {
    std::string number;
    char c = 0;
    pollfd ready{fd, POLLIN, 0};
    // Generous: the machine may be busy; the server is normally ready in a fraction of a second.
    while (poll(&ready, 1, 30000) == 1 && read(fd, &c, 1) == 1 && c != '\n') {
        number += c;
    }
    return number;
}

} // namespace

bool XvfbDisplay::Start(std::string* error) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    m_pid = fork();
    if (m_pid == 0) {
        dup2(fds[1], 3); // dup2 clears close-on-exec on the copy
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten",
               "tcp", "-nolock", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (m_pid < 0) {
        close(fds[0]);
        *error = std::string("fork: ") + std::strerror(errno);
        return false;
    }
    const std::string number = ReadDisplayNumber(fds[0]);
    close(fds[0]);
    if (number.empty()) {
        Stop();
        *error = "Xvfb did not start (is the xvfb package installed?)";
        return false;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    return true;
}

void XvfbDisplay::Stop() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
    }
}

} // namespace devio::test
