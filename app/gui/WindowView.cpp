#include "app/gui/WindowView.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/gui/DialogPictures.h"

namespace devio::app::gui {

namespace {

// Qt ends the process on a display it cannot open; the tool says why in its own words.
void ReportFatal(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "vantor-dfu: cannot open the window: %s\n",
                     message.toLocal8Bit().constData());
        std::_Exit(1);
    }
    if (type != QtDebugMsg && type != QtInfoMsg) {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    }
}

} // namespace

void EnsureApplication() {
    if (QApplication::instance() != nullptr) {
        return;
    }
    // QApplication keeps these for its lifetime, which is the process's.
    static int argc = 1;
    static char name[] = "vantor-dfu";
    static char* argv[] = {name, nullptr};
    QtMessageHandler previous = qInstallMessageHandler(ReportFatal);
    new QApplication(argc, argv);
    qInstallMessageHandler(previous);
    ConfigureApplication();
}

void ConfigureApplication() {
    QApplication::setApplicationName(QStringLiteral("vantor-dfu"));
    QApplication::setWindowIcon(ApplicationIcon());
    // The window ends with the dialog, not with its last window.
    QApplication::setQuitOnLastWindowClosed(false);
}

CWindowView::CWindowView() = default;

CWindowView::~CWindowView() = default;

void CWindowView::OnOpen(ui::CDialogHost& host) {
    m_host = &host;
    m_window = std::make_unique<CDialogWindow>(host);
    m_window->RenderAll();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void CWindowView::OnChange(const ui::CDialogHost&, const ui::DialogChange& change) {
    if (m_window) {
        m_window->Render(change);
    }
}

void CWindowView::OnMessageBoxOpened(const ui::CDialogHost&, const ui::MessageBoxRequest& box) {
    // The host shows the dialog (OnOpen) before it asks a question.
    if (m_host == nullptr) {
        return;
    }
    m_question = std::make_unique<CQuestionBox>(*m_host, box, m_window.get());
    m_question->open();
}

void CWindowView::OnMessageBoxClosed(const ui::CDialogHost&, const ui::MessageBoxRequest&, int) {
    if (m_question) {
        m_question->CloseForGood();
        m_question.reset();
    }
}

void CWindowView::OnRedraw(const ui::CDialogHost&) {
    if (m_window) {
        m_window->RenderAll();
    }
}

void CWindowView::OnClose(const ui::CDialogHost&, int) noexcept {
    if (m_question) {
        m_question->CloseForGood();
        m_question.reset();
    }
    if (m_window) {
        m_window->CloseForGood();
        m_window.reset();
    }
}

ui::IMessageLoop* CWindowView::MessageLoop() {
    return m_loop.Valid() ? &m_loop : nullptr;
}

std::unique_ptr<ui::IDialogView> MakeWindowView() {
    EnsureApplication();
    return std::make_unique<CWindowView>();
}

} // namespace devio::app::gui
