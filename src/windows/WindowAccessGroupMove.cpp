// The group move: several windows animated along together in the same frames, then each
// settled at its target; a window whose write is refused drops out (reported), and nothing is
// rolled back.

#include "base/Log.h"
#include "windows/MotionCurve.h"
#include "windows/WindowAccess.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace fw {

namespace {
constexpr Duration kMoveDuration = 240ms;
constexpr int kMaxFrames = 16;
constexpr double kFrameStep = 0.0625;
constexpr Duration kFramePause = 16ms;
constexpr Duration kSlowWrite = 24ms;

// One window taking part in a group move.
struct Track {
    ManagedWindow window;
    Rect start;
    Rect target;
    Rect previous;
};

// One group move's windows and progress, and its steps that need nothing private of the
// window access.
class GroupMove {
public:
    GroupMove(WindowAccess& access, GroupRejectionHandler callback, InteractionStamp stamp, CancelToken token)
        : access_(access), ws_(access.windowSystem()), callback_(std::move(callback)), stamp_(std::move(stamp)),
          token_(std::move(token))
    {
    }

    // The windows off their targets become tracks; an unreadable one is reported and counts as
    // failed. False when one could not be read.
    bool read(const std::vector<std::pair<ManagedWindow, Rect>>& items);
    // The frames of the way, at most 16; false when the interaction ended or the token was
    // cancelled on the way.
    Task<bool> animate();
    // Each track written at its target and verified. True when every window arrived.
    Task<bool> settle(double tolerance);
    // The "Motion" summary line.
    void logSummary(bool result, Duration startUptime) const;

    // The interaction ended or the coordinator is gone.
    bool generationChanged() const { return !stamp_.current(); }
    const std::vector<Track>& tracks() const { return tracks_; }

private:
    void writeFrames(double t, bool moveOnly);

    WindowAccess& access_;
    WindowSystem& ws_;
    GroupRejectionHandler callback_;
    const InteractionStamp stamp_;
    CancelToken token_;
    std::vector<Track> tracks_;
    std::unordered_set<ManagedWindow> failed_;
    bool jumped_ = false;
    long frames_ = 0;
};

bool GroupMove::read(const std::vector<std::pair<ManagedWindow, Rect>>& items)
{
    for (const auto& [window, target] : items) {
        const auto f = ws_.frame(window.element);
        if (!f) {
            // A window that cannot be read did not reach its target: report it, never drop it.
            if (failed_.insert(window).second && callback_)
                callback_(window, std::nullopt, target);
            continue;
        }
        if (inPlace(*f, target, kPlacementTolerance))
            continue;
        tracks_.push_back(Track{window, *f, target, *f});
    }
    return failed_.empty();
}

Task<bool> GroupMove::animate()
{
    const bool moveOnly = std::none_of(tracks_.begin(), tracks_.end(), [](const Track& track) {
        return std::abs(track.start.width() - track.target.width()) > kPlacementTolerance
            || std::abs(track.start.height() - track.target.height()) > kPlacementTolerance;
    });
    Clock& clock = access_.clock();
    const Duration animationStart = clock.now();
    if (generationChanged() || token_.cancelled())
        co_return false;
    for (int n = 1; n <= kMaxFrames; ++n) {
        if (n >= 2 && (generationChanged() || token_.cancelled()))
            co_return false;
        const double t = std::min(1.0, std::max(n * kFrameStep, toSeconds(clock.now() - animationStart)
                                                                   / toSeconds(kMoveDuration)));
        writeFrames(t, moveOnly);
        frames_ = n;
        if (t >= 1 || jumped_)
            break;
        co_await clock.sleep(kFramePause, token_);
    }
    co_return true;
}

// One frame of every track still moving; a refused write drops the window out. A slow write
// while windows resize ends the animation (the move jumps to its targets).
void GroupMove::writeFrames(double t, bool moveOnly)
{
    Clock& clock = access_.clock();
    for (auto& track : tracks_) {
        if (failed_.count(track.window))
            continue;
        const Rect next = animateFrame(track.start, track.target, t);
        const Duration since = clock.now();
        if (!access_.writeFrame(track.window.element, next, track.previous)) {
            failed_.insert(track.window);
            if (callback_)
                callback_(track.window, ws_.frame(track.window.element), track.target);
            continue;
        }
        track.previous = next;
        if (!moveOnly && clock.now() - since > kSlowWrite)
            jumped_ = true;
    }
}

Task<bool> GroupMove::settle(double tolerance)
{
    bool result = failed_.empty();
    for (const auto& track : tracks_) {
        if (failed_.count(track.window))
            continue;
        if (generationChanged()) {
            result = false;
            break;
        }
        RejectionHandler onRejected;
        if (callback_) {
            onRejected = [this, window = track.window, target = track.target](std::optional<Rect> actual) {
                callback_(window, actual, target);
            };
        }
        const bool ok = co_await access_.setFrame(track.window, track.target, tolerance, onRejected, token_);
        result = result && ok;
    }
    co_return result;
}

void GroupMove::logSummary(bool result, Duration startUptime) const
{
    QStringList names;
    for (const auto& track : tracks_)
        names << track.window.appName;
    log::info(LogCategory::Motion, "Group of %ld (%{public}s) %{public}s%{public}s: %ld ms, %ld frames",
              long(tracks_.size()), names.join(QStringLiteral(", ")), result ? "done" : "failed",
              jumped_ ? " (jumped: slow app)" : "", long(toMilliseconds(access_.clock().now() - startUptime)),
              frames_);
}

} // namespace

Task<bool> WindowAccess::animateGroup(std::vector<std::pair<ManagedWindow, Rect>> items,
                                      GroupRejectionHandler callback, InteractionStamp stamp, double tolerance,
                                      CancelToken token)
{
    const Duration startUptime = clock_.now();
    GroupMove group(*this, std::move(callback), std::move(stamp), std::move(token));
    const bool readable = group.read(items);
    if (group.tracks().empty())
        co_return readable;
    if (group.generationChanged())
        co_return false;

    std::vector<Pid> restoreList;
    for (const auto& track : group.tracks()) {
        const Pid pid = track.window.pid;
        if (std::find(restoreList.begin(), restoreList.end(), pid) != restoreList.end())
            continue;
        if (pauseFrameAnimation(pid))
            restoreList.push_back(pid);
    }
    auto restore = [&] {
        for (Pid pid : restoreList)
            ws_.setFrameAnimation(pid, true);
    };
    for (const auto& track : group.tracks())
        ws_.unmaximize(track.window.element);

    if (!reduceMotion()) {
        const bool animated = co_await group.animate();
        if (!animated) {
            restore();
            co_return false;
        }
    }
    const bool result = co_await group.settle(tolerance);
    group.logSummary(result, startUptime);
    restore();
    co_return result;
}

} // namespace fw
