// Applying a composition as one run: plan, place, record and report.
#include "snap/Compositions.h"

#include "base/DiagnosticsWriter.h"
#include "base/Log.h"
#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "snap/AppNames.h"
#include "snap/CompositionApps.h"
#include "snap/CompositionNotices.h"
#include "snap/CompositionRecords.h"
#include "snap/CoordinatorFilters.h"
#include "snap/DropLogText.h"
#include "snap/LateWindows.h"
#include "snap/SnapContext.h"
#include "snap/WindowMoves.h"
#include "snap/WindowRaising.h"
#include "windows/WindowPlacement.h"

#include <QDateTime>
#include <algorithm>
#include <climits>
#include <set>

namespace fw {

namespace {

// The composition as one run: plan, place, record, report.
class CompositionRun {
public:
    CompositionRun(SnapContext& ctx, ChoiceState state, SnapLayout layout, ScreenInfo screen, InteractionStamp stamp)
        : ctx_(ctx), state_(state), layout_(std::move(layout)), screen_(std::move(screen)), stamp_(std::move(stamp)),
          applications_(ctx.applications), index_(applications_ ? *applications_ : installedApplications(ctx))
    {
    }

    Task<void> run()
    {
        prepare();
        matchApps();
        gatherCandidates();
        launchApps();
        if (candidates_.empty() && match_.front.empty() && match_.behind.empty() && opening_.isEmpty()) {
            ctx_.requests.endInteraction(false);
            reportAbsentApps(false);
            ctx_.sinks.sendReport(u"Open a resizable window on this display first."_qs);
            co_return;
        }
        const bool placed = co_await place();
        if (!placed)
            co_return;
        if (result_.outcome == PlacementOutcome::committed)
            co_await carryStackedWindows();
        writeDiagnostics();
        if (!settleOutcome())
            co_return;
        // Placed, and another interaction begun once the windows had arrived (a click on one of
        // them): the arrangement stands and is recorded, but that interaction is the user's,
        // its windows stay on top and it is not ended.
        const bool handedOver = !stamp_.current();
        if (!handedOver)
            raiseStackedWindows();
        commit();
        if (!handedOver)
            ctx_.requests.endInteraction(false);
        report();
        logLayoutTiming(layout_.id, result_.placed.size(), start_, ctx_.clock.now());
    }

private:
    // The display, its region frames and its windows (those of its applied layout first).
    void prepare()
    {
        display_ = displayKey(screen_);
        frames_ = regionFrames(layout_, screen_);
        list_ = ctx_.access.windowSystem().snapshot();
        const std::vector<ManagedWindow> listed = ctx_.access.windows({}, display_, &list_);
        WindowSet inGroup;
        if (const LayoutGroup* group = state_.layouts.group(display_)) {
            for (const auto& [region, window] : group->windows)
                inGroup.insert(window);
        }
        std::vector<std::pair<RegionNumber, ManagedWindow>> numbered;
        for (std::size_t i = 0; i < listed.size(); ++i)
            numbered.emplace_back(RegionNumber(i), listed[i]);
        std::stable_sort(numbered.begin(), numbered.end(), SetMembersFirst{inGroup});
        for (const auto& [number, window] : numbered)
            displayWindows_.push_back(window);
        state_.picker.hidePicker(ctx_.feedback);
    }

    // The windows of the layout's apps, this display's preferred.
    void matchApps()
    {
        if (!layout_.apps)
            return;
        index_.rebuild();
        QStringList named;
        for (const auto& [region, ids] : *layout_.apps)
            named << ids;
        named.removeDuplicates();
        const std::vector<AppWindow> windows = appWindows(ctx_, index_, list_, named);
        const std::unordered_set<ManagedWindow> here(displayWindows_.begin(), displayWindows_.end());
        match_ = matchLayoutApps(layout_.apps, frames_, windows, here);
        for (const auto& [region, window] : match_.front)
            taken_.insert(window);
        for (const auto& [region, windows] : match_.behind)
            taken_.insert(windows.begin(), windows.end());
        for (const ManagedWindow& window : taken_)
            rememberFrame(window);
    }

