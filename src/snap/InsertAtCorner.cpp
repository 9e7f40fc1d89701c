// Carries out a prepared insertion: both windows into the halves of the split region as one
// transaction, retrying with the divider moved when a window refuses its size.
#include "snap/InsertAtCorner.h"

#include "layout/ScreenGeometry.h"
#include "snap/AppliedLayouts.h"
#include "snap/CoordinatorFilters.h"
#include "snap/LayoutRecognition.h"
#include "snap/SnapContext.h"
#include "snap/WindowMemory.h"
#include "snap/WindowMoves.h"
#include "windows/MinimumSizeFitting.h"
#include "windows/WindowAccess.h"
#include "windows/WindowPlacement.h"

#include <cmath>

namespace fw {

namespace {

constexpr int kRetries = 2;
constexpr Size kNoStack{180, 140}; // what the other half needs when no window goes there

// The axis along which a refusing window (size increments `grid`) kept a larger size than
// asked, when only along one: the other side took what was asked, a terminal short of it by
// less than a cell included. True for its width, false for its height.
std::optional<bool> refusedAxis(const PlacementRejection& refusal, const Size& grid)
{
    if (!refusal.actual)
        return std::nullopt;
    const Size kept = refusal.actual->size, asked = refusal.requested.size;
    const auto fits = [&](const Size& side) {
        return sitsIn(Rect(Point{}, side), Rect(Point{}, asked), grid, kSameFrameTolerance);
    };
    if (kept.height > asked.height + kSameFrameTolerance && fits({kept.width, asked.height}))
        return false;
    if (kept.width > asked.width + kSameFrameTolerance && fits({asked.width, kept.height}))
        return true;
    return std::nullopt;
}

QString keptNotice(const PlacementRejection& refusal)
{
    const QString kept = refusal.actual ? sizeText(*refusal.actual) : u"an unavailable size"_qs;
    return refusal.window.appName + u" kept "_qs + kept + u" instead of "_qs + sizeText(refusal.requested) +
           u". The split was rolled back."_qs;
}

class Insertion {
public:
    Insertion(SnapContext& ctx, AppliedLayouts& layouts, WindowMemory& memory, InsertionRequest r)
        : ctx_(ctx), layouts_(layouts), memory_(memory), r_(std::move(r)), key_(displayKey(r_.screen)),
          visible_(topLeftVisibleFrame(r_.screen)), inUse_(r_.layout)
    {
    }

    Task<PlacementResult> run()
    {
        const auto before = ctx_.access.frame(r_.window);
        if (!before || !r_.stamp.host())
            co_return PlacementResult{};
        before_ = *before;
        if (r_.insertion.displaced && !prepareDisplaced())
            co_return PlacementResult{false, u"That column’s window changed. Drop again to use its current arrangement."_qs};
        for (int retries = 0;; ++retries) {
            const auto frames = inUse_.tree.frames(visible_, kLayoutGap);
            if (!frames.count(r_.region))
                co_return PlacementResult{};
            auto record = std::make_shared<ColumnSplitRecord>();
            const PlacementOutcome outcome = co_await attempt(frames, record);
            if (outcome == PlacementOutcome::committed) {
                recordResult(frames);
                co_return PlacementResult{true, std::nullopt};
            }
            if (outcome == PlacementOutcome::rollbackFailed)
                co_return PlacementResult{false, u"The column split failed and a window could not return to its prior size."_qs};
            const auto again = afterRefusal(record->firstRefusal, retries);
            if (!again)
                co_return failure_;
            inUse_ = *again;
        }
    }

private:
    // The displaced window's stack goes along; it must still fill the region that is split.
    // The divider is moved for both windows' minimum sizes. False when the window moved.
    bool prepareDisplaced()
    {
        const ManagedWindow& displaced = *r_.insertion.displaced;
        for (const ManagedWindow& mate : ctx_.stacks.stackMates(displaced)) {
            if (!(mate == r_.window))
                stack_.push_back(mate);
        }
        const LayoutGroup* group = layouts_.group(key_);
        if (!group)
            return false;
        const auto frames = group->layout.tree.frames(visible_, kLayoutGap);
        const auto original = frames.find(r_.insertion.originalRegion);
        const auto now = ctx_.access.frame(displaced);
        if (original == frames.end() || !now ||
            !sitsIn(*now, original->second, ctx_.access.grid(displaced), kSitsInRegionTolerance))
            return false;
        displacedBefore_ = *now;
        inUse_ = fitted(r_.layout).value_or(r_.layout);
        return true;
    }

