#pragma once
// Scroll tap port: takes every scroll event of the user away from the applications while
// installed, and hands each one to a handler on the main thread.

#include <functional>

namespace fw {

struct ScrollEvent {
    bool continuous = false;      // smooth (trackpad) deltas rather than wheel notches
    double pointDelta = 0;        // vertical delta in pixels of smooth scrolling, for continuous events
    int lineDelta = 0;            // vertical notches: positive up, negative down
    int momentumPhase = 0;        // not zero while a swipe coasts
};

class ScrollTap {
public:
    virtual ~ScrollTap() = default;
    // False when the platform refused (nothing installed then).
    virtual bool install(std::function<void(const ScrollEvent&)> handler) = 0;
    virtual void remove() = 0;
    virtual bool installed() const = 0;
};

} // namespace fw