    // The display's other windows, ranked front to back, a stack of them counted once: it is
    // placed through its front and the others go where it goes. Stacks are the stack engine's;
    // the mates of an app's window go with it.
    void gatherCandidates()
    {
        carryAppStackMates();
        std::vector<WindowId> order;
        for (const WindowInfo& info : list_) {
            if (info.onScreen && info.layer == 0)
                order.push_back(info.id);
        }
        std::vector<CompositionRecord> records;
        for (const ManagedWindow& window : displayWindows_) {
            const auto frame = taken_.count(window) ? std::optional<Rect>() : rememberFrame(window);
            if (!frame)
                continue;
            const auto number = ctx_.access.windowID(window, list_);
            const auto at = number ? std::find(order.begin(), order.end(), *number) : order.end();
            records.push_back({window, *frame, at == order.end() ? INT_MAX : int(at - order.begin())});
        }
        const auto mates = [this](const ManagedWindow& w) { return ctx_.stacks.stackMates(w); };
        for (const CompositionUnit& unit : compositionUnits(records, taken_, mates)) {
            const ManagedWindow& window = unit.placed.window;
            std::vector<ManagedWindow> members{window};
            members.insert(members.end(), unit.behind.begin(), unit.behind.end());
            candidates_.push_back({window, unit.placed.frame, minimumSize(members), ctx_.access.grid(window)});
            if (!unit.behind.empty())
                mates_[window] = unit.behind;
        }
    }

    // The other members of the stacks of the apps' windows on this display, which no app takes,
    // go with them into their regions: behind a front window, or among the region's windows
    // behind it.
    void carryAppStackMates()
    {
        for (const auto& [region, window] : match_.front) {
            for (const ManagedWindow& mate : unclaimedStackMates(window))
                mates_[window].push_back(mate);
        }
        for (auto& [region, windows] : match_.behind) {
            std::vector<ManagedWindow> carried;
            for (const ManagedWindow& window : windows) {
                for (const ManagedWindow& mate : unclaimedStackMates(window))
                    carried.push_back(mate);
            }
            windows.insert(windows.end(), carried.begin(), carried.end());
        }
    }

    // The window's stack mates on this display that nothing has claimed yet, claimed now.
    std::vector<ManagedWindow> unclaimedStackMates(const ManagedWindow& window)
    {
        const WindowSet here(displayWindows_.begin(), displayWindows_.end());
        std::vector<ManagedWindow> out;
        for (const ManagedWindow& mate : ctx_.stacks.stackMates(window)) {
            if (here.count(mate) && taken_.insert(mate).second && rememberFrame(mate))
                out.push_back(mate);
        }
        return out;
    }

    // The apps that have no window are opened; those that cannot be leave their regions free.
    void launchApps()
    {
        QStringList ids;
        for (const MissingApp& missing : match_.missing) {
            if (!ids.contains(missing.appId))
                ids << missing.appId;
        }
        std::sort(ids.begin(), ids.end());
        absent_ = launchMissingApps(ctx_, ids);
        for (const MissingApp& missing : match_.missing) {
            if (absent_.contains(missing.appId))
                continue;
            pending_.push_back(missing);
            if (!opening_.contains(missing.appId))
                opening_ << missing.appId;
        }
        std::sort(opening_.begin(), opening_.end());
        for (const MissingApp& waiting : missingAppsStillOpen(pending_, match_.front))
            reserved_.insert(waiting.region);
    }

    // The placement sequence over every region but those kept for apps being opened. False:
    // the coordinator is gone.
    Task<bool> place()
    {
        if (!stamp_.host())
            co_return false;
        RegionFrames targets;
        for (const auto& [region, frame] : frames_) {
            if (!reserved_.count(region))
                targets.emplace(region, frame);
        }
        start_ = ctx_.clock.now();
        result_ = co_await ctx_.placement.runSequence(candidates_, targets,
                                                      ctx_.placement.compositionGroupMover(stamp_), match_.front,
                                                      stamp_, ctx_.host, stamp_);
        co_return true;
    }

