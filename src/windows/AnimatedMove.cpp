// WindowAccess: one window's animated move to a frame (at most 16 steps over 240 ms), its
// rejection handling and roll-back, and the move log line.
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
    co_return co_await move(std::move(window), std::move(onRejected), nullptr, 0, target, tolerance, std::move(token));
}

Task<bool> WindowAccess::animateMoveGuarded(ManagedWindow window, RejectionHandler onRejected,
                                            const CoordinatorHost& owner, std::uint64_t generation, Rect target,
                                            double tolerance, CancelToken token)
{
    co_return co_await move(std::move(window), std::move(onRejected), &owner, generation, target, tolerance,
                            std::move(token));
}

Task<bool> WindowAccess::move(ManagedWindow window, RejectionHandler onRejected, const CoordinatorHost* owner,
                              std::uint64_t generation, Rect target, double tolerance, CancelToken token)
{
    auto generationChanged = [&] { return owner && owner->interactionGeneration() != generation; };
    auto stopped = [&] { return generationChanged() || token.cancelled(); };

    if (generationChanged())
        co_return false;
    const auto startFrame = ws_.frame(window.element);
    if (!startFrame)
        co_return false;
    const Rect start = *startFrame;
    if (edgesMatch(start, target, 1.0))
        co_return true;

    const bool restoreInterface = switchOffEnhancedInterface(window.pid);
    ws_.unmaximize(window.element);
    const bool reduce = reduceMotion();
    const Duration startUptime = clock_.now();
    const bool resizing = std::abs(start.width() - target.width()) > 1.0
        || std::abs(start.height() - target.height()) > 1.0;
    MoveStats stats;
    bool jumped = false;
    bool result = false;

    bool settle = false;
    if (stopped()) {
        settle = false;
    } else if (reduce) {
        settle = !stopped();
    } else {
        const Duration animationStart = clock_.now();
        if (!stopped()) {
            Rect previous = start;
            bool failedWrite = false;
            const double curve = curveStart(start, target);
            for (int n = 1; n <= kMaxFrames; ++n) {
                if (n >= 2 && stopped())
                    break;
                const double t = progressAt(n, clock_.now() - animationStart, curve);
                const Rect next = animateFrame(start, target, t);
                const Duration since = clock_.now();
                const bool written = writeFrame(window.element, next, previous);
                previous = next;
                if (!written) {
                    if (onRejected)
                        onRejected(ws_.frame(window.element));
                    recordWrite(stats, since);
                    failedWrite = true;
                    break;
                }
                recordWrite(stats, since);
                if (t >= 1) {
                    settle = true;
                    break;
                }
                if (resizing && stats.slowest > kSlowWrite) {
                    jumped = true;
                    settle = true;
                    break;
                }
                co_await clock_.sleep(kFramePause, token);   // a cancelled pause: the next check ends the move
            }
            if (settle && !failedWrite && stopped())
                settle = false;
        }
    }

    if (settle)
        result = co_await setFrame(window, target, tolerance, onRejected, token);

    if (result) {
        logMoveSummary(QStringLiteral("done"), window, resizing, jumped, stats, startUptime);
    } else {
        logMoveSummary(QStringLiteral("failed"), window, resizing, jumped, stats, startUptime);
        const auto now = ws_.frame(window.element);
        if (now && !approximatelyEqual(*now, start, 1.0))
            co_await rollBack(window, *now, start, tolerance, reduce, resizing, stats, token);
    }
    if (restoreInterface)
        ws_.setEnhancedUserInterface(window.pid, true);
    co_return result;
}

Task<void> WindowAccess::rollBack(ManagedWindow window, Rect from, Rect start, double tolerance, bool reduce,
                                  bool resizing, MoveStats& stats, CancelToken token)
{
    if (edgesMatch(from, start, 1.0))
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
