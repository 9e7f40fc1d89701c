// Scroll capture for the stack switcher: takes the user's scroll events and turns them into paced
// single steps of +1 or -1, delivered on a later turn of the main loop.
#include "app/ScrollCapture.h"

#include <cmath>

namespace fw {

ScrollCapture::ScrollCapture(ScrollTap& tap, Clock& clock) : tap_(tap), clock_(clock) {}

ScrollCapture::~ScrollCapture()
{
    stop();
}

void ScrollCapture::start(std::function<void(int)> step, bool install)
{
    step_ = std::move(step);
    accumulated_ = 0;
    if (!install || tap_.installed())
        return;
    tap_.install([this](const ScrollEvent& e) { handle(e); });
}

void ScrollCapture::stop()
{
    step_ = nullptr;
    tap_.remove();
}

bool ScrollCapture::handle(const ScrollEvent& event)
{
    const Duration now = clock_.now();
    if (!step_)
        return false;
    if (event.momentumPhase != 0)
        return true;
    int direction = 0;
    if (event.continuous) {
        accumulated_ += event.pointDelta;
        if (std::abs(accumulated_) < threshold)
            return true;
        direction = accumulated_ < 0 ? 1 : -1;
        accumulated_ = 0;
    } else {
        if (event.lineDelta == 0)
            return true;
        direction = event.lineDelta < 0 ? 1 : -1;
    }
    if (!lastStep_ || now - *lastStep_ >= minimumInterval) {
        lastStep_ = now;
        clock_.callAfter(Duration::zero(), std::weak_ptr<int>(alive_), [this, direction] {
            if (step_)
                step_(direction);
        });
    }
    return true;
}

} // namespace fw
