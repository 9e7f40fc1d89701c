// The animated move of one window: an eased trip of at most 16 frames, settled at the target
// and verified, animated back to where it started when it fails.

#include "base/Log.h"
#include "windows/MotionCurve.h"
#include "windows/WindowAccess.h"

#include <algorithm>
#include <cmath>

namespace fw {

namespace {
constexpr Duration kMoveDuration = 240ms;
constexpr int kMaxFrames = 16;
constexpr double kFrameStep = 0.0625;   // minimum progress per frame: n / 16
constexpr Duration kFramePause = 16ms;
constexpr Duration kSlowWrite = 24ms;

long truncatedMs(Duration d)
{
    return long(toMilliseconds(d));
}

// The progress of frame n. The curve starts where the first frame moves the window by a
// pixel (an ease-in from rest would first write frames that change nothing on screen); the
// last frame stays where it was, so the move takes no longer.
double progressAt(int n, Duration elapsed, double start)
{
    const double t = std::min(1.0, std::max(n * kFrameStep, toSeconds(elapsed) / toSeconds(kMoveDuration)));
    return start + (1 - start) * t;
}

// The curve's start for a trip from `from` to `to` (see progressAt).
double curveStart(const Rect& from, const Rect& to)
{
    const double visible = progressMoving(from, to, 1.0);
    return visible > kFrameStep ? (visible - kFrameStep) / (1 - kFrameStep) : 0.0;
}

// Whether a move must stop: the stamp is no longer current (guarded moves only), or the token
// was cancelled.
struct MoveGuard {
    std::optional<InteractionStamp> stamp;
    CancelToken token;

