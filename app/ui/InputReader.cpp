#include "app/ui/InputReader.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <system_error>
#include <unistd.h>

#include "Source/System/SystemError.h"
#include "app/ui/WriteAll.h"

namespace devio::app::ui {

namespace {

// The byte Stop writes to the wake pipe; every other byte is a notification.
constexpr char kStopByte = '\0';

void CloseFd(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

} // namespace

CInputReader::~CInputReader() {
    Stop();
}

bool CInputReader::Start(int fd, Handlers handlers) {
    if (m_thread.joinable()) {
        sys::set_last_system_error(EBUSY);
        return false;
    }
    int wake[2];
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        return sys::fail_with_errno();
    }
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];
    m_handlers = std::move(handlers);
    try {
        m_thread = std::thread([this, fd] { Run(fd); });
    } catch (const std::system_error& error) {
        CloseFd(m_wakeRead);
        CloseFd(m_wakeWrite);
        sys::set_last_system_error(static_cast<uint32_t>(error.code().value()));
        return false;
    }
    return true;
}

void CInputReader::Stop() {
    if (!m_thread.joinable()) {
        return;
    }
    const char stop = kStopByte;
    // The pipe is ours and open until the thread is joined.
    static_cast<void>(WriteAll(m_wakeWrite, std::string_view(&stop, 1)));
    m_thread.join();
    CloseFd(m_wakeRead);
    CloseFd(m_wakeWrite);
}

void CInputReader::Run(int fd) {
    bool inputOpen = true;
    for (;;) {
        pollfd watched[2] = {{m_wakeRead, POLLIN, 0}, {fd, POLLIN, 0}};
        if (poll(watched, inputOpen ? 2 : 1, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (watched[0].revents & POLLIN) {
            char notes[16];
            ssize_t count = read(m_wakeRead, notes, sizeof(notes));
            for (ssize_t i = 0; i < count; ++i) {
                if (notes[i] == kStopByte) {
                    return;
                }
                if (m_handlers.onNotify) {
                    m_handlers.onNotify(notes[i]);
                }
            }
        }
        if (inputOpen && watched[1].revents != 0) {
            char buffer[256];
            ssize_t count = read(fd, buffer, sizeof(buffer));
            if (count > 0) {
                if (m_handlers.onInput) {
                    m_handlers.onInput(std::string_view(buffer, static_cast<size_t>(count)));
                }
            } else if (count == 0 || (errno != EINTR && errno != EAGAIN)) {
                // The input has ended; notifications and Stop still come through the wake pipe.
                inputOpen = false;
                if (m_handlers.onEnd) {
                    m_handlers.onEnd();
                }
            }
        }
    }
}

} // namespace devio::app::ui