    std::optional<SnapLayout> fitted(const SnapLayout& layout) const
    {
        const Size mine = memory_.minimumSize({r_.window});
        const Size theirs = stack_.empty() ? kNoStack : memory_.minimumSize(stack_);
        return fittingMinimumSizes(layout, r_.region, r_.insertion.displacedRegion, mine, theirs, visible_);
    }

    Task<PlacementOutcome> attempt(const std::map<RegionNumber, Rect>& frames, std::shared_ptr<ColumnSplitRecord> record)
    {
        moves_ = {{r_.window, frames.at(r_.region)}};
        if (const auto other = frames.find(r_.insertion.displacedRegion); other != frames.end()) {
            for (const ManagedWindow& w : stack_)
                moves_.push_back({w, other->second});
        }
        WindowAccess& access = ctx_.access;
        MismatchHandler onMismatch = [&access, record](const ManagedWindow& w, std::optional<Rect> actual,
                                                       const Rect& expected) {
            recordLatestTarget(access, w, actual, *record, expected);
        };
        PlacementRequest request{.targets = moves_, .kind = place::ColumnSplit{r_.window, std::move(onMismatch), record}};
        const Placed placed = co_await ctx_.placement.place(std::move(request), r_.stamp);
        co_return placed.outcome;
    }

    // After a roll-back: the layout to try next, or nothing with the notice due in `failure_`.
    // A window kept larger along one axis teaches its minimum there and the divider moves.
    std::optional<SnapLayout> afterRefusal(const std::optional<PlacementRejection>& refusal, int retries)
    {
        failure_ = {};
        if (!r_.stamp.current())
            return std::nullopt;
        if (!refusal) {
            failure_.notice = u"A window closed before the column could be split."_qs;
            return std::nullopt;
        }
        const auto axis = refusedAxis(*refusal, ctx_.access.grid(refusal->window));
        if (!axis || !r_.insertion.displaced) {
            failure_.notice = keptNotice(*refusal);
            return std::nullopt;
        }
        memory_.learnMinimum(refusal->window, refusal->actual->size, *axis);
        const auto next = fitted(inUse_);
        if (!next || *next == inUse_) {
            failure_.notice = r_.window.appName + u" and "_qs + r_.insertion.displaced->appName +
                              u" need more room than this space has. Their prior sizes were restored."_qs;
            return std::nullopt;
        }
        if (retries == kRetries) {
            failure_.notice = u"The windows did not settle into the adjusted split. Their prior sizes were restored."_qs;
            return std::nullopt;
        }
        return next;
    }

    void recordResult(const std::map<RegionNumber, Rect>& frames)
    {
        memory_.originals.try_emplace(r_.window, r_.startFrame.value_or(before_));
        if (r_.insertion.displaced)
            memory_.originals.try_emplace(*r_.insertion.displaced, displacedBefore_);
        WindowSet placed;
        WindowFramePairs homes;
        for (const auto& [region, w] : r_.insertion.assignments) {
            placed.insert(w);
            if (const auto frame = frames.find(region); frame != frames.end())
                homes.emplace_back(w, frame->second);
        }
        const AppliedLayouts::Groups groups = layouts_.groups();
        for (auto [display, group] : groups) {
            group.windows = removingWindows(placed, group.windows);
            layouts_.setGroup(display, std::move(group));
        }
        layouts_.setGroup(key_, LayoutGroup{inUse_, r_.insertion.assignments, {}});
        WindowFramePairs moved;
        for (const auto& m : moves_)
            moved.emplace_back(m.window, m.frame);
        ctx_.stacks.noteWindowChanged(moved);
        memory_.recordReturnHomes(homes, inUse_, r_.screen);
    }

    SnapContext& ctx_;
    AppliedLayouts& layouts_;
    WindowMemory& memory_;
    const InsertionRequest r_;
    const QString key_;
    const Rect visible_;
    SnapLayout inUse_;
    Rect before_;
    Rect displacedBefore_;
    std::vector<ManagedWindow> stack_; // the displaced window's stack, without the dragged window
    PlacementItems moves_;
    PlacementResult failure_;
};

} // namespace

Task<PlacementResult> insertAtCorner(SnapContext& ctx, AppliedLayouts& layouts, WindowMemory& memory,
                                     InsertionRequest request)
{
    Insertion insertion(ctx, layouts, memory, std::move(request));
    co_return co_await insertion.run();
}

} // namespace fw
