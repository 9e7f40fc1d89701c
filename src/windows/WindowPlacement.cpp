#include "windows/WindowPlacement.h"

#include "layout/RegionGeometry.h"

#include <set>

namespace fw {

namespace {

constexpr double kLooseTolerance = 5.0;
constexpr double kTightTolerance = 1.0;

} // namespace

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

Task<PlacementOutcome> WindowPlacement::applyFrames(PlacementItems targets, RestoreMap restore, PlacementMover mover,
                                                    const CoordinatorHost& owner, std::uint64_t generation,
                                                    double tolerance)
{
    Variant v{.moveTolerance = kLooseTolerance, .report = Report::none};
    co_return co_await transact(std::move(targets), std::move(restore), std::move(mover), std::move(v), owner,
                                generation, tolerance);
}

Task<PlacementOutcome> WindowPlacement::applyFramesAndRaise(PlacementItems targets, RestoreMap restore,
                                                            PlacementMover mover, ManagedWindow front,
                                                            const CoordinatorHost& owner, std::uint64_t generation,
                                                            double tolerance)
{
    Variant v{.front = {std::move(front)}, .moveTolerance = kLooseTolerance, .report = Report::drift};
    co_return co_await transact(std::move(targets), std::move(restore), std::move(mover), std::move(v), owner,
                                generation, tolerance);
}

Task<PlacementOutcome> WindowPlacement::applyFramesAndRaiseB(PlacementItems targets, RestoreMap restore,
                                                             PlacementMover mover, ManagedWindow firstFront,
                                                             ManagedWindow secondFront, const CoordinatorHost& owner,
                                                             std::uint64_t generation, double tolerance)
{
    Variant v{.front = {std::move(firstFront), std::move(secondFront)},
              .moveTolerance = kTightTolerance,
              .report = Report::drift};
    co_return co_await transact(std::move(targets), std::move(restore), std::move(mover), std::move(v), owner,
                                generation, tolerance);
}

Task<PlacementOutcome> WindowPlacement::applyColumnSplitFrames(PlacementItems targets, RestoreMap restore,
                                                               MismatchHandler onMismatch, PlacementMover mover,
                                                               std::shared_ptr<ColumnSplitRecord> record,
                                                               ManagedWindow front, const CoordinatorHost& owner,
                                                               std::uint64_t generation, double tolerance)
{
    Variant v{.front = {std::move(front)},
              .moveTolerance = kLooseTolerance,
              .report = Report::handler,
              .onMismatch = std::move(onMismatch),
              .record = record ? std::move(record) : std::make_shared<ColumnSplitRecord>()};
    co_return co_await transact(std::move(targets), std::move(restore), std::move(mover), std::move(v), owner,
                                generation, tolerance);
}

Task<PlacementOutcome> WindowPlacement::applyCompositionFrames(PlacementItems targets, RestoreMap restore,
                                                               PlacementMover mover, ManagedWindow front,
                                                               const CoordinatorHost& owner,
                                                               std::uint64_t generation, double tolerance)
{
    Variant v{.front = {std::move(front)}, .moveTolerance = kTightTolerance, .report = Report::drift};
    co_return co_await transact(std::move(targets), std::move(restore), std::move(mover), std::move(v), owner,
                                generation, tolerance);
}

Task<PlacementOutcome> WindowPlacement::placeRaised(ManagedWindow window, Rect frame, const CoordinatorHost& owner,
                                                    std::uint64_t generation)
{
    PlacementItems targets{PlacementItem{window, frame}};
    co_return co_await applyCompositionFrames(std::move(targets), {}, {}, window, owner, generation,
                                              kTightTolerance);
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

Task<PlacementOutcome> WindowPlacement::transact(PlacementItems targets, RestoreMap restore, PlacementMover mover,
                                                 Variant variant, const CoordinatorHost& owner,
                                                 std::uint64_t generation, double tolerance)
{
    auto unchanged = [&owner, generation] { return owner.interactionGeneration() == generation; };

    // The roll-back list for k targets counted as moved: those k, then the rest that the
    // caller asked to have restored.
    PlacementItems restoreList;
    auto rollBackList = [&](std::size_t k) {
        PlacementItems list(restoreList.begin(), restoreList.begin() + std::min(k, restoreList.size()));
        const auto rest = WindowRecords::filtered(restoreList, k, restoreList.size(), restore);
        list.insert(list.end(), rest.begin(), rest.end());
        return list;
    };

    // 1. Windows out of the states that hold frames, and their frames read before anything moves.
    Prepared prep = co_await prepare(targets, restore);
    restoreList = std::move(prep.restoreList);
    const PlacementItems& moves = prep.moves;
    const std::vector<Size>& grids = prep.grids;
    const LeftStates& left = prep.left;
    if (prep.unreadable) {
        // Nothing of ours has moved, but windows the caller moved before and asked to have
        // restored still go back, and windows that left a state take it again.
        co_return co_await rollBack(rollBackList(0), variant, left);
    }

    const std::size_t n = targets.size();
    if (n == 0) {
        if (!unchanged())
            co_return PlacementOutcome::rolledBack;
    } else if (mover && n > 1) {
        // 3. The caller's mover moves them all.
        if (!unchanged())
            co_return co_await rollBack(rollBackList(n), variant, left);
        const bool moved = co_await mover(moves);
        if (!moved || !unchanged())
            co_return co_await rollBack(rollBackList(n), variant, left);
    } else {
        // 4. One by one, in target order.
        for (std::size_t i = 0; i < n; ++i) {
            if (!unchanged())
                co_return co_await rollBack(rollBackList(i), variant, left);
            const auto& m = moves[i];
            const bool ok = co_await access_.animateMove(m.window, rejectionFor(variant, m.window, m.frame), m.frame,
                                                         variant.moveTolerance);
            if (!ok)
                co_return co_await rollBack(rollBackList(i + 1), variant, left);
        }
        if (!unchanged())
            co_return co_await rollBack(rollBackList(n), variant, left);
    }

    // 5. Raise the front windows, then watch.
    for (const auto& w : variant.front)
        raiseWindow(w);
    std::unordered_set<ManagedWindow> corrected;
    int checkIndex = 0;
    int clean = 0;
    co_await sleepMilliseconds(access_.clock(), kCheckPauses[0]);

    // 6. Checks.
    for (;;) {
        if (!unchanged())
            co_return co_await rollBack(rollBackList(n), variant, left);
        std::vector<std::size_t> off;
        for (std::size_t i = 0; i < n; ++i) {
            const auto& t = targets[i];
            const auto& m = moves[i];
            const auto f = access_.frame(t.window);
            if (f && WindowAccess::arrivedAt(*f, t.frame, grids[i], tolerance))
                continue;
            switch (variant.report) {
            case Report::none:
                break;
            case Report::drift:
                access_.checkDrift(m.window, m.frame, f);
                break;
            case Report::handler:
                if (variant.onMismatch)
                    variant.onMismatch(m.window, f, m.frame);
                break;
            }
            off.push_back(i);
        }
        if (off.empty()) {
            if (++clean >= kCleanChecksToCommit)
                co_return PlacementOutcome::committed;
        } else {
            for (std::size_t i : off) {
                const auto& m = moves[i];
                if (!unchanged() || corrected.count(m.window))
                    co_return co_await rollBack(rollBackList(n), variant, left);
                corrected.insert(m.window);
                const bool ok = co_await access_.animateMove(m.window, rejectionFor(variant, m.window, m.frame),
                                                             m.frame, variant.moveTolerance);
                if (!ok)
                    co_return co_await rollBack(rollBackList(n), variant, left);
            }
            clean = 0;
        }
        if (++checkIndex >= int(std::size(kCheckPauses)))
            co_return co_await rollBack(rollBackList(n), variant, left);
        co_await sleepMilliseconds(access_.clock(), kCheckPauses[checkIndex]);
    }
}

Task<PlacementOutcome> WindowPlacement::rollBack(PlacementItems list, const Variant& variant, LeftStates left)
{
    bool allOk = true;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        const bool ok = co_await access_.animateMove(it->window, rejectionFor(variant, it->window, it->frame),
                                                     it->frame, variant.moveTolerance);
        const auto states = left.find(it->window);
        allOk = allOk && (ok || (states != left.end() && WindowAccess::statesDecideFrame(states->second)));
    }
    // The states go back once the frames have: a window maximized again keeps the frame it
    // had before as the one it returns to.
    for (const auto& [window, states] : left) {
        const bool ok = co_await access_.restoreStates(window, states);
        allOk = allOk && ok;
    }
    co_return allOk ? PlacementOutcome::rolledBack : PlacementOutcome::rollbackFailed;
}

Task<PlacementOutcome> WindowPlacement::framesStillMatch(PlacementItems targets, const CoordinatorHost& owner,
                                                         std::uint64_t generation)
{
    auto unchanged = [&owner, generation] { return owner.interactionGeneration() == generation; };
    if (!unchanged())
        co_return PlacementOutcome::rolledBack;

    struct Off {
        ManagedWindow window;
        Rect target;
        Rect found;
    };
    std::vector<Off> off;
    for (const auto& t : targets) {
        const auto f = access_.frame(t.window);
        if (!f)
            co_return PlacementOutcome::rolledBack;
        if (!WindowAccess::approximatelyEqual(*f, t.frame, kLooseTolerance))
            off.push_back({t.window, t.frame, *f});
    }

    auto allMatch = [&] {
        for (const auto& t : targets) {
            const auto f = access_.frame(t.window);
            if (!f || !WindowAccess::approximatelyEqual(*f, t.frame, kLooseTolerance))
                return false;
        }
        return true;
    };

    if (off.empty()) {
        if (!unchanged())
            co_return PlacementOutcome::rolledBack;
        if (targets.empty())
            co_return PlacementOutcome::committed;
        co_return allMatch() ? PlacementOutcome::committed : PlacementOutcome::rolledBack;
    }

    PlacementItems undo;
    auto undoAll = [&]() -> Task<PlacementOutcome> {
        if (undo.empty())
            co_return PlacementOutcome::rolledBack;
        bool allOk = true;
        for (auto it = undo.rbegin(); it != undo.rend(); ++it) {
            const bool ok = co_await access_.animateMove(it->window, {}, it->frame, kLooseTolerance);
            allOk = allOk && ok;
        }
        co_return allOk ? PlacementOutcome::rolledBack : PlacementOutcome::rollbackFailed;
    };

    for (const auto& o : off) {
        if (!unchanged())
            co_return co_await undoAll();
        undo.push_back({o.window, o.found});
        const bool ok = co_await access_.animateMove(o.window, {}, o.target, kLooseTolerance);
        if (!ok)
            co_return co_await undoAll();
    }
    if (!unchanged() || !allMatch())
        co_return co_await undoAll();
    co_return PlacementOutcome::committed;
}

GroupMover WindowPlacement::compositionGroupMover(const CoordinatorHost& owner, std::uint64_t generation)
{
    WindowAccess* access = &access_;
    const CoordinatorHost* host = &owner;
    return [access, host, generation](std::vector<std::pair<ManagedWindow, Rect>> items)
               -> Task<std::unordered_set<ManagedWindow>> {
        // The coroutine frame holds copies: the closure object may be gone when it resumes.
        return [](WindowAccess* access, const CoordinatorHost* host, std::uint64_t generation,
                  std::vector<std::pair<ManagedWindow, Rect>> items) -> Task<std::unordered_set<ManagedWindow>> {
            co_await access->animateGroup(items, {}, *host, generation, kTightTolerance);
            std::unordered_set<ManagedWindow> settled;
            for (const auto& [window, target] : items) {
                const auto f = access->frame(window);
                if (f && approximatelyEquals(*f, target, kTightTolerance))
                    settled.insert(window);
            }
            co_return settled;
        }(access, host, generation, std::move(items));
    };
}

} // namespace fw
