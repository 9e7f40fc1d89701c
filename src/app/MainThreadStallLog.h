#pragma once
// While the status menu is open, how long the main thread stays busy between two waits of its
// event loop: each busy span longer than 30 ms writes one "Motion" log line. Observes the
// loop's dispatcher (woken up / about to wait) only between start() and stop(). Main thread only.

#include "base/Clock.h"

#include <QMetaObject>
#include <optional>

namespace fw {

class MainThreadStallLog {
public:
    static constexpr Duration threshold = std::chrono::milliseconds(30);
    enum class Activity { beforeWaiting, afterWaiting };

    explicit MainThreadStallLog(Clock& clock) : clock_(clock) {}
    ~MainThreadStallLog() { stop(); }
    MainThreadStallLog(const MainThreadStallLog&) = delete;
    MainThreadStallLog& operator=(const MainThreadStallLog&) = delete;

    // Begins observing; does nothing when already observing.
    void start();
    // Ends observing and forgets the span being measured.
    void stop();
    bool observing() const { return observing_; }

    // The loop woke up (a span begins) or is about to wait (the span ends: logged when it
    // lasted more than 30 ms).
    void handle(Activity activity);

private:
    Clock& clock_;
    bool observing_ = false;
    QMetaObject::Connection awake_, aboutToBlock_;
    std::optional<Duration> busySince_;
};

} // namespace fw
