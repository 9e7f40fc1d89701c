#pragma once
// The status menu's icon in the tray. It is made once a tray host is known to be there (join()):
// the toolkit's tray asks the session bus synchronously as it is made. What the bus's peers ask
// of the icon and its menu takes no more than a share of the time (BusCallBudget). Without a
// tray host it shows nowhere. Its colour follows the tray: the colour a host states, else the
// panel's colour read beside the icon once the host drew it (never under it: an icon with an
// alpha channel shows there as the host blends it, or unblended), else a mask with a halo. It is
// drawn faded while snapping is paused; a click opens the menu.
//
//   StatusTrayIcon icon(menu);
//   icon.setTrayHost(host);
//   icon.join();   // once a tray host is there

#include "app/qt/StatusIcon.h"

#include <QObject>

#include <cstdint>
#include <memory>
#include <optional>

class QMenu;
class QSystemTrayIcon;

namespace fw {

class BusCallBudget;
class TrayHost;

class StatusTrayIcon final : public QObject {
public:
    // The menu the icon opens; it outlives the icon.
    explicit StatusTrayIcon(QMenu& menu);
    ~StatusTrayIcon() override;

    // Makes the icon and shows it in the tray; once.
    void join();
    bool joined() const { return tray_ != nullptr; }
    // The colour the tray host asks icons to take (none: unknown); a new host also has its
    // background read again.
    void setHostColor(const std::optional<QColor>& color);
    // The tray host whose panel's colour beside the icon is read; none: not read.
    void setTrayHost(const TrayHost* host) { trayHost_ = host; }
    void hide();
    // The icon drawn faded while snapping is paused.
    void setPaused(bool paused);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateIcon();
    // Reads the panel's colour beside the icon's window.
    void readTrayBackground();

    QMenu& menu_;
    std::unique_ptr<BusCallBudget> budget_;   // before the icon, whose objects it bounds
    std::unique_ptr<QSystemTrayIcon> tray_;
    bool paused_ = false;
    std::optional<QColor> hostColor_, background_;
    StatusIconColors iconColors_;
    bool iconPaused_ = false;
    bool readPending_ = false;
    const TrayHost* trayHost_ = nullptr;
    std::uintptr_t iconWindow_ = 0;   // the icon's window, once the toolkit drew it
};

} // namespace fw
