// The tray menu kept current: built and wired to the shell's commands, rendered ahead of its
// openings, and following the tray host.
#include "app/qt/StatusMenuUpkeep.h"

#include "app/HotKeys.h"
#include "app/MainThreadStallLog.h"
#include "app/ShellCommands.h"
#include "app/StackCommands.h"
#include "app/qt/StatusMenuView.h"
#include "base/Log.h"
#include "platform/TrayHost.h"

#include <QColor>

#include <utility>

namespace fw {

StatusMenuUpkeep::StatusMenuUpkeep(StatusMenuServices services)
    : services_(std::move(services)), tasks_(services_.clock)
{
}

StatusMenuUpkeep::~StatusMenuUpkeep() { self_.cut(); }

StatusMenuState StatusMenuUpkeep::withTakenKeys(StatusMenuState state) const
{
    state.takenLayoutKeys = services_.hotKeys.layoutKeyFailures();
    state.takenKeys = services_.hotKeys.failures();
    return state;
}

void StatusMenuUpkeep::build()
{
    view_ = std::make_unique<StatusMenuView>();
    view_->icon().setTrayHost(services_.trayHost);
    view_->onOpen = [this] {
        services_.stalls.start();
        return withTakenKeys(services_.commands.menuWillOpen());
    };
    view_->onClose = [this] {
        services_.stalls.stop();
        services_.commands.menuDidClose();
        // Once, however many closings a host sends.
        if (std::exchange(closeRefreshPending_, true))
            return;
        std::weak_ptr<StatusMenuUpkeep> weak = self_.weak();
        tasks_.after(std::chrono::milliseconds(500), [weak] {
            if (auto self = weak.lock()) {
                self->closeRefreshPending_ = false;
                self->refresh();
            }
        });
    };
    view_->onCommand = [this](MenuCommand command, const MenuPayload& payload) {
        services_.commands.perform(command, payload);
        scheduleRefresh();
    };
    if (!services_.trayHost)
        view_->icon().join();
}

bool StatusMenuUpkeep::trayHostChanged()
{
    TrayHost& host = *services_.trayHost;
    const auto color = host.iconColor();
    view_->icon().setHostColor(color ? std::optional<QColor>(QColor::fromRgb(*color)) : std::nullopt);
    // Nothing is said or made while the bus is still being reached or its watcher asked.
    if (!host.settled() || services_.ended())
        return false;
    const bool available = host.present() || host.statusNotifierHost();
    // The toolkit's tray asks the bus synchronously as it is made: made once a host is there
    // and the bus answers promptly, never before. From then on it follows the hosts itself.
    if (available)
        view_->icon().join();
    const bool first = !std::exchange(trayKnown_, true);
    if (!first && available == trayAvailable_)
        return false;
    trayAvailable_ = available;
    if (first && !available)
        log::info(LogCategory::App, "No system tray: Framewell runs without its menu; use its shortcuts, or start "
                                    "it again to open Getting Started");
    else if (!first && available)
        log::info(LogCategory::App, "System tray found: Framewell’s menu is in the tray");
    else if (!first)
        log::info(LogCategory::App, "No system tray any more: use Framewell’s shortcuts, or start it again to "
                                    "open Getting Started");
    return true;
}

void StatusMenuUpkeep::refresh()
{
    if (!view_ || services_.ended() || view_->menuOpen() || services_.stackCommands.menuOpen())
        return;
    view_->render(withTakenKeys(services_.commands.menuState()));
}

void StatusMenuUpkeep::scheduleRefresh()
{
    if (view_)
        view_->changed();
    if (std::exchange(refreshPending_, true))
        return;
    std::weak_ptr<StatusMenuUpkeep> weak = self_.weak();
    tasks_.after(Duration::zero(), [weak] {
        if (auto self = weak.lock()) {
            self->refreshPending_ = false;
            self->refresh();
        }
    });
}

} // namespace fw
