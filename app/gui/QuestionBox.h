// The dialog's Yes/No question as a modal message box over the window: the caption, the text and
// the icon of the host's request. It is answered only by Yes or No (clicked, or their keys): the
// box's close and Escape do nothing, as in a Yes/No box without Cancel, and the answer goes to the
// host as a posted answer. The host's end of the question closes it (CloseForGood).
//
// Threads: the dialog's thread.
#pragma once

#include <QMessageBox>

#include "app/ui/DialogHost.h"

namespace devio::app::gui {

class CQuestionBox : public QMessageBox {
public:
    CQuestionBox(ui::CDialogHost& host, const ui::MessageBoxRequest& request, QWidget* owner);

    void CloseForGood();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_mayClose = false;
};

} // namespace devio::app::gui
