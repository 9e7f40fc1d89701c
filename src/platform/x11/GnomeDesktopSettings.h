#pragma once
// The desktop settings of GNOME, read through GIO's settings (dconf): the window manager's edge
// tiling (org.gnome.mutter edge-tiling, which covers both the side edges and the top edge) while
// the session is a GNOME one, and the interface's animations (org.gnome.desktop.interface
// enable-animations) wherever that schema is installed. Other desktops tile nothing of their
// own here and keep their animations. The title-bar button layout is the running window
// manager's (org.gnome.desktop.wm.preferences button-layout for metacity and GNOME's own,
// the settings files of xfwm4 and openbox), read again at most every few seconds.

#include "platform/DesktopSettings.h"

#include <QElapsedTimer>
#include <functional>
#include <memory>

namespace fw {

class GnomeDesktopSettings final : public DesktopSettings {
public:
    // `windowManagerName` names the running window manager (empty: none).
    explicit GnomeDesktopSettings(std::function<QString()> windowManagerName = {});
    ~GnomeDesktopSettings() override;
    GnomeDesktopSettings(const GnomeDesktopSettings&) = delete;
    GnomeDesktopSettings& operator=(const GnomeDesktopSettings&) = delete;

    std::optional<bool> windowManagerPreference(const QString& key) override;
    bool openTilingSettings() override;
    bool reduceMotion() override;
    TitleBarButtons titleBarButtons() override;

    // Whether XDG_CURRENT_DESKTOP ("ubuntu:GNOME") names a GNOME session.
    static bool gnomeSession(const QByteArray& currentDesktop);

private:
    struct Schemas;
    std::unique_ptr<Schemas> schemas_;
    std::function<QString()> windowManagerName_;
    TitleBarButtons buttons_;
    QElapsedTimer buttonsRead_;
};

} // namespace fw
