// The late-window task of a composition: the launched apps' windows placed as they appear.
#include "snap/LateWindows.h"

#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "snap/AppNames.h"
#include "snap/CompositionApps.h"
#include "snap/CompositionNotices.h"
#include "snap/PlaceWindow.h"
#include "snap/SnapContext.h"
#include "windows/WindowAccess.h"

#include <functional>
#include <set>

namespace fw {

namespace {

// One app of the composition still to be served.
struct PendingApp {
    MissingApp app;
    int attempts = 0;
    std::optional<ManagedWindow> window; // placed for this entry
    Rect target;
    Duration placedAt{0};
    bool sawWindow = false; // a window of the app was there for it to take
};

// When a window was first seen and when its frame last changed.
struct WindowSighting {
    Duration firstSeen{0};
    Rect frame;
    Duration lastChange{0};
};

class LateWindowTask {
public:
    LateWindowTask(SnapContext& ctx, ChoiceState state, const std::vector<MissingApp>& pending, QString layoutId,
                   ScreenInfo screen)
        : ctx_(ctx), state_(state), layoutId_(std::move(layoutId)), screen_(std::move(screen)),
          display_(displayKey(screen_)), host_(ctx.host), applications_(ctx.applications),
          index_(applications_ ? *applications_ : installedApplications(ctx))
    {
        for (const MissingApp& app : pending)
            entries_.push_back({app});
    }

    Task<void> run()
    {
        start_ = ctx_.clock.now();
        index_.rebuild();
        while (waiting() && ctx_.clock.now() - start_ < kLateTimeLimit) {
            co_await ctx_.clock.sleep(kLatePollInterval);
            const bool goOn = co_await poll();
            if (!goOn)
                co_return;
        }
        finish();
    }

private:
    // An entry waits while it has no window and tries left, or its window has not yet stayed
    // in place long enough.
    bool waiting() const
    {
        const Duration now = ctx_.clock.now();
        return std::any_of(entries_.begin(), entries_.end(), [&](const PendingApp& e) {
            return e.window ? now - e.placedAt < kLateSettleTime : e.attempts < kLateTries;
        });
    }

    // The composition still shows on the display (and the coordinator lives).
    bool compositionShown() const
    {
        const LayoutGroup* group = host_.expired() ? nullptr : state_.layouts.group(display_);
        return group && group->layout.id == layoutId_;
    }

    // One look at the desktop. False: the task ends without a notice.
    Task<bool> poll()
    {
        if (!compositionShown())
            co_return false;
        if (state_.interaction.mutating)
            co_return true;
        const Duration now = ctx_.clock.now();
        QStringList named;
        for (const PendingApp& entry : entries_)
            named << entry.app.appId;
        named.removeDuplicates();
        const std::vector<AppWindow> windows = appWindows(ctx_, index_, ctx_.access.windowSystem().snapshot(), named);
        sight(windows, now);
        for (const auto& [display, group] : state_.layouts.groups()) {
            for (const auto& [region, window] : group.windows)
                claimed_.insert(window);
        }
        for (const PendingApp& entry : entries_) {
            if (entry.window)
                claimed_.insert(*entry.window);
        }
        for (PendingApp& entry : entries_)
            co_await serve(entry, windows, now);
        claimed_.clear();
        co_return true;
    }

    // Records when each readable window was first seen and when its frame last changed.
    void sight(const std::vector<AppWindow>& windows, Duration now)
    {
        for (const AppWindow& w : windows) {
            if (!w.frame)
                continue;
            auto seen = sightings_.find(w.window);
            if (seen == sightings_.end()) {
                sightings_.emplace(w.window, WindowSighting{now, *w.frame, now});
            } else if (!sameFrame(seen->second.frame, *w.frame, kSightingTolerance)) {
                seen->second.frame = *w.frame;
                seen->second.lastChange = now;
            }
        }
    }