    // Every way the sequence can end short of a commit, with its notice. True: go on (committed
    // also when another interaction began once the windows had arrived).
    bool settleOutcome()
    {
        const PlacementOutcome outcome = result_.outcome;
        const bool placedNothing = result_.placed.empty() && opening_.isEmpty();
        if (outcome == PlacementOutcome::committed && !placedNothing)
            return true;
        if (stamp_.current())
            reportAbsentApps(false);
        if (outcome == PlacementOutcome::rollbackFailed) {
            ctx_.stacks.resetScanState();
            ctx_.stacks.scheduleRefresh();
            ctx_.sinks.sendReport(u"The composition could not be applied or fully restored. Check your window positions."_qs);
        }
        if (stamp_.current()) {
            ctx_.requests.endInteraction(false);
            if (outcome == PlacementOutcome::rolledBack)
                ctx_.sinks.sendReport(u"The composition did not keep its sizes. The prior arrangement was restored."_qs);
            else if (outcome == PlacementOutcome::committed)
                ctx_.sinks.sendReport(u"These windows could not fit this composition. Their prior positions were kept."_qs);
        } else if (outcome == PlacementOutcome::rolledBack && stamp_.host()) {
            // Another interaction began (a press, a key) and the placement went back for it.
            ctx_.sinks.sendReport(stoppedNotice(layout_.name, openingNames()));
        }
        logLayoutTiming(layout_.id, result_.placed.size(), start_, ctx_.clock.now());
        return false;
    }

    // After the placed windows committed, the windows behind them follow, and when they cannot
    // the run is undone with them. Once another interaction has begun, the placed windows,
    // which arrived, stay: those behind them that did not follow stay where they are, in no
    // region.
    Task<void> carryStackedWindows()
    {
        if (stamp_.current()) {
            const PlacementOutcome carried = co_await moveStackedWindows();
            if (carried == PlacementOutcome::committed)
                co_return;
            if (stamp_.current() || carried == PlacementOutcome::rollbackFailed) {
                co_await rollBackFronts(carried);
                co_return;
            }
        }
        match_.behind.clear();
        mates_.clear();
    }

    // The windows of a region's later apps go behind its front window, and the stack mates of
    // each placed window go with it: one placement of them all, watched until they hold still,
    // put back when they do not.
    Task<PlacementOutcome> moveStackedWindows()
    {
        PlacementItems items;
        for (const auto& [region, windows] : match_.behind) {
            for (const ManagedWindow& window : windows)
                items.push_back({window, aim(window, frames_.at(region))});
        }
        for (const auto& [region, mate] : placedMates())
            items.push_back({mate, aim(mate, frames_.at(region))});
        if (items.empty())
            co_return PlacementOutcome::committed;
        if (!stamp_.host())
            co_return PlacementOutcome::rolledBack;
        PlacementRequest request{items, place::ResizeTogether{}, {},
                                 togetherMover(ctx_.access, std::make_shared<RejectionBox>(), stamp_)};
        const Placed carried = co_await ctx_.placement.place(std::move(request), stamp_);
        co_return carried.outcome;
    }

    // The placed windows back to their frames from before the run, after their stack mates
    // could not follow them: the run ends as rolled back (or as failing to be, when they did
    // not go back either).
    Task<void> rollBackFronts(PlacementOutcome carried)
    {
        PlacementItems back;
        for (const auto& [region, window] : result_.placed) {
            if (const auto before = before_.find(window); before != before_.end())
                back.push_back({window, before->second});
        }
        result_.placed.clear();
        result_.outcome = carried;
        if (back.empty() || !stamp_.host())
            co_return;
        PlacementRequest request{back, place::ResizeTogether{}, {},
                                 togetherMover(ctx_.access, std::make_shared<RejectionBox>(), stamp_)};
        const Placed undone = co_await ctx_.placement.place(std::move(request), stamp_);
        if (undone.outcome != PlacementOutcome::committed)
            result_.outcome = PlacementOutcome::rollbackFailed;
    }

