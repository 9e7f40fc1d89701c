// Placement transactions: the one door and what each kind of placement asks of it, the
// transaction's steps (states left, moves, raise, the watch until still, corrections) and its
// roll-back, the check that placed windows still hold their frames and the composition's group
// mover. The composition run itself is in WindowPlacementSequence.cpp.

#include "windows/WindowPlacement.h"

#include "base/Log.h"
#include "windows/FrameMatch.h"

#include <set>

namespace fw {

Task<bool> watchUntilStill(Clock& clock, std::function<bool()> current, OffTargetCheck offTarget,
                           Correction correct)
{
    // Each window's own write was already verified by setFrame; this watch is of another kind:
    // the whole set has to stay on target for a while (a window manager may move one window
    // again once a neighbour moved, or clamp it late).
    // The windows have arrived when it starts: an interaction that ends from then on (a click
    // on one of them, a drag, a command) is the user's next step, not a reason to take the
    // placement back. The watch stops there and the placement stands.
    const auto handedOver = [&current] {
        if (current())
            return false;
        log::info(LogCategory::WindowAccess, "Another interaction began while the placement settled: it stands");
        return true;
    };
    std::unordered_set<ManagedWindow> corrected;
    const Duration start = clock.now();
    std::optional<Duration> onTargetSince;
    for (Duration pause = WindowPlacement::kFirstCheck;; pause = WindowPlacement::kCheckLook) {
        co_await clock.sleep(pause);
        if (handedOver())
            co_return true;
        const std::vector<ManagedWindow> off = offTarget();
        if (off.empty()) {
            if (!onTargetSince)
                onTargetSince = clock.now();
            else if (clock.now() - *onTargetSince >= WindowPlacement::kStillFor)
                co_return true;
        } else {
            onTargetSince.reset();
            for (const ManagedWindow& w : off) {
                if (handedOver())
                    co_return true;
                if (!corrected.insert(w).second)
                    co_return false;
                const bool moved = co_await correct(w);
                if (!moved)
                    co_return handedOver();
            }
        }
        if (clock.now() - start >= WindowPlacement::kWatchLimit)
            co_return false;
    }
}

void WindowPlacement::raiseWindow(const ManagedWindow& window)
{
    WindowSystem& ws = access_.windowSystem();
    const auto front = ws.frontmostPid();
    if (!front || *front != window.pid)
        ws.activate(window.element);
    ws.raise(window.element);
}

void WindowPlacement::activateOwners(const RegionWindows& windows, const std::optional<ManagedWindow>& pickerWindow)
{
    bool pickerAmongThem = false;
    for (const auto& [region, window] : windows) {
        raiseWindow(window);
        if (pickerWindow && window == *pickerWindow)
            pickerAmongThem = true;
    }
    if (pickerAmongThem)
        raiseWindow(*pickerWindow);
}

RejectionHandler WindowPlacement::rejectionFor(const Variant& variant, const ManagedWindow& window,
                                               const Rect& requested) const
{
    if (!variant.record)
        return {};
    return [record = variant.record, window, requested](std::optional<Rect> actual) {
        recordFirstTarget(actual, *record, window, requested);
    };
}

namespace {

// Each kind's front windows, tolerance and report, as WindowPlacement::Variant needs them.
template <typename Variant, typename Report>
struct VariantOfKind {
    const PlacementItems& targets;

    Variant operator()(const place::ResizeTogether&) const
    {
        return {.tolerance = kSameFrameTolerance, .report = Report::none};
    }
    Variant operator()(const place::FillColumn& k) const
    {
        return {.front = {k.front}, .tolerance = kSameFrameTolerance, .report = Report::drift};
    }
    Variant operator()(const place::Swap& k) const
    {
        return {.front = {k.occupant, k.dropped}, .tolerance = kPlacementTolerance, .report = Report::drift};
    }
    Variant operator()(const place::ColumnSplit& k) const
    {
        return {.front = {k.front},
                .tolerance = kSameFrameTolerance,
                .report = Report::handler,
                .onMismatch = k.onMismatch,
                .record = k.record ? k.record : std::make_shared<ColumnSplitRecord>()};
    }
    Variant operator()(const place::Composition& k) const
    {
        return {.front = {k.front}, .tolerance = kPlacementTolerance, .report = Report::drift};
    }
    Variant operator()(const place::Drop& k) const
    {
        Variant v{.tolerance = kSameFrameTolerance, .report = Report::drift, .guardFirstMove = k.guarded};
        if (!targets.empty())
            v.front = {targets.front().window};
        return v;
    }
};

} // namespace

WindowPlacement::Variant WindowPlacement::variantOf(const PlacementKind& kind, const PlacementItems& targets)
{
    return std::visit(VariantOfKind<Variant, Report>{targets}, kind);
}

Task<WindowPlacement::Prepared> WindowPlacement::prepare(const PlacementItems& targets, const RestoreMap& restore)
{
    // Maximized and shaded windows leave those states first. Then each target's frame is read:
    // a window on a cell grid (a terminal) is moved to the frame its grid allows in the target
    // and checked by the grid rule; any other to the target itself.
    Prepared out;
    for (const auto& t : targets) {
        const auto left = co_await access_.leaveHeldStates(t.window);
        if (left.states)
            out.left[t.window] = left.states;
        if (left.kept)
            out.kept[t.window] = left.kept;
        out.unreadable = out.unreadable || !left.done;
    }
    for (const auto& t : targets) {
        const auto f = access_.frame(t.window);
        const auto it = restore.find(t.window);
        out.restoreList.push_back({t.window, it != restore.end() ? it->second : f.value_or(Rect())});
        out.unreadable = out.unreadable || !f;
        out.grids.push_back(access_.grid(t.window));
        out.moves.push_back({t.window, access_.gridFrame(t.window, t.frame)});
    }
    co_return out;
}

struct WindowPlacement::Transaction {
    PlacementItems targets;
    RestoreMap restore;
    Variant variant;
    InteractionStamp stamp;
    Prepared prep; // the frames to roll back to in prep.restoreList

