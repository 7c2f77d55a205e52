#include "app/ui/TerminalSession.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <termios.h>
#include <unistd.h>

#include "Source/System/SystemError.h"
#include "app/ui/WriteAll.h"

namespace devio::app::ui {

namespace {

constexpr std::string_view kEnterScreen = "\x1b[?1049h\x1b[?25l\x1b[H\x1b[2J";
constexpr std::string_view kLeaveScreen = "\x1b[0m\x1b[?25h\x1b[?1049l";

constexpr int kRestoringSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int kSignalCount = sizeof(kRestoringSignals) / sizeof(kRestoringSignals[0]);

// What the signal handlers need. The plain fields are written before `taken` is set and only read
// by whoever clears it again, so a handler never sees them half written.
struct TerminalState {
    std::atomic<bool> taken{false};
    int inputFd = -1;
    bool rawInput = false;
    termios saved{};
    int outputFd = -1;
    bool screen = false;
    std::atomic<int> resizeFd{-1};
    struct sigaction previous[kSignalCount] {};
    bool installed[kSignalCount]{};
    struct sigaction previousResize {};
};

TerminalState g_terminal;

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the signal handlers need lock-free atomics");

// Async-signal-safe: gives the terminal back once, whoever calls first.
void RestoreTerminal() {
    if (!g_terminal.taken.exchange(false, std::memory_order_acq_rel)) {
        return;
    }
    if (g_terminal.screen) {
        // A terminal that is gone has no screen to leave.
        static_cast<void>(WriteAll(g_terminal.outputFd, kLeaveScreen));
    }
    if (g_terminal.rawInput) {
        tcsetattr(g_terminal.inputFd, TCSANOW, &g_terminal.saved);
    }
}

extern "C" void OnRestoringSignal(int signal) {
    int savedErrno = errno;
    RestoreTerminal();
    // The signal takes its former course (normally the end of the process) when this returns:
    // it is blocked while its handler runs, so the raise stays pending until then.
    for (int i = 0; i < kSignalCount; ++i) {
        if (kRestoringSignals[i] == signal) {
            sigaction(signal, &g_terminal.previous[i], nullptr);
        }
    }
    raise(signal);
    errno = savedErrno;
}

extern "C" void OnResize(int) {
    int savedErrno = errno;
    int fd = g_terminal.resizeFd.load(std::memory_order_acquire);
    if (fd >= 0) {
        char note = CTerminalSession::kResizeNotification;
        ssize_t ignored = write(fd, &note, 1);
        (void)ignored;
    }
    errno = savedErrno;
}

void InstallHandlers() {
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = OnRestoringSignal;
    for (int i = 0; i < kSignalCount; ++i) {
        struct sigaction& previous = g_terminal.previous[i];
        sigaction(kRestoringSignals[i], nullptr, &previous);
        // A signal the process was told to ignore (nohup) stays ignored.
        g_terminal.installed[i] = previous.sa_handler != SIG_IGN;
        if (g_terminal.installed[i]) {
            sigaction(kRestoringSignals[i], &action, nullptr);
        }
    }
    struct sigaction resize {};
    sigemptyset(&resize.sa_mask);
    resize.sa_handler = OnResize;
    resize.sa_flags = SA_RESTART;
    sigaction(SIGWINCH, &resize, &g_terminal.previousResize);
}

void RemoveHandlers() {
    for (int i = 0; i < kSignalCount; ++i) {
        if (g_terminal.installed[i]) {
            sigaction(kRestoringSignals[i], &g_terminal.previous[i], nullptr);
            g_terminal.installed[i] = false;
        }
    }
    sigaction(SIGWINCH, &g_terminal.previousResize, nullptr);
}

} // namespace

CTerminalSession::~CTerminalSession() {
    Leave();
}

bool CTerminalSession::Enter(int inputFd, int outputFd, bool screen) {
    if (m_active || g_terminal.taken.load()) {
        sys::set_last_system_error(EBUSY);
        return false;
    }
    termios saved{};
    bool rawInput = isatty(inputFd) == 1;
    if (rawInput && tcgetattr(inputFd, &saved) != 0) {
        return sys::fail_with_errno();
    }
    termios keys = saved;
    // Keys arrive one by one without echo; Ctrl-C still interrupts (and the handler restores the
    // terminal), Ctrl-S does not freeze the output, and Ctrl-Z is off: a process stopped with
    // the terminal in key mode would leave the shell unusable.
    keys.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    keys.c_iflag &= ~static_cast<tcflag_t>(IXON);
    keys.c_cc[VMIN] = 1;
    keys.c_cc[VTIME] = 0;
    keys.c_cc[VSUSP] = _POSIX_VDISABLE;

    g_terminal.inputFd = inputFd;
    g_terminal.rawInput = rawInput;
    g_terminal.saved = saved;
    g_terminal.outputFd = outputFd;
    g_terminal.screen = screen;
    g_terminal.taken.store(true, std::memory_order_release);
    InstallHandlers();
    m_active = true;
    if (rawInput && tcsetattr(inputFd, TCSANOW, &keys) != 0) {
        uint32_t error = static_cast<uint32_t>(errno);
        Leave();
        sys::set_last_system_error(error);
        return false;
    }
    if (screen) {
        // A terminal that is gone shows the failure with the first drawing.
        static_cast<void>(WriteAll(outputFd, kEnterScreen));
    }
    return true;
}

void CTerminalSession::SetResizeNotifyFd(int fd) {
    g_terminal.resizeFd.store(fd, std::memory_order_release);
}

void CTerminalSession::Leave() {
    if (!m_active) {
        return;
    }
    m_active = false;
    g_terminal.resizeFd.store(-1, std::memory_order_release);
    RestoreTerminal();
    RemoveHandlers();
}

} // namespace devio::app::ui
