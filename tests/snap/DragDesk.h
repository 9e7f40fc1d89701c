#pragma once
// The desk with a drag monitor fed by the simulated mouse: scripted pointer streams in virtual
// time, the window moved as a window manager moves it during a title-bar drag, the drag trace
// read back (diagnostics are on), and recorders for the hand-offs to the drop families.

#include "SnapFixture.h"
#include "snap/DragMonitor.h"
#include "snap/DragTrace.h"
#include "snap/SnapDragHandler.h"

#include <QFile>
#include <QJsonDocument>

namespace fw::snaptest {

// The coordinator's drag handler, each of whose hand-offs to the drop, release and resize
// families a test may take over.
class DeskDragHandler : public SnapDragHandler {
public:
    using SnapDragHandler::SnapDragHandler;

    std::function<void(const WindowRelease&)> onRelease;
    std::function<void(const RegionDropRun&)> onDrop;
    std::function<void(const SplitDropRequest&)> onSplit;
    std::function<void(const SpanPreviewRequest&)> onResize;
    std::function<void(const RegionDropTarget&, bool armed)> onShow;

    void handOver(const WindowRelease& r) override { onRelease ? onRelease(r) : SnapDragHandler::handOver(r); }
    void resizeMoved(const SpanPreviewRequest& r) override
    {
        onResize ? onResize(r) : SnapDragHandler::resizeMoved(r);
    }

protected:
    void startRegionDrop(RegionDropRun run) override
    {
        onDrop ? onDrop(run) : SnapDragHandler::startRegionDrop(std::move(run));
    }
    void performSplitDrop(const SplitDropRequest& r) override
    {
        onSplit ? onSplit(r) : SnapDragHandler::performSplitDrop(r);
    }
    void showRegionDrop(const RegionDropTarget& t, const ManagedWindow& w, bool armed) override
    {
        onShow ? onShow(t, armed) : SnapDragHandler::showRegionDrop(t, w, armed);
    }
};

class DragDesk : public SnapDesk {
protected:
    DragDesk()
    {
        start(true);
        handler = std::make_unique<DeskDragHandler>(coordinator->context(), coordinator->dragStates());
        monitor = std::make_unique<DragMonitor>(*handler, sim.mouse(), clock);
        EXPECT_TRUE(monitor->install());
    }

    // Records the hand-offs of a release over no target and of a region drop, the split
    // offers and the resize previews instead of carrying them out.
    void recordHandOffs()
    {
        handler->onRelease = [this](const WindowRelease& r) { releases.push_back(r); };
        handler->onDrop = [this](const RegionDropRun& run) { drops.push_back(run); };
        handler->onSplit = [this](const SplitDropRequest& r) { splits.push_back(r); };
        handler->onResize = [this](const SpanPreviewRequest& r) { spans.push_back(r); };
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
    std::unique_ptr<DeskDragHandler> handler; // goes before the coordinator
    std::unique_ptr<DragMonitor> monitor;     // last: goes before its handler
};

} // namespace fw::snaptest
