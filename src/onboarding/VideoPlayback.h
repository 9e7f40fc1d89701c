#pragma once
// The video player as the welcome video's rules see it (kept apart from the clock, so that
// views can use it without the task headers).

#include <functional>

namespace fw {

// A player as the run sees it. It reports through its two closures, on the main thread,
// calling a copy of each (the run clears them while it ends).
class VideoPlayback {
public:
    virtual ~VideoPlayback() = default;
    virtual void play() = 0;
    // Pauses and drops the source; nothing is reported afterwards.
    virtual void stop() = 0;
    // Whether the source has loaded far enough to play.
    virtual bool ready() const = 0;

    std::function<void()> onEnded;
    std::function<void()> onFailed;
};

} // namespace fw
