// The composition run: match windows to regions, place them (together, then one at a time),
// raise them, verify, and commit or put every touched window back where the run found it. A
// window on a cell grid (a terminal) is aimed at the frame its grid allows in a region and
// counts as placed when it sits in the region on its grid. One CompositionSequence object holds
// a run's state; its steps are its members.

#include "windows/WindowPlacement.h"

#include "windows/FrameMatch.h"

#include <set>

namespace fw {

namespace {

constexpr int kFailureLimit = 32;

using Candidate = CompositionCandidate<ManagedWindow>;

class CompositionSequence {
public:
    CompositionSequence(WindowPlacement& placement, WindowAccess& access, RegionFrames regionFrames,
                        InteractionStamp stamp, InteractionStamp watched)
        : placement_(placement), access_(access), regionFrames_(std::move(regionFrames)), stamp_(stamp),
          watched_(watched)
    {
    }

    // Takes in the candidates and the fixed windows and reads the frames the run puts back.
    void prepare(const std::vector<Candidate>& candidates, const RegionWindows& fixed);
    Task<SequenceResult> run(const GroupMover& moveGroup, std::weak_ptr<const CoordinatorHost> raiseOwner);

private:
    // A window the group move took to a region, and the frame it was aimed at.
    struct Pending {
        RegionNumber region;
        ManagedWindow window;
        Rect target;
    };

    bool unchanged() const { return watched_.current(); }
    void readPrior(const ManagedWindow& w);
    Task<void> touch(ManagedWindow w);
    Rect aim(const ManagedWindow& w, const Rect& region) const { return access_.gridFrame(w, region); }
    bool arrived(const ManagedWindow& w, const Rect& target) const;
    bool isPlaced(const ManagedWindow& w) const;
    std::vector<Candidate> withPriorFrame() const;

    // The phases. False: the run must roll back at once.
    Task<bool> placeAsGroup(const GroupMover& moveGroup);
    Task<std::vector<Pending>> touchAssigned(RegionWindows assigned);
    Task<bool> placeShortfall(std::vector<Pending> pending, std::unordered_set<ManagedWindow> settled);
    Task<bool> placeFixedOneByOne();
    Task<bool> placeOneAtATime();
    Task<bool> restoreLeftOver();
    Task<SequenceResult> verify();
    // The placed windows found off their regions in one check.
    std::vector<ManagedWindow> offRegion() const;
    // Places a window found off its region there once more; false when that did not commit.
    Task<bool> retry(ManagedWindow window);

    // The regions the group move fills: the candidates matched to the free regions, and the
    // fixed windows that could be read.
    RegionWindows groupAssignment() const;
    // The next region the one-at-a-time phase fills: of the candidates matched to the regions
    // still free, the smallest region's.
    std::optional<std::pair<RegionNumber, ManagedWindow>> nextAssignment() const;
    // Touches the window and places it in the region unless it already lies there (committed
    // then).
    Task<PlacementOutcome> placeSingle(RegionNumber region, ManagedWindow window);
    // One window placed, raised and verified as a composition's window, under the run's stamp.
    Task<PlacementOutcome> placeOne(ManagedWindow window, Rect frame);
    // The outcome of a single placement in the group and one-at-a-time phases noted.
    bool handle(PlacementOutcome o, RegionNumber region, const ManagedWindow& w);

    Task<bool> restoreWindows(std::vector<ManagedWindow> windows);
    Task<SequenceResult> rollBackRun();

    WindowPlacement& placement_;
    WindowAccess& access_;
    const RegionFrames regionFrames_;
    const InteractionStamp stamp_;
    const InteractionStamp watched_;