    // The roll-back list for k targets counted as moved: those k, then the rest that the
    // caller asked to have restored.
    PlacementItems rollBackList(std::size_t k) const
    {
        const PlacementItems& restoreList = prep.restoreList;
        PlacementItems list(restoreList.begin(), restoreList.begin() + std::min(k, restoreList.size()));
        const auto rest = WindowRecords::filtered(restoreList, k, restoreList.size(), restore);
        list.insert(list.end(), rest.begin(), rest.end());
        return list;
    }
};

Task<Placed> WindowPlacement::place(PlacementRequest request, InteractionStamp stamp)
{
    Variant v = variantOf(request.kind, request.targets);
    Transaction t{std::move(request.targets), std::move(request.restore), std::move(v), stamp, {}};
    Placed out;
    out.outcome = co_await run(t, request.mover);
    if (t.prep.restoreList.empty())
        co_return out;
    if (!t.prep.unreadable)
        out.start = t.prep.restoreList.front().frame;
    if (const auto left = t.prep.left.find(t.targets.front().window); left != t.prep.left.end())
        out.left = left->second;
    if (const auto kept = t.prep.kept.find(t.targets.front().window); kept != t.prep.kept.end())
        out.kept = kept->second;
    co_return out;
}

Task<PlacementOutcome> WindowPlacement::run(Transaction& t, const PlacementMover& mover)
{
    // 1. Windows out of the states that hold frames, and their frames read before anything moves.
    t.prep = co_await prepare(t.targets, t.restore);
    if (t.prep.unreadable) {
        // Nothing of ours has moved, but windows the caller moved before and asked to have
        // restored still go back, and windows that left a state take it again.
        co_return co_await rollBackFrom(t, 0);
    }
    const std::optional<PlacementOutcome> stopped = co_await moveTargets(t, mover);
    if (stopped)
        co_return *stopped;
    co_return co_await watch(t);
}

Task<PlacementOutcome> WindowPlacement::rollBackFrom(const Transaction& t, std::size_t moved)
{
    return rollBack(t.rollBackList(moved), t.variant, t.prep.left);
}

Task<std::optional<PlacementOutcome>> WindowPlacement::moveTargets(Transaction& t, const PlacementMover& mover)
{
    const std::size_t n = t.targets.size();
    if (n == 0) {
        if (!t.stamp.current())
            co_return PlacementOutcome::rolledBack;
        co_return std::nullopt;
    }
    if (!mover || n == 1)
        co_return co_await moveOneByOne(t);
    // 3. The caller's mover moves them all.
    if (!t.stamp.current())
        co_return co_await rollBackFrom(t, n);
    const bool moved = co_await mover(t.prep.moves);
    if (!moved || !t.stamp.current())
        co_return co_await rollBackFrom(t, n);
    co_return std::nullopt;
}

Task<std::optional<PlacementOutcome>> WindowPlacement::moveOneByOne(Transaction& t)
{
    // 4. One by one, in target order.
    const std::size_t n = t.targets.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (!t.stamp.current())
            co_return co_await rollBackFrom(t, i);
        const bool ok = co_await moveOne(t, t.prep.moves[i], i == 0);
        if (!ok)
            co_return co_await rollBackFrom(t, i + 1);
    }
    if (!t.stamp.current())
        co_return co_await rollBackFrom(t, n);
    co_return std::nullopt;
}

Task<bool> WindowPlacement::moveOne(const Transaction& t, const PlacementItem& m, bool first)
{
    RejectionHandler onRejected = rejectionFor(t.variant, m.window, m.frame);
    if (!(first && t.variant.guardFirstMove))
        co_return co_await access_.animateMove(m.window, std::move(onRejected), m.frame, t.variant.tolerance);
    if (!t.stamp.host())
        co_return false;
    co_return co_await access_.animateMoveGuarded(m.window, std::move(onRejected), t.stamp, m.frame,
                                                  t.variant.tolerance);
}

