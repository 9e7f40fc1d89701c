#pragma once
// Scroll capture for the stack switcher: while it captures, every scroll event of the user is
// taken from the applications and turned into single steps of +1 (scrolling down) or -1 (up),
// at most one every 0.28 s. Smooth deltas add up until they reach 36 pixels; the coasting
// after a swipe makes no step. Steps reach the closure on a later turn of the main loop.
// ScrollCaptureSteps hands the capture to the stack anchors.
//
//   capture.start([&](int direction) { switcher.move(direction); });
//   …
//   capture.stop();

#include "base/Clock.h"
#include "platform/ScrollTap.h"
#include "stacks/WindowStackAnchor.h"

#include <functional>
#include <memory>
#include <optional>

namespace fw {

class ScrollCapture {
public:
    static constexpr double threshold = 36.0;                // pixels of smooth scrolling per step
    static constexpr Duration minimumInterval = 280ms;       // between two steps

    ScrollCapture(ScrollTap& tap, Clock& clock);
    ~ScrollCapture();
    ScrollCapture(const ScrollCapture&) = delete;
    ScrollCapture& operator=(const ScrollCapture&) = delete;

    // Captures with this step closure. With install false, or while capturing, it only
    // replaces the closure and resets the sum. A refused tap leaves just the closure stored.
    void start(std::function<void(int)> step, bool install = true);
    // Gives scrolling back to the applications.
    void stop();
    bool capturing() const { return tap_.installed(); }

    // One scroll event while the tap is installed; true when it is dropped.
    bool handle(const ScrollEvent& event);

private:
    ScrollTap& tap_;
    Clock& clock_;
    std::function<void(int)> step_;
    double accumulated_ = 0;
    std::optional<Duration> lastStep_;   // none before the first step: it is never held back
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// The capture as the stack anchors take their scroll steps.
class ScrollCaptureSteps final : public ScrollSteps {
public:
    explicit ScrollCaptureSteps(ScrollCapture& capture) : capture_(capture) {}
    void start(std::function<void(int)> step) override { capture_.start(std::move(step)); }
    void stop() override { capture_.stop(); }

private:
    ScrollCapture& capture_;
};

} // namespace fw
