// The simulated desktop's mouse monitor: tests inject the events the platform would deliver,
// and it keeps the pointer's position, button and modifiers as the last event left them.
#include "platform/sim/SimMouse.h"

namespace fw::sim {

bool SimMouse::start(std::function<void(const MouseEvent&)> handler)
{
    if (!available_)
        return false;
    handler_ = std::move(handler);
    running_ = true;
    escapeWatched_ = false;
    return true;
}

void SimMouse::stop()
{
    running_ = false;
    escapeWatched_ = false;
    handler_ = nullptr;
}

std::optional<PointerState> SimMouse::pointerState()
{
    if (!running_)
        return std::nullopt;
    return PointerState{position_, leftDown_, modifiers_};
}

void SimMouse::releaseUnseen(Point p)
{
    position_ = p;
    leftDown_ = false;
}

bool SimMouse::inject(const MouseEvent& e)
{
    position_ = e.position;
    modifiers_ = e.modifiers;
    if (e.type == MouseEvent::Type::LeftDown)
        leftDown_ = true;
    else if (e.type == MouseEvent::Type::LeftUp)
        leftDown_ = false;
    if (!running_ || !handler_)
        return false;
    auto handler = handler_; // the handler may stop the monitor
    handler(e);
    return true;
}

} // namespace fw::sim
