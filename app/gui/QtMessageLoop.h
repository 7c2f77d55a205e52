// The dialog's message loop inside Qt's event loop: the dialog's messages (sys::MessageWindows)
// are served on the application's thread by Qt's own loop, which wakes for them through the
// thread's wake descriptor (a QSocketNotifier) and for the dialog's next window timer through one
// single-shot QTimer, so nothing polls. A nested loop of the dialog (a message box, the host's
// RunModal) is a QEventLoop, so the window goes on painting and taking input meanwhile.
//
// Threads: everything runs on the thread that made the loop, the dialog's thread, which must be
// the thread of the QApplication.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>
#include <vector>

#include "app/ui/IMessageLoop.h"

class QEventLoop;

namespace devio::app::gui {

class CQtMessageLoop : public QObject, public ui::IMessageLoop {
public:
    CQtMessageLoop();
    ~CQtMessageLoop() override;

    bool RunUntil(const std::function<bool()>& done) override;
    // Lets Qt handle what is waiting for the window too (painting, input), then the dialog's.
    void DispatchWaiting() override;

    // Whether the descriptor could be made; without it the loop cannot wait for the dialog.
    bool Valid() const { return m_notifier != nullptr; }

private:
    struct Frame {
        const std::function<bool()>* done;
        QEventLoop* loop = nullptr;
    };

    // Dispatches the dialog's waiting messages, until the innermost loop is done unless `all`,
    // then sets the timer for the next window timer and ends the innermost loop when it is done.
    void Drain(bool all);
    bool InnermostDone() const;
    void ArmTimer();

    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer m_timer;
    std::vector<Frame*> m_frames;
    bool m_quit = false;
};

} // namespace devio::app::gui
