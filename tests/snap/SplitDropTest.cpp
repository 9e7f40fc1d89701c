// Dropping a window on a split tile over a placed window, and holding it at a seam corner: the
// region is split, the dropped window takes its half and the window that filled the region
// (with its stack) the other; a window that keeps a larger size along one axis teaches that
// size on that axis only and the divider moves, at most twice more; every other failure puts
// the windows back with its one notice.
#include "DragDesk.h"
#include "DropDesk.h"
#include "snap/WindowMoves.h"

#include <QJsonArray>
#include <QJsonObject>

namespace fw::snaptest {
namespace {

class SplitDrop : public DropDesk {
protected:
    // The window dropped on the tile of the intent over region r of the layout on A.
    void dropOn(const ManagedWindow& w, const SnapLayout& layout, const RegionDropIntent& intent)
    {
        const Rect start = frameOf(w);
        const auto t = tile(w, centre(region(layout, intent.region)), intent, std::nullopt, start);
        ASSERT_EQ(t.intent, intent);
        ASSERT_TRUE(release(t, w, std::nullopt, start));
    }
    QStringList writtenKeys() const
    {
        QStringList keys;
        for (const auto& write : defaults.writeLog())
            keys << write.key;
        return keys;
    }
    const LayoutGroup& groupA() const { return coordinator->groups().at(u"A"_qs); }

