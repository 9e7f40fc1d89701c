// Native resizes of placed windows released over no target, and the divider editor's edits:
// the shared dividers follow the resized window and every window of its display's layout moves
// with them (preview and result agreeing), a neighbour that cannot follow rolls everything back
// with one notice, Super spans two or three regions (and a span that cannot settle says
// whether it was restored), a moved span stops being one, stack mates follow a resized member,
// a size the window manager gives at a release changes nothing of the layout, span or stack,
// and a divider edit that arrives while windows move is applied afterwards, latest first.
#include "SnapFixture.h"
#include "base/DiagnosticsWriter.h"
#include "snap/ReleaseHandOffs.h"
#include "snap/SpanPlacement.h"
#include "snap/SpanPreview.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace fw::snaptest {
namespace {

class ResizeTogether : public SnapDesk {
protected:
    ResizeTogether()
    {
        start(true);
        coordinator->sinks().tip = [this](Tip t) { tips.push_back(t); };
    }

    // One window of its own application in each region of the layout (pids from `pid` up),
    // recorded as the display's group.
    std::vector<ManagedWindow> placeAll(const SnapLayout& layout, const ScreenInfo& on, Pid pid)
    {
        std::vector<ManagedWindow> out;
        LayoutGroup group{layout, {}, {}};
        for (const auto& [r, frame] : layout.tree.frames(topLeftVisibleFrame(on), 8)) {
            out.push_back(add(pid++, frame));
            group.windows[r] = out.back();
        }
        state.layouts.setGroup(on.key, group);
        return out;
    }
    // The user resized (or moved) the window to `to` with the edges grabbed, released at the
    // pointer; with `run`, the release's work runs to its end.
    void release(const ManagedWindow& w, const Rect& to, EdgeSet edges, Point pointer, bool span = false,
                 bool run = true)
    {
        handOver(w, [&] { sim.place(w.element, to); }, edges, pointer, span, true);
        if (run)
            clock.runUntilIdle();
    }
    // The window manager (or the application) maximizes the window or gives it back its size as
    // the press is released: with the pointer moved (an edge pulled to the screen's edge) or not
    // (a double click, a title-bar button); Super held.
    void maximizedAtARelease(const ManagedWindow& w, bool maximized, EdgeSet edges, bool pointerMoved)
    {
        handOver(w, [&] { sim.setMaximized(w.element, maximized); }, edges, frameOf(w).origin, true, pointerMoved);
        clock.runUntilIdle();
    }
    void handOver(const ManagedWindow& w, const std::function<void()>& change, EdgeSet edges, Point pointer, bool span,
                  bool pointerMoved)
    {
        const Rect before = frameOf(w);
        state.interaction.windowInteraction = true;
        change();
        windowReleased(coordinator->context(), coordinator->dragStates().resizeState(),
                       {w, before, coordinator->interactionGeneration(), edges, span, pointer, pointerMoved});
    }
    // One drag step of the same resize, as the drag monitor hands it over.
    void preview(const ManagedWindow& w, const Rect& before, const Rect& to, EdgeSet edges, Point pointer,
                 bool span = false)
    {
        updateSpanPreview(coordinator->context(), coordinator->dragStates().resizeState(),
                          {w, edges, span, before, to, pointer});
    }
    QString outlines(std::initializer_list<Rect> frames) const
    {
        QStringList list;
        for (const Rect& r : frames)
            list << toString(r);
        return u"showResizeOutlines ["_qs + list.join(u"; "_qs) + u"] "_qs;
    }
    bool shown(const QString& prefix) const
    {
        return std::any_of(feedback.calls.begin(), feedback.calls.end(),
                           [&](const QString& c) { return c.startsWith(prefix); });
    }
    void expectSettled()
    {
        EXPECT_FALSE(state.interaction.mutating);
        EXPECT_FALSE(state.interaction.windowInteraction);
    }

