#pragma once
// The simulated desktop as one Platform: the in-memory desktop on a virtual clock, memory
// defaults, simulated hot keys, button grabs and scroll tap, window pictures, installed
// applications, desktop settings and workspaces, each reachable for the test to script.
//
//   sim::SimPlatform sim;
//   sim.desktop.addScreen({...});
//   AppDelegate delegate(sim.platform(), {});
//   sim.hotKeys.press(35, StoredCtrl | StoredAlt);

#include "base/UserDefaults.h"
#include "platform/Platform.h"
#include "platform/sim/FakeApplications.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimInput.h"
#include "platform/sim/SimWindowCapture.h"

#include <QStringList>
#include <map>

namespace fw::sim {

// Tiling preferences, animations and the tiling settings the test sets.
class SimDesktopSettings final : public DesktopSettings {
public:
    std::map<QString, std::optional<bool>> preferences;   // absent key: false
    bool reduce = false;
    bool settingsAvailable = true;
    int openedTilingSettings = 0;

    std::optional<bool> windowManagerPreference(const QString& key) override;
    bool openTilingSettings() override;
    bool reduceMotion() override { return reduce; }
};

class SimWorkspaces final : public Workspaces {
public:
    void setChangeHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
    bool watching() const { return bool(handler_); }
    // The user switches to another workspace.
    void switchWorkspace();

private:
    std::function<void()> handler_;
};

class SimPlatform {
public:
    SimPlatform();
    SimPlatform(const SimPlatform&) = delete;
    SimPlatform& operator=(const SimPlatform&) = delete;

    Platform& platform() { return platform_; }

    VirtualClock clock;
    MemoryDefaults defaults;
    SimDesktop desktop{clock};
    SimHotKeys hotKeys;
    SimButtonGrabs buttonGrabs;
    SimScrollTap scrollTap;
    SimWindowCapture capture{desktop};
    SimDesktopSettings settings;
    SimWorkspaces workspaces;
    std::shared_ptr<FakeApplications> applications = std::make_shared<FakeApplications>();

private:
    Platform platform_;
};

} // namespace fw::sim
