// The drag monitor's mechanics over scripted pointer streams: the start distance, the step
// rate and the motion it holds back, moving versus resizing (by the frame, also when seen only
// at the release), the picker opened once per drag
// and display and closed on a change of display, on a newly held Alt and off every display, a
// drag with Alt held from the press (the window manager's move), the lost release, cancelling
// (also by Escape and by the window put back, during a move or a resize), a maximized window
// given its size back as its title bar is pulled (a move from that size), and the drag-state
// file; the hint over a shared edge while no button is down.
#include "DragDesk.h"

namespace fw::snaptest {
namespace {

class DragMonitorScenario : public DragDesk {
protected:
    int pickersShown(const QString& display) const
    {
        return int(std::count_if(feedback.calls.begin(), feedback.calls.end(), [&](const QString& call) {
            return call.startsWith(u"showPicker "_qs + display);
        }));
    }
};

TEST_F(DragMonitorScenario, APressBecomesAWindowDragOnlyPastTheStartDistanceAndOnceTheWindowMoves)
{
    recordHandOffs();
    auto& c = *coordinator;
    const Rect before(300, 200, 700, 500);
    const auto w = add(100, before);
    const Point grab(650, 215);
    pressOn(w, grab);
    EXPECT_EQ(monitor->candidate(), w);
    EXPECT_TRUE(monitor->grabbedEdges().empty()) << "the title bar is no edge";
    EXPECT_TRUE(state.interaction.windowInteraction);

    clock.advance(20ms);
    sim.mouse().drag({grab.x + 8, grab.y}); // 8 points: still a press
    clock.advance(20ms);
    sim.mouse().drag({grab.x + 6, grab.y + 6}); // 8.49 points, the window has not moved
    EXPECT_EQ(states(), (QStringList{u"mouse down"_qs, u"awaiting window movement"_qs}));
    sim.place(w.element, before.offsetBy(20, 0));
    clock.advance(10ms);
    sim.mouse().drag({grab.x + 20, grab.y}); // 10 ms after the last processed step: not looked at
    EXPECT_FALSE(monitor->dragging());
    sim.place(w.element, before.offsetBy(3, 0));
    clock.advance(7ms);
    sim.mouse().drag({grab.x + 20, grab.y}); // a window moved by exactly 3 points does not move yet
    EXPECT_FALSE(monitor->dragging());
    sim.place(w.element, before.offsetBy(3.01, 0));
    const int suspends = stacks.suspends;
    clock.advance(20ms);
    sim.mouse().drag({grab.x + 20, grab.y});
    EXPECT_TRUE(monitor->dragging());
    EXPECT_TRUE(monitor->hoverTimerRunning());
    EXPECT_EQ(stacks.suspends, suspends + 1);

    dragTo({700, 400});
    rest(200ms);
    releaseAt({700, 400});
    EXPECT_FALSE(monitor->hoverTimerRunning());
    EXPECT_TRUE(state.interaction.windowInteraction) << "the window is handed over after the release";
    EXPECT_EQ(fileStates(), (QStringList{u"mouse down"_qs, u"awaiting window movement"_qs, u"drag without home"_qs,
                                         u"no region target on A"_qs, u"release resizing=false span=false"_qs,
                                         u"no region target on A"_qs, u"released native or chooser"_qs}));
    const QJsonObject file = stateFile();
    EXPECT_EQ(file.value(u"app"_qs).toString(), u"App100"_qs);
    EXPECT_EQ(file.value(u"original"_qs).toString(), toString(before));
    EXPECT_EQ(file.value(u"released"_qs).toString(), toString(frameOf(w)));
    EXPECT_EQ(file.value(u"displays"_qs).toArray().size(), 2);
    EXPECT_EQ(file.value(u"events"_qs).toArray().at(1).toObject().value(u"pointer"_qs).toString(), u"{656, 221}"_qs);

    // Over no target: handed over 0.08 s after the release, with the generation then current.
    clock.advance(79ms);
    EXPECT_TRUE(releases.empty());
    clock.advance(1ms);
    ASSERT_EQ(releases.size(), 1u);
    EXPECT_EQ(releases[0], (WindowRelease{w, before, c.interactionGeneration(), {}, false, Point{700, 400}, true}));

    // A loaded window manager moves the window only after the pointer's last motion: the ticks
    // while the pointer rests start the drag. A press whose window never moves ticks only
    // while the button is down, also when its release was lost.
    for (const bool moves : {true, false}) {
        const Rect from = frameOf(w);
        const Point at{from.midX(), from.y() + 15};
        pressOn(w, at);
        sim.mouse().setPosition({at.x + 40, at.y});
        clock.advance(20ms);
        sim.mouse().drag({at.x + 40, at.y});
        EXPECT_FALSE(monitor->dragging());
        if (moves)
            sim.place(w.element, from.offsetBy(40, 0));
        rest(DragMonitor::kHoverInterval);
        EXPECT_EQ(monitor->dragging(), moves);
        if (moves) {
            releaseAt({at.x + 40, at.y});
        } else {
            sim.mouse().releaseUnseen({at.x + 40, at.y});
            rest(DragMonitor::kHoverInterval);
        }
        EXPECT_FALSE(monitor->hoverTimerRunning()) << "moves " << moves;
        clock.runUntilIdle();
    }
}

TEST_F(DragMonitorScenario, AChangeOfSizeIsANativeResizeUntilTheRelease)
{
    recordHandOffs();
    const Rect before(300, 200, 700, 500);
    const auto w = add(100, before);
    const Point edge(997, 400);
    sim.mouse().press(edge);
    EXPECT_EQ(monitor->grabbedEdges(), EdgeSet{RegionEdge::right});
    sim.place(w.element, Rect(300, 200, 704, 500));
    clock.advance(20ms);
    sim.mouse().drag({1010, 400}); // 4 points wider is no resize
    EXPECT_FALSE(monitor->resizing());
    const int suspends = stacks.suspends;
    sim.place(w.element, Rect(300, 200, 704.01, 500));
    clock.advance(20ms);
    sim.mouse().drag({1011, 400});
    EXPECT_TRUE(monitor->resizing());
    sim.place(w.element, Rect(300, 200, 760, 500)); // a resize stays one, whatever the frame does
    clock.advance(20ms);
    sim.mouse().drag({1060, 400}, ModSuper);
    EXPECT_EQ(stacks.suspends, suspends + 1) << "suspended at the first resize step only";
    EXPECT_TRUE(monitor->hoverTimerRunning()) << "ticking for a put-back or a lost release";
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_EQ(spans[1].grabbedEdges, EdgeSet{RegionEdge::right});
    EXPECT_TRUE(spans[1].span);
    EXPECT_EQ(spans[1].before, before);
    EXPECT_EQ(spans[1].current, Rect(300, 200, 760, 500));
    EXPECT_EQ(spans[1].pointer, Point(1060, 400));
    sim.mouse().release({1060, 400}, ModSuper);
    EXPECT_EQ(fileStates().mid(1), (QStringList{u"awaiting window movement"_qs, u"native resize span=false"_qs,
                                                u"native resize span=true"_qs, u"release resizing=true span=true"_qs,
                                                u"released native or chooser"_qs}));
    clock.advance(80ms);
    ASSERT_EQ(releases.size(), 1u);
    EXPECT_EQ(releases[0].grabbedEdges, EdgeSet{RegionEdge::right});
    EXPECT_TRUE(releases[0].span);

}

TEST_F(DragMonitorScenario, ThePickerOpensOncePerDragAndDisplayAndClosesOnAnotherDisplayAltOrOffEveryDisplay)
{
    auto& c = *coordinator;
    const Rect before(300, 200, 700, 500);
    const auto w = add(100, before);
    pressOn(w, {650, 215});
    dragTo({650, 240});
    dragTo({960, 10});
    EXPECT_EQ(pickersShown(u"A"_qs), 1);
    EXPECT_EQ(state.picker.pickerOriginal, before);
    dragTo({960, 400}); // far below the zone: the picker stays
    dragTo({960, 12});
    EXPECT_EQ(pickersShown(u"A"_qs), 1);
    EXPECT_TRUE(feedback.picker);
    EXPECT_EQ(states().mid(2), (QStringList{u"no region target on A"_qs, u"layout chooser on A"_qs}));

    // 10 points onto B the offer stays on A; 40 points onto B it ends and B is routed.
    dragTo({1930, 300});
    EXPECT_TRUE(feedback.picker);
    dragTo({1960, 300});
    EXPECT_FALSE(feedback.picker);
    EXPECT_EQ(states().back(), u"no region target on B"_qs);
    dragTo({2760, 30});
    EXPECT_EQ(pickersShown(u"B"_qs), 1);

    // Alt withdraws the offer without a trace; letting go of it offers again.
    const QStringList traced = states();
    dragTo({2760, 30}, ModAlt);
    EXPECT_FALSE(feedback.picker);
    EXPECT_FALSE(state.picker.pickerScreen());
    rest(100ms);
    EXPECT_EQ(states(), traced);
    dragTo({2760, 31});
    EXPECT_EQ(pickersShown(u"B"_qs), 2);

    // 10 points below B, closer to it than 24, is off every display: the offer ends.
    dragTo({2760, 1060});
    EXPECT_FALSE(feedback.picker);
    EXPECT_EQ(states().back(), u"outside displays"_qs);
    dragTo({2760, 31});
    EXPECT_EQ(pickersShown(u"B"_qs), 3);

    // Released over "Halves" region 1 of B's picker: placed there 0.1 s later.
    const Point target = feedback.pickerPoint(0, 1);
    dragTo(target);
    releaseAt(target);
    EXPECT_FALSE(state.interaction.windowInteraction);
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(w), region(u"halves"_qs, 1, kRight));
    EXPECT_EQ(c.groups().at(u"B"_qs).windows.at(1), w);
    EXPECT_TRUE(notices.isEmpty());
}

// The desktop switched under a drag (the window manager carries the dragged window along) ends
// the interaction and takes the picker away: the drag is not left on a picker that is gone. The
// top centre opens it again and a release over it places the window.
TEST_F(DragMonitorScenario, APickerTakenAwayUnderADragOpensAgainAtTheTopCentre)
{
    auto& c = *coordinator;
    const auto w = add(100, Rect(300, 200, 700, 500));
    pressOn(w, {650, 215});
    dragTo({650, 240});
    dragTo({960, 10});
    ASSERT_EQ(pickersShown(u"A"_qs), 1);
    c.displaysChanged();
    EXPECT_FALSE(feedback.picker || state.picker.shown());

    dragTo({960, 12});
    EXPECT_EQ(pickersShown(u"A"_qs), 2);
    ASSERT_TRUE(state.picker.shown());
    EXPECT_EQ(state.picker.dragPickerDisplay(), u"A"_qs);
    const Point target = feedback.pickerPoint(0, 1);
    dragTo(target);
    releaseAt(target);
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(w), region(u"halves"_qs, 1));
    EXPECT_FALSE(state.picker.shown());
}

