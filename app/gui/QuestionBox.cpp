#include "app/gui/QuestionBox.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

namespace devio::app::gui {

CQuestionBox::CQuestionBox(ui::CDialogHost& host, const ui::MessageBoxRequest& request,
                           QWidget* owner)
    : QMessageBox(owner) {
    setWindowTitle(QString::fromStdString(request.caption));
    QString text = QString::fromStdString(request.text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    setText(text);
    setTextFormat(Qt::PlainText);
    setIcon((request.style & ui::kMbIconMask) == ui::kMbIconWarning ? QMessageBox::Warning
                                                                    : QMessageBox::NoIcon);
    setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    setDefaultButton(QMessageBox::Yes);
    setWindowModality(Qt::ApplicationModal);
    connect(this, &QMessageBox::buttonClicked, this, [this, &host](QAbstractButton* button) {
        host.AnswerMessageBox(standardButton(button) == QMessageBox::Yes ? ui::kIdYes : ui::kIdNo);
    });
}

void CQuestionBox::CloseForGood() {
    m_mayClose = true;
    close();
}

void CQuestionBox::closeEvent(QCloseEvent* event) {
    if (m_mayClose) {
        QMessageBox::closeEvent(event);
    } else {
        event->ignore();
    }
}

void CQuestionBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QMessageBox::keyPressEvent(event);
}

} // namespace devio::app::gui