    const SnapLayout& halves = builtIn(u"halves"_qs);
    const std::vector<SplitDropRequest>& splits = splitSteps.requests;
};

TEST_F(SplitDrop, TheBottomHalfTakesTheDroppedWindowAndTheTopHalfTheStackThatFilledTheRegion)
{
    const auto placed = placeAll(halves);
    const auto mate = add(103, region(halves, 1));
    stacks.declaredStacks = {{placed[1], mate}};
    const Rect start(200, 200, 500, 400);
    const auto w = add(110, start);
    defaults.clearWriteLog();
    dropOn(w, halves, RegionDropIntent::split(1, false));

    // The right half stacked into two rows (a new region 2 at the bottom).
    const LayoutGroup& g = groupA();
    EXPECT_EQ(g.layout.id, u"corner-custom"_qs);
    EXPECT_EQ(region(g.layout, 2), region(SnapLayout{{}, {}, H(0.5, L(0), V(0.5, L(1), L(2))), {}}, 2));
    EXPECT_EQ(g.windows, (std::map<RegionNumber, ManagedWindow>{{0, placed[0]}, {1, placed[1]}, {2, w}}));
    EXPECT_EQ(frameOf(w), region(g.layout, 2));
    EXPECT_EQ(frameOf(placed[1]), region(g.layout, 1));
    EXPECT_EQ(frameOf(mate), region(g.layout, 1)) << "the stack goes along";
    EXPECT_EQ(frameOf(placed[0]), region(halves, 0));
    ASSERT_FALSE(stacks.changes.empty());
    EXPECT_EQ(stacks.changes.back(), (WindowFramePairs{{w, region(g.layout, 2)},
                                                       {placed[1], region(g.layout, 1)},
                                                       {mate, region(g.layout, 1)}}));
    EXPECT_EQ(state.memory.originals.at(w), start);
    EXPECT_EQ(state.memory.originals.at(placed[1]), region(halves, 1));
    EXPECT_EQ(state.memory.returnHomes.at(w).region, 2);
    EXPECT_EQ(store.activeLayout(u"A"_qs), g.layout);
    EXPECT_TRUE(writtenKeys().contains(u"activeLayouts.v1"_qs));
    EXPECT_FALSE(writtenKeys().contains(u"sideSplits.v1"_qs)) << "rows are not a side-by-side split";
    EXPECT_TRUE(notices.isEmpty()) << notices.join(u" | "_qs).toStdString();

    // Prepared with the one flag that places the new window, no feedback of its own.
    ASSERT_EQ(splits.size(), 1u);
    EXPECT_FALSE(splits[0].newAbove);
    EXPECT_FALSE(splits[0].showFeedback);
    EXPECT_EQ(feedback.count(u"showSplitHint"_qs), 0);
    EXPECT_EQ(dropLines().size(), 1);
    EXPECT_TRUE(dropLines().front().startsWith(u"Drop split(1, top: false) finished "_qs));
}

TEST_F(SplitDrop, AWindowKeepingItsWidthTeachesThatWidthOnlyAndTheSideSplitIsRemembered)
{
    const auto placed = placeAll(halves);
    sim.setSizeHints(placed[1].element, {.minimum = Size{700, 0}});
    state.memory.minimumSizes[placed[1]] = Size{0, 500};
    const auto w = add(110, Rect(200, 200, 500, 400));
    dropOn(w, halves, RegionDropIntent::splitSide(1, true));

    EXPECT_EQ(state.memory.minimumSizes.at(placed[1]), Size(700, 500)) << "the height learnt before stays";
    EXPECT_FALSE(state.memory.minimumSizes.count(w));
    const LayoutGroup& g = groupA();
    EXPECT_EQ(g.windows, (std::map<RegionNumber, ManagedWindow>{{0, placed[0]}, {1, w}, {2, placed[1]}}));
    EXPECT_EQ(frameOf(w), region(g.layout, 1));
    EXPECT_EQ(frameOf(placed[1]), region(g.layout, 2));
    EXPECT_GE(frameOf(placed[1]).width(), 700) << "the divider moved for it";
    EXPECT_TRUE(notices.isEmpty()) << notices.join(u" | "_qs).toStdString();
    const QJsonObject sides{{u"A"_qs, QJsonArray{QJsonArray{1, 2}}}};
    EXPECT_EQ(defaults.value(u"sideSplits.v1"_qs), QJsonValue(sides));
}

TEST_F(SplitDrop, EachFailurePutsTheWindowsBackWithItsOneNotice)
{
    // A fresh desk state per case: the halves on A, the right window displaced by a side split
    // of its region, the dropped window from `start`.
    Pid pid = 200;
    const Rect start(200, 200, 500, 400), right = region(halves, 1);
    std::vector<ManagedWindow> p;
    ManagedWindow w;
    const auto attempt = [&](const std::function<void()>& setup) {
        notices.clear();
        p = placeAll(halves, pid);
        w = add(pid + 10, start);
        pid += 20;
        setup();
        dropOn(w, halves, RegionDropIntent::splitSide(1, true));
        EXPECT_FALSE(state.interaction.mutating);
        return groupA().layout == halves;
    };
    const SnapLayout split{{}, {}, H(0.5, L(0), H(0.5, L(1), L(2))), {}};

    EXPECT_FALSE(attempt([] {}));
    EXPECT_TRUE(notices.isEmpty()) << "the plain split works";

    EXPECT_TRUE(attempt([&] { sim.setSizeHints(p[1].element, {.minimum = Size{900, 0}}); }));
    EXPECT_EQ(notices, QStringList{u"App%1 and App%2 need more room than this space has. Their prior sizes were restored."_qs
                                       .arg(w.pid).arg(p[1].pid)});
    EXPECT_EQ(frameOf(p[1]), right);
    EXPECT_EQ(frameOf(w), start);

    // The dropped window refuses every write: it keeps a size off on both axes.
    EXPECT_TRUE(attempt([&] { sim.refuseWrites(w.element); }));
    EXPECT_EQ(notices, QStringList{u"App%1 kept 500 × 400 instead of %2. The split was rolled back."_qs.arg(w.pid).arg(
                           sizeText(region(split, 1)))});
    EXPECT_EQ(frameOf(p[1]), right);

    EXPECT_TRUE(attempt([&] { sim.place(p[1].element, right.offsetBy(7, 0)); }));
    EXPECT_EQ(notices, QStringList{u"That column’s window changed. Drop again to use its current arrangement."_qs});
    EXPECT_EQ(frameOf(w), start) << "nothing moved";

    EXPECT_TRUE(attempt([&] {
        const auto mate = add(pid + 11, right);
        stacks.declaredStacks = {{p[1], mate}};
        sim.closeWindow(mate.element);
    }));
    EXPECT_EQ(notices, QStringList{u"A window closed before the column could be split."_qs});
    stacks.declaredStacks.clear();

    EXPECT_TRUE(attempt([&] { sim.closeOnNextWrite(p[1].element); }));
    EXPECT_EQ(notices, QStringList{u"The column split failed and a window could not return to its prior size."_qs});
}

TEST_F(SplitDrop, AWindowThatKeepsRefusingIsTriedAtMostTwiceMore)
{
    // The top row of "rows" split side by side, the dropped window on the right: the window
    // there before always wants 150 points more than it was last seen to keep.
    const SnapLayout& rows = builtIn(u"rows"_qs);
    const auto placed = placeAll(rows);
    const ManagedWindow stubborn = placed[0];
    sim.setSizeHints(stubborn.element, {.minimum = Size{1000, 0}});
    int ticks = 0;
    std::function<void()> grow = [&] {
        const auto& learnt = state.memory.minimumSizes;
        if (const auto it = learnt.find(stubborn); it != learnt.end())
            sim.setSizeHints(stubborn.element, {.minimum = Size{it->second.width + 150, 0}});
        if (++ticks < 2000)
            clock.schedule(5ms, grow);
    };
    grow();
    const auto w = add(110, Rect(200, 600, 500, 400));
    dropOn(w, rows, RegionDropIntent::splitSide(0, false));

    EXPECT_EQ(notices, QStringList{u"The windows did not settle into the adjusted split. Their prior sizes were restored."_qs});
    EXPECT_EQ(state.memory.minimumSizes.at(stubborn), Size(1300, 0)) << "three refusals learnt, width only";
    EXPECT_EQ(frameOf(stubborn), region(rows, 0));
    EXPECT_EQ(frameOf(w), Rect(200, 600, 500, 400));
    EXPECT_TRUE(groupA().layout == rows);
}

class SeamCornerSplit : public DragDesk {};

TEST_F(SeamCornerSplit, HoldingAWindowAtASeamCornerOffersTheSplitAndTheReleaseInsertsIt)
{
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const auto left = add(100, region(halves, 0)), right = add(101, region(halves, 1));
    state.layouts.setGroup(u"A"_qs, LayoutGroup{halves, {{0, left}, {1, right}}, {}});
    const auto w = add(110, Rect(300, 600, 500, 300));
    pressOn(w, {550, 615});
    dragTo({560, 640});
    dragTo({1910, 10});
    rest(300ms);

    // The top of the right half for the window, the bottom for the one there.
    const SnapLayout after{u"corner-custom"_qs, u"Custom corner layout"_qs, H(0.5, L(0), V(0.5, L(1), L(2))), {}};
    const Rect top = region(after, 1), bottom = region(after, 2);
    EXPECT_TRUE(feedback.calls.contains(u"showSplitHint %1 Split column / New window above · existing below "
                                        u"rectangle.split.1x2 %2 A %3"_qs.arg(toString(bottom), toString(Point{top.midX(), top.midY()}))
                                            .arg(w.element)))
        << feedback.calls.join(u"\n"_qs).toStdString();
    EXPECT_EQ(feedback.calls.filter(u"showPreview"_qs).last(), u"showPreview "_qs + toString(top));

    releaseAt({1910, 10});
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(w), top);
    EXPECT_EQ(frameOf(right), bottom);
    EXPECT_EQ(coordinator->groups().at(u"A"_qs).windows,
              (std::map<RegionNumber, ManagedWindow>{{0, left}, {1, w}, {2, right}}));
    EXPECT_TRUE(notices.isEmpty()) << notices.join(u" | "_qs).toStdString();
}

} // namespace
} // namespace fw::snaptest
