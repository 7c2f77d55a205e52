// How the dialog's thread waits for its messages (sys::MessageWindows) and dispatches them. The
// dialog host has its own loop (CThreadMessageLoop); a view whose toolkit runs an event loop of
// its own (the desktop window) supplies one that serves the same messages from inside that loop.
//
// Every call runs on the dialog's thread, and may be nested: a dispatched message may run a loop
// of its own (a message box) before the outer one goes on.
#pragma once

#include <functional>

namespace devio::app::ui {

class IMessageLoop {
public:
    virtual ~IMessageLoop() = default;

    // Dispatches messages until `done` holds, checked before the first and after every message.
    // False when the thread was told to quit (sys::wm::Quit): the Quit is posted again, so that
    // every loop around this one ends too.
    virtual bool RunUntil(const std::function<bool()>& done) = 0;
    // Dispatches every waiting message until none is left; a Quit is posted again and ends it.
    virtual void DispatchWaiting() = 0;
};

} // namespace devio::app::ui
