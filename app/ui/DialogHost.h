// The dialog host: runs one modal dialog on the calling thread over sys::MessageWindows. It keeps
// the state of the dialog's controls, delivers commands, window timers and posted messages to the
// dialog's handler, runs the nested loops of a message box and of DispatchWaitingMessages, and
// tells its views about every visible change.
//
// Threads: RunModal and everything it calls (the handler, the views, every call below that is not
// marked otherwise) run on the dialog's thread, the thread that calls RunModal. The calls marked
// "any thread" only post a message to the dialog's window, so input read on another thread reaches
// the dialog as a posted message and is handled on the dialog's thread in turn. The dialog's
// messages are waited for by the host's own loop, or by the event loop of a view that has one
// (IDialogView::MessageLoop), which then serves them on the same thread.
//
// Input: a key arrives as wm::KeyDown with its key code. While a message box is open, Y answers Yes
// and N answers No, and the dialog's own commands are disabled. Otherwise Escape gives the Cancel
// command, Enter presses the visible push button, and a letter presses the visible push button
// whose template key it is. A pressed button sends its control id as the command; wm::Close gives
// the Cancel command.
//
// Errors: calls that can fail return false (or 0) and leave an errno value in
// sys::last_system_error(): EINVAL for a control that is not there or not of the right kind, ESRCH
// when the dialog is not running, EBUSY for a second message box or a second RunModal.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Source/System/MessageWindows.h"
#include "app/ui/DialogModel.h"
#include "app/ui/IDialogHandler.h"
#include "app/ui/IDialogView.h"
#include "app/ui/ThreadMessageLoop.h"

namespace devio::app::ui {

// Key codes of wm::KeyDown besides the upper-case letters, which are their own codes.
inline constexpr uintptr_t kKeyEnter = 0x0D;
inline constexpr uintptr_t kKeyEscape = 0x1B;

// The host's own messages, above every message a handler may use.
inline constexpr uint32_t kHostMessageFirst = 0x8000;

class CDialogHost {
public:
    explicit CDialogHost(DialogTemplate dialogTemplate);
    ~CDialogHost();
    CDialogHost(const CDialogHost&) = delete;
    CDialogHost& operator=(const CDialogHost&) = delete;

    // Views are added before RunModal; the host owns them.
    void AddView(std::unique_ptr<IDialogView> view);

    // Runs the dialog: creates its window on the calling thread, calls OnInitDialog, shows the
    // views, and dispatches messages until EndDialog. Returns the result given to EndDialog, or -1
    // when the window cannot be created. The controls keep their last state afterwards.
    int RunModal(IDialogHandler& handler);
    // Ends the modal loop once the message being handled is done (an open message box is
    // answered first).
    void EndDialog(int result);
    bool Running() const { return m_window.load() != 0; }

    // The dialog window and its controls.
    const DialogTemplate& Template() const { return m_template; }
    const std::string& WindowText() const { return m_title; }
    void SetWindowText(std::string text);
    uint32_t Icon() const { return m_icon; }
    void SetIcon(uint32_t iconId);
    // The controls in tab order, and in reading order (top down, then left to right).
    const std::vector<Control>& Controls() const { return m_controls; }
    std::vector<const Control*> ControlsInReadingOrder() const;
    // The control with this id, or this template name; null when there is none.
    const Control* GetControl(int id) const;
    const Control* GetControl(std::string_view name) const;

    bool SetDlgItemText(int id, std::string text);
    std::string GetDlgItemText(int id) const;
    // Showing a push button hides the buttons that share its place.
    bool ShowControl(int id, bool visible);
    bool IsControlVisible(int id) const;
    bool SetFontWeight(int id, int weight);
    bool AddListBoxString(int id, std::string text);
    bool SetHorizontalExtent(int id, int pixels);
    // Progress bars. The position is kept within the range.
    bool SetProgressRange(int id, int lower, int upper);
    bool SetProgressStep(int id, int step);
    // Returns the previous position, or -1 when the control is not a progress bar.
    int SetProgressPos(int id, int position);
    int GetProgressPos(int id) const;
    bool SetPicture(int id, uint32_t iconId, int width, int height);

    // The state the dialog's behaviour is in, for views that report it; none until set.
    std::optional<int> DialogState() const { return m_state; }
    void SetDialogState(int state);

    // Window timers of the dialog's window. A period of 0 expires at every turn of the loop.
    bool SetTimer(uintptr_t timerId, uint32_t periodMs);
    bool KillTimer(uintptr_t timerId);

    // Asks a Yes/No question (style kMbYesNo, optionally with an icon) and runs a nested loop, in
    // which timers and posted messages go on being handled, until it is answered. Returns kIdYes
    // or kIdNo; 0 when no box can be shown (another one is open, the dialog is not running, the
    // style asks for other buttons).
    int MessageBox(std::string text, std::string caption, uint32_t style);
    const std::optional<MessageBoxRequest>& OpenMessageBox() const { return m_box; }

    // Removes and dispatches every waiting message of the dialog's thread until none is left.
    void DispatchWaitingMessages();

    // Any thread: posts a message to the dialog's window. False when the dialog is not running.
    bool PostMessage(uint32_t message, uintptr_t wparam = 0, intptr_t lparam = 0);
    // Any thread: a key press (kKeyEnter, kKeyEscape, 'A' to 'Z').
    bool PressKey(uintptr_t key);
    // Any thread: presses the push button `id` if it is visible when the press is handled;
    // kIdCancel gives the Cancel command.
    bool PressButton(int id);
    // Any thread: answers the message box that is open now (kIdYes or kIdNo). An answer given
    // while no box is open, or one that arrives after its box has closed, answers nothing, not
    // even a box that opens later.
    bool AnswerMessageBox(int answer);
    // Any thread: asks every view to draw everything afresh.
    bool RequestRedraw();

private:
    class RunScope;

    intptr_t Procedure(sys::WindowId window, uint32_t message, uintptr_t wparam, intptr_t lparam);
    void OnKey(uintptr_t key);
    void OnPressButton(int id);
    void Command(int id);

    Control* Find(int id, std::optional<ControlKind> kind = std::nullopt);
    void Notify(ChangeKind kind, int id);
    void Show();
    void Close(int result) noexcept;

    DialogTemplate m_template;
    std::vector<Control> m_controls;
    std::string m_title;
    uint32_t m_icon = 0;
    std::optional<int> m_state;
    std::vector<std::unique_ptr<IDialogView>> m_views;

    // The loop that waits for the dialog's messages: a view's (the first that has one) or the
    // host's own, chosen when RunModal begins.
    CThreadMessageLoop m_threadLoop;
    IMessageLoop* m_loop = nullptr;
    // Written on the dialog's thread, read by the posting calls of other threads.
    std::atomic<sys::WindowId> m_window{0};
    IDialogHandler* m_handler = nullptr;
    bool m_shown = false;
    bool m_ended = false;
    int m_result = 0;
    std::optional<MessageBoxRequest> m_box;
    int m_boxAnswer = 0;
    // The number of the box that is open (counted from 1), 0 while none is: read by the answering
    // threads, so that an answer names the box it is for.
    std::atomic<uint64_t> m_openBox{0};
    uint64_t m_boxesOpened = 0;
};

} // namespace devio::app::ui
