// The dialog host's own message loop: waits in sys::MessageWindows::get and dispatches.
#pragma once

#include "app/ui/IMessageLoop.h"

namespace devio::app::ui {

class CThreadMessageLoop : public IMessageLoop {
public:
    bool RunUntil(const std::function<bool()>& done) override;
    void DispatchWaiting() override;
};

} // namespace devio::app::ui