    bool generationChanged() const { return stamp && !stamp->current(); }
    bool stopped() const { return generationChanged() || token.cancelled(); }
};

// What the frames of a move came to: whether the window is to be settled at its target (the
// last frame written, or a slow application made it jump there), and whether it jumped.
struct Animation {
    bool settle = false;
    bool jumped = false;
};

// The frames of the way, at most 16, each write counted in `stats`. A refused write is
// reported and settles nothing; so does a stop, unless it comes after the last frame.
Task<Animation> animateFrames(WindowAccess& access, const ManagedWindow& window, const RejectionHandler& onRejected,
                              Rect start, Rect target, bool resizing, MoveStats& stats, const MoveGuard& guard)
{
    Animation out;
    Clock& clock = access.clock();
    const Duration animationStart = clock.now();
    if (guard.stopped())
        co_return out;
    Rect previous = start;
    const double curve = curveStart(start, target);
    for (int n = 1; n <= kMaxFrames; ++n) {
        if (n >= 2 && guard.stopped())
            break;
        const double t = progressAt(n, clock.now() - animationStart, curve);
        const Rect next = animateFrame(start, target, t);
        const Duration since = clock.now();
        const bool written = access.writeFrame(window.element, next, previous);
        previous = next;
        if (!written) {
            if (onRejected)
                onRejected(access.windowSystem().frame(window.element));
            access.recordWrite(stats, since);
            co_return out;
        }
        access.recordWrite(stats, since);
        if (t >= 1) {
            out.settle = true;
            break;
        }
        if (resizing && stats.slowest > kSlowWrite) {
            out.jumped = true;
            out.settle = true;
            break;
        }
        co_await clock.sleep(kFramePause, guard.token); // a cancelled pause: the next check ends the move
    }
    if (out.settle && guard.stopped())
        out.settle = false;
    co_return out;
}
} // namespace

void WindowAccess::recordWrite(MoveStats& stats, Duration since) const
{
    const Duration dt = clock_.now() - since;
    stats.frames += 1;
    stats.writeTime += dt;
    stats.slowest = std::max(stats.slowest, dt);
}

void WindowAccess::logMoveSummary(const QString& outcome, const ManagedWindow& window, bool resizing, bool jumped,
                                  const MoveStats& stats, Duration startUptime) const
{
    log::info(LogCategory::Motion,
              "%{public}s %{public}s %{public}s%{public}s: %ld ms total, %ld frames, app writes %ld ms, slowest %ld ms",
              window.appName, resizing ? "resize" : "move", outcome, jumped ? " (jumped: slow app)" : "",
              truncatedMs(clock_.now() - startUptime), stats.frames, truncatedMs(stats.writeTime),
              truncatedMs(stats.slowest));
}

Task<bool> WindowAccess::animateMove(ManagedWindow window, RejectionHandler onRejected, Rect target,
                                     double tolerance, CancelToken token)
{
    co_return co_await move(std::move(window), std::move(onRejected), std::nullopt, target, tolerance,
                            std::move(token));
}

Task<bool> WindowAccess::animateMoveGuarded(ManagedWindow window, RejectionHandler onRejected,
                                            InteractionStamp stamp, Rect target, double tolerance,
                                            CancelToken token)
{
    co_return co_await move(std::move(window), std::move(onRejected), std::move(stamp), target, tolerance,
                            std::move(token));
}

Task<bool> WindowAccess::move(ManagedWindow window, RejectionHandler onRejected, std::optional<InteractionStamp> stamp,
                              Rect target, double tolerance, CancelToken token)
{
    const MoveGuard guard{std::move(stamp), token};
    if (guard.generationChanged())
        co_return false;
    const auto startFrame = ws_.frame(window.element);
    if (!startFrame)
        co_return false;
    const Rect start = *startFrame;
    if (inPlace(start, target, kPlacementTolerance))
        co_return true;

    const bool resumeAnimation = pauseFrameAnimation(window.pid);
    ws_.unmaximize(window.element);
    const bool reduce = reduceMotion();
    const Duration startUptime = clock_.now();
    const bool resizing = std::abs(start.width() - target.width()) > kPlacementTolerance
        || std::abs(start.height() - target.height()) > kPlacementTolerance;
    MoveStats stats;
    Animation animation;
    if (!guard.stopped()) {
        if (reduce)
            animation.settle = !guard.stopped();
        else
            animation = co_await animateFrames(*this, window, onRejected, start, target, resizing, stats, guard);
    }

    bool result = false;
    if (animation.settle)
        result = co_await setFrame(window, target, tolerance, onRejected, token);

    if (result) {
        logMoveSummary(QStringLiteral("done"), window, resizing, animation.jumped, stats, startUptime);
    } else {
        logMoveSummary(QStringLiteral("failed"), window, resizing, animation.jumped, stats, startUptime);
        const auto now = ws_.frame(window.element);
        if (now && !sameFrame(*now, start, kPlacementTolerance))
            co_await rollBack(window, *now, start, tolerance, reduce, resizing, stats, token);
    }
    if (resumeAnimation)
        ws_.setFrameAnimation(window.pid, true);
    co_return result;
}

Task<void> WindowAccess::rollBack(ManagedWindow window, Rect from, Rect start, double tolerance, bool reduce,
                                  bool resizing, MoveStats& stats, CancelToken token)
{
    if (edgesMatch(from, start, kPlacementTolerance))
        co_return;
    if (reduce) {
        co_await setFrame(window, start, tolerance, {}, token);
        co_return;
    }
    // No cancellation or generation checks: the window always goes home.
    const Duration animationStart = clock_.now();
    Rect previous = from;
    const double curve = curveStart(from, start);
    for (int n = 1; n <= kMaxFrames; ++n) {
        const double t = progressAt(n, clock_.now() - animationStart, curve);
        const Rect next = animateFrame(from, start, t);
        const Duration since = clock_.now();
        const bool written = writeFrame(window.element, next, previous);
        previous = next;
        recordWrite(stats, since);
        if (!written)
            co_return;
        if (t >= 1 || (resizing && stats.slowest > kSlowWrite))
            break;
        co_await clock_.sleep(kFramePause, token);
    }
    co_await setFrame(window, start, tolerance, {}, token);
}

} // namespace fw
