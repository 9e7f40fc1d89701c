#pragma once
// A simulated desktop for placement transactions and composition runs, with a coordinator
// stand-in whose interaction generation tests can change at a chosen checkpoint.

#include "base/Log.h"
#include "platform/sim/SimDesktop.h"
#include "windows/WindowAccess.h"
#include "windows/WindowPlacement.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace fw::placementtest {

// Counts every read of the generation with its virtual time; raises the generation at the
// read numbered `bumpAt` (1-based), which then already sees the new value.
struct FakeHost final : CoordinatorHost {
    explicit FakeHost(const Clock& clock) : clock(clock) {}
    std::uint64_t interactionGeneration() const override
    {
        ++reads;
        readTimes.push_back(clock.now());
        if (reads == bumpAt) {
            ++value;
            if (onBump)
                onBump();
        }
        return value;
    }
    std::optional<ManagedWindow> pickerWindow() const override { return picker; }

    const Clock& clock;
    mutable std::uint64_t value = 7;
    mutable int reads = 0;
    mutable std::vector<Duration> readTimes;
    int bumpAt = -1;
    std::function<void()> onBump; // runs when the generation is raised
    std::optional<ManagedWindow> picker;

    void reset(int bump = -1)
    {
        reads = 0;
        readTimes.clear();
        bumpAt = bump;
        value = 7;
        onBump = {};
    }
};

class PlacementDesk : public ::testing::Test {
protected:
    PlacementDesk() { sim.addScreen({"A", "Left", Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1050), true}); }

    ManagedWindow add(Pid pid, const Rect& frame, SizeHints hints = {})
    {
        if (!sim.app(pid))
            sim.addApp({.pid = pid, .name = QStringLiteral("App%1").arg(pid)});
        const WindowId id = sim.addWindow({.pid = pid, .title = QStringLiteral("W%1").arg(pid), .frame = frame,
                                           .hints = hints});
        auto w = ManagedWindow::make(sim, id);
        EXPECT_TRUE(w);
        return w.value_or(ManagedWindow{});
    }
    Rect frameOf(const ManagedWindow& w) { return sim.frame(w.element).value_or(Rect::null()); }
    // Virtual time of the window's first geometry write after `from`; -1 ms when none.
    Duration firstWriteAfter(const ManagedWindow& w, Duration from) const
    {
        for (const auto& r : sim.writesFor(w.element)) {
            if ((r.kind & sim::Write::Geometry) && r.time > from)
                return r.time;
        }
        return Duration(-1ms);
    }
    int geometryWriteCount(const ManagedWindow& w) const
    {
        int n = 0;
        for (const auto& r : sim.writesFor(w.element))
            n += (r.kind & sim::Write::Geometry) ? 1 : 0;
        return n;
    }
    // "activate 4194305", "raise 4194305", … in order.
    QStringList raises() const
    {
        QStringList out;
        for (const auto& r : sim.writesOf(sim::Write::Raise | sim::Write::Activate))
            out << QStringLiteral("%1 %2").arg(r.kind == sim::Write::Raise ? "raise" : "activate").arg(r.window);
        return out;
    }
    static QString raiseOf(const ManagedWindow& w) { return QStringLiteral("raise %1").arg(w.element); }
    static QString activateOf(const ManagedWindow& w) { return QStringLiteral("activate %1").arg(w.element); }

    template<typename T>
    T run(Task<T> task)
    {
        return clock.run(std::move(task));
    }

    VirtualClock clock;
    sim::SimDesktop sim{clock};
    WindowAccess access{sim, sim, clock, sim};
    WindowPlacement placement{access};
    // The coordinator stand-in, held the way the coordinator is: placements keep it weakly.
    std::shared_ptr<FakeHost> sharedHost = std::make_shared<FakeHost>(clock);
    FakeHost& host = *sharedHost;
    log::Capture logs;
};

// Three windows a, b and c of three applications (pids firstPid, +1, +2) at their start
// frames, none of them frontmost.
class ThreeWindowDesk : public PlacementDesk {
protected:
    ThreeWindowDesk(Pid firstPid, const Rect& startA, const Rect& startB, const Rect& startC)
        : starts_{startA, startB, startC}
    {
        a = add(firstPid, startA);
        b = add(firstPid + 1, startB);
        c = add(firstPid + 2, startC);
        sim.setFrontmostApp(0);
    }
    // Puts the three back at their start frames.
    void putBack()
    {
        sim.place(a.element, starts_[0]);
        sim.place(b.element, starts_[1]);
        sim.place(c.element, starts_[2]);
    }
    ManagedWindow a, b, c;

private:
    std::array<Rect, 3> starts_;
};

} // namespace fw::placementtest