// Alt held from the press is the window manager's move (Alt+drag in the client area, here
// within reach of the left edge, which the frame moved with its size kept tells from a resize):
// followed and offered like a title-bar drag, and its release with Alt still held places the
// window. Alt let go and pressed again, or pressed during a drag
// that began without it, withdraws the offers, and a release with it newly held drops the
// window where it is.
TEST_F(DragMonitorScenario, AltHeldFromThePressIsTheWindowManagersMoveAndOnlyANewlyHeldAltBypasses)
{
    recordHandOffs();
    auto& c = *coordinator;
    const Rect before(300, 200, 700, 500);
    const auto w = add(100, before);
    pressOn(w, {304, 500}, ModAlt);
    EXPECT_EQ(monitor->candidate(), w);
    EXPECT_EQ(monitor->grabbedEdges(), EdgeSet{RegionEdge::left}) << "Alt may resize near an edge";
    dragTo({314, 480}, ModAlt);
    dragTo({960, 10}, ModAlt);
    EXPECT_TRUE(monitor->dragging());
    EXPECT_FALSE(monitor->resizing());
    ASSERT_TRUE(feedback.picker);
    const Point target = feedback.pickerPoint(0, 0);
    dragTo(target, ModAlt);
    releaseAt(target, ModAlt);
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(w), region(u"halves"_qs, 0));
    EXPECT_EQ(c.groups().at(u"A"_qs).windows.at(0), w);
    EXPECT_EQ(fileStates().back(), u"released native or chooser"_qs);

    // The move key let go and pressed again during the drag is a new Alt: the offer goes.
    const Rect placed = frameOf(w);
    pressOn(w, {placed.midX(), placed.midY()}, ModAlt);
    dragTo({placed.midX(), placed.midY() - 30}, ModAlt);
    dragTo({960, 10}, ModAlt);
    ASSERT_TRUE(feedback.picker);
    dragTo({960, 12});
    EXPECT_TRUE(feedback.picker);
    dragTo({960, 10}, ModAlt);
    EXPECT_FALSE(feedback.picker);
    releaseAt({960, 10}, ModAlt);
    EXPECT_EQ(fileStates().back(), u"alt bypass"_qs);
    EXPECT_FALSE(state.interaction.windowInteraction);
    EXPECT_TRUE(releases.empty());

    pressOn(w, {650, 215});
    dragTo({650, 240});
    dragTo({960, 10});
    ASSERT_TRUE(feedback.picker);
    const auto generation = c.interactionGeneration();
    releaseAt(feedback.pickerPoint(0, 1), ModAlt);
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(w), pressFrame.offsetBy(310, -205)) << "left where the window manager put it";
    EXPECT_GT(c.interactionGeneration(), generation);
    EXPECT_FALSE(state.picker.pickerScreen());
    EXPECT_TRUE(releases.empty());
    EXPECT_FALSE(state.interaction.windowInteraction);
    EXPECT_EQ(fileStates().mid(fileStates().size() - 2),
              (QStringList{u"release resizing=false span=false"_qs, u"alt bypass"_qs}));
}

