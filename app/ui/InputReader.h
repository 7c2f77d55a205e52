// A thread that reads a view's input (a terminal, a pipe) and hands what it reads to the view, so
// that the dialog's thread never blocks on input. Besides the input it watches a wake pipe: Stop
// ends the thread through it, and a signal handler may write a notification byte to it.
#pragma once

#include <functional>
#include <string_view>
#include <thread>

namespace devio::app::ui {

class CInputReader {
public:
    // Run on the reader thread: the bytes read, the end of the input (or a read error), and a
    // notification byte written to NotifyFd().
    struct Handlers {
        std::function<void(std::string_view bytes)> onInput;
        std::function<void()> onEnd;
        std::function<void(char notification)> onNotify;
    };

    CInputReader() = default;
    ~CInputReader();
    CInputReader(const CInputReader&) = delete;
    CInputReader& operator=(const CInputReader&) = delete;

    // Starts reading `fd` (not taken over). False (errno in sys::last_system_error) when the wake
    // pipe or the thread cannot be made, or when the reader already runs.
    [[nodiscard]] bool Start(int fd, Handlers handlers);
    // Ends the thread and waits for it. The handlers are not called any more afterwards.
    void Stop();

    // The write end of the wake pipe, for a signal handler to write one notification byte
    // (write is async-signal-safe); -1 when the reader does not run.
    int NotifyFd() const { return m_wakeWrite; }

private:
    void Run(int fd);

    Handlers m_handlers;
    std::thread m_thread;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
};

} // namespace devio::app::ui
