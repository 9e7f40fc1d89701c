// While the status menu is open, logs each main-thread busy span over 30 ms from the event dispatcher's
// wake and wait notifications.
#include "app/MainThreadStallLog.h"

#include "base/Log.h"

#include <QAbstractEventDispatcher>

namespace fw {

void MainThreadStallLog::start()
{
    if (observing_)
        return;
    observing_ = true;
    if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
        awake_ = QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, dispatcher,
                                  [this] { handle(Activity::afterWaiting); });
        aboutToBlock_ = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher,
                                         [this] { handle(Activity::beforeWaiting); });
    }
}

void MainThreadStallLog::stop()
{
    QObject::disconnect(awake_);
    QObject::disconnect(aboutToBlock_);
    observing_ = false;
    busySince_.reset();
}

void MainThreadStallLog::handle(Activity activity)
{
    const Duration now = clock_.now();
    if (activity == Activity::afterWaiting) {
        busySince_ = now;
        return;
    }
    if (busySince_ && now - *busySince_ > threshold) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - *busySince_).count();
        log::info(LogCategory::Motion, "Menu stall: main thread busy %ld ms", long(ms));
    }
    busySince_.reset();
}

} // namespace fw