TEST_F(DragMonitorScenario, ALostReleaseCancelsTheDragAfterTheWatchdogAndACancelEndsItTheSameWay)
{
    auto& c = *coordinator;
    const auto w = add(100, Rect(300, 200, 700, 500));
    pressOn(w, {650, 215});
    dragTo({650, 260});
    dragTo({960, 10});
    ASSERT_TRUE(feedback.picker);
    sim.mouse().releaseUnseen({960, 10});
    const auto generation = c.interactionGeneration();
    rest(170ms);
    EXPECT_TRUE(monitor->dragging()) << "the button is up for less than 0.18 s at the ticks so far";
    rest(130ms);
    EXPECT_FALSE(monitor->candidate());
    EXPECT_FALSE(monitor->hoverTimerRunning());
    EXPECT_EQ(c.interactionGeneration(), generation + 1);
    EXPECT_FALSE(feedback.picker);
    EXPECT_FALSE(state.interaction.windowInteraction);
    EXPECT_EQ(fileStates().back(), u"cancelled"_qs);
    EXPECT_FALSE(stateFile().value(u"events"_qs).toArray().last().toObject().contains(u"pointer"_qs));

    // A click writes no file.
    QFile::remove(diagnosticsFile(kDragStateFile));
    pressOn(w, {650, 215});
    releaseAt({650, 215});
    clock.advance(100ms);
    EXPECT_FALSE(QFile::exists(diagnosticsFile(kDragStateFile)));

    // The shell's cancel: the trace ends "cancelled", the file is written, the drag forgotten
    // and the interaction ended.
    pressOn(w, {650, 215});
    dragTo({650, 260});
    const auto before = c.interactionGeneration();
    monitor->cancel();
    EXPECT_EQ(fileStates().back(), u"cancelled"_qs);
    EXPECT_FALSE(monitor->candidate());
    EXPECT_EQ(c.interactionGeneration(), before + 1);
    EXPECT_FALSE(state.interaction.windowInteraction);
    rest(1s);
    EXPECT_FALSE(monitor->hoverTimerRunning());

    // A press on one of our panels starts nothing, but the drag before it is over.
    pressOn(w, {650, 215});
    feedback.overPanel = true;
    const int refreshes = stacks.refreshes;
    sim.mouse().press({650, 215});
    EXPECT_FALSE(monitor->candidate());
    EXPECT_FALSE(state.interaction.windowInteraction);
    EXPECT_GT(stacks.refreshes, refreshes);
    sim.mouse().release({650, 215});
    feedback.overPanel = false;

    // Paused: nothing is followed.
    monitor->enabled = false;
    pressOn(w, {650, 215});
    EXPECT_FALSE(monitor->candidate());
}

