// Title-bar readings taken off the main thread and handed back on it.
#include "stacks/ChromeReads.h"

#include "platform/AccessibleNodes.h"

#include <QMetaObject>
#include <QThread>

namespace fw {

BackgroundChromeReads::BackgroundChromeReads(AccessibleNodes& nodes) : nodes_(nodes), receiver_(std::make_unique<QObject>())
{
    pool_.setMaxThreadCount(1);
    pool_.setThreadPriority(QThread::LowPriority);
}

BackgroundChromeReads::~BackgroundChromeReads()
{
    pool_.clear();
    pool_.waitForDone();
    receiver_.reset();   // queued hand-backs to it are dropped with it
}

void BackgroundChromeReads::read(const ManagedWindow& window, const Rect& frame, std::function<void(WindowChrome)> done)
{
    // The receiver outlives every read: the destructor waits for them first.
    QObject* receiver = receiver_.get();
    AccessibleNodes* nodes = &nodes_;
    const WindowId id = window.element;
    pool_.start([nodes, id, frame, receiver, done = std::move(done)]() mutable {
        WindowChrome chrome = WindowChromeReader::readWindow(*nodes, id, frame, maxVisits);
        QMetaObject::invokeMethod(
            receiver, [done = std::move(done), chrome = std::move(chrome)] { done(chrome); },
            Qt::QueuedConnection);
    });
}

} // namespace fw
