// The desktop window view of the dialog host: the dialog as a Qt Widgets window (CDialogWindow),
// its question as a modal message box (CQuestionBox), and the dialog's message loop run inside
// Qt's event loop (CQtMessageLoop), all on the application's thread.
//
// Threads: every call on the dialog's thread, which must be the thread that made the
// QApplication (EnsureApplication).
#pragma once

#include <memory>

#include "app/gui/DialogWindow.h"
#include "app/gui/QtMessageLoop.h"
#include "app/gui/QuestionBox.h"
#include "app/ui/IDialogView.h"

namespace devio::app::gui {

// Makes the process's QApplication on the calling thread unless there is one. A display that
// cannot be opened ends the process with a message on standard error and exit status 1.
void EnsureApplication();
// Sets up a QApplication made elsewhere (tests) as EnsureApplication does its own.
void ConfigureApplication();

class CWindowView : public ui::IDialogView {
public:
    CWindowView();
    ~CWindowView() override;

    void OnOpen(ui::CDialogHost& host) override;
    void OnChange(const ui::CDialogHost& host, const ui::DialogChange& change) override;
    void OnMessageBoxOpened(const ui::CDialogHost& host, const ui::MessageBoxRequest& box) override;
    void OnMessageBoxClosed(const ui::CDialogHost& host, const ui::MessageBoxRequest& box,
                            int answer) override;
    void OnRedraw(const ui::CDialogHost& host) override;
    void OnClose(const ui::CDialogHost& host, int result) noexcept override;
    ui::IMessageLoop* MessageLoop() override;

    // The window while the dialog is shown, and the open question; null otherwise.
    CDialogWindow* Window() const { return m_window.get(); }
    CQuestionBox* Question() const { return m_question.get(); }

private:
    CQtMessageLoop m_loop;
    ui::CDialogHost* m_host = nullptr; // from OnOpen: the host's posting calls take input
    std::unique_ptr<CDialogWindow> m_window;
    std::unique_ptr<CQuestionBox> m_question;
};

// The window view for vantor-dfu (makes the QApplication first).
std::unique_ptr<ui::IDialogView> MakeWindowView();

} // namespace devio::app::gui
