#include "app/ui/ThreadMessageLoop.h"

#include "Source/System/MessageWindows.h"

namespace devio::app::ui {

using sys::MessageWindows;
using sys::WindowMessage;

bool CThreadMessageLoop::RunUntil(const std::function<bool()>& done) {
    while (!done()) {
        WindowMessage message;
        if (!MessageWindows::get(&message)) {
            MessageWindows::post_quit(static_cast<int>(message.wparam));
            return false;
        }
        MessageWindows::dispatch(message);
    }
    return true;
}

void CThreadMessageLoop::DispatchWaiting() {
    WindowMessage message;
    while (MessageWindows::peek(&message, true)) {
        if (message.message == sys::wm::Quit) {
            MessageWindows::post_quit(static_cast<int>(message.wparam));
            return;
        }
        MessageWindows::dispatch(message);
    }
}

} // namespace devio::app::ui
