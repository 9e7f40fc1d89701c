// WindowAccess: several windows moved together in one animation, each checked on arrival.
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
} // namespace

Task<bool> WindowAccess::animateGroup(std::vector<std::pair<ManagedWindow, Rect>> items,
                                      GroupRejectionHandler callback, const CoordinatorHost& owner,
                                      std::uint64_t generation, double tolerance, CancelToken token)
{
    const Duration startUptime = clock_.now();
    auto generationChanged = [&] { return owner.interactionGeneration() != generation; };

    std::unordered_set<ManagedWindow> failed;
    std::vector<Track> tracks;
    for (const auto& [window, target] : items) {
        const auto f = ws_.frame(window.element);
        if (!f) {
            // A window that cannot be read did not reach its target: report it, never drop it.
            if (failed.insert(window).second && callback)
                callback(window, std::nullopt, target);
            continue;
        }
        if (edgesMatch(*f, target, 1.0))
            continue;
        tracks.push_back(Track{window, *f, target, *f});
    }
    const bool unreadable = !failed.empty();
    if (tracks.empty())
        co_return !unreadable;
    if (generationChanged())
        co_return false;

    std::vector<Pid> restoreList;
    for (const auto& track : tracks) {
        const Pid pid = track.window.pid;
        if (std::find(restoreList.begin(), restoreList.end(), pid) != restoreList.end())
            continue;
        if (switchOffEnhancedInterface(pid))
            restoreList.push_back(pid);
    }
    auto restore = [&] {
        for (Pid pid : restoreList)
            ws_.setEnhancedUserInterface(pid, true);
    };
    for (const auto& track : tracks)
        ws_.unmaximize(track.window.element);

    bool moveOnly = std::none_of(tracks.begin(), tracks.end(), [](const Track& t) {
        return std::abs(t.start.width() - t.target.width()) > 1.0 || std::abs(t.start.height() - t.target.height()) > 1.0;
    });
    bool jumped = false;
    long frames = 0;

    if (!reduceMotion()) {
        const Duration animationStart = clock_.now();
        if (generationChanged() || token.cancelled()) {
            restore();
            co_return false;
        }
        for (int n = 1; n <= kMaxFrames; ++n) {
            if (n >= 2 && (generationChanged() || token.cancelled())) {
                restore();
                co_return false;
            }
            const double t = std::min(1.0, std::max(n * kFrameStep, toSeconds(clock_.now() - animationStart)
                                                                       / toSeconds(kMoveDuration)));
            for (auto& track : tracks) {
                if (failed.count(track.window))
                    continue;
                const Rect next = animateFrame(track.start, track.target, t);
                const Duration since = clock_.now();
                if (!writeFrame(track.window.element, next, track.previous)) {
                    failed.insert(track.window);
                    if (callback)
                        callback(track.window, ws_.frame(track.window.element), track.target);
                    continue;
                }
                track.previous = next;
                if (!moveOnly && clock_.now() - since > kSlowWrite)
                    jumped = true;
            }
            frames = n;
            if (t >= 1 || jumped)
                break;
            co_await clock_.sleep(kFramePause, token);
        }
    }

    bool result = failed.empty();
    for (const auto& track : tracks) {
        if (failed.count(track.window))
            continue;
        if (generationChanged()) {
            result = false;
            break;
        }
        RejectionHandler onRejected;
        if (callback) {
            onRejected = [&callback, window = track.window, target = track.target](std::optional<Rect> actual) {
                callback(window, actual, target);
            };
        }
        const bool ok = co_await setFrame(track.window, track.target, tolerance, onRejected, token);
        result = result && ok;
    }

    QStringList names;
    for (const auto& track : tracks)
        names << track.window.appName;
    log::info(LogCategory::Motion, "Group of %ld (%{public}s) %{public}s%{public}s: %ld ms, %ld frames",
              long(tracks.size()), names.join(QStringLiteral(", ")), result ? "done" : "failed",
              jumped ? " (jumped: slow app)" : "", long(toMilliseconds(clock_.now() - startUptime)), frames);
    restore();
    co_return result;
}

} // namespace fw