    // The front of each region raised over the windows behind it.
    void raiseStackedWindows()
    {
        for (const auto& [region, windows] : match_.behind) {
            const auto front = result_.placed.find(region);
            std::vector<ManagedWindow> inOrder;
            if (front != result_.placed.end())
                inOrder.push_back(front->second);
            inOrder.insert(inOrder.end(), windows.begin(), windows.end());
            raiseWindows(ctx_.access, inOrder);
            if (front != result_.placed.end())
                ctx_.access.raise(front->second);
        }
    }

    // The placed windows become the display's applied layout.
    void commit()
    {
        WindowFramePairs placed;
        std::vector<std::pair<RegionNumber, ManagedWindow>> arranged = placedMates();
        arranged.insert(arranged.begin(), result_.placed.begin(), result_.placed.end());
        for (const auto& [region, window] : arranged) {
            if (!state_.memory.originals.count(window) && before_.count(window))
                state_.memory.originals[window] = before_.at(window);
            placed.emplace_back(window, frames_.at(region));
        }
        WindowSet moved;
        for (const auto& [window, frame] : placed)
            moved.insert(window);
        for (const auto& [display, group] : state_.layouts.groups()) {
            if (display == display_)
                continue;
            LayoutGroup kept = group;
            kept.windows = removingWindows(moved, group.windows);
            state_.layouts.setGroup(display, std::move(kept));
        }
        ctx_.stacks.noteWindowChanged(placed);
        // A layout deleted while it was being applied leaves no group behind; a renamed one
        // is kept under its new name.
        const std::optional<SnapLayout> applied = ctx_.store.current(layout_, display_);
        if (!applied) {
            state_.layouts.forget(display_);
            return;
        }
        state_.layouts.setGroup(display_, LayoutGroup{*applied, result_.placed, {}});
        state_.memory.recordReturnHomes(placed, *applied, screen_);
        ctx_.store.save(*applied, display_);
    }

    // What became of the apps that are not installed, the tip for a display without layouts of
    // its own, then the notice of the arrangement.
    void report()
    {
        reportAbsentApps(true);
        if (!layout_.id.startsWith(u"user-"_qs) && ctx_.store.customLayouts(display_).empty())
            ctx_.sinks.sendTip(Tip::ownLayouts);
        if (!opening_.isEmpty()) {
            ctx_.sinks.sendReport(openingNotice(openingNames()));
            settleLateApps(ctx_, state_, pending_, layout_.id, screen_);
            return;
        }
        const int spaces = int(frames_.size()) - int(result_.placed.size());
        if (spaces >= 1)
            ctx_.sinks.sendReport(arrangedNotice(int(result_.placed.size()), spaces));
    }

    QStringList openingNames() const
    {
        QStringList names;
        for (const QString& id : opening_)
            names << AppNames::displayName(ctx_.applications.get(), id);
        return names;
    }

    // The stack mates of the placed windows, each with its front's region.
    std::vector<std::pair<RegionNumber, ManagedWindow>> placedMates() const
    {
        std::vector<std::pair<RegionNumber, ManagedWindow>> out;
        for (const auto& [region, window] : result_.placed) {
            if (const auto mates = mates_.find(window); mates != mates_.end()) {
                for (const ManagedWindow& mate : mates->second)
                    out.emplace_back(region, mate);
            }
        }
        return out;
    }

