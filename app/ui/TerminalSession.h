// The terminal while the terminal view uses it: key input without line editing or echo, and the
// alternate screen with the cursor hidden. The terminal's own settings come back on every way out:
// Leave, the destructor (an exception unwinding the view), and the signals SIGINT, SIGTERM, SIGHUP
// and SIGQUIT, whose handlers restore the terminal and then let the signal take its former course.
// SIGWINCH writes a notification byte to a descriptor so that the view can redraw.
//
// One session at a time per process: the signal handlers work on process-wide state. Enter and
// Leave run on one thread (the dialog's); the handlers run on whichever thread takes the signal and
// use async-signal-safe calls only.
#pragma once

namespace devio::app::ui {

class CTerminalSession {
public:
    // The byte that SIGWINCH writes to the resize descriptor.
    static constexpr char kResizeNotification = 'w';

    CTerminalSession() = default;
    ~CTerminalSession();
    CTerminalSession(const CTerminalSession&) = delete;
    CTerminalSession& operator=(const CTerminalSession&) = delete;

    // Takes the terminal: `inputFd` is put into key mode when it is a terminal, `outputFd`
    // switches to the alternate screen when `screen` is set. False (errno in
    // sys::last_system_error) when another session is active or the input's settings cannot be
    // read or changed; nothing is changed then.
    [[nodiscard]] bool Enter(int inputFd, int outputFd, bool screen);
    // Where SIGWINCH writes kResizeNotification (-1: nowhere).
    void SetResizeNotifyFd(int fd);
    // Gives the terminal back: the input's settings as they were, the normal screen with the
    // cursor shown; the signal handlers as they were. Does nothing when not active.
    void Leave();
    bool Active() const { return m_active; }

private:
    bool m_active = false;
};

} // namespace devio::app::ui
