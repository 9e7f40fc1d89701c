#pragma once
// The desk for drops onto placed windows: the coordinator with its drop families, windows
// placed in the regions of a layout on the left display, and a drop made the way a drag makes
// it: the target under the pointer asked for as the hover update asks, the tile menu offered
// once the region is held, the tile under the pointer hovered until armed, the release over
// it, and the drop run to its end in virtual time. Tips are collected.

#include "HoverTarget.h"
#include "SnapFixture.h"
#include "snap/DropExecution.h"
#include "snap/DropFeedback.h"
#include "snap/DropTargets.h"
#include "snap/ReleaseHandOffs.h"

namespace fw::snaptest {

class DropDesk : public SnapDesk {
protected:
    DropDesk()
    {
        start();
        coordinator->sinks().tip = [this](Tip t) { tips.push_back(t); };
    }

    // One window of its own application in each region of the layout on A (pids from `pid`
    // up, in region order), recorded as the display's group.
    std::vector<ManagedWindow> placeAll(const SnapLayout& layout, Pid pid = 100)
    {
        std::vector<ManagedWindow> out;
        LayoutGroup group{layout, {}, {}};
        for (const auto& [r, frame] : layout.tree.frames(topLeftVisibleFrame(kLeft), 8)) {
            out.push_back(add(pid++, frame));
            group.windows[r] = out.back();
        }
        state.layouts.setGroup(kLeft.key, group);
        return out;
    }
    static ReturnSnapTarget homeOf(const SnapLayout& layout, RegionNumber r)
    {
        return {kLeft.key, topLeftVisibleFrame(kLeft), layout, r, region(layout, r)};
    }
    static Point centre(const Rect& r) { return {r.midX(), r.midY()}; }

    // The target under the pointer for the dragged window, which started at `start`.
    std::optional<RegionDropTarget> targetAt(const ManagedWindow& w, const Point& p,
                                             const std::optional<ReturnSnapTarget>& home, const Rect& start)
    {
        const DropTargetQuery q{w, home ? &*home : nullptr, kLeft.key, topLeftVisibleFrame(kLeft), true, start,
                                access.grid(w), p};
        return regionDropTarget(*coordinator, q);
    }
    // The tile of the intent, after the menu over `p` was offered (held until armed).
    RegionDropTarget tile(const ManagedWindow& w, const Point& p, const RegionDropIntent& intent,
                          const std::optional<ReturnSnapTarget>& home, const Rect& start)
    {
        const auto offer = targetAt(w, p, home, start);
        EXPECT_TRUE(offer && offer->menu) << "no tile menu at " << toString(p).toStdString();
        if (!offer || !offer->menu)
            return RegionDropTarget{};
        showDrop(*offer, w, home, true);
        for (const auto& item : offer->menu->items) {
            if (item.intent == intent) {
                if (auto t = targetAt(w, centre(item.frame), home, start))
                    return *t;
            }
        }
        ADD_FAILURE() << "no such tile";
        return RegionDropTarget{};
    }
    // Hovered until armed and released over; false when the release started no drop. With
    // `run`, the drop is run to its end.
    bool release(const RegionDropTarget& t, const ManagedWindow& w, const std::optional<ReturnSnapTarget>& home,
                 const Rect& start, bool run = true)
    {
        showDrop(t, w, home, true);
        const DragStates s = coordinator->dragStates();
        auto drop = performRegionDrop(coordinator->context(), s.interaction, s.drop, s.picker, t, w, home, start);
        if (!drop)
            return false;
        coordinator->context().tasks.spawn(executeRegionDrop(coordinator->context(), s.dropState(), std::move(*drop), splitSteps));
        if (run)
            clock.runUntilIdle();
        return true;
    }
    // The feedback of a target under the pointer, as the drag handler shows it.
    void showDrop(const RegionDropTarget& t, const ManagedWindow& w, const std::optional<ReturnSnapTarget>& home,
                  bool armed)
    {
        showRegionDrop(coordinator->context(), coordinator->dragStates().dropState(), t, w, home, armed);
    }
    // The drop timing lines of the "Motion" log.
    QStringList dropLines() const { return logs.messages(LogCategory::Motion).filter(QRegularExpression(u"^Drop "_qs)); }

    // The split drops' preparations, recorded on their way.
    struct RecordedSplits : SplitPreparation {
        void prepare(SnapContext& ctx, DropState state, const SplitDropRequest& request) override
        {
            requests.push_back(request);
            SplitPreparation::prepare(ctx, state, request);
        }
        std::vector<SplitDropRequest> requests;
    };

    std::vector<Tip> tips;
    RecordedSplits splitSteps;
};

} // namespace fw::snaptest
