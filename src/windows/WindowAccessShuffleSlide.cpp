// The stack slide: a window slid out and back home, raised (or an action run) at the turning
// point, then settled at home.

#include "base/Log.h"
#include "windows/FrameMatch.h"
#include "windows/MotionCurve.h"
#include "windows/WindowAccess.h"

#include <algorithm>
#include <cmath>

namespace fw {

namespace {
constexpr double kSlideSeconds = 0.44;
constexpr double kTurnAt = 0.36;
constexpr double kFramePeriod = 1.0 / 120;
} // namespace

Task<void> WindowAccess::shuffle(ManagedWindow window, Rect out, Rect home, CancelToken token)
{
    auto turn = [this, window] {
        const auto front = ws_.frontmostPid();
        if ((!front || *front != window.pid) && window.pid > 0)
            ws_.activate(window.element);
        ws_.raise(window.element);
    };
    co_await slide(window, turn, out, home, std::move(token));
}

Task<void> WindowAccess::shuffleBack(ManagedWindow window, std::function<void()> action, Rect out, Rect home,
                                     CancelToken token)
{
    co_await slide(std::move(window), std::move(action), out, home, std::move(token));
}

Task<void> WindowAccess::slide(ManagedWindow window, std::function<void()> turn, Rect out, Rect home,
                               CancelToken token)
{
    const bool resumeAnimation = pauseFrameAnimation(window.pid);
    const Duration start = clock_.now();
    bool turned = false;
    auto turnOnce = [&] {
        if (turned)
            return;
        turned = true;
        if (turn)
            turn();
    };

    MoveStats stats;
    bool refused = false;
    if (reduceMotion()) {
        turnOnce();
    } else {
        std::optional<Point> last;
        for (;;) {
            double t = toSeconds(clock_.now() - start) / kSlideSeconds;
            if (t >= kTurnAt)
                turnOnce();
            t = std::min(t, 1.0);
            const double f = shuffleFraction(t);
            const Point p{std::round(home.minX() + f * (out.minX() - home.minX())),
                          std::round(home.minY() + f * (out.minY() - home.minY()))};
            if (!last || *last != p) {
                const Duration since = clock_.now();
                if (!ws_.setPosition(window.element, p)) {
                    refused = true;
                    break;
                }
                recordWrite(stats, since);
                last = p;
            }
            if (t >= 1)
                break;
            // Frames on a 120 Hz grid from the start, at least 1 ms apart.
            const double e = toSeconds(clock_.now() - start);
            // (A time within a hair of a grid point counts as on it.)
            const double pause = std::max(kFramePeriod * (std::floor(e / kFramePeriod + 1e-6) + 1) - e, 0.001);
            // The pause does not end on cancellation: frames back to back would hold the main
            // thread until the slide's time is up. The slide keeps its pace; only the settle hurries.
            co_await clock_.sleep(milliseconds(pause * 1000));
        }
    }
    turnOnce();

    co_await setFrame(window, home, kPlacementTolerance, {}, token);
    log::info(LogCategory::Motion, "%{public}s shuffle%{public}s: %ld ms total, %ld frames, app writes %ld ms, slowest %ld ms",
              window.appName, refused ? " (refused)" : "", long(toMilliseconds(clock_.now() - start)), stats.frames,
              long(toMilliseconds(stats.writeTime)), long(toMilliseconds(stats.slowest)));
    if (resumeAnimation)
        ws_.setFrameAnimation(window.pid, true);
}

} // namespace fw
