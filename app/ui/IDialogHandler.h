// The behaviour behind a dialog: what the dialog host calls when the dialog starts and when its
// commands, timers and posted messages arrive. Every call runs on the thread that runs the dialog.
#pragma once

#include <cstdint>

namespace devio::app::ui {

class IDialogHandler {
public:
    virtual ~IDialogHandler() = default;

    // The window exists and its controls are built, nothing is shown yet. The dialog becomes
    // visible when this returns (unless it has ended meanwhile).
    virtual void OnInitDialog() = 0;
    // A push button was pressed (its control id), or the OK or Cancel command came (kIdOk,
    // kIdCancel). Nothing ends the dialog except EndDialog.
    virtual void OnCommand(int id) = 0;
    // A window timer expired. Timers repeat until killed.
    virtual void OnTimer(uintptr_t timerId) = 0;
    // A message from wm::User up to (not including) the host's own range was posted.
    virtual void OnMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) = 0;
};

} // namespace devio::app::ui
