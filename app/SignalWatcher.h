// SIGINT, SIGTERM and SIGHUP of vantor-dfu: their handler only writes the signal's number to a
// pipe, and a watcher thread reads it and hands each signal to the target, which the update dialog
// sets while it runs (it posts the signal to the dialog's thread). A signal that comes while no
// target is set is kept for the next target. So no signal ends the tool behind the dialog's back:
// the dialog decides, and the companion software is started again on the way out.
//
// Threads: Start and Stop on the main thread (Start before the dialog, Stop after it); SetTarget
// and ClearTarget on any thread; the target runs on the watcher thread; the handler runs on
// whichever thread takes the signal and makes one async-signal-safe call.
#pragma once

#include <functional>
#include <mutex>
#include <thread>

#include "Source/System/ThreadAnnotations.h"

namespace devio::app {

class CSignalWatcher {
public:
    static CSignalWatcher& Instance();

    // Starts the watcher and installs the handler. False (errno set) when the pipe or the thread
    // cannot be made; the signals then keep their default course.
    bool Start();
    // Gives the signals their default course again and ends the watcher thread.
    void Stop();

    void SetTarget(std::function<void(int signal)> target);
    void ClearTarget();

private:
    CSignalWatcher() = default;
    void Run();
    void Deliver(int signal);

    std::thread m_thread;
    int m_read = -1;
    sys::Mutex m_mutex; // held while the target runs
    std::function<void(int)> m_target DEVIO_GUARDED_BY(m_mutex);
    int m_pending DEVIO_GUARDED_BY(m_mutex) = 0;
};

} // namespace devio::app