    // A placed window that moved away is let go; a waiting entry gets its window when one is
    // ready.
    Task<void> serve(PendingApp& entry, const std::vector<AppWindow>& windows, Duration now)
    {
        if (entry.window) {
            if (now - entry.placedAt >= kLateSettleTime || entry.attempts >= kLateTries || stillPlaced(entry))
                co_return;
            entry.window.reset();
            entry.target = Rect();
            entry.placedAt = Duration::zero();
        }
        if (entry.attempts >= kLateTries)
            co_return;
        const LayoutGroup* group = state_.layouts.group(display_);
        if (!group)
            co_return;
        const SnapLayout layout = group->layout;
        const auto frames = regionFrames(layout, screen_);
        const auto frame = frames.find(entry.app.region);
        if (frame == frames.end())
            co_return;
        if (const auto held = heldWindow(*group, entry.app, windows)) {
            // The region got its app meanwhile (an earlier composition's launch, placed by its
            // task): served, and watched as if placed here.
            entry.window = *held;
            entry.sawWindow = true;
            entry.target = frame->second;
            entry.placedAt = now;
            co_return;
        }
        entry.sawWindow = entry.sawWindow || servingWindow(entry.app.appId, windows, {});
        const auto candidate = readyWindow(entry.app.appId, windows, now);
        if (!candidate)
            co_return;
        co_await place(entry, *candidate, frame->second, layout);
    }

    // The window in front of the app's region when it is one of the app's (or its application's).
    static std::optional<ManagedWindow> heldWindow(const LayoutGroup& group, const MissingApp& app,
                                                   const std::vector<AppWindow>& windows)
    {
        const auto held = group.windows.find(app.region);
        if (!app.front || held == group.windows.end())
            return std::nullopt;
        const auto it = std::find_if(windows.begin(), windows.end(), [&](const AppWindow& w) {
            return w.window == held->second && (w.appId == app.appId || w.sameApplicationAs.contains(app.appId));
        });
        return it == windows.end() ? std::nullopt : std::optional<ManagedWindow>(it->window);
    }

    // Unreadable counts as still there.
    bool stillPlaced(const PendingApp& entry) const
    {
        const auto frame = ctx_.access.frame(*entry.window);
        return !frame || arrivedAt(*frame, entry.target, ctx_.access.grid(*entry.window), kPlacementTolerance);
    }

    // The first unclaimed window of the app that has been seen long enough and held still, else
    // the first such window of the same application.
    std::optional<ManagedWindow> readyWindow(const QString& appId, const std::vector<AppWindow>& windows,
                                             Duration now) const
    {
        return servingWindow(appId, windows, [&](const AppWindow& w) {
            const auto seen = sightings_.find(w.window);
            return seen != sightings_.end() && now - seen->second.firstSeen >= kLateSeenFor
                && now - seen->second.lastChange >= kLateStillFor;
        });
    }

    // The first unclaimed window of the app that passes `ready` (when given), else the first such
    // window of the same application.
    std::optional<ManagedWindow> servingWindow(const QString& appId, const std::vector<AppWindow>& windows,
                                               const std::function<bool(const AppWindow&)>& ready) const
    {
        for (const bool own : {true, false}) {
            for (const AppWindow& w : windows) {
                const bool serves = own ? w.appId == appId : w.sameApplicationAs.contains(appId);
                if (!appId.isEmpty() && serves && !claimed_.count(w.window) && (!ready || ready(w)))
                    return w.window;
            }
        }
        return std::nullopt;
    }

