#pragma once
// The simulated desktop's mouse monitor: tests deliver by hand the events the platform would,
// and it keeps the pointer's position, button and modifiers as the last event left them.

#include "platform/MouseMonitor.h"

#include <functional>
#include <optional>

namespace fw::sim {

// The desktop's mouse monitor: tests inject the events the platform would deliver.
class SimMouse final : public MouseMonitor {
public:
    bool start(std::function<void(const MouseEvent&)> handler) override;
    void stop() override;
    bool running() const override { return running_; }
    // The position, button and modifiers of the last event (or of releaseUnseen).
    std::optional<PointerState> pointerState() override;
    void watchEscape(bool on) override { escapeWatched_ = on; }

    // Whether start() succeeds (false: the platform cannot monitor).
    void setAvailable(bool available) { available_ = available; }

    // Delivers an event to the installed handler; false when the monitor is not running.
    bool inject(const MouseEvent& e);
    bool press(Point p, Modifiers m = 0) { return inject({MouseEvent::Type::LeftDown, p, m}); }
    bool drag(Point p, Modifiers m = 0) { return inject({MouseEvent::Type::LeftDrag, p, m}); }
    bool release(Point p, Modifiers m = 0) { return inject({MouseEvent::Type::LeftUp, p, m}); }
    bool move(Point p, Modifiers m = 0) { return inject({MouseEvent::Type::Moved, p, m}); }
    // Escape pressed: delivered only while watched, as the platform does; false otherwise.
    bool escape() { return escapeWatched_ && inject({MouseEvent::Type::Escape, position_, modifiers_}); }
    bool escapeWatched() const { return escapeWatched_; }

    // The pointer is at the point before the platform reports it (the next event tells).
    void setPosition(Point p) { position_ = p; }
    // The button comes up at the point without an event reaching the handler, as when the
    // platform loses a release.
    void releaseUnseen(Point p);

    Point position() const { return position_; }

private:
    std::function<void(const MouseEvent&)> handler_;
    bool running_ = false;
    bool available_ = true;
    Point position_;
    bool leftDown_ = false;
    Modifiers modifiers_ = 0;
    bool escapeWatched_ = false;
};

} // namespace fw::sim
