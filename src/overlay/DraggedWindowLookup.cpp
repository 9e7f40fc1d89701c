// The dragged window and its number, looked up at most every 0.2 s.
#include "overlay/DraggedWindowLookup.h"

#include "base/Clock.h"

namespace fw {

std::chrono::nanoseconds DraggedWindowLookup::uptime() const
{
    if (clock_)
        return clock_->now();
    return std::chrono::steady_clock::now().time_since_epoch();
}

void DraggedWindowLookup::set(const std::optional<ManagedWindow>& window)
{
    if (window && window_ && *window == *window_) {
        if (number_)
            return;
    } else {
        window_ = window;
        number_.reset();
        looked_ = false;
        if (!window)
            return;
    }
    const auto now = uptime();
    if (looked_ && now - lastLookup_ < interval)
        return;
    looked_ = true;
    lastLookup_ = now;
    number_ = windowNumber_ ? windowNumber_(*window_) : std::optional(window_->element);
}

} // namespace fw
