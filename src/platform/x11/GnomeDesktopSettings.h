#pragma once
// The desktop settings of GNOME, read through GIO's settings (dconf): the window manager's edge
// tiling (org.gnome.mutter edge-tiling, which covers both the side edges and the top edge) while
// the session is a GNOME one, and the interface's animations (org.gnome.desktop.interface
// enable-animations) wherever that schema is installed. Other desktops tile nothing of their
// own here and keep their animations.

#include "platform/DesktopSettings.h"

#include <memory>

namespace fw {

class GnomeDesktopSettings final : public DesktopSettings {
public:
    GnomeDesktopSettings();
    ~GnomeDesktopSettings() override;
    GnomeDesktopSettings(const GnomeDesktopSettings&) = delete;
    GnomeDesktopSettings& operator=(const GnomeDesktopSettings&) = delete;

    std::optional<bool> windowManagerPreference(const QString& key) override;
    bool openTilingSettings() override;
    bool reduceMotion() override;

    // Whether XDG_CURRENT_DESKTOP ("ubuntu:GNOME") names a GNOME session.
    static bool gnomeSession(const QByteArray& currentDesktop);

private:
    struct Schemas;
    std::unique_ptr<Schemas> schemas_;
};

} // namespace fw