    std::vector<Tip> tips;
};

TEST_F(ResizeTogether, HalvesFollowTheDraggedEdgeAsThePreviewShowedAndTheTreeIsSaved)
{
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const auto w = placeAll(halves, kLeft, 100);
    const Rect r0 = region(halves, 0), r1 = region(halves, 1);
    const Rect to(r0.x(), r0.y(), r0.width() + 100, r0.height());
    const Point pointer{to.maxX(), to.midY()};
    preview(w[0], r0, to, {RegionEdge::right}, pointer);
    release(w[0], to, {RegionEdge::right}, pointer);

    // The divider lies 4 points right of the new edge; the neighbour starts a gap further on.
    EXPECT_EQ(frameOf(w[0]), to);
    const Rect other = frameOf(w[1]);
    EXPECT_NEAR(other.minX(), to.maxX() + 8, 1);
    EXPECT_EQ(other.maxX(), r1.maxX());
    EXPECT_EQ(other.height(), r1.height());
    // The preview outlined exactly the frames the release gave, in region order.
    EXPECT_TRUE(shown(outlines({to, other}) + u"Resize together · Release to apply · hold Super to span regions · "
                                              u"arrow.up.left.and.arrow.down.right"_qs))
        << feedback.calls.join(u"\n"_qs).toStdString();

    const LayoutGroup& group = coordinator->groups().at(kLeft.key);
    EXPECT_FALSE(group.layout.tree == halves.tree);
    EXPECT_EQ(group.layout.tree.frames(topLeftVisibleFrame(kLeft), 8).at(1), other);
    ASSERT_TRUE(store.activeLayout(kLeft.key));
    EXPECT_EQ(store.activeLayout(kLeft.key)->tree, group.layout.tree);
    EXPECT_EQ(store.layouts(kLeft.key).front().tree, group.layout.tree);
    ASSERT_FALSE(stacks.changes.empty());
    EXPECT_EQ(stacks.changes.back(), (WindowFramePairs{{w[0], to}, {w[1], other}}));
    EXPECT_TRUE(notices.isEmpty()) << notices.join(u" | "_qs).toStdString();
    expectSettled();
    // Only a span request writes the span snapshot.
    EXPECT_FALSE(QFile::exists(diagnosticsFile(kSpanStateFile)));

    // The same window nudged by 3 points without an edge stays in its region; moved 40 points
    // it leaves it, and its neighbour keeps its own.
    release(w[0], to.offsetBy(3, 0), {}, pointer);
    EXPECT_EQ(coordinator->groups().at(kLeft.key).windows.count(0), 1u);
    release(w[0], to.offsetBy(3, 40), {}, pointer);
    EXPECT_EQ(coordinator->groups().at(kLeft.key).windows.count(0), 0u);
    EXPECT_EQ(coordinator->groups().at(kLeft.key).windows.at(1), w[1]);
    EXPECT_EQ(frameOf(w[1]), other);
}

// A busy window manager works through the pointer's last steps after the release is handed
// over: nothing changed yet, then a step on the way, then the edge where the pointer let go.
// The neighbour follows that last edge.
TEST_F(ResizeTogether, ABusyManagersResizeStepsAfterTheReleaseAreFollowedToTheLastOne)
{
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const auto w = placeAll(halves, kLeft, 100);
    const Rect r0 = region(halves, 0), r1 = region(halves, 1);
    const Rect onTheWay(r0.x(), r0.y(), r0.width() + 40, r0.height());
    const Rect to(r0.x(), r0.y(), r0.width() + 100, r0.height());
    handOver(w[0], [] {}, {RegionEdge::right}, {to.maxX(), to.midY()}, false, true);
    clock.schedule(50ms, [&] { sim.place(w[0].element, onTheWay); });
    clock.schedule(100ms, [&] { sim.place(w[0].element, to); });
    clock.runUntilIdle();

    EXPECT_EQ(frameOf(w[0]), to);
    const Rect other = frameOf(w[1]);
    EXPECT_NEAR(other.minX(), to.maxX() + 8, 1);
    EXPECT_EQ(other.maxX(), r1.maxX());
    EXPECT_EQ(coordinator->groups().at(kLeft.key).layout.tree.frames(topLeftVisibleFrame(kLeft), 8).at(1), other);
    EXPECT_TRUE(notices.isEmpty()) << notices.join(u" | "_qs).toStdString();
}

TEST_F(ResizeTogether, FourQuartersOnTheSecondDisplayMoveBothDividersOfTheCornerAndLeaveTheFirstDisplayAlone)
{
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const SnapLayout& quarters = builtIn(u"quarters"_qs);
    const auto left = placeAll(halves, kLeft, 100);
    const auto w = placeAll(quarters, kRight, 200);
    const Rect r0 = region(quarters, 0, kRight), r3 = region(quarters, 3, kRight);
    // The bottom-right corner of the top-left quarter, 120 right and 80 down; the left edge
    // twitched by 6 points but was not grabbed.
    const Rect to(r0.x() + 6, r0.y(), r0.width() + 114, r0.height() + 80);
    const Point pointer{to.maxX(), to.maxY()};
    preview(w[0], r0, to, {RegionEdge::right, RegionEdge::bottom}, pointer);
    release(w[0], to, {RegionEdge::right, RegionEdge::bottom}, pointer);

    const Rect topLeft = frameOf(w[0]), bottomLeft = frameOf(w[1]), topRight = frameOf(w[2]), bottomRight = frameOf(w[3]);
    EXPECT_EQ(topLeft.minX(), r0.minX()) << "the left edge is the display's";
    EXPECT_NEAR(topLeft.maxX(), to.maxX(), 1);
    EXPECT_NEAR(topLeft.maxY(), to.maxY(), 1);
    EXPECT_NEAR(bottomLeft.minY(), to.maxY() + 8, 1);
    EXPECT_NEAR(topRight.minX(), to.maxX() + 8, 1);
    EXPECT_NEAR(bottomRight.minX(), to.maxX() + 8, 1);
    EXPECT_EQ(bottomRight.minY(), r3.minY()) << "the right column keeps its own row divider";
    EXPECT_TRUE(shown(outlines({topLeft, bottomLeft, topRight, bottomRight}))) << feedback.calls.join(u"\n"_qs).toStdString();

    EXPECT_EQ(coordinator->groups().at(kLeft.key).layout, halves);
    for (std::size_t i = 0; i < left.size(); ++i)
        EXPECT_EQ(frameOf(left[i]), region(halves, RegionNumber(i)));
    EXPECT_EQ(store.activeLayout(kRight.key)->tree, coordinator->groups().at(kRight.key).layout.tree);
    EXPECT_FALSE(store.activeLayout(kLeft.key));
    EXPECT_TRUE(notices.isEmpty()) << notices.join(u" | "_qs).toStdString();
    expectSettled();
}

TEST_F(ResizeTogether, ANeighbourThatCannotFollowRollsEverythingBackWithOneNotice)
{
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const auto w = placeAll(halves, kLeft, 100);
    const Rect r0 = region(halves, 0), r1 = region(halves, 1);
    sim.setSizeHints(w[1].element, {.maximum = Size{r1.width(), 5000}});
    const Rect to(r0.x(), r0.y(), r0.width() - 200, r0.height());
    release(w[0], to, {RegionEdge::right}, {to.maxX(), to.midY()});

    EXPECT_EQ(notices, QStringList{u"A window reached its minimum size. The shared divider stays at its last working position."_qs});
    EXPECT_EQ(frameOf(w[0]), r0);
    EXPECT_EQ(frameOf(w[1]), r1);
    EXPECT_EQ(coordinator->groups().at(kLeft.key).layout, halves);
    EXPECT_FALSE(store.activeLayout(kLeft.key));
    expectSettled();
}

TEST_F(ResizeTogether, SuperSpansThreeThenTwoRegionsAndAMovedSpanStopsBeingOne)
{
    const SnapLayout& thirds = builtIn(u"thirds"_qs);
    const auto w = placeAll(thirds, kLeft, 100);
    const Rect r0 = region(thirds, 0), r1 = region(thirds, 1), r2 = region(thirds, 2);
    const Point intoLast{r2.midX(), r0.midY()};
    const Rect dragged(r0.x(), r0.y(), r0.width() + 300, r0.height());
    preview(w[0], r0, dragged, {RegionEdge::right}, intoLast, true);
    EXPECT_TRUE(shown(outlines({r0.united(r2)}) + u"Span 3 regions · Release to snap · let go of Super to resize together"_qs))
        << feedback.calls.join(u"\n"_qs).toStdString();
    release(w[0], dragged, {RegionEdge::right}, intoLast, true);

    const Rect across = r0.united(r1).united(r2);
    EXPECT_EQ(frameOf(w[0]), across);
    const LayoutGroup* group = &coordinator->groups().at(kLeft.key);
    EXPECT_EQ(group->spans.at(w[0]), (std::set<RegionNumber>{0, 1, 2}));
    EXPECT_EQ(group->windows, (std::map<RegionNumber, ManagedWindow>{{1, w[1]}, {2, w[2]}}));
    EXPECT_EQ(state.memory.originals.at(w[0]), r0);
    EXPECT_FALSE(state.memory.returnHomes.count(w[0]));
    EXPECT_EQ(tips, std::vector<Tip>{Tip::span});
    // The span request's snapshot.
    QFile file(diagnosticsFile(kSpanStateFile));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject snapshot = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(snapshot.value(u"before"_qs).toString(), toString(r0));
    EXPECT_EQ(snapshot.value(u"after"_qs).toString(), toString(dragged));
    EXPECT_EQ(snapshot.value(u"requested"_qs).toString(), toString(Rect(r0.x(), r0.y(), intoLast.x - r0.x(), r0.height())));
    EXPECT_EQ(snapshot.value(u"sourceRegions"_qs).toArray(), QJsonArray{0});
    EXPECT_EQ(snapshot.value(u"grabbedEdges"_qs).toArray(), QJsonArray{u"right"_qs});

    // The right column's window spans two by its left edge; region 2 is left empty.
    const Point intoMiddle{r1.midX(), r2.midY()};
    release(w[2], Rect(r1.midX(), r2.y(), r2.maxX() - r1.midX(), r2.height()), {RegionEdge::left}, intoMiddle, true);
    group = &coordinator->groups().at(kLeft.key);
    EXPECT_EQ(frameOf(w[2]), r1.united(r2));
    EXPECT_EQ(group->spans.at(w[2]), (std::set<RegionNumber>{1, 2}));
    EXPECT_FALSE(group->windows.count(2));

    // Moved by 4 points the wide span stays one; by 10 it stops.
    release(w[0], across.offsetBy(0, 4), {}, {});
    EXPECT_TRUE(coordinator->groups().at(kLeft.key).spans.count(w[0]));
    release(w[0], across.offsetBy(0, 10), {}, {});
    EXPECT_FALSE(coordinator->groups().at(kLeft.key).spans.count(w[0]));
    EXPECT_EQ(stacks.changes.back(), (WindowFramePairs{{w[0], across.offsetBy(0, 10)}}));
    EXPECT_TRUE(notices.isEmpty()) << notices.join(u" | "_qs).toStdString();
    expectSettled();
}

TEST_F(ResizeTogether, ASpanThatDoesNotSettleSaysWhetherItsSizeCameBack)
{
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const auto w = placeAll(halves, kLeft, 100);
    const Rect r0 = region(halves, 0), r1 = region(halves, 1);
    const Rect dragged(r0.x(), r0.y(), r0.width() + 300, r0.height());
    const Point pointer{r1.midX(), r1.midY()};

    // Too narrow a maximum: the window goes back to its region, and says so.
    sim.setSizeHints(w[0].element, {.maximum = Size{r0.width() + 300, 5000}});
    release(w[0], dragged, {RegionEdge::right}, pointer, true);
    EXPECT_EQ(notices, QStringList{u"App100 did not fit across those regions. Its previous size was restored."_qs});
    EXPECT_EQ(frameOf(w[0]), r0);

    // A window that takes no frame at all settles neither across nor back: said as it is,
    // with the drift logged; the group is as it was.
    notices.clear();
    sim.setSizeHints(w[0].element, {});
    sim.refuseWrites(w[0].element);
    release(w[0], dragged, {RegionEdge::right}, pointer, true);
    EXPECT_EQ(notices, QStringList{u"App100 did not fit across those regions and could not be restored."_qs});
    EXPECT_TRUE(logs.messages(LogCategory::WindowAccess).filter(u"Post-placement drift in App100"_qs).size() == 1)
        << logs.messages(LogCategory::WindowAccess).join(u"\n"_qs).toStdString();
    const LayoutGroup& group = coordinator->groups().at(kLeft.key);
    EXPECT_TRUE(group.spans.empty());
    EXPECT_EQ(group.windows.at(0), w[0]);
    EXPECT_TRUE(tips.empty());
    expectSettled();
}

TEST_F(ResizeTogether, StackMatesFollowAResizedMemberOrAllGoBackWithOneNotice)
{
    const Rect home(300, 200, 700, 500), bigger(300, 200, 900, 600);
    const ManagedWindow front = add(100, home), second = add(101, home), third = add(102, home);
    stacks.declaredStacks = {{front, second, third}};
    release(front, bigger, {RegionEdge::right, RegionEdge::bottom}, {bigger.maxX(), bigger.maxY()});
    EXPECT_EQ(frameOf(second), bigger);
    EXPECT_EQ(frameOf(third), bigger);
    EXPECT_EQ(stacks.changes.back(), (WindowFramePairs{{front, bigger}, {second, bigger}, {third, bigger}}));
    EXPECT_TRUE(notices.isEmpty());

    // The last mate cannot grow again: both mates are restored, the resized one goes back.
    sim.setSizeHints(third.element, {.maximum = Size{900, 600}});
    const Rect biggest(300, 200, 1100, 700);
    release(front, biggest, {RegionEdge::right, RegionEdge::bottom}, {biggest.maxX(), biggest.maxY()});
    EXPECT_EQ(frameOf(front), bigger);
    EXPECT_EQ(frameOf(second), bigger);
    EXPECT_EQ(frameOf(third), bigger);
    EXPECT_EQ(notices, QStringList{u"A window in this stack could not fit. The resize was rolled back."_qs});
    expectSettled();
}

// A size the window manager gives at a release is no resize of the user's: a placed window, a
// span and a stack member maximized and given back their size by clicks (a press on the
// maximize button grabs the top and right edges), and by an edge pulled to the screen's top,
// move no divider and no other window, keep every membership, save nothing and say nothing.
TEST_F(ResizeTogether, AWindowMaximizedAndRestoredAtAReleaseChangesNoLayoutSpanOrStack)
{
    const SnapLayout& thirds = builtIn(u"thirds"_qs);
    const auto w = placeAll(thirds, kLeft, 100);
    const Rect r1 = region(thirds, 1), r2 = region(thirds, 2);
    LayoutGroup spanning = coordinator->groups().at(kLeft.key);
    sim.place(w[2].element, r1.united(r2));
    spanning.windows.erase(2);
    spanning.spans[w[2]] = {1, 2};
    state.layouts.setGroup(kLeft.key, spanning);
    const Rect home(2200, 224, 700, 500);
    const ManagedWindow front = add(200, home), mate = add(201, home);
    stacks.declaredStacks = {{front, mate}};
    const auto unchanged = [&] {
        EXPECT_EQ(frameOf(w[1]), r1);
        EXPECT_EQ(frameOf(mate), home);
        EXPECT_EQ(coordinator->groups().at(kLeft.key), spanning);
        EXPECT_FALSE(store.activeLayout(kLeft.key));
        EXPECT_TRUE(stacks.changes.empty());
        EXPECT_TRUE(notices.isEmpty()) << notices.join(u" | "_qs).toStdString();
        expectSettled();
    };

    for (const ManagedWindow& clicked : {w[0], w[2], front}) {
        const Rect before = frameOf(clicked);
        maximizedAtARelease(clicked, true, {RegionEdge::top, RegionEdge::right}, false);
        EXPECT_NE(frameOf(clicked), before);
        unchanged();
        maximizedAtARelease(clicked, false, {}, false);
        EXPECT_EQ(frameOf(clicked), before);
        unchanged();
    }
    maximizedAtARelease(w[0], true, {RegionEdge::top}, true);
    unchanged();
}

TEST_F(ResizeTogether, ADividerEditWaitingForAMovingTaskIsAppliedAfterItLatestFirstWithoutAClosedSpan)
{
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const auto w = placeAll(halves, kLeft, 100);
    const Rect r0 = region(halves, 0), r1 = region(halves, 1);
    // A third window spans both halves; it closes once the editor is open.
    const ManagedWindow wide = add(300, r0.united(r1));
    LayoutGroup group = coordinator->groups().at(kLeft.key);
    group.spans[wide] = {0, 1};
    state.layouts.setGroup(kLeft.key, group);
    coordinator->adjustLayout(kLeft);
    ASSERT_TRUE(feedback.editorChange);
    sim.closeWindow(wide.element);

    // A resize holds the guard while the user drags the divider twice.
    const Rect to(r0.x(), r0.y(), r0.width() + 100, r0.height());
    release(w[0], to, {RegionEdge::right}, {to.maxX(), to.midY()}, false, false);
    clock.advance(160ms); // the frame settled
    ASSERT_TRUE(state.interaction.mutating);
    feedback.editorChange({}, 0.3, false);
    feedback.editorChange({}, 0.4, false);
    clock.advance(1ms);
    EXPECT_TRUE(state.interaction.pendingEdit) << "the edit waits for the resize";
    clock.runUntilIdle();

    // The resize, then only the latest edit: the divider at 40 % of the unit square.
    const Rect visible = topLeftVisibleFrame(kLeft);
    const LayoutGroup& now = coordinator->groups().at(kLeft.key);
    const auto frames = now.layout.tree.frames(visible, 8);
    EXPECT_NEAR(frames.at(0).maxX(), visible.minX() + 0.4 * visible.width() - 4, 1.5);
    EXPECT_EQ(frameOf(w[0]), frames.at(0));
    EXPECT_EQ(frameOf(w[1]), frames.at(1));
    EXPECT_TRUE(now.spans.empty()) << "the closed span leaves the group";
    EXPECT_EQ(feedback.count(u"updateDividerEditor"_qs), 1);
    EXPECT_EQ(store.activeLayout(kLeft.key)->tree, now.layout.tree);
    EXPECT_FALSE(state.interaction.pendingEdit);
    EXPECT_TRUE(notices.isEmpty()) << notices.join(u" | "_qs).toStdString();
    EXPECT_FALSE(state.interaction.mutating);
}

} // namespace
} // namespace fw::snaptest
