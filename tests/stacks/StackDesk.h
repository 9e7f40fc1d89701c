#pragma once
// The stack engine on the coordinator's desk (two displays on the simulated desktop in
// virtual time): the real coordinator fills its callback slots, transitions are drawn by a
// recording presenter over generated window pictures, and a recording presentation stands for
// the badges and anchors: it tells the front of each stack from the layer list, as the front
// probe does, and can hold a switcher open.

#include "platform/sim/SimWindowCapture.h"
#include "snap/SnapFixture.h"
#include "stacks/StackEngine.h"
#include "transitions/RecordingPresenter.h"
#include "transitions/WindowTransitions.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace fw::stacktest {

using namespace fw::snaptest;
using namespace std::chrono_literals;

class RecordingPresentation final : public StackPresentation {
public:
    std::vector<std::vector<ManagedWindow>> shown;   // the members of each presented stack
    int passes = 0, suspends = 0, stops = 0;
    bool switcherShown = false;
    std::vector<Rect> zones;

    Shown present(const WindowStack&, const std::vector<ManagedWindow>& members,
                  const std::vector<WindowLayerSnapshot>& layers) override
    {
        shown.push_back(members);
        Shown out;
        for (const auto& l : layers) {
            const auto m = std::find_if(members.begin(), members.end(), [&](const auto& w) { return w.element == l.id; });
            if (m != members.end()) {
                out.front = *m;
                break;
            }
        }
        out.records.append(QJsonObject{{QStringLiteral("status"), QStringLiteral("hover ready")}});
        return out;
    }
    void endPass() override { ++passes; }
    void suspend() override { ++suspends; }
    void dismissPickers() override {}
    void stop() override { ++stops; }
    void forget(const std::unordered_set<ManagedWindow>&) override {}
    bool switcherOpen() const override { return switcherShown; }
    int visiblePanelCount() const override { return int(shown.size()); }
    std::vector<Rect> anchorZones() const override { return zones; }
    void noteMouseMoved(Point) override {}
    bool openSwitcher(const WindowStack&, const std::vector<ManagedWindow>&, const ManagedWindow&, const Rect&) override
    {
        switcherShown = true;
        return true;
    }
};

class StackDesk : public SnapDesk {
protected:
    StackDesk() { access.setIdleInhibitors(&sim); }
    ~StackDesk() override
    {
        coordinator.reset();   // it reaches the controller to the end
        controller.reset();
    }

    // The coordinator and the engine, started; the first deferred pass has run.
    fw::stacks::StackEngine& startStacks(bool diagnostics = false)
    {
        controller = std::make_unique<fw::stacks::StackEngine>(
            fw::stacks::StackServices{access, sim, sim, clock, defaults, transitions, sim, &presentation, diagnostics});
        stacksUsed = controller.get();
        start(diagnostics);
        controller->start();
        clock.advance(250ms);
        return *controller;
    }
    // Windows of one frame stack, front-most last (each added on top).
    std::vector<ManagedWindow> stackOf(const Rect& frame, std::initializer_list<Pid> pids)
    {
        std::vector<ManagedWindow> out;
        for (Pid pid : pids)
            out.push_back(add(pid, frame));
        return out;
    }
    WindowId frontOf(std::initializer_list<ManagedWindow> windows) const
    {
        for (WindowId id : sim.stacking()) {
            for (const auto& w : windows) {
                if (w.element == id)
                    return id;
            }
        }
        return 0;
    }
    // Raises (activations and raises) since the last clear, window by window.
    std::vector<WindowId> raised() const
    {
        std::vector<WindowId> out;
        for (const auto& w : sim.writesOf(sim::Write::Raise))
            out.push_back(w.window);
        return out;
    }
    QJsonObject stackStateFile() const
    {
        QFile f(diagnosticsFile(fw::stacks::kStackStateFile));
        return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object() : QJsonObject();
    }

    sim::SimWindowCapture pictures{sim};
    test::RecordingPresenter presenter{clock};
    WindowTransitions transitions{access, sim, sim, pictures, presenter};
    RecordingPresentation presentation;
    std::unique_ptr<fw::stacks::StackEngine> controller;
};

} // namespace fw::stacktest
