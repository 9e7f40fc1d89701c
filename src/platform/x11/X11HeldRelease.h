#pragma once
// Letting go of a window that a window manager holds in a tile of its own (KWin's quick tiling
// at a screen's edges and corners) and moves by neither road: a maximize and restore takes it
// out of the tile, and the write is sent once more. The X11 window port starts it when a write
// moved nothing; it goes on from the window's notices of its states, on the event loop, and
// the port's writes of that window meanwhile are folded into its last step. Not thread-safe.

#include "base/Geometry.h"
#include "platform/WindowSystem.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QTimer;

namespace fw::x11 {

class Connection;
class WindowManagerFacts;
class WriteWaits;
struct ClientState;

class HeldRelease {
public:
    // What the release asks of the window port it serves: a read of the window's frame and
    // kind (states and allowed actions), a change of its states sent without waiting, and a
    // frame write (the frame read back once handled; nothing when it failed).
    struct Port {
        std::function<std::optional<ClientState>(std::uint32_t window)> read;
        std::function<bool(const ClientState& s, WindowStates change, bool on)> sendStates;
        std::function<std::optional<Rect>(std::uint32_t window, const Rect& target, bool position, bool size)> write;
    };
    HeldRelease(Connection& conn, WriteWaits& waits, WindowManagerFacts& wm, Port port);
    ~HeldRelease();
    HeldRelease(const HeldRelease&) = delete;
    HeldRelease& operator=(const HeldRelease&) = delete;

    // Starts letting go of a window whose write moved nothing. `held`: what the write landed
    // (the frame from before), which this answers at once: the release goes on from the
    // window's notices, and underWay() is true until it ends. Only where the window manager
    // allows maximizing the window and an event loop runs; tried once per window manager where
    // it never helps (its maximize and restore seen, the window not moved), and undone where it
    // fails.
    // A write the window manager had not `answered` when its wait ended waits for its answer
    // first (kAnswerMs at most): a window still where it was is let go then, one that moved
    // meanwhile was not held, and another write of the window before then goes out as usual.
    Rect start(WindowId id, const Rect& target, bool position, bool size, const Rect& held, bool answered = true);
    // A write of the window being let go: taken for the release's own write once the window is
    // out of its tile (the parts asked, the latest of each), answered with the frame held.
    // Nothing for any other window.
    std::optional<Rect> askedDuring(WindowId id, const Rect& target, bool position, bool size);
    bool underWay() const { return steps_.has_value(); }
    // Whether a write that landed `landed` from `before` moved the window nothing: its corner
    // where it was, its size within a terminal's size step (the client may still be fitting
    // its size to its cells after the window manager's last resize of it).
    static bool movedNothing(const Rect& before, const Rect& landed);

private:
    // A held window being let go: its maximize asked; once its states show it, its restore; once
    // they show that, the frame last asked of it written. Each step is taken when a notice of
    // its states comes in (or its time runs out), kStepMs after the one before at most; a
    // maximize or restore not seen in time is asked away once more.
    // Before all that, a write not answered yet waits for the window manager's answer
    // (Answering), asked again every kAnswerPollMs.
    struct Steps {
        std::uint32_t window = 0;
        Rect target, held;
        bool position = false, size = false;
        enum class Step { Answering, Maximizing, Restoring, TakingBack } step = Step::Maximizing;
        std::int64_t deadlineMs = 0;
    };
    static constexpr int kStepMs = 300;
    static constexpr double kSizeStep = 32;
    static constexpr int kAnswerMs = kManagerAnswerBoundMs;
    static constexpr int kAnswerPollMs = 25;
    // Whether the frame lies on the screen (the root window), in whole pixels as written.
    bool onScreen(const Rect& frame);
    void makeStepTimer();
    Rect startOnceAnswered(WindowId id, const Rect& target, bool position, bool size, const Rect& held);
    // Answering: once the window manager has answered, the release proper where the window is
    // still where it was.
    void stepOnceAnswered();
    // The release's next step where the window's states allow it or its time has run out.
    void step();
    // Ends the release; `moved`: whether its write moved the window, nothing when it wrote none.
    void end(std::uint32_t window, std::optional<bool> moved);

    Connection& conn_;
    WriteWaits& waits_;
    WindowManagerFacts& wm_;
    Port port_;
    bool writing_ = false;   // the release's own write is under way
    std::optional<Steps> steps_;
    std::unique_ptr<QTimer> stepTimer_;   // the next step: at a notice, or when late
};

} // namespace fw::x11