TEST_F(DragMonitorScenario, AMotionHeldBackByTheStepRateIsHandledWhenItsIntervalEnds)
{
    const auto w = add(100, Rect(300, 200, 700, 500));
    pressOn(w, {650, 215});
    dragTo({650, 260});
    ASSERT_TRUE(monitor->dragging());
    // Two motions 5 and 7 ms after that step: the later one, into the zone, is the one handled
    // once 1/60 s has passed since the step, before any hover tick.
    clock.advance(5ms);
    sim.mouse().drag({900, 120});
    clock.advance(2ms);
    sim.place(w.element, pressFrame.offsetBy(310, -205));
    sim.mouse().drag({960, 10});
    clock.advance(9ms);
    EXPECT_EQ(pickersShown(u"A"_qs), 0);
    clock.advance(1ms);
    EXPECT_EQ(pickersShown(u"A"_qs), 1);
    EXPECT_EQ(states().back(), u"layout chooser on A"_qs);

    // The hover tick (0.06 s after the drag's first step) is no step of the rate: a motion
    // 1 ms after it is handled at once (40 points onto B the offer ends).
    const int hovers = feedback.count(u"pickerHitArea"_qs);
    rest(43ms);
    ASSERT_EQ(feedback.count(u"pickerHitArea"_qs), hovers + 1) << "the tick";
    clock.advance(1ms);
    sim.mouse().drag({1960, 300});
    EXPECT_FALSE(feedback.picker);

    // Alt forgets a held motion: no offer comes back when its interval ends.
    dragTo({2760, 30});
    ASSERT_EQ(pickersShown(u"B"_qs), 1);
    clock.advance(5ms);
    sim.mouse().drag({2760, 1060});
    sim.mouse().drag({2760, 31}, ModAlt);
    EXPECT_FALSE(feedback.picker);
    rest(20ms);
    EXPECT_FALSE(feedback.picker);
    EXPECT_EQ(states().back(), u"layout chooser on B"_qs);
}

TEST_F(DragMonitorScenario, EscapeWhileTheWindowMovesOrTheWindowPutBackCancelsTheDragAndPlacesNothing)
{
    recordHandOffs();
    auto& c = *coordinator;
    const auto w = add(100, Rect(300, 200, 700, 500));
    pressOn(w, {650, 215});
    EXPECT_FALSE(sim.mouse().escapeWatched()) << "a press alone does not watch the keyboard";
    dragTo({650, 260});
    EXPECT_TRUE(sim.mouse().escapeWatched());
    dragTo({960, 10});
    const Point overRegion = feedback.pickerPoint(0, 1);
    dragTo(overRegion);
    ASSERT_TRUE(feedback.picker);
    auto generation = c.interactionGeneration();
    ASSERT_TRUE(sim.mouse().escape());
    EXPECT_FALSE(feedback.picker);
    EXPECT_FALSE(monitor->candidate());
    EXPECT_FALSE(sim.mouse().escapeWatched());
    EXPECT_EQ(c.interactionGeneration(), generation + 1);
    EXPECT_FALSE(state.interaction.windowInteraction);
    EXPECT_EQ(fileStates().mid(fileStates().size() - 2), (QStringList{u"escape"_qs, u"cancelled"_qs}));
    const Rect left = frameOf(w);
    releaseAt(overRegion);
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(w), left);
    EXPECT_TRUE(releases.empty());

    // The window manager ends its move itself and puts the window back while the pointer stays
    // away: seen at two ticks in a row, the drag ends the same way.
    pressOn(w, {650, 215});
    dragTo({650, 260});
    dragTo({960, 10});
    ASSERT_TRUE(feedback.picker);
    sim.place(w.element, pressFrame);
    rest(DragMonitor::kHoverInterval);
    EXPECT_TRUE(monitor->dragging()) << "one tick may see a move lagging behind the pointer";
    generation = c.interactionGeneration();
    rest(DragMonitor::kHoverInterval);
    EXPECT_FALSE(monitor->candidate());
    EXPECT_FALSE(feedback.picker);
    EXPECT_EQ(c.interactionGeneration(), generation + 1);
    EXPECT_EQ(fileStates().mid(fileStates().size() - 2), (QStringList{u"window put back"_qs, u"cancelled"_qs}));
    releaseAt({960, 10});
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(w), pressFrame);
    EXPECT_TRUE(releases.empty());
}

