// WindowAccess: frame writes (at once or checked until the window holds), the waits for the
// window manager's answers (its writes handled, a frame settled), drift checks, raising, and
// the window-control permission's settings.
#include "base/Log.h"
#include "windows/PlacementRecord.h"
#include "windows/WindowAccess.h"

#include <algorithm>
#include <cmath>

namespace fw {

namespace {
// The checks of a frame write, by time: a read every kCheckLook until the frame has arrived; the
// write sent once more when kRewriteAfter has passed without it, and taken as refused when
// kRefusedAfter has.
constexpr Duration kCheckLook = 16ms;
constexpr Duration kRewriteAfter = 48ms;
constexpr Duration kRefusedAfter = 512ms;
// The most the checks wait on top of that for a window manager that has not handled the writes.
constexpr Duration kHeldUpBound = std::chrono::milliseconds(kManagerAnswerBoundMs);

// A pixel off as the server holds frames: more than half a pixel, no more than the placement
// tolerance (a frame further off was accepted by a caller's own tolerance).
bool aPixelOff(double a, double b)
{
    const double d = std::abs(a - b);
    return d > 0.5 && d <= kPlacementTolerance;
}

// Whether a frame lies a pixel off the target's origin.
bool originAPixelOff(const Rect& frame, const Rect& target)
{
    return aPixelOff(frame.minX(), target.minX()) || aPixelOff(frame.minY(), target.minY());
}

// Whether a side lies a pixel off the target's where no cell grid counts against it; the grid
// is read (into `cells`) only when a side is off.
bool sideAPixelOff(const WindowAccess& access, const ManagedWindow& window, const Rect& frame, const Rect& target,
                   std::optional<Size>& cells)
{
    const bool w = aPixelOff(frame.width(), target.width()), h = aPixelOff(frame.height(), target.height());
    if (!w && !h)
        return false;
    if (!cells)
        cells = access.grid(window);
    const Size counting = gridCells(*cells, target);
    return (w && counting.width == 0) || (h && counting.height == 0);
}

// A frame that arrived a pixel off written once more, and taken as it lands.
void writeAgainAPixelOff(WindowAccess& access, const ManagedWindow& window, const Rect& landed, const Rect& target,
                         std::optional<Size>& cells)
{
    const bool sideOff = sideAPixelOff(access, window, landed, target, cells);
    if (sideOff)
        access.windowSystem().setSize(window.element, target.size);
    if (sideOff || originAPixelOff(landed, target))
        access.windowSystem().setPosition(window.element, target.origin);
}

}

bool WindowAccess::writeAtOnce(const Rect& next, const Rect& previous, const std::vector<Rect>& visibleFrames)
{
    // A window manager that moves before it sizes sees the old size at the new origin for a
    // moment: where that pokes past the screen's visible area it pushes the window back or
    // clamps it. Within the span of both frames, or within one screen's visible area, it cannot.
    if (next.origin == previous.origin || next.size == previous.size)
        return false;
    const Rect moved(next.origin, previous.size);
    return previous.united(next).contains(moved) ||
        std::any_of(visibleFrames.begin(), visibleFrames.end(), [&](const Rect& area) { return area.contains(moved); });
}

bool WindowAccess::oneRequest(const Rect& next, const Rect& previous) const
{
    if (writeAtOnce(next, previous))
        return true;
    std::vector<Rect> areas;
    for (const ScreenInfo& s : screens_.screens())
        areas.push_back(s.visibleFrame);
    return writeAtOnce(next, previous, areas);
}

bool WindowAccess::pauseFrameAnimation(Pid pid)
{
    auto on = ws_.frameAnimation(pid);
    if (on && *on)
        return ws_.setFrameAnimation(pid, false);
    return false;
}

bool WindowAccess::writeFrame(WindowId element, const Rect& next, const Rect& previous, FrameSteps steps)
{
    // One request and one wait where the order cannot change the outcome.
    if (oneRequest(next, previous))
        return ws_.setFrame(element, next);
    const Size shrunk{std::min(next.width(), previous.width()), std::min(next.height(), previous.height())};
    const bool all = steps == FrameSteps::all;
    if (all)
        ws_.setSize(element, shrunk);
    else if (shrunk != previous.size && !ws_.setSize(element, shrunk))
        return false;
    if ((all || next.origin != previous.origin) && !ws_.setPosition(element, next.origin))
        return false;
    if ((all || next.size != shrunk) && !ws_.setSize(element, next.size))
        return false;
    return true;
}

Task<bool> WindowAccess::setFrame(ManagedWindow window, Rect target, double tolerance,
                                  RejectionHandler onRejected, CancelToken token)
{
    const WindowId id = window.element;
    const auto read = ws_.frameAndStates(id);
    if (!read)
        co_return false;
    const Rect current = read->frame;
    // A frame a pixel off is written again (the last step of an animation, or a manager that
    // answered between two writes, leaves one there).
    std::optional<Size> cells;
    if (inPlace(current, target, kPlacementTolerance) && !sideAPixelOff(*this, window, current, target, cells))
        co_return true;

    const bool resumeAnimation = pauseFrameAnimation(window.pid);
    // A maximized window keeps its maximized frame until it leaves that state (asked where the
    // read could not tell).
    if (!read->states || (*read->states & kMaximized) != 0)
        ws_.unmaximize(id);

    // The one arrival rule (FrameMatch.h): a window on a cell grid may land up to a cell short.
    // Its grid is read only once the frame is not already exact.
    std::optional<Rect> lastRead;
    auto arrived = [&](const std::optional<Rect>& f) {
        lastRead = f;
        if (!f)
            return false;
        if (edgesMatch(*f, target, tolerance))
            return true;
        if (!cells)
            cells = grid(window);
        return arrivedAt(*f, target, *cells, tolerance);
    };

    // Written at once (a move alone or a resize alone is one request too), the write's own
    // read-back is the frame to judge.
    const bool once = target.origin == current.origin || target.size == current.size || oneRequest(target, current);
    bool ok = once ? arrived(ws_.setFrameAndRead(id, target))
                                            : writeFrame(id, target, current, FrameSteps::all) && arrived(ws_.frame(id));

    const Duration start = clock_.now();
    Duration heldUp{0};   // time the window manager held the writes: it does not count
    bool rewritten = false;
    while (!ok) {
        const Duration before = clock_.now();
        // A cancelled token ends the waits at once: a check, the re-write, a last check.
        const bool waited = co_await clock_.sleep(kCheckLook, token);
        if (arrived(ws_.frame(id))) {
            ok = true;
            break;
        }
        const Duration now = clock_.now();
        if (waited && heldUp < kHeldUpBound && ws_.writesPending()) {
            heldUp += now - before;
            continue;
        }
        const Duration counted = now - start - heldUp;
        if (!rewritten && (!waited || counted >= kRewriteAfter)) {
            ws_.setPosition(id, target.origin);
            ws_.setSize(id, target.size);
            rewritten = true;
        } else if (!waited || counted >= kRefusedAfter) {
            break;
        }
    }

    if (ok && !rewritten && lastRead)   // (a re-write already went out again)
        writeAgainAPixelOff(*this, window, *lastRead, target, cells);
    if (!ok) {
        const auto actual = ws_.frame(id);
        if (onRejected)
            onRejected(actual);
        log::info(LogCategory::WindowAccess, "Geometry rejected by %{public}s: requested %{public}s, actual %{public}s",
                  window.appName, toString(target), frameText(actual));
    }
    if (resumeAnimation)
        ws_.setFrameAnimation(window.pid, true);
    co_return ok;
}

Task<bool> WindowAccess::writesHandled(int boundMs)
{
    constexpr Duration kLook = 100ms;
    const Duration deadline = clock_.now() + milliseconds(boundMs);
    while (ws_.writesPending()) {
        if (clock_.now() >= deadline)
            co_return false;
        co_await clock_.sleep(kLook);
    }
    co_return true;
}

Task<SettledFrame> WindowAccess::settledFrame(WindowId id, SettleTiming timing, std::function<bool()> shown)
{
    const Duration start = clock_.now();
    std::optional<Rect> held;   // the frame read with `shown` holding since `since`
    Duration since = start;
    for (;;) {
        const bool showing = !shown || shown();
        const auto frame = ws_.frame(id);
        if (!frame)
            co_return SettledFrame{};
        const Duration now = clock_.now();
        if (!showing || frame != held) {
            held = showing ? frame : std::nullopt;
            since = now;
        } else if (now - since >= timing.quiet) {
            co_return SettledFrame{frame, true};
        }
        if (now - start >= timing.limit)
            co_return SettledFrame{frame, false};
        co_await clock_.sleep(timing.look);
    }
}

void WindowAccess::checkDrift(const ManagedWindow& window, const Rect& expected, std::optional<Rect> actual)
{
    log::info(LogCategory::WindowAccess, "Post-placement drift in %{public}s: expected %{public}s, actual %{public}s",
              window.appName, toString(expected), frameText(actual));
}

void WindowAccess::raise(const ManagedWindow& window)
{
    const auto front = ws_.frontmostPid();
    if (!(front && *front == window.pid) && window.pid > 0)
        ws_.activate(window.element);   // activates the application at this window
    ws_.raise(window.element);
}

void WindowAccess::openAccessibilitySettings()
{
    permissions_.openSettings(QStringLiteral("accessibility"));
}

bool WindowAccess::resetAccessibilityPermission()
{
    if (!permissions_.resetWindowControl())
        return false;
    permissions_.windowControlGranted(true);
    openAccessibilitySettings();
    return true;
}

} // namespace fw
