// Reconciling the applied layouts with the windows on screen: occupants after windows close,
// move away or change display; only the displays a snapshot covers; memories of windows that
// are gone; the recovery records and the recovery-state file.
#include "SnapFixture.h"

#include "base/DiagnosticsWriter.h"
#include "snap/CoordinatorFilters.h"
#include "snap/RecoveryRecords.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace fw::snaptest {
namespace {

class Reconcile : public SnapDesk {
protected:
    const LayoutGroup& groupOn(const QString& key)
    {
        static const LayoutGroup none;
        const auto* g = state.layouts.group(key);
        EXPECT_TRUE(g) << "no group on " << key.toStdString();
        return g ? *g : none;
    }
    QJsonObject recoveryFile() const
    {
        QFile f(diagnosticsFile(kRecoveryStateFile));
        return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object() : QJsonObject();
    }
    bool recoveryFileExists() const { return QFile::exists(diagnosticsFile(kRecoveryStateFile)); }

    // A terminal: its size lies on a grid of cells over a base size.
    ManagedWindow terminal(Pid pid, const Rect& frame, Size cell, Size base = {})
    {
        const auto w = add(pid, frame);
        sim.setSizeHints(w.element, {.increment = cell, .base = base});
        return w;
    }
    // The largest frame on that grid at the target's origin: each side short by less than a
    // cell.
    static Rect onGrid(const Rect& target, Size cell, Size base = {})
    {
        auto fit = [](double side, double c, double b) { return b + std::floor((side - b) / c) * c; };
        return Rect(target.origin, Size{fit(target.width(), cell.width, base.width),
                                        fit(target.height(), cell.height, base.height)});
    }
};

TEST_F(Reconcile, OccupantsFollowWindowsThatCloseMoveAwayOrChangeDisplay)
{
    auto& c = start();
    const auto a = add(100, region(u"halves"_qs, 0));
    const auto b = add(101, region(u"halves"_qs, 1).offsetBy(3, 0));
    const auto rTop = add(102, region(u"rows"_qs, 0, kRight));
    const auto rBottom = add(103, region(u"rows"_qs, 1, kRight));
    c.reconcile(scan());
    EXPECT_EQ(groupOn(u"A"_qs).windows, (RegionWindows{{0, a}, {1, b}}));
    EXPECT_EQ(groupOn(u"B"_qs).windows, (RegionWindows{{0, rTop}, {1, rBottom}}));
    EXPECT_EQ(state.memory.returnHomes.at(b).frame, region(u"halves"_qs, 1)) << "the region's frame, not the window's";

    // Another window fills region 0 too and comes first in the scan: the recorded one stays.
    const auto e = add(10, region(u"halves"_qs, 0).offsetBy(0, 5));
    ASSERT_EQ(scan().front().window, e);
    c.reconcile(scan());
    EXPECT_EQ(groupOn(u"A"_qs).windows.at(0), a);

    // The recorded occupant moves away: the other window takes the region. One closes: its
    // region is empty. One changes display: it occupies the region it now fills there.
    sim.place(a.element, Rect(300, 200, 640, 480));
    sim.closeWindow(b.element);
    sim.place(rBottom.element, region(u"halves"_qs, 1));
    c.reconcile(scan());
    EXPECT_EQ(groupOn(u"A"_qs).windows, (RegionWindows{{0, e}, {1, rBottom}}));
    EXPECT_EQ(groupOn(u"B"_qs).windows, (RegionWindows{{0, rTop}})) << "groups stay with empty regions";
    EXPECT_EQ(state.memory.returnHomes.at(rBottom).display, u"A"_qs);

    // Everything gone from a display: it keeps its layout with every region empty.
    sim.closeWindow(rTop.element);
    c.reconcile(scan());
    EXPECT_EQ(groupOn(u"B"_qs).layout.id, u"rows"_qs);
    EXPECT_TRUE(groupOn(u"B"_qs).windows.empty());
}

TEST_F(Reconcile, ASnapshotOfOneDisplayLeavesTheOtherDisplaysAlone)
{
    auto& c = start();
    add(100, region(u"halves"_qs, 0));
    add(101, region(u"halves"_qs, 1));
    const SnapLayout& quarters = builtIn(u"quarters"_qs);
    for (RegionNumber r = 0; r < 4; ++r)
        add(110 + r, region(quarters, r, kRight));
    const auto span = add(120, region(quarters, 0, kRight).united(region(quarters, 2, kRight)));
    c.reconcile(scan());
    const LayoutGroup right = groupOn(u"B"_qs);
    ASSERT_EQ(right.windows.size(), 4u);
    ASSERT_EQ(right.spans.count(span), 1u);

    // A drag on the left display scans only its windows.
    const auto moved = add(130, Rect(200, 200, 600, 500));
    sim.place(moved.element, region(u"halves"_qs, 1));
    c.reconcile(scan(u"A"_qs), u"A"_qs);
    EXPECT_EQ(groupOn(u"A"_qs).windows.size(), 2u);
    EXPECT_EQ(groupOn(u"B"_qs), right) << "occupants and spans of the other display are kept";
    EXPECT_EQ(state.memory.returnHomes.at(moved).display, u"A"_qs);
    EXPECT_EQ(state.memory.returnHomes.at(right.windows.at(3)).display, u"B"_qs);

    // Read literally, the same pass over every display would have emptied the right one.
    c.reconcile(scan(u"A"_qs));
    EXPECT_TRUE(groupOn(u"B"_qs).windows.empty());
}

TEST_F(Reconcile, ATerminalPlacedOnItsGridKeepsItsRegionUntilItLeavesIt)
{
    auto& c = start();
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const Rect home = region(halves, 1);
    const Size cell{9, 17}, base{4, 6};
    const auto plain = add(100, region(halves, 0));
    const auto term = terminal(101, Rect(100, 100, 4 + 9 * 60, 6 + 17 * 30), cell, base);
    ASSERT_TRUE(clock.run(c.placeInRegion(term, 1, halves, kLeft, std::nullopt, false)));
    const Rect placed = onGrid(home, cell, base);
    ASSERT_EQ(frameOf(term), placed);
    ASSERT_GT(home.width() - placed.width(), 5);
    ASSERT_GT(home.height() - placed.height(), 5);

    // Scan after scan it stays in its region, next to the window found in the other half.
    for (int scanNumber = 0; scanNumber < 2; ++scanNumber) {
        c.reconcile(scan());
        EXPECT_EQ(groupOn(u"A"_qs).windows, (RegionWindows{{0, plain}, {1, term}}));
        EXPECT_EQ(state.memory.returnHomes.at(term).frame, home);
    }
    EXPECT_TRUE(notices.isEmpty());

    // Another terminal on the same grid in that region, brought forward in its stack, becomes
    // the region's occupant.
    const auto mate = terminal(102, placed, cell, base);
    c.noteStackChoice(mate);
    EXPECT_EQ(groupOn(u"A"_qs).windows.at(1), mate);
    sim.closeWindow(mate.element);

    // Out of the region: moved by more than the tolerance, a whole cell shorter than its fit,
    // or a cell longer than the region.
    const Rect away[] = {placed.offsetBy(5.5, 0), Rect(placed.origin, Size{placed.width() - 9, placed.height()}),
                         Rect(placed.origin, Size{placed.width() + 18, placed.height()})};
    for (const Rect& frame : away) {
        SCOPED_TRACE(toString(frame).toStdString());
        sim.place(term.element, frame);
        c.reconcile(scan());
        EXPECT_EQ(groupOn(u"A"_qs).windows, (RegionWindows{{0, plain}}));
    }
    // Back on its grid, a point off: in again.
    sim.place(term.element, placed.offsetBy(-1, 1));
    c.reconcile(scan());
    EXPECT_EQ(groupOn(u"A"_qs).windows, (RegionWindows{{0, plain}, {1, term}}));
}

TEST_F(Reconcile, TerminalsHandPlacedOnTheirGridsFormTheLayoutAndSpanIt)
{
    auto& c = start();
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const Size cell{9, 17}, wide{13, 17};
    const auto left = terminal(100, onGrid(region(halves, 0), cell), cell);
    const auto right = terminal(101, onGrid(region(halves, 1), cell, Size{4, 6}), cell, Size{4, 6});
    const Rect both = region(halves, 0).united(region(halves, 1));
    const auto across = terminal(102, onGrid(both, wide), wide);
    ASSERT_GT(both.width() - frameOf(across).width(), 5);
    c.reconcile(scan());
    const LayoutGroup& group = groupOn(u"A"_qs);
    EXPECT_EQ(group.layout.id, u"halves"_qs);
    EXPECT_EQ(group.windows, (RegionWindows{{0, left}, {1, right}}));
    EXPECT_EQ(group.spans, (SpanMap{{across, {0, 1}}}));
    EXPECT_EQ(state.memory.returnHomes.at(left).frame, region(halves, 0));
    ASSERT_EQ(c.spanCovers().size(), 1u);
    EXPECT_EQ(c.spanCovers().front().title, u"Across both columns"_qs);
}

TEST_F(Reconcile, MemoriesOfGoneWindowsAreForgottenAFewAtATime)
{
    auto& c = start();
    std::vector<ManagedWindow> w;
    for (int i = 0; i < 5; ++i) {
        w.push_back(add(100 + i, Rect(100 * i, 50, 400, 300)));
        state.memory.originals[w.back()] = Rect(0, 0, 10, 10);
        state.memory.minimumSizes[w.back()] = Size{200, 100};
    }
    // Its application quit: forgotten at once, without reading its frame.
    sim.quitApp(w[0].pid);
    auto snapshot = scan();
    sim.resetCounters();
    c.reconcile(snapshot);
    EXPECT_EQ(sim.frameReadCount(), 0);
    EXPECT_FALSE(state.memory.originals.count(w[0]) || state.memory.minimumSizes.count(w[0]));
    EXPECT_EQ(state.memory.holders().size(), 4u);

    // Three windows closed while their applications run: two frames read per reconcile.
    for (int i : {1, 2, 3})
        sim.closeWindow(w[i].element);
    snapshot = scan();
    sim.resetCounters();
    c.reconcile(snapshot);
    EXPECT_EQ(sim.frameReadCount(), 2);
    EXPECT_EQ(state.memory.holders().size(), 2u);
    sim.resetCounters();
    c.reconcile(snapshot);
    EXPECT_EQ(sim.frameReadCount(), 1);
    EXPECT_EQ(state.memory.holders(), (WindowSet{w[4]}));

    // Missing from a one-display snapshot but still readable: kept.
    sim.place(w[4].element, Rect(2000, 100, 400, 300));
    c.reconcile(scan(u"A"_qs), u"A"_qs);
    c.reconcile(scan(u"A"_qs), u"A"_qs);
    EXPECT_EQ(state.memory.holders(), (WindowSet{w[4]}));
}

TEST_F(Reconcile, TheRecoveryFileIsWrittenOncePerChangeAndRetriedAfterAFailedWrite)
{
    auto& c = start(true);
    const auto a = add(100, region(u"halves"_qs, 0));
    add(101, region(u"halves"_qs, 1));
    c.reconcile(scan());
    ASSERT_TRUE(recoveryFileExists());
    const QJsonObject doc = recoveryFile();
    EXPECT_EQ(doc.value(u"pid"_qs).toInteger(), qint64(ownPid()));
    const QJsonArray displays = doc.value(u"displays"_qs).toArray();
    ASSERT_EQ(displays.size(), 2);
    EXPECT_EQ(displays[0].toObject().value(u"layout"_qs).toString(), u"halves"_qs);
    EXPECT_EQ(displays[0].toObject().value(u"occupiedRegions"_qs).toInt(), 2);
    EXPECT_EQ(displays[1].toObject().value(u"layout"_qs).toString(), u"unmatched"_qs);

    QFile::remove(diagnosticsFile(kRecoveryStateFile));
    c.reconcile(scan());
    EXPECT_FALSE(recoveryFileExists()) << "nothing changed: nothing written";

    // The diagnostics folder cannot be made (a file holds its name): the write fails, and the
    // next reconcile tries again although nothing changed since.
    const QByteArray usable = qgetenv("XDG_RUNTIME_DIR");
    const QString blocked = tmp.path() + u"/blocked"_qs;
    ASSERT_TRUE(QDir().mkpath(blocked));
    QFile file(blocked + u"/framewell"_qs);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    qputenv("XDG_RUNTIME_DIR", blocked.toLocal8Bit());
    sim.place(a.element, Rect(300, 300, 500, 500));
    c.reconcile(scan());
    qputenv("XDG_RUNTIME_DIR", usable);
    EXPECT_FALSE(recoveryFileExists());
    c.reconcile(scan());
    ASSERT_TRUE(recoveryFileExists());
    EXPECT_EQ(recoveryFile().value(u"displays"_qs).toArray()[0].toObject().value(u"occupiedRegions"_qs).toInt(), 1);
    EXPECT_EQ(state.recovery.lastRecoveryDiagnostic(), diagnosticsBytes(recoveryFile()));
}

TEST_F(Reconcile, WithoutDiagnosticsNoFileIsWritten)
{
    auto& c = start();
    add(100, region(u"halves"_qs, 0));
    add(101, region(u"halves"_qs, 1));
    c.reconcile(scan());
    EXPECT_FALSE(recoveryFileExists());
    EXPECT_FALSE(state.recovery.lastRecoveryDiagnostic());
}

TEST_F(Reconcile, RecoveryRecordsDescribeEveryDisplay)
{
    auto& c = start();
    const auto w = add(100, Rect());
    const SnapLayout whole{u"user-whole"_qs, u"Whole"_qs, RegionTree::leaf(0), std::nullopt};
    state.layouts.setGroup(u"A"_qs, {whole, {{0, w}}, {}});
    c.recordReturnHomes({{w, region(builtIn(u"rows"_qs), 1, kRight)}}, builtIn(u"rows"_qs), kRight);
    const QJsonArray records = c.recoveryDisplayRecords();
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0].toObject(), (QJsonObject{
        {u"display"_qs, u"A"_qs}, {u"layout"_qs, u"user-whole"_qs}, {u"bounds"_qs, u"{{0, 0}, {1920, 1050}}"_qs},
        {u"regions"_qs, QJsonArray{QJsonObject{{u"region"_qs, 0}, {u"frame"_qs, u"{{8, 8}, {1904, 1034}}"_qs}}}},
        {u"occupiedRegions"_qs, 1}, {u"returnHomes"_qs, 0}}));
    EXPECT_EQ(records[1].toObject(), (QJsonObject{
        {u"display"_qs, u"B"_qs}, {u"layout"_qs, u"unmatched"_qs}, {u"bounds"_qs, u"{{1920, 24}, {1680, 1026}}"_qs},
        {u"regions"_qs, QJsonArray{}}, {u"occupiedRegions"_qs, 0}, {u"returnHomes"_qs, 1}}));

    // Two displays without a key and with one name share the key, the group and the counts.
    sim.setScreens({{{}, u"Twin"_qs, Rect(0, 0, 1000, 800), Rect(0, 0, 1000, 800), true},
                    {{}, u"Twin"_qs, Rect(1000, 0, 1000, 800), Rect(1000, 0, 1000, 800), false}});
    state.layouts.setGroup(u"Twin"_qs, {whole, {{0, w}}, {}});
    const QJsonArray twins = c.recoveryDisplayRecords();
    EXPECT_EQ(twins[0].toObject().value(u"layout"_qs), twins[1].toObject().value(u"layout"_qs));
    EXPECT_EQ(twins[1].toObject().value(u"occupiedRegions"_qs).toInt(), 1);
}

} // namespace
} // namespace fw::snaptest