// The window manager's resize of a placed window (Halves, both regions occupied) by its right
// edge, with the resize-together preview showing: Escape ends our side at once (outlines and
// pill gone, the release applies nothing, the neighbour keeps its frame); so does the window
// manager putting the window back while the pointer stays out, but not a terminal's edge that
// has not yet reached its next cell; and a resize left alone still applies on release.
TEST_F(DragMonitorScenario, EscapeOrThePutBackDuringAResizeOfAPlacedWindowEndsItsPreviewAtOnceAndAppliesNothing)
{
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const Rect r0 = region(halves, 0), r1 = region(halves, 1);
    const auto w = add(100, r0), neighbour = add(101, r1);
    state.layouts.setGroup(kLeft.key, LayoutGroup{halves, {{0, w}, {1, neighbour}}, {}});
    sim.setSizeHints(w.element, SizeHints{std::nullopt, std::nullopt, Size{30, 20}, Size{}});
    const Point edge{r0.maxX() - 1, r0.midY()};
    // The last word of the resize feedback: shown, or hidden.
    const auto previewShown = [&] {
        for (auto call = feedback.calls.rbegin(); call != feedback.calls.rend(); ++call) {
            if (call->startsWith(u"showResizeOutlines"_qs))
                return call->contains(u"Resize together · Release to apply"_qs);
            if (*call == u"hideResizeFeedback"_qs || *call == u"hideAll"_qs)
                return false;
        }
        return false;
    };
    // The window manager resizes the window's right edge to the pointer (`to` wide) and the
    // platform reports the pointer 20 ms later.
    const auto resizeTo = [&](double pointerX, double width) {
        sim.place(w.element, Rect(r0.x(), r0.y(), width, r0.height()));
        sim.mouse().setPosition({pointerX, edge.y});
        clock.advance(20ms);
        sim.mouse().drag({pointerX, edge.y});
    };
    const auto appliedNothing = [&] {
        clock.runUntilIdle();
        EXPECT_EQ(frameOf(neighbour), r1);
        EXPECT_EQ(coordinator->groups().at(kLeft.key).layout.tree, halves.tree);
        EXPECT_FALSE(state.interaction.windowInteraction);
        EXPECT_FALSE(previewShown());
    };

    sim.mouse().press(edge);
    resizeTo(edge.x + 120, r0.width() + 120);
    ASSERT_TRUE(monitor->resizing());
    EXPECT_TRUE(previewShown()) << feedback.calls.join(u"\n"_qs).toStdString();
    EXPECT_TRUE(sim.mouse().escapeWatched());
    const auto generation = coordinator->interactionGeneration();
    ASSERT_TRUE(sim.mouse().escape());
    EXPECT_FALSE(previewShown()) << "the outlines stayed after Escape";
    EXPECT_FALSE(monitor->candidate());
    EXPECT_FALSE(sim.mouse().escapeWatched());
    EXPECT_EQ(coordinator->interactionGeneration(), generation + 1);
    EXPECT_EQ(fileStates().mid(fileStates().size() - 2), (QStringList{u"escape"_qs, u"cancelled"_qs}));
    sim.place(w.element, r0); // the window manager cancels its resize
    clock.advance(20ms);
    sim.mouse().drag({edge.x + 121, edge.y});
    EXPECT_FALSE(previewShown());
    sim.mouse().release({edge.x + 121, edge.y});
    appliedNothing();

    // Back to one cell short of the next (the terminal's edge stays where it began): still the
    // resize. The window put back with the pointer two cells out: seen at two ticks in a row.
    sim.mouse().press(edge);
    resizeTo(edge.x + 90, r0.width() + 90);
    resizeTo(edge.x + 25, r0.width());
    rest(3 * DragMonitor::kHoverInterval);
    EXPECT_TRUE(monitor->resizing()) << "an edge short of its next cell is no put-back";
    resizeTo(edge.x + 90, r0.width() + 90);
    EXPECT_TRUE(previewShown());
    sim.place(w.element, r0);
    sim.mouse().setPosition({edge.x + 60, edge.y});
    rest(DragMonitor::kHoverInterval);
    EXPECT_TRUE(monitor->resizing()) << "one tick may see a resize lagging behind the pointer";
    rest(DragMonitor::kHoverInterval);
    EXPECT_FALSE(monitor->candidate());
    EXPECT_FALSE(previewShown()) << "the outlines stayed after the put-back";
    EXPECT_EQ(fileStates().mid(fileStates().size() - 2), (QStringList{u"window put back"_qs, u"cancelled"_qs}));
    sim.mouse().release({edge.x + 60, edge.y});
    appliedNothing();

    // Left alone, the same resize still applies on release: the neighbour follows the edge.
    sim.mouse().press(edge);
    resizeTo(edge.x + 90, r0.width() + 90);
    rest(3 * DragMonitor::kHoverInterval);
    EXPECT_TRUE(monitor->resizing());
    sim.mouse().release({edge.x + 90, edge.y});
    clock.runUntilIdle();
    EXPECT_NEAR(frameOf(neighbour).minX(), r0.maxX() + 90 + 8, 1);
    EXPECT_FALSE(previewShown());
}

// A placed window (Halves, both regions occupied) whose frame the window manager moves with its
// size kept is moved, wherever the press lay and whatever key is held: pressed 4 points below
// its top (within reach of the top edge, on the title bar), it reaches the picker, and released
// away from it, it stays there and leaves its region. Super held from a press 4 points inside
// its right edge (the move key of GNOME's and KWin's window managers) moves it too, stated as
// the move key or not, and its release spans nothing.
TEST_F(DragMonitorScenario, AWindowMovedWithItsSizeKeptIsAMoveWhereverThePressLayAndWhateverKeyIsHeld)
{
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const Rect r0 = region(halves, 0), r1 = region(halves, 1);
    const auto w = add(100, r0), neighbour = add(101, r1);
    const auto placed = [&] {
        sim.place(w.element, r0);
        state.layouts.setGroup(kLeft.key, LayoutGroup{halves, {{0, w}, {1, neighbour}}, {}});
    };
    const auto leftItsRegion = [&](const Rect& at) {
        clock.runUntilIdle();
        EXPECT_EQ(frameOf(w), at) << "pulled back";
        const LayoutGroup& group = coordinator->groups().at(kLeft.key);
        EXPECT_FALSE(group.windows.count(0));
        EXPECT_TRUE(group.spans.empty());
        EXPECT_EQ(frameOf(neighbour), r1);
        EXPECT_FALSE(state.interaction.windowInteraction);
    };

    placed();
    pressOn(w, {r0.midX(), r0.y() + 4});
    EXPECT_EQ(monitor->grabbedEdges(), EdgeSet{RegionEdge::top});
    dragTo({r0.midX(), r0.y() + 30});
    dragTo({960, 10});
    EXPECT_TRUE(monitor->dragging());
    EXPECT_FALSE(monitor->resizing());
    EXPECT_EQ(pickersShown(u"A"_qs), 1);
    dragTo({1300, 400});
    releaseAt({1300, 400});
    leftItsRegion(r0.offsetBy(1300 - r0.midX(), 396 - r0.y()));

    for (const bool stated : {false, true}) {
        monitor->moveModifier = [stated] { return stated ? std::optional<Modifiers>(ModSuper) : std::nullopt; };
        placed();
        const Point press{r0.maxX() - 4, r0.midY()};
        pressOn(w, press, ModSuper);
        EXPECT_EQ(monitor->grabbedEdges(), stated ? EdgeSet{} : EdgeSet{RegionEdge::right});
        dragTo({press.x + 100, press.y + 50}, ModSuper);
        dragTo({press.x + 200, press.y + 100}, ModSuper);
        EXPECT_TRUE(monitor->dragging()) << "stated " << stated;
        releaseAt({press.x + 200, press.y + 100}, ModSuper);
        EXPECT_EQ(fileStates().at(fileStates().size() - 3), u"release resizing=false span=false"_qs);
        leftItsRegion(r0.offsetBy(200, 100));
    }
}

