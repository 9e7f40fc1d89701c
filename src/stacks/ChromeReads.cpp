// Title-bar readings from the window manager's frame, taken on the main thread.
#include "stacks/ChromeReads.h"

#include "platform/DesktopSettings.h"
#include "platform/WindowSystem.h"

namespace fw {

TitleBarChromeReads::TitleBarChromeReads(WindowSystem& windows, DesktopSettings& desktop, Clock& clock)
    : windows_(windows), desktop_(desktop), clock_(clock)
{
}

TitleBarChromeReads::~TitleBarChromeReads()
{
    for (TimerId id : pending_)
        clock_.cancel(id);
}

void TitleBarChromeReads::read(const ManagedWindow& window, const Rect& frame, std::function<void(WindowChrome)> done)
{
    // The id is known only once scheduled; the task looks it up through a shared slot.
    auto id = std::make_shared<TimerId>(0);
    *id = clock_.schedule(Duration::zero(), [this, id, element = window.element, width = frame.width(),
                                             done = std::move(done)] {
        pending_.erase(*id);
        done(readNow(element, width));
    });
    pending_.insert(*id);
}

WindowChrome TitleBarChromeReads::readNow(WindowId window, double width)
{
    const auto bar = windows_.titleBarHeight(window);
    if (!bar)
        return {};
    return stacks::titleBarChrome(width, bar, desktop_.titleBarButtons(), windows_.title(window).value_or(QString()));
}

} // namespace fw
