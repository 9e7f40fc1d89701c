#pragma once
// Title-bar readings of stacked windows, taken off the main thread: each read runs the chrome
// reader on a worker at low priority and hands the reading back on the main thread, never
// inline. A reading that finishes after its reader is gone is dropped.

#include "base/Clock.h"
#include "base/Geometry.h"
#include "windows/ManagedWindow.h"
#include "windows/WindowChromeReader.h"

#include <QObject>
#include <QThreadPool>
#include <functional>
#include <memory>

namespace fw {

class AccessibleNodes;

class ChromeReads {
public:
    virtual ~ChromeReads() = default;
    // Reads the window (whose frame is given) and calls `done` with the reading later, on
    // the main thread.
    virtual void read(const ManagedWindow& window, const Rect& frame, std::function<void(WindowChrome)> done) = 0;
};

// Where windows expose no title-bar elements: every reading is empty, handed back on the next
// turn of the loop.
class EmptyChromeReads final : public ChromeReads {
public:
    explicit EmptyChromeReads(Clock& clock) : clock_(clock) {}
    void read(const ManagedWindow&, const Rect&, std::function<void(WindowChrome)> done) override
    {
        clock_.schedule(Duration::zero(), [done = std::move(done)] { done({}); });
    }

private:
    Clock& clock_;
};

class BackgroundChromeReads final : public ChromeReads {
public:
    static constexpr int maxVisits = 400;

    // The nodes must be safe to read from another thread and outlive the reader.
    explicit BackgroundChromeReads(AccessibleNodes& nodes);
    ~BackgroundChromeReads() override;   // waits for the reads under way

    void read(const ManagedWindow& window, const Rect& frame, std::function<void(WindowChrome)> done) override;

private:
    AccessibleNodes& nodes_;
    QThreadPool pool_;
    std::unique_ptr<QObject> receiver_;   // lives on the main thread; takes the readings back
};

} // namespace fw
