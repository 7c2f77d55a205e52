#include "app/gui/QtMessageLoop.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <cstdint>

#include "Source/System/MessageWindows.h"

namespace devio::app::gui {

using sys::MessageWindows;
using sys::WindowMessage;

CQtMessageLoop::CQtMessageLoop() {
    m_fd = MessageWindows::wake_fd();
    if (m_fd >= 0) {
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { Drain(false); });
    }
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { Drain(false); });
}

CQtMessageLoop::~CQtMessageLoop() = default;

bool CQtMessageLoop::RunUntil(const std::function<bool()>& done) {
    Frame frame{&done};
    m_frames.push_back(&frame);
    // What waits already: an outer loop may have read the descriptor for it.
    Drain(false);
    while (!m_quit && !done()) {
        QEventLoop loop;
        frame.loop = &loop;
        loop.exec();
        frame.loop = nullptr;
    }
    m_frames.pop_back();
    return !m_quit;
}

void CQtMessageLoop::DispatchWaiting() {
    QCoreApplication::processEvents();
    Drain(true);
}

void CQtMessageLoop::Drain(bool all) {
    uint64_t count = 0;
    [[maybe_unused]] ssize_t got = ::read(m_fd, &count, sizeof count); // non-blocking
    WindowMessage message;
    while (!m_quit && (all || !InnermostDone()) && MessageWindows::peek(&message, true)) {
        if (message.message == sys::wm::Quit) {
            MessageWindows::post_quit(static_cast<int>(message.wparam));
            m_quit = true;
            break;
        }
        MessageWindows::dispatch(message);
    }
    ArmTimer();
    if (!m_frames.empty() && m_frames.back()->loop != nullptr && InnermostDone()) {
        m_frames.back()->loop->quit();
    }
}

bool CQtMessageLoop::InnermostDone() const {
    return m_quit || (!m_frames.empty() && (*m_frames.back()->done)());
}

void CQtMessageLoop::ArmTimer() {
    std::optional<int64_t> ms = MessageWindows::ms_to_next_timer();
    if (!ms) {
        m_timer.stop();
        return;
    }
    m_timer.start(static_cast<int>(std::min<int64_t>(*ms, INT32_MAX)));
}

} // namespace devio::app::gui
