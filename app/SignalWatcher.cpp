#include "app/SignalWatcher.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace devio::app {

namespace {

constexpr int kWatchedSignals[] = {SIGINT, SIGTERM, SIGHUP};
// Written by Stop: every other byte is a signal's number.
constexpr char kStopByte = 0;

// The pipe's write end, for the handler.
volatile sig_atomic_t g_write = -1;

extern "C" void OnWatchedSignal(int signal) {
    int saved = errno;
    char byte = static_cast<char>(signal);
    ssize_t ignored = write(g_write, &byte, 1);
    (void)ignored;
    errno = saved;
}

void SetHandlers(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : kWatchedSignals) {
        sigaction(signal, &action, nullptr);
    }
}

} // namespace

CSignalWatcher& CSignalWatcher::Instance() {
    static CSignalWatcher watcher;
    return watcher;
}

bool CSignalWatcher::Start() {
    if (m_thread.joinable()) {
        return true;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    m_read = fds[0];
    g_write = fds[1];
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error& error) {
        close(fds[0]);
        close(fds[1]);
        m_read = -1;
        g_write = -1;
        errno = error.code().value();
        return false;
    }
    SetHandlers(OnWatchedSignal);
    return true;
}

void CSignalWatcher::Stop() {
    if (!m_thread.joinable()) {
        return;
    }
    SetHandlers(SIG_DFL);
    char stop = kStopByte;
    ssize_t ignored = write(g_write, &stop, 1);
    (void)ignored;
    m_thread.join();
    close(m_read);
    close(g_write);
    m_read = -1;
    g_write = -1;
}

void CSignalWatcher::SetTarget(std::function<void(int)> target) {
    sys::MutexLock lock(m_mutex);
    m_target = std::move(target);
    if (m_target && m_pending != 0) {
        int signal = m_pending;
        m_pending = 0;
        m_target(signal);
    }
}

void CSignalWatcher::ClearTarget() {
    sys::MutexLock lock(m_mutex);
    m_target = nullptr;
}

void CSignalWatcher::Run() {
    for (;;) {
        char byte = 0;
        ssize_t count = read(m_read, &byte, 1);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count != 1 || byte == kStopByte) {
            return;
        }
        Deliver(static_cast<unsigned char>(byte));
    }
}

void CSignalWatcher::Deliver(int signal) {
    sys::MutexLock lock(m_mutex);
    if (m_target) {
        m_target(signal);
    } else {
        m_pending = signal;
    }
}

} // namespace devio::app
