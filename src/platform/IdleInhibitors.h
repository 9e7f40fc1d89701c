#pragma once
// Idle inhibitor port: whether another application holds the display awake, as a playing
// video does. Transitions and thumbnails take no pictures then (protected video would flash).

namespace fw {

class IdleInhibitors {
public:
    virtual ~IdleInhibitors() = default;
    // True while a process other than this one blocks the idle action; false when nobody does
    // or the platform cannot tell.
    virtual bool otherAppKeepsDisplayAwake() = 0;
};

} // namespace fw
