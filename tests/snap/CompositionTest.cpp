// Compositions, whole gestures on the simulated desktop: a layout whose regions name apps
// places the running ones (one from the other display, one behind another), launches the
// missing one and places its window when it has settled, while an app that is not installed
// is named once and leaves its region to the display's other windows; the 20 s limit with its
// notice; another layout stopping the late-window task; a layout without apps (with a
// terminal on its cell grid); a composition that does not hold, with its state file; a press
// while the arranged windows settle; stacks,
// whose members size in different steps, moving whole; the user's own entry of a program
// beside the system's.
#include "SnapFixture.h"

#include "snap/CompositionNotices.h"
#include "snap/CompositionRecords.h"
#include "snap/Compositions.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace fw::snaptest {
namespace {

class Composition : public SnapDesk {
protected:
    // An installed application whose windows carry the class `name`.
    void install(const QString& id, const QString& name)
    {
        ApplicationEntry entry;
        entry.id = id;
        entry.name = name;
        entry.startupWmClass = name;
        apps->add(entry);
    }
    // A running window of the application with the class.
    ManagedWindow window(Pid pid, const QString& appClass, const Rect& frame)
    {
        if (!sim.app(pid))
            sim.addApp({.pid = pid, .name = appClass});
        const WindowId id = sim.addWindow({.pid = pid, .title = appClass, .appClass = appClass, .frame = frame});
        return ManagedWindow::make(sim, id).value_or(ManagedWindow{});
    }
    // Launching the app makes its window appear `delay` later.
    void launchesLate(const QString& id, Pid pid, const QString& appClass, Duration delay, WindowId* appeared = nullptr)
    {
        apps->onLaunch(id, [this, pid, appClass, delay, appeared] {
            launchedAt = clock.now();
            const WindowId w = sim.launchLate({.pid = pid, .name = appClass},
                                              {.title = appClass, .appClass = appClass, .frame = Rect(300, 200, 800, 600)},
                                              delay);
            if (appeared)
                *appeared = w;
        });
    }
    static SnapLayout work(SnapLayout::AppMap apps)
    {
        return SnapLayout{u"user-1"_qs, u"Work"_qs, H(0.5, L(0), V(0.5, L(1), L(2))), std::move(apps)};
    }
    // Runs virtual time until the notices number `count` (at most 30 s).
    void until(int count)
    {
        for (int i = 0; i < 3000 && notices.size() < count; ++i)
            clock.advance(10ms);
    }
    QByteArray stateBytes() const
    {
        QFile file(diagnosticsFile(kCompositionStateFile));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QJsonObject stateFile() const { return QJsonDocument::fromJson(stateBytes()).object(); }
    static QJsonArray array(const Rect& r) { return QJsonArray{r.x(), r.y(), r.width(), r.height()}; }

    Duration launchedAt{0}; // of the last launch
};

TEST_F(Composition, RunningAppsArePlacedAMissingOneIsOpenedAndPlacedWhenItSettlesAndAnUninstalledOneLeavesItsSpotFree)
{
    auto& c = start(true);
    install(u"org.example.Mail"_qs, u"Mail"_qs);
    install(u"org.example.Notes"_qs, u"Notes"_qs);
    install(u"org.example.Web"_qs, u"Web"_qs);
    const auto mail = window(100, u"Mail"_qs, Rect(2000, 100, 600, 500)); // on the other display
    const auto notes = window(101, u"Notes"_qs, Rect(100, 100, 500, 400));
    const auto loose = window(102, u"Loose"_qs, Rect(700, 300, 500, 400));
    WindowId web = 0;
    launchesLate(u"org.example.Web"_qs, 103, u"Web"_qs, 3s, &web);
    apps->onLaunch(u"org.example.Ghost"_qs, [] { ADD_FAILURE() << "an app that is not installed never starts"; });
    const SnapLayout layout = work({{0, {u"org.example.Mail"_qs, u"org.example.Notes"_qs}},
                                    {1, {u"org.example.Web"_qs}},
                                    {2, {u"org.example.Ghost"_qs}}});
    ASSERT_TRUE(store.upsertCustom(layout, u"A"_qs));

    c.startLayoutApplication(layout, kLeft);
    until(2);
    // Ghost is not installed: said once, not announced as opening, and its region went to the
    // display's other window.
    EXPECT_EQ(notices, (QStringList{u"org.example.Ghost isn’t installed, so another window took its spot."_qs,
                                    u"Opening Web. Each window goes to its spot when it appears."_qs}));
    EXPECT_EQ(apps->launched(), QStringList{u"org.example.Web"_qs});
    EXPECT_EQ(frameOf(mail), region(layout, 0)) << "taken from the other display";
    EXPECT_EQ(frameOf(notes), region(layout, 0)) << "behind Mail";
    const auto& order = sim.stacking();
    EXPECT_LT(std::find(order.begin(), order.end(), mail.element), std::find(order.begin(), order.end(), notes.element));
    EXPECT_EQ(frameOf(loose), region(layout, 2));
    EXPECT_EQ(c.groups().at(u"A"_qs).windows, (std::map<RegionNumber, ManagedWindow>{{0, mail}, {2, loose}}));
    EXPECT_EQ(state.memory.originals.at(mail), Rect(2000, 100, 600, 500));
    EXPECT_EQ(store.activeLayout(u"A"_qs), layout);
    EXPECT_FALSE(state.interaction.mutating);
    EXPECT_EQ(presented.back(), false) << "the interaction has ended";
    QStringList timing = logs.messages(LogCategory::Motion).filter(u"Layout user-1 with 2 windows finished "_qs);
    ASSERT_EQ(timing.size(), 1);
    EXPECT_TRUE(timing.front().endsWith(u" ms after choosing"_qs));

    const QJsonObject state = stateFile();
    EXPECT_EQ(state[u"layout"_qs], u"user-1"_qs);
    EXPECT_EQ(state[u"display"_qs], u"A"_qs);
    EXPECT_EQ(state[u"outcome"_qs], u"committed"_qs);
    const QJsonArray placements = state[u"placements"_qs].toArray();
    ASSERT_EQ(placements.size(), 2);
    EXPECT_EQ(placements[0].toObject(), (QJsonObject{{u"region"_qs, 0}, {u"app"_qs, u"Mail"_qs},
                                                      {u"requested"_qs, array(region(layout, 0))},
                                                      {u"actual"_qs, array(region(layout, 0))}, {u"fits"_qs, true}}));
    // The file lists each record's keys in their order: region, app, requested, actual, fits.
    const QByteArray bytes = stateBytes();
    const qsizetype record = bytes.indexOf("\"placements\"");
    std::vector<qsizetype> keys;
    for (const char* key : {"\"region\"", "\"app\"", "\"requested\"", "\"actual\"", "\"fits\""})
        keys.push_back(bytes.indexOf(key, record));
    EXPECT_TRUE(record > 0 && keys.front() > record && std::is_sorted(keys.begin(), keys.end())) << bytes.toStdString();
    const QJsonArray targets = state[u"targets"_qs].toArray();
    ASSERT_EQ(targets.size(), 3);
    EXPECT_EQ(targets[1].toObject(), (QJsonObject{{u"region"_qs, 1}, {u"frame"_qs, array(region(layout, 1))}}));

    // Web's window appears 3 s after the launch; it goes to its region once it has been seen
    // for 0.8 s and held still for 0.6 s, and then stays.
    clock.advance(launchedAt + 3s + 750ms - clock.now());
    ASSERT_TRUE(sim.exists(web));
    EXPECT_EQ(frameOf(*ManagedWindow::make(sim, web)), Rect(300, 200, 800, 600));
    clock.advance(2s);
    const auto late = ManagedWindow::make(sim, web);
    EXPECT_EQ(frameOf(*late), region(layout, 1));
    clock.advance(5s);
    EXPECT_EQ(c.groups().at(u"A"_qs).windows,
              (std::map<RegionNumber, ManagedWindow>{{0, mail}, {1, *late}, {2, loose}}));
    EXPECT_EQ(notices.size(), 2) << "every window settled";
    EXPECT_EQ(c.context().tasks.taskCount(), 0u) << "the late-window task has ended";
}

TEST_F(Composition, AfterTwentySecondsTheNoticesNameTheAppsWhoseWindowsNeverSettledAndThoseThatOpenedNone)
{
    auto& c = start();
    install(u"org.example.Web"_qs, u"Web"_qs);
    install(u"org.example.Slow"_qs, u"Slow"_qs);
    launchesLate(u"org.example.Web"_qs, 103, u"Web"_qs, 1s); // one window for two regions
    const SnapLayout layout = work({{0, {u"org.example.Web"_qs}}, {1, {u"org.example.Web"_qs}},
                                    {2, {u"org.example.Slow"_qs}}});

    c.startLayoutApplication(layout, kLeft);
    until(1);
    const Duration opened = clock.now();
    EXPECT_EQ(notices, QStringList{u"Opening Slow and Web. Each window goes to its spot when it appears."_qs});
    EXPECT_EQ(apps->launched(), (QStringList{u"org.example.Slow"_qs, u"org.example.Web"_qs}));

    clock.advance(opened + 19500ms - clock.now());
    EXPECT_EQ(notices.size(), 1);
    ASSERT_EQ(c.groups().at(u"A"_qs).windows.size(), 1u);
    EXPECT_EQ(c.groups().at(u"A"_qs).windows.begin()->first, 0) << "the first entry got the one window";
    clock.advance(1s);
    // Web's one window went to its first spot and was there for its second to take; Slow never
    // opened one.
    EXPECT_EQ(notices.mid(1), (QStringList{u"Web didn’t settle into its spot in time, so it was left where it is."_qs,
                                           u"Slow opened no window for its spot in time, so it was left free."_qs}));
    EXPECT_EQ(c.context().tasks.taskCount(), 0u);
}

// A terminal app launched into a terminal that shows its window from a process serving many (no
// window is the launch's): after 20 s the notice says the window was not told as the app's,
// not that none opened.
TEST_F(Composition, ATerminalAppWhoseWindowIsNotToldAsItsOwnIsNamedAsSuch)
{
    auto& c = start();
    install(u"org.example.Vim"_qs, u"Vim"_qs);
    ApplicationEntry vim = *apps->entry(u"org.example.Vim"_qs);
    vim.terminal = true;
    vim.startupWmClass.clear();
    apps->add(vim);
    launchesLate(u"org.example.Vim"_qs, 104, u"Terminal"_qs, 1s);
    c.startLayoutApplication(work({{2, {u"org.example.Vim"_qs}}}), kLeft);
    until(1);
    EXPECT_EQ(notices, QStringList{u"Opening Vim. Each window goes to its spot when it appears."_qs});
    clock.advance(21s);
    EXPECT_EQ(notices.mid(1), QStringList{u"Vim was started in a terminal whose window couldn’t be told as its own in "
                                          u"time, so its spot was left free."_qs});
    EXPECT_EQ(noTerminalWindowNotice({u"Vim"_qs, u"Htop"_qs}, 2),
              u"Vim and Htop were started in terminals whose windows couldn’t be told as theirs in time, so their "
              u"spots were left free."_qs);
}

TEST_F(Composition, AnotherLayoutOnTheDisplayStopsTheLateWindowTaskWithoutANotice)
{
    auto& c = start();
    std::vector<Tip> tips;
    c.sinks().tip = [&](Tip t) { tips.push_back(t); };
    install(u"org.example.Web"_qs, u"Web"_qs);
    WindowId web = 0;
    launchesLate(u"org.example.Web"_qs, 103, u"Web"_qs, 5s, &web);
    const auto loose = window(102, u"Loose"_qs, Rect(700, 300, 500, 400));

    c.startLayoutApplication(work({{0, {u"org.example.Web"_qs}}}), kLeft);
    until(1);
    EXPECT_EQ(notices, QStringList{u"Opening Web. Each window goes to its spot when it appears."_qs});
    EXPECT_TRUE(tips.empty()) << "a layout of the user's own";

    // The user applies a built-in layout meanwhile; a display without layouts of its own gets
    // the tip once.
    c.startLayoutApplication(builtIn(u"thirds"_qs), kLeft);
    until(2);
    EXPECT_EQ(notices.back(), u"Arranged 1 windows. 2 spaces remain available."_qs);
    EXPECT_EQ(tips, std::vector<Tip>{Tip::ownLayouts});
    clock.advance(25s);
    ASSERT_TRUE(sim.exists(web));
    EXPECT_TRUE(sim.writesFor(web).empty()) << "the late window is left alone";
    EXPECT_EQ(notices.size(), 2);
    EXPECT_EQ(c.groups().at(u"A"_qs).layout.id, u"thirds"_qs);
    EXPECT_EQ(c.groups().at(u"A"_qs).windows.size(), 1u);
    EXPECT_EQ(c.groups().at(u"A"_qs).windows.begin()->second, loose);
    EXPECT_EQ(c.context().tasks.taskCount(), 0u);
}

TEST_F(Composition, ALayoutWithoutAppsArrangesTheDisplaysWindowsATerminalOnItsGrid)
{
    auto& c = start();
    const auto plain = add(100, Rect(100, 100, 700, 500));
    const WindowId termId = sim.addWindow({.pid = 101, .title = u"term"_qs, .frame = Rect(900, 200, 6 + 80 * 7, 24 + 24 * 15),
                                           .hints = {.minimum = Size{20, 40}, .increment = Size{7, 15}, .base = Size{6, 24}}});
    const auto term = *ManagedWindow::make(sim, termId);
    const SnapLayout thirds = builtIn(u"thirds"_qs);

    c.startLayoutApplication(thirds, kLeft);
    until(1);
    EXPECT_EQ(notices, QStringList{u"Arranged 2 windows. 1 space remains available."_qs});
    const auto& placed = c.groups().at(u"A"_qs).windows;
    ASSERT_EQ(placed.size(), 2u);
    for (const auto& [r, w] : placed) {
        const Rect frame = region(thirds, r);
        EXPECT_TRUE(arrivedAt(frameOf(w), frame, access.grid(w), 1.0))
            << "region " << r << " " << toString(frameOf(w)).toStdString();
    }
    EXPECT_TRUE(std::any_of(placed.begin(), placed.end(), [&](const auto& e) { return e.second == term; }));
    EXPECT_TRUE(std::any_of(placed.begin(), placed.end(), [&](const auto& e) { return e.second == plain; }));

    // Nothing to arrange on the other display.
    c.startLayoutApplication(thirds, kRight);
    until(2);
    EXPECT_EQ(notices.back(), u"Open a resizable window on this display first."_qs);
    EXPECT_FALSE(state.picker.pickerScreen()) << "the interaction has ended";
}

TEST_F(Composition, ACompositionThatDoesNotHoldIsRolledBackAndItsStateFileSaysSo)
{
    auto& c = start(true);
    const Rect before(100, 100, 700, 500), otherBefore(900, 200, 600, 400);
    const auto steady = add(100, before);
    const auto restless = add(101, otherBefore);
    sim.driftAfterWrite(restless.element, otherBefore, 100ms, 1000); // an app that keeps its own frame

    c.startLayoutApplication(builtIn(u"halves"_qs), kLeft);
    until(1);
    EXPECT_EQ(notices, QStringList{u"The composition did not keep its sizes. The prior arrangement was restored."_qs});
    EXPECT_EQ(frameOf(steady), before);
    EXPECT_EQ(frameOf(restless), otherBefore);
    EXPECT_FALSE(c.groups().count(u"A"_qs)) << "nothing recorded";
    const QJsonObject state = stateFile();
    EXPECT_EQ(state[u"outcome"_qs], u"rolledBack"_qs);
    EXPECT_EQ(state[u"placements"_qs].toArray(), QJsonArray{});
    EXPECT_EQ(state[u"targets"_qs].toArray().size(), 2);
    EXPECT_EQ(state[u"pid"_qs].toInteger(), qint64(ownPid()));
}

// A press on a window (which ends the interaction) while the arranged windows settle is the
// user's next step: the arrangement stays and is recorded, nothing is said of a roll-back, and
// the interaction the press began is not ended by the run.
TEST_F(Composition, APressWhileTheArrangedWindowsSettleKeepsTheArrangement)
{
    auto& c = start();
    const Rect firstBefore(100, 100, 700, 500), secondBefore(900, 200, 600, 400);
    const auto first = add(100, firstBefore);
    const auto second = add(101, secondBefore);
    const SnapLayout& halves = builtIn(u"halves"_qs);

    c.startLayoutApplication(halves, kLeft);
    // The run raises the arranged windows once they have arrived, then watches them settle.
    for (int i = 0; i < 5000 && sim.writesOf(sim::Write::Raise).empty(); ++i)
        clock.advance(1ms);
    ASSERT_FALSE(sim.writesOf(sim::Write::Raise).empty()) << "the windows were never raised";
    clock.advance(100ms);
    c.endInteraction(true); // what a press on a window does
    const std::uint64_t pressed = c.interactionGeneration();
    clock.advance(5s);

    EXPECT_TRUE(notices.isEmpty()) << notices.join(u" | "_qs).toStdString();
    EXPECT_EQ(c.interactionGeneration(), pressed);
    ASSERT_TRUE(c.groups().count(u"A"_qs)) << "nothing recorded";
    const auto& placed = c.groups().at(u"A"_qs).windows;
    ASSERT_EQ(placed.size(), 2u);
    for (const auto& [r, w] : placed)
        EXPECT_EQ(frameOf(w), region(halves, r)) << "region " << r;
    EXPECT_NE(frameOf(first), firstBefore);
    EXPECT_NE(frameOf(second), secondBefore);
    const auto saved = store.activeLayout(u"A"_qs);
    EXPECT_TRUE(saved && saved->id == halves.id);
}

// A layout switched to with a stack on the display: the stack counts once and moves whole, its
// member behind going where its front goes; an app that is not installed, whose spot no
// window takes, is said to have left it free.
TEST_F(Composition, AStackMovesWholeAndAnUninstalledAppsUntakenSpotIsSaidToBeFree)
{
    auto& c = start();
    const Rect shared(100, 100, 700, 500);
    const auto stackFront = add(100, shared);
    const auto stackBack = add(101, shared);
    stacks.declaredStacks = {{stackFront, stackBack}};
    const SnapLayout layout = work({{2, {u"org.example.Ghost"_qs}}});

    c.startLayoutApplication(layout, kLeft);
    until(2);
    EXPECT_EQ(notices, (QStringList{u"org.example.Ghost isn’t installed, so its spot was left free."_qs,
                                    u"Arranged 1 windows. 2 spaces remain available."_qs}));
    const auto& placed = c.groups().at(u"A"_qs).windows;
    ASSERT_EQ(placed.size(), 1u) << "the stack counts once";
    const auto& [at, placedFront] = *placed.begin();
    EXPECT_NE(at, 2) << "the free spot is Ghost's";
    EXPECT_EQ(frameOf(stackFront), region(layout, at));
    EXPECT_EQ(frameOf(stackBack), region(layout, at)) << "the member behind stays with its front";
    const auto& order = sim.stacking();
    EXPECT_LT(std::find(order.begin(), order.end(), placedFront.element),
              std::find(order.begin(), order.end(), (placedFront == stackFront ? stackBack : stackFront).element))
        << "the front stays in front";
    ASSERT_FALSE(stacks.changes.empty());
    EXPECT_EQ(stacks.changes.back().size(), 2u) << "both windows' new frames are told to the stacks";
}

// A stack whose member behind cannot follow its front into the new layout: the mate is put back
// with the placement it was part of, the front goes back too, nothing is recorded, and the user
// is told the prior arrangement was restored. One that follows is told to the stacks with it.
TEST_F(Composition, AStackMateThatCannotFollowItsFrontUndoesTheLayoutSwitch)
{
    auto& c = start();
    const Rect shared(100, 100, 700, 500);
    const auto stackBack = add(100, shared);
    const auto stackFront = add(101, shared);   // raised last
    stacks.declaredStacks = {{stackFront, stackBack}};
    sim.refuseWrites(stackBack.element);

    c.startLayoutApplication(builtIn(u"halves"_qs), kLeft);
    until(1);
    EXPECT_EQ(notices, QStringList{u"The composition did not keep its sizes. The prior arrangement was restored."_qs});
    EXPECT_EQ(frameOf(stackFront), shared) << "the front goes back with its mate";
    EXPECT_EQ(frameOf(stackBack), shared);
    EXPECT_FALSE(c.groups().count(u"A"_qs)) << "nothing recorded";
}

// A stack whose members size in different steps (a terminal short of the region by part of a
// cell, a window filling it) is one unit however far apart their frames are: switched to
// Three columns it lands whole in one region, its front in front, and the notice counts it
// once with every window moved accounted for. A layout naming the terminal's app takes the
// stack's other member along into the app's region.
TEST_F(Composition, AStackOfWindowsWithDifferentSizeStepsLandsWholeInOneRegionAndCountsOnce)
{
    auto& c = start();
    install(u"org.example.Term"_qs, u"Term"_qs);
    const Rect halfRight = region(u"halves"_qs, 1);
    sim.addApp({.pid = 101, .name = u"Term"_qs});
    const WindowId termId = sim.addWindow({.pid = 101, .title = u"term"_qs, .appClass = u"Term"_qs,
                                           .frame = Rect(halfRight.origin, Size{6 + 130 * 7, 24 + 68 * 15}),
                                           .hints = {.minimum = Size{20, 40}, .increment = Size{7, 15}, .base = Size{6, 24}}});
    const auto term = *ManagedWindow::make(sim, termId);
    const auto clock = add(102, halfRight);
    const auto loose = add(103, region(u"halves"_qs, 0));
    ASSERT_GT(std::abs(frameOf(term).height() - frameOf(clock).height()), kSameFrameTolerance) << "frames far apart";
    sim.raise(clock.element);
    stacks.declaredStacks = {{clock, term}};
    const SnapLayout thirds = builtIn(u"thirds"_qs);

    c.startLayoutApplication(thirds, kLeft);
    until(1);
    EXPECT_EQ(notices, QStringList{u"Arranged 2 windows. 1 space remains available."_qs});
    const auto& placed = c.groups().at(u"A"_qs).windows;
    ASSERT_EQ(placed.size(), 2u) << "the stack counts once";
    const auto stackAt = std::find_if(placed.begin(), placed.end(), [&](const auto& e) { return e.second == clock; });
    ASSERT_NE(stackAt, placed.end()) << "the stack is placed through its front";
    const Rect home = region(thirds, stackAt->first);
    EXPECT_TRUE(arrivedAt(frameOf(term), home, access.grid(term), 1.0)) << toString(frameOf(term)).toStdString();
    EXPECT_EQ(frameOf(clock), home);
    const auto& order = sim.stacking();
    EXPECT_LT(std::find(order.begin(), order.end(), clock.element), std::find(order.begin(), order.end(), term.element))
        << "the front stays in front";
    std::vector<Rect> used;
    for (const ManagedWindow& w : {term, clock, loose}) {
        const Rect at = arrivedAt(frameOf(w), home, access.grid(w), 1.0) ? home : frameOf(w);
        if (std::find(used.begin(), used.end(), at) == used.end())
            used.push_back(at);
    }
    EXPECT_EQ(used.size(), 2u) << "three windows in the two regions the notice counts";

    // The terminal's app named for region 0 of a two-region layout: its stack mate goes along.
    c.startLayoutApplication(work({{0, {u"org.example.Term"_qs}}}), kLeft);
    until(2);
    EXPECT_EQ(notices.back(), u"Arranged 2 windows. 1 space remains available."_qs);
    const SnapLayout layout = work({});
    EXPECT_TRUE(arrivedAt(frameOf(term), region(layout, 0), access.grid(term), 1.0)) << toString(frameOf(term)).toStdString();
    EXPECT_EQ(frameOf(clock), region(layout, 0)) << "the stack stays whole with the app's window";
    EXPECT_NE(frameOf(loose), region(layout, 0));
}

// The user's own entry of a program beside the system's, both naming its class: a region naming
// the user's takes the program's running window rather than opening another (as after a
// restart, when nothing tells which entry opened it), and a window opened from an entry goes
// to that entry's region, never to the other's; applied again, nothing is opened.
TEST_F(Composition, AUsersOwnEntryTakesItsProgramsRunningWindowAndTheWindowItOpenedAndNeverOpensTwice)
{
    auto& c = start();
    install(u"debian-xterm"_qs, u"XTerm"_qs);
    install(u"xterm"_qs, u"XTerm"_qs);
    const auto plain = window(200, u"XTerm"_qs, Rect(700, 300, 500, 400));
    const SnapLayout own = work({{0, {u"xterm"_qs}}});

    c.startLayoutApplication(own, kLeft);
    until(1);
    EXPECT_EQ(notices, QStringList{u"Arranged 1 windows. 2 spaces remain available."_qs});
    EXPECT_EQ(frameOf(plain), region(own, 0));

    // An xterm opened from the user's entry, lying in the system entry's region.
    const SnapLayout both = work({{0, {u"debian-xterm"_qs}}, {2, {u"xterm"_qs}}});
    apps->setLaunch(201, {u"xterm"_qs, true});
    const auto opened = window(201, u"XTerm"_qs, region(both, 0));
    for (int applies = 1; applies <= 2; ++applies) {
        c.startLayoutApplication(both, kLeft);
        until(1 + applies);
        EXPECT_EQ(notices.back(), u"Arranged 2 windows. 1 space remains available."_qs);
        EXPECT_EQ(c.groups().at(u"A"_qs).windows, (std::map<RegionNumber, ManagedWindow>{{0, plain}, {2, opened}}))
            << "apply " << applies;
    }
    EXPECT_EQ(apps->launched(), QStringList{}) << "nothing opened";
}

// Applied again while an app it opened has yet to show its window: the app is not opened a
// second time, its window goes to its region once, and neither run says it did not settle.
TEST_F(Composition, AnAppStillOpeningIsNotOpenedAgainWhenItsLayoutIsAppliedAgain)
{
    auto& c = start();
    install(u"org.example.Web"_qs, u"Web"_qs);
    WindowId web = 0;
    launchesLate(u"org.example.Web"_qs, 103, u"Web"_qs, 3s, &web);
    const SnapLayout layout = work({{1, {u"org.example.Web"_qs}}});

    c.startLayoutApplication(layout, kLeft);
    until(1);
    clock.advance(1s);
    c.startLayoutApplication(layout, kLeft);
    until(2);
    EXPECT_EQ(notices, (QStringList(2, u"Opening Web. Each window goes to its spot when it appears."_qs)));
    EXPECT_EQ(apps->launched(), QStringList{u"org.example.Web"_qs}) << "opened once";
    clock.advance(25s);
    ASSERT_TRUE(sim.exists(web));
    const auto late = *ManagedWindow::make(sim, web);
    EXPECT_EQ(frameOf(late), region(layout, 1));
    EXPECT_EQ(c.groups().at(u"A"_qs).windows.at(1), late);
    EXPECT_EQ(notices.size(), 2) << notices.join(u" | "_qs).toStdString();
    EXPECT_EQ(c.context().tasks.taskCount(), 0u);
}

TEST(CompositionTexts, ListsNoticesAndGroupsWindowsByStack)
{
    EXPECT_EQ(joinedList({u"A"_qs}), u"A"_qs);
    EXPECT_EQ(joinedList({u"A"_qs, u"B"_qs}), u"A and B"_qs);
    EXPECT_EQ(joinedList({u"A"_qs, u"B"_qs, u"C"_qs}), u"A, B, and C"_qs);
    EXPECT_EQ(unsettledNotice({u"Web"_qs}, 1), u"Web didn’t settle into its spot in time, so it was left where it is."_qs);
    EXPECT_EQ(unsettledNotice({u"Web"_qs}, 2),
              u"Web didn’t settle into their spots in time, so they were left where they are."_qs);
    EXPECT_EQ(arrangedNotice(3, 2), u"Arranged 3 windows. 2 spaces remain available."_qs);
    EXPECT_EQ(noWindowNotice({u"Slow"_qs, u"Web"_qs}, 3),
              u"Slow and Web opened no windows for their spots in time, so they were left free."_qs);
    EXPECT_EQ(noTerminalNotice(u"Vim"_qs, AbsentSpots::some, 2),
              u"Vim runs in a terminal, and none is installed, so other windows took some of its spots."_qs);
    EXPECT_EQ(noTerminalNotice(u"Vim"_qs, AbsentSpots::unchanged), u"Vim runs in a terminal, and none is installed."_qs);

    // Windows group by their stacks alone: a and c share a stack whatever their frames, b and d
    // share a frame but no stack. Each stack is placed through its frontmost member not used,
    // the others behind it front to back.
    const ManagedWindow a{1, 1}, b{2, 2}, c{3, 3}, d{4, 4}, e{5, 5};
    const std::vector<CompositionRecord> records{{a, Rect(0, 0, 100, 100), 3},
                                                 {b, Rect(20, 0, 100, 100), 1},
                                                 {c, Rect(0, 0, 93, 87), 0},
                                                 {d, Rect(20, 0, 100, 100), 2},
                                                 {e, Rect(0, 0, 100, 100), 4}};
    const StackMatesOf mates = [&](const ManagedWindow& w) {
        return w == a || w == c || w == e ? std::vector<ManagedWindow>{a, c, e} : std::vector<ManagedWindow>{w};
    };
    EXPECT_EQ(compositionUnits(records, {}, mates),
              (std::vector<CompositionUnit>{{records[2], {a, e}}, {records[1], {}}, {records[3], {}}}));
    EXPECT_EQ(compositionUnits(records, {c}, mates).front(), (CompositionUnit{records[0], {c, e}}));
}

} // namespace
} // namespace fw::snaptest