    // One try: the window goes to the region; an app listed behind another leaves the
    // region's front window in front.
    Task<void> place(PendingApp& entry, ManagedWindow window, Rect regionFrame, SnapLayout layout)
    {
        auto guard = MutationGuard::take(state_.interaction, ctx_.stacks);
        if (!guard)
            co_return;
        ++entry.attempts;
        std::optional<ManagedWindow> occupant;
        if (const LayoutGroup* group = state_.layouts.group(display_)) {
            if (const auto held = group->windows.find(entry.app.region); held != group->windows.end())
                occupant = held->second;
        }
        const PlacementResult result = co_await placeInRegion(ctx_, state_.layouts, state_.memory, window,
                                                              entry.app.region, layout, screen_, std::nullopt, false);
        guard.reset();
        if (result.notice)
            ctx_.sinks.sendReport(*result.notice);
        if (!result.placed) {
            sightings_.erase(window);
            co_return;
        }
        entry.window = window;
        entry.target = regionFrame;
        entry.placedAt = ctx_.clock.now();
        claimed_.insert(window);
        if (!entry.app.front && occupant && !(*occupant == window))
            keepInFront(entry.app.region, *occupant);
        if (const LayoutGroup* now = state_.layouts.group(display_))
            ctx_.store.save(now->layout, display_);
    }

    void keepInFront(RegionNumber region, const ManagedWindow& occupant)
    {
        if (const LayoutGroup* group = state_.layouts.group(display_)) {
            LayoutGroup kept = *group;
            kept.windows[region] = occupant;
            state_.layouts.setGroup(display_, std::move(kept));
        }
        ctx_.access.raise(occupant);
    }

    // What became of an entry left without its window: its window did not settle, its app
    // opened none, or its app runs in a terminal whose window was not told as the app's (a
    // terminal may show it from a process of its own that serves many).
    enum class Unserved { unsettled, noWindow, noTerminalWindow };
    Unserved unserved(const PendingApp& entry) const
    {
        if (entry.sawWindow)
            return Unserved::unsettled;
        const auto app = installedApplications(ctx_).entry(entry.app.appId);
        return app && app->terminal ? Unserved::noTerminalWindow : Unserved::noWindow;
    }

    // One notice for each way entries were left without their windows, while the composition
    // shows.
    void finish() const
    {
        if (!compositionShown())
            return;
        for (const Unserved kind : {Unserved::unsettled, Unserved::noWindow, Unserved::noTerminalWindow}) {
            std::set<QString> ids;
            int entries = 0;
            for (const PendingApp& entry : entries_) {
                if (entry.window || unserved(entry) != kind)
                    continue;
                ++entries;
                ids.insert(entry.app.appId);
            }
            if (entries == 0)
                continue;
            QStringList names;
            for (const QString& id : ids)
                names << AppNames::displayName(ctx_.applications.get(), id);
            ctx_.sinks.sendReport(kind == Unserved::unsettled ? unsettledNotice(names, entries)
                                      : kind == Unserved::noWindow ? noWindowNotice(names, entries)
                                                                   : noTerminalWindowNotice(names, entries));
        }
    }

    SnapContext& ctx_;
    ChoiceState state_;
    const QString layoutId_;
    const ScreenInfo screen_;
    const QString display_;
    const std::weak_ptr<const CoordinatorHost> host_;
    const std::shared_ptr<const Applications> applications_; // kept while the index reads it
    WindowApplicationIndex index_;
    std::vector<PendingApp> entries_;
    std::unordered_map<ManagedWindow, WindowSighting> sightings_;
    std::unordered_set<ManagedWindow> claimed_;
    Duration start_{0};
};

Task<void> runLateWindowTask(SnapContext& ctx, ChoiceState state, std::vector<MissingApp> pending, QString layoutId,
                             ScreenInfo screen)
{
    LateWindowTask task(ctx, state, pending, std::move(layoutId), std::move(screen));
    co_await task.run();
}

} // namespace

void settleLateApps(SnapContext& ctx, ChoiceState state, std::vector<MissingApp> pending, QString layoutId,
                    ScreenInfo screen)
{
    ctx.tasks.spawn(runLateWindowTask(ctx, state, std::move(pending), std::move(layoutId), std::move(screen)));
}

} // namespace fw
