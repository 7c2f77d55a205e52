// A view of a dialog: renders the host's controls and feeds the user's input back to the host.
//
// Every call runs on the dialog's thread. A view that reads input on a thread of its own hands it
// to the host only through the host's thread-safe posting calls (PressKey, PressButton,
// AnswerMessageBox, RequestRedraw) and stops that thread in OnClose.
#pragma once

#include "app/ui/DialogModel.h"
#include "app/ui/IMessageLoop.h"

namespace devio::app::ui {

class CDialogHost;

class IDialogView {
public:
    virtual ~IDialogView() = default;

    // The dialog is shown: render everything, start reading input.
    virtual void OnOpen(CDialogHost& host) = 0;
    // Something visible changed; the host already holds the new state.
    virtual void OnChange(const CDialogHost& host, const DialogChange& change) = 0;
    // A question opened (host.OpenMessageBox() holds it) or was answered.
    virtual void OnMessageBoxOpened(const CDialogHost& host, const MessageBoxRequest& box) = 0;
    virtual void OnMessageBoxClosed(const CDialogHost& host, const MessageBoxRequest& box,
                                    int answer) = 0;
    // Everything must be drawn afresh (the terminal was resized).
    virtual void OnRedraw(const CDialogHost& host) = 0;
    // The dialog ended with `result`: stop reading input and give back what was taken (the
    // terminal). Also called when an exception ends the dialog. Must not throw.
    virtual void OnClose(const CDialogHost& host, int result) noexcept = 0;
    // A view whose toolkit runs its own event loop on the dialog's thread returns the loop that
    // serves the dialog's messages from inside it; the host asks before it opens the dialog.
    virtual IMessageLoop* MessageLoop() { return nullptr; }
};

} // namespace devio::app::ui