    RegionWindows fixedInUse_;
    std::vector<Candidate> remaining_;
    std::unordered_map<ManagedWindow, Rect> priorFrames_;
    RegionWindows placed_;
    std::vector<ManagedWindow> touched_;
    std::unordered_set<ManagedWindow> touchedSet_;
    std::unordered_map<ManagedWindow, std::set<RegionNumber>> exclusions_;
    int failures_ = 0;
    // A window the run takes on leaves the states that hold its frame first; its frame out of
    // them is the one it goes back to, and a roll-back puts the states back too.
    std::unordered_map<ManagedWindow, WindowStates> leftStates_;
};

void CompositionSequence::prepare(const std::vector<Candidate>& candidates, const RegionWindows& fixed)
{
    std::unordered_set<ManagedWindow> fixedWindows;
    for (const auto& [region, window] : fixed) {
        // A window named for two regions takes the first of them only.
        if (regionFrames_.count(region) && fixedWindows.insert(window).second)
            fixedInUse_.emplace(region, window);
    }
    for (const auto& c : candidates) {
        if (!fixedWindows.count(c.window))
            remaining_.push_back(c);
    }
    for (const auto& c : remaining_)
        readPrior(c.window);
    for (const auto& [region, window] : fixedInUse_)
        readPrior(window);
}

void CompositionSequence::readPrior(const ManagedWindow& w)
{
    if (priorFrames_.count(w))
        return;
    if (const auto f = access_.frame(w))
        priorFrames_.emplace(w, *f);
}

Task<void> CompositionSequence::touch(ManagedWindow w)
{
    if (!touchedSet_.insert(w).second)
        co_return;
    touched_.push_back(w);
    const auto left = co_await access_.leaveHeldStates(w);
    if (left.states == 0)
        co_return;
    leftStates_[w] = left.states;
    if (const auto f = access_.frame(w))
        priorFrames_[w] = *f;
}

// At a target (a region, or a frame from before, which a window on a cell grid sized off its
// grid comes back to cut to the grid): the one arrival rule.
bool CompositionSequence::arrived(const ManagedWindow& w, const Rect& target) const
{
    const auto f = access_.frame(w);
    return f && arrivedAt(*f, target, access_.grid(w), kPlacementTolerance);
}

bool CompositionSequence::isPlaced(const ManagedWindow& w) const
{
    for (const auto& [region, window] : placed_) {
        if (window == w)
            return true;
    }
    return false;
}

std::vector<Candidate> CompositionSequence::withPriorFrame() const
{
    std::vector<Candidate> out;
    for (const auto& c : remaining_) {
        if (priorFrames_.count(c.window) && !isPlaced(c.window))
            out.push_back(c);
    }
    return out;
}

Task<SequenceResult> CompositionSequence::run(const GroupMover& moveGroup,
                                              std::weak_ptr<const CoordinatorHost> raiseOwner)
{
    // ---- Group phase, or the fixed windows one by one
    bool going = false;
    if (moveGroup && unchanged())
        going = co_await placeAsGroup(moveGroup);
    else
        going = co_await placeFixedOneByOne();
    if (!going)
        co_return co_await rollBackRun();

    // ---- One at a time, the smallest region first
    going = co_await placeOneAtATime();
    if (!going)
        co_return co_await rollBackRun();

    // The interaction ended before every window arrived: the run gives up.
    if (!unchanged())
        co_return co_await rollBackRun();
    const bool restored = co_await restoreLeftOver();
    if (!restored) {
        co_await rollBackRun();
        co_return SequenceResult{PlacementOutcome::rollbackFailed, {}};
    }
    // ---- Raise, unless another interaction has begun meanwhile: its windows stay on top.
    if (unchanged()) {
        const auto owner = raiseOwner.lock();
        placement_.activateOwners(placed_, owner ? owner->pickerWindow() : std::nullopt);
    }
    co_return co_await verify();
}

RegionWindows CompositionSequence::groupAssignment() const
{
    RegionFrames freeRegions;
    for (const auto& [region, frame] : regionFrames_) {
        if (!fixedInUse_.count(region))
            freeRegions.emplace(region, frame);
    }
    auto assigned = Candidate::assign(withPriorFrame(), freeRegions);
    for (const auto& [region, window] : fixedInUse_) {
        if (priorFrames_.count(window))
            assigned.emplace(region, window);
    }
    return assigned;
}

Task<bool> CompositionSequence::placeAsGroup(const GroupMover& moveGroup)
{
    std::vector<Pending> pending = co_await touchAssigned(groupAssignment());
    if (pending.empty())
        co_return true;
    std::vector<std::pair<ManagedWindow, Rect>> tracks;
    for (const auto& p : pending)
        tracks.emplace_back(p.window, p.target);
    auto settled = co_await moveGroup(tracks);
    co_return co_await placeShortfall(std::move(pending), std::move(settled));
}

// Touches each assigned window; those already in their regions count as placed, the others are
// the group move's.
Task<std::vector<CompositionSequence::Pending>> CompositionSequence::touchAssigned(RegionWindows assigned)
{
    std::vector<Pending> pending;
    for (const auto& [region, window] : assigned) {
        const Rect& frame = regionFrames_.at(region);
        co_await touch(window);
        const Rect target = aim(window, frame);
        if (arrived(window, frame))
            placed_[region] = window;
        else
            pending.push_back({region, window, target});
    }
    co_return pending;
}

// The windows the group move left short of their targets, placed one by one.
Task<bool> CompositionSequence::placeShortfall(std::vector<Pending> pending,
                                               std::unordered_set<ManagedWindow> settled)
{
    for (const auto& p : pending) {
        if (!unchanged())
            break;
        if (settled.count(p.window)) {
            placed_[p.region] = p.window;
            continue;
        }
        const auto o = co_await placeOne(p.window, p.target);
        if (!handle(o, p.region, p.window))
            co_return false;
    }
    co_return true;
}

Task<bool> CompositionSequence::placeFixedOneByOne()
{
    for (const auto& [region, window] : fixedInUse_) {
        if (!unchanged())
            break;
        if (!priorFrames_.count(window))
            continue;
        const auto o = co_await placeSingle(region, window);
        if (o == PlacementOutcome::committed)
            placed_[region] = window;
        else if (o == PlacementOutcome::rollbackFailed)
            co_return false;
    }
    co_return true;
}

std::optional<std::pair<RegionNumber, ManagedWindow>> CompositionSequence::nextAssignment() const
{
    RegionFrames freeRegions;
    for (const auto& [region, frame] : regionFrames_) {
        if (!placed_.count(region))
            freeRegions.emplace(region, frame);
    }
    const auto assigned = Candidate::assign(withPriorFrame(), freeRegions, exclusions_);
    if (assigned.empty())
        return std::nullopt;
    auto best = assigned.begin();
    double bestArea = regionFrames_.at(best->first).width() * regionFrames_.at(best->first).height();
    for (auto it = std::next(assigned.begin()); it != assigned.end(); ++it) {
        const Rect& f = regionFrames_.at(it->first);
        const double area = f.width() * f.height();
        if (area < bestArea) { // ties keep the smaller region number (map order)
            best = it;
            bestArea = area;
        }
    }
    return *best;
}

Task<bool> CompositionSequence::placeOneAtATime()
{
    while (unchanged() && failures_ < kFailureLimit) {
        const auto next = nextAssignment();
        if (!next)
            break;
        const auto o = co_await placeSingle(next->first, next->second);
        if (!handle(o, next->first, next->second))
            co_return false;
    }
    co_return true;
}

Task<PlacementOutcome> CompositionSequence::placeSingle(RegionNumber region, ManagedWindow window)
{
    const Rect& frame = regionFrames_.at(region);
    co_await touch(window);
    if (arrived(window, frame)) {
        placed_[region] = window;
        co_return PlacementOutcome::committed;
    }
    co_return co_await placeOne(window, aim(window, frame));
}

Task<PlacementOutcome> CompositionSequence::placeOne(ManagedWindow window, Rect frame)
{
    PlacementRequest request{.targets = {PlacementItem{window, frame}}, .kind = place::Composition{window}};
    const Placed placed = co_await placement_.place(std::move(request), stamp_);
    co_return placed.outcome;
}

// False: the run must roll back at once.
bool CompositionSequence::handle(PlacementOutcome o, RegionNumber region, const ManagedWindow& w)
{
    switch (o) {
    case PlacementOutcome::committed:
        placed_[region] = w;
        return true;
    case PlacementOutcome::rolledBack:
        exclusions_[w].insert(region);
        ++failures_;
        return true;
    case PlacementOutcome::rollbackFailed:
        return false;
    }
    return false;
}

// Windows this run moved but did not place (a group move that fell short, then a single
// placement that gave up) go back before anything is committed.
Task<bool> CompositionSequence::restoreLeftOver()
{
    std::vector<ManagedWindow> leftOver;
    for (const auto& w : touched_) {
        if (!isPlaced(w))
            leftOver.push_back(w);
    }
    if (leftOver.empty())
        co_return true;
    co_return co_await restoreWindows(std::move(leftOver));
}

// ---- Verification: the placed windows watched until still; a window found off its region is
// placed there once more. Another interaction begun meanwhile leaves them as they stand.
Task<SequenceResult> CompositionSequence::verify()
{
    const bool still = co_await watchUntilStill(
        access_.clock(), [this] { return unchanged(); }, [this] { return offRegion(); },
        [this](ManagedWindow w) { return retry(std::move(w)); });
    if (!still)
        co_return co_await rollBackRun();
    co_return SequenceResult{PlacementOutcome::committed, placed_};
}

std::vector<ManagedWindow> CompositionSequence::offRegion() const
{
    std::vector<ManagedWindow> off;
    for (const auto& [region, window] : placed_) {
        const auto frame = regionFrames_.find(region);
        if (frame == regionFrames_.end() || !arrived(window, frame->second))
            off.push_back(window);
    }
    return off;
}

Task<bool> CompositionSequence::retry(ManagedWindow window)
{
    for (const auto& [region, placed] : placed_) {
        if (placed != window)
            continue;
        const auto frame = regionFrames_.find(region);
        if (frame == regionFrames_.end())
            co_return false;
        const auto o = co_await placeOne(window, aim(window, frame->second));
        co_return o == PlacementOutcome::committed;
    }
    co_return false;
}

// Puts back every touched window that is off its prior frame, the last first, and into the
// states it left.
Task<bool> CompositionSequence::restoreWindows(std::vector<ManagedWindow> windows)
{
    bool allOk = true;
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        const auto prior = priorFrames_.find(*it);
        const auto states = leftStates_.find(*it);
        const WindowStates left = states != leftStates_.end() ? states->second : 0;
        if (prior != priorFrames_.end() && !arrived(*it, prior->second)) {
            const bool moved = co_await access_.animateMove(*it, {}, prior->second, kPlacementTolerance);
            const bool back = moved && arrived(*it, prior->second);
            allOk = allOk && (back || WindowAccess::statesDecideFrame(left));
        }
        if (left != 0) {
            const bool back = co_await access_.restoreStates(*it, left);
            leftStates_.erase(*it);
            allOk = allOk && back;
        }
    }
    co_return allOk;
}

Task<SequenceResult> CompositionSequence::rollBackRun()
{
    bool ok = co_await restoreWindows(touched_);
    // A window manager that held the writes applies them once it goes on, after the read-backs
    // above: once it has (bounded), the windows that landed elsewhere go back again.
    if (access_.writesPending()) {
        const bool handled = co_await access_.writesHandled(WindowPlacement::kHeldWritesBoundMs);
        ok = ok && handled;
        if (handled) {
            const bool again = co_await restoreWindows(touched_);
            ok = ok && again;
        }
    }
    co_return SequenceResult{ok ? PlacementOutcome::rolledBack : PlacementOutcome::rollbackFailed, {}};
}

} // namespace

Task<SequenceResult> WindowPlacement::runSequence(std::vector<CompositionCandidate<ManagedWindow>> candidates,
                                                  RegionFrames regionFrames, GroupMover moveGroup,
                                                  RegionWindows fixed, InteractionStamp stamp,
                                                  std::weak_ptr<const CoordinatorHost> raiseOwner,
                                                  InteractionStamp watched)
{
    CompositionSequence sequence(*this, access_, std::move(regionFrames), stamp, watched);
    sequence.prepare(candidates, fixed);
    co_return co_await sequence.run(moveGroup, raiseOwner);
}

} // namespace fw