Task<PlacementOutcome> WindowPlacement::watch(Transaction& t)
{
    // 5. Raise the front windows, then watch them all until still; roll back otherwise.
    for (const auto& w : t.variant.front)
        raiseWindow(w);
    const bool still = co_await watchUntilStill(
        access_.clock(), [&t] { return t.stamp.current(); }, [this, &t] { return offTarget(t); },
        [this, &t](ManagedWindow w) { return correct(t, w); });
    if (still)
        co_return PlacementOutcome::committed;
    co_return co_await rollBackFrom(t, t.targets.size());
}

std::vector<ManagedWindow> WindowPlacement::offTarget(const Transaction& t)
{
    std::vector<ManagedWindow> off;
    for (std::size_t i = 0; i < t.targets.size(); ++i) {
        const auto& target = t.targets[i];
        const auto& m = t.prep.moves[i];
        const auto f = access_.frame(target.window);
        if (f && arrivedAt(*f, target.frame, t.prep.grids[i], t.variant.tolerance))
            continue;
        switch (t.variant.report) {
        case Report::none:
            break;
        case Report::drift:
            access_.checkDrift(m.window, m.frame, f);
            break;
        case Report::handler:
            if (t.variant.onMismatch)
                t.variant.onMismatch(m.window, f, m.frame);
            break;
        }
        off.push_back(target.window);
    }
    return off;
}

Task<bool> WindowPlacement::correct(const Transaction& t, ManagedWindow window)
{
    for (const auto& m : t.prep.moves) {
        if (m.window == window)
            co_return co_await moveOne(t, m, false);
    }
    co_return false;
}

Task<PlacementOutcome> WindowPlacement::rollBack(PlacementItems list, const Variant& variant, LeftStates left)
{
    bool allOk = true;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        const bool ok = co_await access_.animateMove(it->window, rejectionFor(variant, it->window, it->frame),
                                                     it->frame, variant.tolerance);
        const auto states = left.find(it->window);
        allOk = allOk && (ok || (states != left.end() && WindowAccess::statesDecideFrame(states->second)));
    }
    // The states go back once the frames have: a window maximized again keeps the frame it
    // had before as the one it returns to.
    for (const auto& [window, states] : left) {
        const bool ok = co_await access_.restoreStates(window, states);
        allOk = allOk && ok;
    }
    if (access_.writesPending()) {
        const bool restored = co_await restoreAfterHeldWrites(list, variant, left);
        allOk = allOk && restored;
    }
    co_return allOk ? PlacementOutcome::rolledBack : PlacementOutcome::rollbackFailed;
}

Task<bool> WindowPlacement::restoreAfterHeldWrites(const PlacementItems& list, const Variant& variant,
                                                   const LeftStates& left)
{
    // The window manager held the writes (stopped, or not scheduled): the roll-back read the
    // frames from before it had applied the moves, which it applies once it goes on. Once it
    // has, each window goes back again where it landed elsewhere; still held at the bound, the
    // roll-back cannot say where the windows end.
    const bool handled = co_await access_.writesHandled(kHeldWritesBoundMs);
    if (!handled) {
        log::info(LogCategory::WindowAccess, "The window manager did not handle the placement's writes within %{public}d ms",
                  kHeldWritesBoundMs);
        co_return false;
    }
    bool allOk = true;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        const auto states = left.find(it->window);
        if (states != left.end() && WindowAccess::statesDecideFrame(states->second))
            continue;
        const auto landed = access_.frame(it->window);
        if (landed && edgesMatch(*landed, it->frame, kPlacementTolerance))
            continue;
        log::info(LogCategory::WindowAccess, "The window manager applied held writes late: %{public}s goes back from %{public}s",
                  it->window.appName, WindowAccess::frameText(landed));
        const bool ok = co_await access_.animateMove(it->window, rejectionFor(variant, it->window, it->frame), it->frame,
                                                     variant.tolerance);
        allOk = allOk && ok;
    }
    co_return allOk;
}

GroupMover WindowPlacement::compositionGroupMover(InteractionStamp stamp)
{
    WindowAccess* access = &access_;
    return [access, stamp](std::vector<std::pair<ManagedWindow, Rect>> items)
               -> Task<std::unordered_set<ManagedWindow>> {
        // The coroutine frame holds copies: the closure object may be gone when it resumes.
        return [](WindowAccess* access, InteractionStamp stamp,
                  std::vector<std::pair<ManagedWindow, Rect>> items) -> Task<std::unordered_set<ManagedWindow>> {
            co_await access->animateGroup(items, {}, stamp, kPlacementTolerance);
            std::unordered_set<ManagedWindow> settled;
            for (const auto& [window, target] : items) {
                const auto f = access->frame(window);
                if (f && arrivedAt(*f, target, access->grid(window), kPlacementTolerance))
                    settled.insert(window);
            }
            co_return settled;
        }(access, stamp, std::move(items));
    };
}

} // namespace fw
