#pragma once
// The desk with a drag monitor fed by the simulated mouse: scripted pointer streams in virtual
// time, the window moved as a window manager moves it during a title-bar drag, the drag trace
// read back (diagnostics are on), and recorders for the hand-offs to the drop families.

#include "SnapFixture.h"
#include "snap/DragMonitor.h"
#include "snap/DragTrace.h"

#include <QFile>
#include <QJsonDocument>

namespace fw::snaptest {

inline Task<void> recordInto(std::vector<WindowRelease>& into, WindowRelease release)
{
    into.push_back(release);
    co_return;
}
inline Task<void> recordDrop(std::vector<RegionDropRun>& into, RegionDropRun run)
{
    into.push_back(run);
    co_return;
}

class DragDesk : public SnapDesk {
protected:
    DragDesk()
    {
        start(true);
        monitor = std::make_unique<DragMonitor>(*coordinator, sim.mouse());
        EXPECT_TRUE(monitor->install());
    }

    // Records the hand-offs of a release over no target and of a region drop, the split
    // offers and the resize previews instead of carrying them out.
    void recordHandOffs()
    {
        auto& handOffs = coordinator->context().dragHandOffs;
        handOffs.windowReleased = [this](WindowRelease r) { return recordInto(releases, r); };
        handOffs.executeRegionDrop = [this](RegionDropRun run) { return recordDrop(drops, run); };
        handOffs.performSplitDrop = [this](const SplitDropRequest& r) { splits.push_back(r); };
        handOffs.updateSpanPreview = [this](const SpanPreviewRequest& r) { spans.push_back(r); };
    }

    // A press at the point on the window (its frame as it is now is the frame before the drag).
    void pressOn(const ManagedWindow& w, const Point& at, Modifiers m = 0)
    {
        pressed = w;
        pressFrame = frameOf(w);
        pressPoint = at;
        sim.mouse().press(at, m);
    }
    // The pointer goes to the point with the pressed window, and the platform reports it 20 ms
    // later (the hover timer may see it first).
    void dragTo(const Point& at, Modifiers m = 0)
    {
        if (pressed)
            sim.place(pressed->element, pressFrame.offsetBy(at.x - pressPoint.x, at.y - pressPoint.y));
        sim.mouse().setPosition(at);
        clock.advance(20ms);
        sim.mouse().drag(at, m);
    }
    // The pointer rests where it is for a while (the hover timer keeps ticking).
    void rest(Duration d) { clock.advance(d); }
    void releaseAt(const Point& at, Modifiers m = 0) { sim.mouse().release(at, m); }

    // The trace's states, oldest first.
    QStringList states() const
    {
        QStringList out;
        for (const auto& e : monitor->dragTrace().events())
            out << e.toObject().value(u"state"_qs).toString();
        return out;
    }

    // The drag-state file of the last drag that moved the pointer, and its states.
    QJsonObject stateFile() const
    {
        QFile f(diagnosticsFile(kDragStateFile));
        return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object() : QJsonObject{};
    }
    QStringList fileStates() const
    {
        QStringList out;
        for (const auto& e : stateFile().value(u"events"_qs).toArray())
            out << e.toObject().value(u"state"_qs).toString();
        return out;
    }

    std::optional<ManagedWindow> pressed;
    Rect pressFrame;
    Point pressPoint;
    std::vector<WindowRelease> releases;
    std::vector<RegionDropRun> drops;
    std::vector<SplitDropRequest> splits;
    std::vector<SpanPreviewRequest> spans;
    std::unique_ptr<DragMonitor> monitor; // last: goes before the coordinator
};

} // namespace fw::snaptest
