#pragma once
// Shared by the coordinator benchmarks (header only): the coordinator's services on the
// simulated desktop with feedback that does nothing, displays covered by stacks in the four
// quarters with a window spanning the top row, and the program's main.

#include "base/UserDefaults.h"
#include "layout/LayoutStore.h"
#include "platform/sim/SimDesktop.h"
#include "snap/SnapCoordinator.h"
#include "windows/WindowAccess.h"
#include "windows/WindowPlacement.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

#include <memory>

namespace fw::bench {

class NoFeedback final : public SnapFeedback {
public:
    void setOnCancel(std::function<void()>) override {}
    bool containsPoint(Point) const override { return false; }
    void setDraggedWindow(const std::optional<ManagedWindow>&) override {}
    std::optional<SnapSelection> hoverPicker(Point) override { return std::nullopt; }
    void hidePicker() override {}
    void showPreview(const std::optional<Rect>&) override {}
    void showCompositionPreviews(const std::vector<Rect>&) override {}
    void showReturnPreview(bool, const ManagedWindow&, const Rect&) override {}
    void showWindowChooser(const ScreenInfo&, const std::vector<ManagedWindow>&, const QString&,
                           const std::optional<QString>&, std::function<void(const ManagedWindow&)>,
                           std::function<void()>) override {}
    void showRegionAssist(const std::map<RegionNumber, Rect>&, const std::vector<ManagedWindow>&, const Thumbnails&,
                          std::function<void(RegionNumber, const ManagedWindow&)>, std::function<void(RegionNumber)>) override {}
    void updateAssistThumbnail(const Thumbnail&, const ManagedWindow&) override {}
    void hideAssistPanels() override {}
    void showDividerEditor(const ScreenInfo&, const SnapLayout&, std::function<void(const DividerPath&)>,
                           std::function<void(const DividerPath&, double, bool)>) override {}
    void updateDividerEditor(const SnapLayout&) override {}
    void hideAll() override {}
};

// The coordinator's services; `start` makes the coordinator once the desktop is set up.
struct SnapBenchDesk {
    VirtualClock clock;
    sim::SimDesktop sim{clock};
    WindowAccess access{sim, sim, clock, sim};
    WindowPlacement placement{access};
    MemoryDefaults defaults;
    LayoutStore store{defaults};
    NoFeedback feedback;
    NoWindowStacks stacks;
    NoThumbnailCapture capture;
    std::unique_ptr<SnapCoordinator> coordinator;

    SnapCoordinator& start(bool diagnostics)
    {
        coordinator = std::make_unique<SnapCoordinator>(
            SnapServices{access, placement, sim, sim, clock, defaults, store, feedback, stacks, capture, diagnostics});
        return *coordinator;
    }

    // Adds the screen with `perRegion` windows stacked in each quarter of its visible frame (each
    // one point further in) and one window spanning the top row; returns the next free pid.
    Pid addQuarterStacks(const ScreenInfo& screen, int perRegion, Pid pid)
    {
        sim.addScreen(screen);
        const auto regions = SnapLayout::builtIns()[4].tree.frames(screen.visibleFrame, 8);
        for (const auto& [r, f] : regions) {
            for (int k = 0; k < perRegion; ++k)
                sim.addWindow({.pid = pid++, .title = QStringLiteral("stacked"), .frame = f.offsetBy(k, k)});
        }
        sim.addWindow({.pid = pid++, .title = QStringLiteral("span"), .frame = regions.at(0).united(regions.at(2))});
        return pid;
    }
};

// The benchmarks' main: Qt's core application exists while they run.
inline int runBenchmarks(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    int qargc = 1;
    QCoreApplication app(qargc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace fw::bench
