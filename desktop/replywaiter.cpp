// The desktop's way of waiting for a server's reply (see replywaiter.h).
#include "desktop/replywaiter.h"

#include <QApplication>
#include <QEventLoop>
#include <QThread>

#include <exception>
#include <thread>

namespace desktop {

TReplyWaiter::TReplyWaiter() : previous_(platform::SetReplyWaiter(&TReplyWaiter::WaitOffThread)) {}

TReplyWaiter::~TReplyWaiter() {
    platform::SetReplyWaiter(std::move(previous_));
}

void TReplyWaiter::WaitOffThread(const std::function<void()>& exchange) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        exchange();
        return;
    }
    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            exchange();
        } catch (...) { failure = std::current_exception(); }
        // Queued: delivered by the loop below even when the exchange ends before it starts.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Timers and paint events go on (the busy animation turns, windows repaint); keys and
    // clicks wait in the queue and are delivered once the call has returned.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    QApplication::restoreOverrideCursor();
    if (failure) std::rethrow_exception(failure);
}

} // namespace desktop