// A maximized window pressed on its title bar, to which the window manager gives its size from
// before as the move starts, under the pointer held where it held the title bar: a move from
// that frame (also before the state reads back left); pulled down and
// back up, it has climbed to the picker's zone though the press lay in it; maximized again at the
// top while the button is held (metacity), it was not put back. Given its size back a step away
// from the pointer (mutter, muffin) or at its old place (jwm), it moves from there once the frame
// under the pointer or moving on at that size settles it; moved at its maximized size first and
// given its size back only then (metacity on a busy machine), the move goes on from that size,
// and maximized again at the top it was not put back either; so also after five moves at that
// size, but not a second into the move (then the manager's own). A side tile with no state (xfwm4)
// is the same move; tiled by the manager on the way, a window moves on from its press frame.
// Pressed on its edge, the same window is resized, and a window pressed off
// its title bar that changes size too.
TEST_F(DragMonitorScenario, AMaximizedWindowGivenItsSizeBackAsItsTitleBarIsPulledMovesFromThatSize)
{
    recordHandOffs();
    const Rect visible = topLeftVisibleFrame(kLeft);
    sim.addApp({.pid = 100, .name = u"App100"_qs});
    const auto w = *ManagedWindow::make(sim, sim.addWindow({.pid = 100, .frame = Rect(500, 300, 600, 400), .titleBar = 24}));
    const auto maximize = [&] {
        sim.setMaximized(w.element, true);
        sim.place(w.element, visible);
    };
    maximize();
    // Pressed low on the title bar; the pointer in its middle on the restored frame (metacity).
    const Point grab{visible.midX(), visible.y() + 20};
    const Rect restored(grab.x - 300, visible.y() + 68, 600, 400);
    // The pointer to the point with the restored frame following it.
    const auto pull = [&](const Point& p) {
        sim.place(w.element, restored.offsetBy(p.x - grab.x, p.y - grab.y - 60));
        sim.mouse().setPosition(p);
        clock.advance(20ms);
        sim.mouse().drag(p);
    };
    pressOn(w, grab);
    EXPECT_TRUE(monitor->grabbedEdges().empty());
    pull({grab.x, grab.y + 60});
    EXPECT_TRUE(monitor->dragging()) << "the state may read back left later";
    sim.setMaximized(w.element, false);
    pull({grab.x, grab.y + 300});
    pull({grab.x, grab.y - 5});
    rest(DragMonitor::kHoverInterval);
    EXPECT_EQ(pickersShown(u"A"_qs), 1) << "climbed from the lowest point";
    maximize();
    sim.mouse().setPosition({grab.x + 60, grab.y + 80});
    rest(4 * DragMonitor::kHoverInterval);
    EXPECT_TRUE(monitor->dragging()) << "taken for a put-back";
    releaseAt({grab.x + 60, grab.y + 80});
    EXPECT_EQ(fileStates().mid(1, 3),
              (QStringList{u"restored as the move starts"_qs, u"drag without home"_qs, u"no region target on A"_qs}));
    EXPECT_EQ(stateFile().value(u"original"_qs).toString(), toString(restored));
    clock.runUntilIdle();

    // Given back a step away from the pointer, 70 points below the frame's top: neither a move
    // nor a resize yet; a step later under the pointer, a move from there.
    const auto settles = [&](const Rect& first, const Point& at, const Rect& then) {
        pressOn(w, grab);
        sim.setMaximized(w.element, false);
        sim.place(w.element, first);
        sim.mouse().setPosition(at);
        clock.advance(20ms);
        sim.mouse().drag(at);
        EXPECT_FALSE(monitor->dragging() || monitor->resizing()) << fileStates().join(u", "_qs).toStdString();
        sim.place(w.element, then);
        rest(DragMonitor::kHoverInterval);
        EXPECT_TRUE(monitor->dragging() && !monitor->resizing()) << fileStates().join(u", "_qs).toStdString();
        releaseAt(at);
        EXPECT_EQ(stateFile().value(u"original"_qs).toString(), toString(then));
        clock.runUntilIdle();
    };
    maximize();
    settles(restored.offsetBy(60, -68), {grab.x, grab.y + 70}, restored.offsetBy(0, 10));
    // Given back at its old place, far from the pointer, then moved on at that size.
    maximize();
    settles(Rect(500, 300, 600, 400), {grab.x + 10, grab.y + 30}, Rect(510, 330, 600, 400));

    // Moved at its maximized size first, its size given back only then: the move goes on from
    // that size, and maximized again at the top, it was not put back.
    maximize();
    pressOn(w, grab);
    sim.place(w.element, visible.offsetBy(0, 30));
    clock.advance(20ms);
    sim.mouse().drag({grab.x, grab.y + 30});
    EXPECT_TRUE(monitor->dragging());
    pull({grab.x, grab.y + 200});
    pull({grab.x, grab.y - 5});
    sim.setMaximized(w.element, true);
    sim.place(w.element, visible);
    rest(4 * DragMonitor::kHoverInterval);
    EXPECT_TRUE(monitor->dragging()) << "taken for a put-back";
    releaseAt({grab.x, grab.y - 5});
    EXPECT_EQ(stateFile().value(u"original"_qs).toString(), toString(restored.offsetBy(0, 140)));
    EXPECT_TRUE(fileStates().contains(u"restored as the window moves"_qs));
    clock.runUntilIdle();

    // Given back only after five moves at its maximized size (a manager slowed down), the move
    // still goes on from that size; given back a second into the move, the change is the
    // manager's own and the move goes on from the press frame.
    for (const bool late : {false, true}) {
        maximize();
        pressOn(w, grab);
        for (int step = 1; step <= 5; ++step)
            dragTo({grab.x, grab.y + 10 * step});
        EXPECT_TRUE(monitor->dragging());
        if (late)
            rest(1s);
        sim.setMaximized(w.element, false);
        pull({grab.x, grab.y + 100});
        releaseAt({grab.x, grab.y + 100});
        EXPECT_EQ(stateFile().value(u"original"_qs).toString(), toString(late ? visible : restored.offsetBy(0, 40)))
            << "late " << late;
        EXPECT_EQ(fileStates().contains(u"restored as the window moves"_qs), !late);
        clock.runUntilIdle();
    }

    // Moved at its maximized size and kept within the display (icewm): it follows a pull down
    // by a few points only, and with the pointer back at the top its frame is the press frame
    // again for as long as the user rests there for the picker: no put-back.
    const auto heldAt = [&](const Rect& frame, const Point& p) {
        sim.place(w.element, frame);
        sim.mouse().setPosition(p);
        clock.advance(20ms);
        sim.mouse().drag(p);
    };
    maximize();
    pressOn(w, grab);
    heldAt(visible.offsetBy(0, 11), {grab.x, grab.y + 100});
    heldAt(visible.offsetBy(0, 11), {grab.x, grab.y + 300});
    EXPECT_TRUE(monitor->dragging());
    heldAt(visible, {grab.x, visible.y()});
    rest(10 * DragMonitor::kHoverInterval);
    EXPECT_TRUE(monitor->dragging()) << "taken for a put-back: " << fileStates().join(u", "_qs).toStdString();
    releaseAt({grab.x, visible.y()});
    EXPECT_FALSE(fileStates().contains(u"window put back"_qs));
    clock.runUntilIdle();

    // On its right edge: a resize, though the window manager takes it out of the state.
    maximize();
    const Point edge{visible.maxX() - 2, visible.midY()};
    pressOn(w, edge);
    EXPECT_EQ(monitor->grabbedEdges(), EdgeSet{RegionEdge::right});
    sim.setMaximized(w.element, false);
    sim.place(w.element, Rect(visible.x(), visible.y(), visible.width() - 100, visible.height()));
    clock.advance(20ms);
    sim.mouse().drag({edge.x - 100, edge.y});
    EXPECT_TRUE(monitor->resizing());
    releaseAt({edge.x - 100, edge.y});
    clock.runUntilIdle();

    // Tiled to the left half with no state: given its size back under the pointer, a move.
    const Rect tile(visible.x(), visible.y(), visible.width() / 2, visible.height());
    sim.place(w.element, tile);
    pressOn(w, {tile.midX(), tile.y() + 12});
    sim.place(w.element, Rect(tile.midX() - 280, tile.y() + 20, 600, 400));
    clock.advance(20ms);
    sim.mouse().drag({tile.midX() + 20, tile.y() + 32});
    EXPECT_TRUE(monitor->dragging() && !monitor->resizing());
    releaseAt({tile.midX() + 20, tile.y() + 32});
    clock.runUntilIdle();

    // Moved at its size for a few steps, then tiled by the manager on the way (xfwm4 at a
    // corner): the move goes on, from the frame it had at the press.
    const Rect free(400, 300, 600, 400);
    sim.place(w.element, free);
    pressOn(w, {free.midX(), free.y() + 12});
    for (int step = 1; step <= 4; ++step)
        dragTo({free.midX() - 40 * step, free.y() + 12 - 20 * step});
    sim.place(w.element, Rect(visible.x(), visible.y(), visible.width() / 2, visible.height() / 2));
    const Point corner{visible.x() + 200, visible.y() + 10};
    sim.mouse().setPosition(corner);
    clock.advance(20ms);
    sim.mouse().drag(corner);
    EXPECT_TRUE(monitor->dragging() && !monitor->resizing());
    releaseAt(corner);
    EXPECT_EQ(stateFile().value(u"original"_qs).toString(), toString(free));
    clock.runUntilIdle();

    // Pressed off its title bar and off its edges: a change of size is a resize.
    const Rect plain(400, 300, 600, 400);
    sim.place(w.element, plain);
    pressOn(w, {plain.midX(), plain.y() + 100});
    sim.place(w.element, Rect(plain.x(), plain.y(), 500, 300));
    clock.advance(20ms);
    sim.mouse().drag({plain.midX() + 20, plain.y() + 100});
    EXPECT_TRUE(monitor->resizing());
    releaseAt({plain.midX() + 20, plain.y() + 100});
}

