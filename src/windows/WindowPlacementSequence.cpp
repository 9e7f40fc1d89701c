// The composition run: match windows to regions, place them (together, then one at a time),
// raise them, verify, and commit or put every touched window back where the run found it. A
// window on a cell grid (a terminal) is aimed at the frame its grid allows in a region and
// counts as placed when it sits in the region on its grid.

#include "windows/WindowPlacement.h"

#include "layout/RegionGeometry.h"

#include <set>

namespace fw {

namespace {

constexpr double kTolerance = kPlacementTolerance;
constexpr int kFailureLimit = 32;

} // namespace

Task<SequenceResult> WindowPlacement::runSequence(std::vector<CompositionCandidate<ManagedWindow>> candidates,
                                                  RegionFrames regionFrames, GroupMover moveGroup,
                                                  RegionWindows fixed, const CoordinatorHost& owner,
                                                  std::uint64_t generation, const CoordinatorHost& raiseOwner,
                                                  const CoordinatorHost& watchedOwner,
                                                  std::uint64_t watchedGeneration)
{
    auto unchanged = [&watchedOwner, watchedGeneration] {
        return watchedOwner.interactionGeneration() == watchedGeneration;
    };

    // ---- Preparation
    RegionWindows fixedInUse;
    std::unordered_set<ManagedWindow> fixedWindows;
    for (const auto& [region, window] : fixed) {
        // A window named for two regions takes the first of them only.
        if (regionFrames.count(region) && fixedWindows.insert(window).second)
            fixedInUse.emplace(region, window);
    }
    std::vector<CompositionCandidate<ManagedWindow>> remaining;
    for (const auto& c : candidates) {
        if (!fixedWindows.count(c.window))
            remaining.push_back(c);
    }
    std::unordered_map<ManagedWindow, Rect> priorFrames;
    auto readPrior = [&](const ManagedWindow& w) {
        if (priorFrames.count(w))
            return;
        if (const auto f = access_.frame(w))
            priorFrames.emplace(w, *f);
    };
    for (const auto& c : remaining)
        readPrior(c.window);
    for (const auto& [region, window] : fixedInUse)
        readPrior(window);

    RegionWindows placed;
    std::vector<ManagedWindow> touched;
    std::unordered_set<ManagedWindow> touchedSet;
    std::unordered_map<ManagedWindow, std::set<RegionNumber>> exclusions;
    int failures = 0;

    // A window the run takes on leaves the states that hold its frame first; its frame out of
    // them is the one it goes back to, and a roll-back puts the states back too.
    std::unordered_map<ManagedWindow, WindowStates> leftStates;
    auto touch = [&](const ManagedWindow& w) -> Task<void> {
        if (!touchedSet.insert(w).second)
            co_return;
        touched.push_back(w);
        const auto left = co_await access_.leaveHeldStates(w);
        if (left.states == 0)
            co_return;
        leftStates[w] = left.states;
        if (const auto f = access_.frame(w))
            priorFrames[w] = *f;
    };
    // Back at a frame from before: a window on a cell grid sized off its grid comes back cut
    // to the grid.
    auto inPlace = [&](const ManagedWindow& w, const Rect& target) {
        const auto f = access_.frame(w);
        return f && (approximatelyEquals(*f, target, kTolerance)
                     || approximatelyEquals(*f, access_.gridFrame(w, target), kTolerance));
    };
    // The frame a window is moved to for a region, and whether it sits in the region.
    auto aim = [&](const ManagedWindow& w, const Rect& region) { return access_.gridFrame(w, region); };
    auto inRegion = [&](const ManagedWindow& w, const Rect& region) {
        const auto f = access_.frame(w);
        return f && WindowAccess::arrivedAt(*f, region, access_.grid(w), kTolerance);
    };
    auto isPlaced = [&](const ManagedWindow& w) {
        for (const auto& [region, window] : placed) {
            if (window == w)
                return true;
        }
        return false;
    };
    auto withPriorFrame = [&] {
        std::vector<CompositionCandidate<ManagedWindow>> out;
        for (const auto& c : remaining) {
            if (priorFrames.count(c.window) && !isPlaced(c.window))
                out.push_back(c);
        }
        return out;
    };

    // Puts back every touched window that is off its prior frame, the last first, and into
    // the states it left.
    auto restoreWindows = [&](std::vector<ManagedWindow> windows) -> Task<bool> {
        bool allOk = true;
        for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
            const auto prior = priorFrames.find(*it);
            const auto states = leftStates.find(*it);
            const WindowStates left = states != leftStates.end() ? states->second : 0;
            if (prior != priorFrames.end() && !inPlace(*it, prior->second)) {
                const bool moved = co_await access_.animateMove(*it, {}, prior->second, kTolerance);
                const bool back = moved && inPlace(*it, prior->second);
                allOk = allOk && (back || WindowAccess::statesDecideFrame(left));
            }
            if (left != 0) {
                const bool back = co_await access_.restoreStates(*it, left);
                leftStates.erase(*it);
                allOk = allOk && back;
            }
        }
        co_return allOk;
    };
    auto rollBackRun = [&]() -> Task<SequenceResult> {
        const bool ok = co_await restoreWindows(touched);
        co_return SequenceResult{ok ? PlacementOutcome::rolledBack : PlacementOutcome::rollbackFailed, {}};
    };

