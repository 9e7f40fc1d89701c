// The simulated desktop as one Platform (SimPlatform.h).
#include "platform/sim/SimPlatform.h"

namespace fw::sim {

std::optional<bool> SimDesktopSettings::windowManagerPreference(const QString& key)
{
    const auto it = preferences.find(key);
    return it == preferences.end() ? std::optional<bool>(false) : it->second;
}

bool SimDesktopSettings::openTilingSettings()
{
    if (!settingsAvailable)
        return false;
    ++openedTilingSettings;
    return true;
}

void SimWorkspaces::switchWorkspace()
{
    if (auto handler = handler_)
        handler();
}

SimPlatform::SimPlatform()
    : platform_{desktop, desktop, workspaces, desktop, desktop.mouse(), desktop, desktop, desktop, capture, clock, defaults,
                hotKeys, buttonGrabs, scrollTap, settings, applications, nullptr,
                [this] { return std::optional<Point>(desktop.mouse().position()); }}
{
}

} // namespace fw::sim
