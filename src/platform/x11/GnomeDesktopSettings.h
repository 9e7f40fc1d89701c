#pragma once
// The desktop settings of GNOME, read through GIO's settings (dconf): the window manager's edge
// tiling (org.gnome.mutter edge-tiling, which covers both the side edges and the top edge) while
// the session is a GNOME one, and the interface's animations (org.gnome.desktop.interface
// enable-animations) wherever that schema is installed. Other desktops tile nothing of their
// own here and keep their animations. The title-bar button layout is the running window
// manager's (org.gnome.desktop.wm.preferences button-layout for metacity and GNOME's own,
// the settings files of xfwm4 and openbox), and so is its move key (the same schema's
// mouse-button-modifier, KWin's kwinrc); each read again at most every few seconds.

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
    std::optional<Modifiers> moveModifier() override;

    // Whether XDG_CURRENT_DESKTOP ("ubuntu:GNOME") names a GNOME session.
    static bool gnomeSession(const QByteArray& currentDesktop);

private:
    // A reading of the running window manager's settings and when it was taken.
    template <class T>
    struct Reading {
        T value{};
        QElapsedTimer taken;
    };
    template <class T, class Read>
    const T& fresh(Reading<T>& reading, Read read);
    // The schema's string key, when the schema is installed.
    std::optional<QString> wmPreference(const char* key) const;

    struct Schemas;
    std::unique_ptr<Schemas> schemas_;
    std::function<QString()> windowManagerName_;
    Reading<TitleBarButtons> buttons_;
    Reading<std::optional<Modifiers>> moveModifier_;
};

} // namespace fw