    // One notice per app that is not installed (or runs in a terminal, and none is), saying
    // what became of its spots: left free, or taken by other windows (or kept for an app being
    // opened) once the layout is arranged; only that it is missing when nothing was.
    void reportAbsentApps(bool arranged) const
    {
        for (const QString& id : absent_) {
            int spots = 0, taken = 0;
            for (const MissingApp& missing : match_.missing) {
                if (missing.appId != id)
                    continue;
                ++spots;
                taken += result_.placed.count(missing.region) || reserved_.count(missing.region) ? 1 : 0;
            }
            const AbsentSpots what = !arranged ? AbsentSpots::unchanged
                : taken == 0                   ? AbsentSpots::free
                : taken == spots               ? AbsentSpots::taken
                                               : AbsentSpots::some;
            const Applications& apps = installedApplications(ctx_);
            const auto entry = apps.entry(id);
            ctx_.sinks.sendReport(entry && entry->terminal && !apps.hasTerminal()
                                      ? noTerminalNotice(entry->name, what, spots)
                                      : notInstalledNotice(id, what, spots));
        }
    }

    void writeDiagnostics() const
    {
        if (!ctx_.diagnostics)
            return;
        std::vector<CompositionPlacement> placements;
        for (const auto& [region, window] : result_.placed)
            placements.push_back({region, window.appName, ctx_.access.frame(window)});
        const double now = double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
        fw::writeDiagnosticsBytes(kCompositionStateFile,
                                  compositionStateBytes(compositionStateDocument(ownPid(), now, layout_.id, display_,
                                                                                 result_.outcome, placements, frames_)));
    }

    // The frame read now, kept as the window's frame from before the composition.
    std::optional<Rect> rememberFrame(const ManagedWindow& window)
    {
        const auto frame = ctx_.access.frame(window);
        if (frame)
            before_[window] = *frame;
        return frame;
    }

    // The smallest size the windows keep together: each as it was seen to, else as its hints say.
    Size minimumSize(const std::vector<ManagedWindow>& windows) const
    {
        Size most;
        for (const ManagedWindow& window : windows) {
            Size least;
            if (const auto seen = state_.memory.minimumSizes.find(window); seen != state_.memory.minimumSizes.end())
                least = seen->second;
            else if (const auto hints = ctx_.access.windowSystem().sizeHints(window.element); hints && hints->minimum)
                least = *hints->minimum;
            most = Size{std::max(most.width, least.width), std::max(most.height, least.height)};
        }
        return most;
    }

    // A region's frame for the window, on its cell grid when it has one.
    Rect aim(const ManagedWindow& window, const Rect& region) const
    {
        return ctx_.access.gridFrame(window, region);
    }

    SnapContext& ctx_;
    ChoiceState state_;
    const SnapLayout layout_;
    const ScreenInfo screen_;
    const InteractionStamp stamp_;
    const std::shared_ptr<const Applications> applications_; // kept while the index reads it
    WindowApplicationIndex index_;
    QString display_;
    std::map<RegionNumber, Rect> frames_;
    WindowList list_;
    std::vector<ManagedWindow> displayWindows_;
    AppMatch match_;
    WindowSet taken_;
    std::unordered_map<ManagedWindow, Rect> before_;
    std::vector<CompositionCandidate<ManagedWindow>> candidates_;
    std::unordered_map<ManagedWindow, std::vector<ManagedWindow>> mates_; // by the window placed
    QStringList absent_;                                                  // apps not installed
    std::vector<MissingApp> pending_;
    QStringList opening_;
    std::set<RegionNumber> reserved_;
    Duration start_{0};
    SequenceResult result_;
};

} // namespace

Task<void> applyComposition(SnapContext& ctx, ChoiceState state, SnapLayout layout, ScreenInfo screen,
                            InteractionStamp stamp)
{
    CompositionRun run(ctx, state, std::move(layout), std::move(screen), std::move(stamp));
    co_await run.run();
}

void logLayoutTiming(const QString& layoutId, std::size_t windows, Duration start, Duration now)
{
    log::info(LogCategory::Motion, "Layout %{public}s with %ld windows finished %ld ms after choosing", layoutId,
              (long)windows, millisecondsSince(start, now));
}

} // namespace fw