// A window manager that resizes an outline changes the frame once, at the release (fluxbox, which
// also refuses a resize begun with Super held): the drag sees no change, and Super pressed
// during it and held over the release spans the regions the frame then covers. The same release
// over a window that did not change spans nothing and leaves the layout alone.
TEST_F(DragMonitorScenario, AResizeShownOnlyAtTheReleaseSpansWithSuperHeldThenAndAPressThatChangedNothingSpansNothing)
{
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const Rect r0 = region(halves, 0), r1 = region(halves, 1);
    const auto w = add(100, r0), neighbour = add(101, r1);
    state.layouts.setGroup(kLeft.key, LayoutGroup{halves, {{0, w}, {1, neighbour}}, {}});
    const Point grip{r0.maxX() - 2, r0.maxY() - 2};
    const Point to{grip.x + 600, grip.y};
    for (const bool resized : {false, true}) {
        sim.mouse().press(grip);
        EXPECT_EQ(monitor->grabbedEdges(), (EdgeSet{RegionEdge::right, RegionEdge::bottom}));
        for (const auto& [x, m] : {std::pair{grip.x + 300, Modifiers(0)}, std::pair{to.x, Modifiers(ModSuper)}}) {
            sim.mouse().setPosition({x, grip.y});
            clock.advance(20ms);
            sim.mouse().drag({x, grip.y}, m);
        }
        EXPECT_FALSE(monitor->dragging() || monitor->resizing());
        sim.mouse().release(to, ModSuper);
        EXPECT_EQ(fileStates().at(fileStates().size() - 2), u"release resizing=false span=true"_qs);
        if (resized)
            sim.place(w.element, Rect(r0.origin, Size{r0.width() + 600, r0.height()}));
        clock.runUntilIdle();
        const LayoutGroup& group = coordinator->groups().at(kLeft.key);
        if (resized) {
            EXPECT_EQ(group.spans.count(w) ? group.spans.at(w) : std::set<RegionNumber>{}, (std::set<RegionNumber>{0, 1}));
            EXPECT_EQ(frameOf(w), r0.united(r1));
        } else {
            EXPECT_TRUE(group.spans.empty());
            EXPECT_EQ(frameOf(w), r0);
            EXPECT_EQ(frameOf(neighbour), r1);
            EXPECT_EQ(group.layout.tree, halves.tree);
        }
        EXPECT_TRUE(notices.isEmpty()) << notices.join(u" | "_qs).toStdString();
        EXPECT_FALSE(state.interaction.windowInteraction);
    }
}