    // The outcome of a single placement in the group and one-at-a-time phases. False: the run
    // must roll back at once.
    auto handle = [&](PlacementOutcome o, RegionNumber region, const ManagedWindow& w) {
        switch (o) {
        case PlacementOutcome::committed:
            placed[region] = w;
            return true;
        case PlacementOutcome::rolledBack:
            exclusions[w].insert(region);
            ++failures;
            return true;
        case PlacementOutcome::rollbackFailed:
            return false;
        }
        return false;
    };

    // ---- Group phase, or the fixed windows one by one
    if (moveGroup && unchanged()) {
        RegionFrames freeRegions;
        for (const auto& [region, frame] : regionFrames) {
            if (!fixedInUse.count(region))
                freeRegions.emplace(region, frame);
        }
        auto assigned = CompositionCandidate<ManagedWindow>::assign(withPriorFrame(), freeRegions);
        for (const auto& [region, window] : fixedInUse) {
            if (priorFrames.count(window))
                assigned.emplace(region, window);
        }
        struct Pending {
            RegionNumber region;
            ManagedWindow window;
            Rect target;
        };
        std::vector<std::pair<ManagedWindow, Rect>> tracks;
        std::vector<Pending> pending;
        for (const auto& [region, window] : assigned) {
            const Rect& frame = regionFrames.at(region);
            co_await touch(window);
            const Rect target = aim(window, frame);
            if (inRegion(window, frame)) {
                placed[region] = window;
            } else {
                tracks.emplace_back(window, target);
                pending.push_back({region, window, target});
            }
        }
        if (!tracks.empty()) {
            const auto settled = co_await moveGroup(tracks);
            for (const auto& p : pending) {
                if (!unchanged())
                    break;
                if (settled.count(p.window)) {
                    placed[p.region] = p.window;
                    continue;
                }
                const auto o = co_await placeRaised(p.window, p.target, owner, generation);
                if (!handle(o, p.region, p.window))
                    co_return co_await rollBackRun();
            }
        }
    } else {
        for (const auto& [region, window] : fixedInUse) {
            if (!unchanged())
                break;
            if (!priorFrames.count(window))
                continue;
            const Rect& frame = regionFrames.at(region);
            co_await touch(window);
            if (inRegion(window, frame)) {
                placed[region] = window;
                continue;
            }
            const auto o = co_await placeRaised(window, aim(window, frame), owner, generation);
            if (o == PlacementOutcome::committed)
                placed[region] = window;
            else if (o == PlacementOutcome::rollbackFailed)
                co_return co_await rollBackRun();
        }
    }

    // ---- One at a time, the smallest region first
    while (unchanged() && failures < kFailureLimit) {
        RegionFrames freeRegions;
        for (const auto& [region, frame] : regionFrames) {
            if (!placed.count(region))
                freeRegions.emplace(region, frame);
        }
        const auto assigned = CompositionCandidate<ManagedWindow>::assign(withPriorFrame(), freeRegions, exclusions);
        if (assigned.empty())
            break;
        auto best = assigned.begin();
        double bestArea = regionFrames.at(best->first).width() * regionFrames.at(best->first).height();
        for (auto it = std::next(assigned.begin()); it != assigned.end(); ++it) {
            const Rect& f = regionFrames.at(it->first);
            const double area = f.width() * f.height();
            if (area < bestArea) { // ties keep the smaller region number (map order)
                best = it;
                bestArea = area;
            }
        }
        const RegionNumber region = best->first;
        const ManagedWindow window = best->second;
        const Rect& frame = regionFrames.at(region);
        co_await touch(window);
        if (inRegion(window, frame)) {
            placed[region] = window;
            continue;
        }
        const auto o = co_await placeRaised(window, aim(window, frame), owner, generation);
        if (!handle(o, region, window))
            co_return co_await rollBackRun();
    }

    if (unchanged()) {
        // Windows this run moved but did not place (a group move that fell short, then a
        // single placement that gave up) go back before anything is committed.
        std::vector<ManagedWindow> leftOver;
        for (const auto& w : touched) {
            if (!isPlaced(w))
                leftOver.push_back(w);
        }
        if (!leftOver.empty()) {
            const bool restored = co_await restoreWindows(leftOver);
            if (!restored) {
                co_await rollBackRun();
                co_return SequenceResult{PlacementOutcome::rollbackFailed, {}};
            }
        }
        // ---- Raise
        activateOwners(placed, raiseOwner.pickerWindow());
    }

    // ---- Verification
    std::unordered_set<ManagedWindow> retried;
    int clean = 0;
    for (int i = 0;; ++i) {
        if (!unchanged())
            co_return co_await rollBackRun();
        co_await sleepMilliseconds(access_.clock(), kCheckPauses[i]);

        std::vector<std::pair<RegionNumber, ManagedWindow>> mismatches;
        for (const auto& [region, window] : placed) {
            const auto frame = regionFrames.find(region);
            if (frame == regionFrames.end() || !inRegion(window, frame->second))
                mismatches.emplace_back(region, window);
        }
        if (mismatches.empty()) {
            if (++clean >= kCleanChecksToCommit)
                co_return SequenceResult{PlacementOutcome::committed, placed};
        } else {
            for (const auto& [region, window] : mismatches) {
                const auto frame = regionFrames.find(region);
                if (!unchanged() || retried.count(window) || frame == regionFrames.end())
                    co_return co_await rollBackRun();
                retried.insert(window);
                const auto o = co_await placeRaised(window, aim(window, frame->second), owner, generation);
                if (o != PlacementOutcome::committed)
                    co_return co_await rollBackRun();
            }
            clean = 0;
        }
        if (i == int(std::size(kCheckPauses)) - 1)
            co_return co_await rollBackRun();
    }
}

} // namespace fw
