#pragma once
// A simulated desktop with window access on a virtual clock, for the window access tests.

#include "base/Log.h"
#include "platform/sim/SimDesktop.h"
#include "windows/WindowAccess.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace fw::accesstest {

struct Generation final : CoordinatorHost {
    std::uint64_t value = 0;
    std::uint64_t interactionGeneration() const override { return value; }
};

class Desk : public ::testing::Test {
protected:
    Desk()
    {
        sim.addScreen({"A", "Left", Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1050), true});
    }

    WindowId addWindow(Pid pid, const QString& app, const QString& title, const Rect& frame)
    {
        if (!sim.app(pid))
            sim.addApp({.pid = pid, .name = app});
        return sim.addWindow({.pid = pid, .title = title, .frame = frame});
    }
    ManagedWindow managed(WindowId id)
    {
        auto w = ManagedWindow::make(sim, id);
        EXPECT_TRUE(w);
        return w.value_or(ManagedWindow{});
    }
    template<typename T>
    T run(Task<T> task, Duration limit = std::chrono::minutes(1))
    {
        return clock.run(std::move(task), limit);
    }
    // The window's geometry writes as "position {x, y} @16ms refused", … in order.
    QStringList geometryWrites(WindowId id) const
    {
        QStringList out;
        for (const auto& w : sim.writesFor(id)) {
            if (w.kind & sim::Write::Geometry)
                out << w.toString();
        }
        return out;
    }
    QStringList interfaceWrites() const
    {
        QStringList out;
        for (const auto& w : sim.writesOf(sim::Write::FrameAnimation))
            out << w.toString();
        return out;
    }
    Rect frameOf(WindowId id) { return sim.frame(id).value_or(Rect::null()); }
    QStringList motion() const { return logs.messages(LogCategory::Motion); }
    QStringList access() const { return logs.messages(LogCategory::WindowAccess); }

    VirtualClock clock;
    sim::SimDesktop sim{clock};
    WindowAccess wa{sim, sim, clock, sim};
    log::Capture logs;
};

} // namespace fw::accesstest