TEST_F(DragMonitorScenario, TheSharedEdgeHintFollowsThePointerAtMostTenTimesASecondAndToWhereItRests)
{
    auto& c = *coordinator;
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const auto left = add(100, region(halves, 0));
    const auto right = add(101, region(halves, 1));
    state.layouts.setGroup(u"A"_qs, LayoutGroup{halves, {{0, left}, {1, right}}, {}});
    // The bar is 6 points wide over x = 960 (the visible frame inset by 4): 957…963.
    feedback.calls.clear();
    clock.advance(200ms);
    sim.mouse().move({955, 500}); // over the left window, 7 points beside the bar
    EXPECT_EQ(feedback.calls.filter(u"showEdgeHint"_qs),
              (QStringList{u"showEdgeHint {{957, 16}, {6, 1018}} Resize together Drag this shared edge "
                           "arrow.left.and.right {955, 500} A"_qs}));
    clock.advance(50ms);
    sim.mouse().move({900, 500}); // within 0.1 s: the hint is not looked at again
    EXPECT_EQ(feedback.count(u"hideResizeFeedback"_qs), 0);
    EXPECT_EQ(feedback.calls.last(), u"moveResizeHint {900, 500}"_qs);
    clock.advance(60ms); // the pointer comes to rest there: once the 0.1 s is over, the hint follows
    EXPECT_EQ(feedback.count(u"hideResizeFeedback"_qs), 1);
    clock.advance(200ms);
    sim.mouse().move({955, 500});
    clock.advance(20ms);
    sim.mouse().move({949.99, 500});
    sim.mouse().press({949.99, 500}); // a press drops the hint held back
    clock.advance(200ms);
    EXPECT_EQ(feedback.count(u"hideResizeFeedback"_qs), 1);
    sim.mouse().release({949.99, 500});
    EXPECT_EQ(feedback.count(u"showEdgeHint"_qs), 2);

    // A window off its region by more than 6 points shows nothing.
    sim.place(left.element, region(halves, 0).offsetBy(0, 7));
    clock.advance(110ms);
    sim.mouse().move({955, 500});
    EXPECT_EQ(feedback.count(u"showEdgeHint"_qs), 2);
    // While the picker is open the hint is left alone.
    sim.place(left.element, region(halves, 0));
    c.showLayoutPicker(std::nullopt, kLeft, false, std::nullopt, false);
    feedback.calls.clear();
    clock.advance(110ms);
    sim.mouse().move({955, 500});
    EXPECT_EQ(feedback.count(u"showEdgeHint"_qs) + feedback.count(u"hideResizeFeedback"_qs), 0);
}

} // namespace
} // namespace fw::snaptest
