#pragma once
// Desktop settings port: what the desktop itself says about window tiling, motion and the
// window manager's title bars. The desktop's own tiling (dragging a window to a screen edge or
// to the top tiles or fills it) competes with our drags; we read it, never change it, and can
// open the desktop's settings where the user turns it off. Where the window manager draws its
// title-bar buttons decides where a stack's badge stands on the title bar; a drag with the key
// it moves windows with wherever they are pressed is followed like a title-bar drag.

#include "platform/MouseMonitor.h"

#include <QString>
#include <optional>

namespace fw {

// What a window manager draws at each end of its title bars, beside the title: the window's
// buttons, its menu button or icon, spacers (each counts as one item).
struct TitleBarButtons {
    int left = 1, right = 3;
    // The close, minimize and maximize buttons stand at the left end (most of them).
    bool buttonsLeft = false;
    // The window manager is known to centre the title on the bar (openbox's stock theme,
    // metacity, GNOME, xfwm4); elsewhere (icewm, fluxbox, …) where its text stands is not known.
    bool titleCentred = false;
    friend bool operator==(const TitleBarButtons&, const TitleBarButtons&) = default;
};

class DesktopSettings {
public:
    // The two tiling preferences, by the keys the shell and the welcome window use.
    static inline const QString edgeTilingKey = QStringLiteral("EnableTilingByEdgeDrag");
    static inline const QString topTilingKey = QStringLiteral("EnableTopTilingByEdgeDrag");

    virtual ~DesktopSettings() = default;
    // True or false as the desktop has it; nothing when the desktop has the setting but no
    // value for it. A desktop without tiling of its own answers false.
    virtual std::optional<bool> windowManagerPreference(const QString& key) = 0;
    // Opens the desktop's settings where its tiling is turned off; false when none opened.
    virtual bool openTilingSettings() = 0;
    // The desktop asks applications to keep animations to a minimum.
    virtual bool reduceMotion() = 0;
    // Where the running window manager draws its title-bar buttons: as the desktop states its
    // button layout, else that window manager's own default.
    virtual TitleBarButtons titleBarButtons() { return {}; }
    // The modifier with which the running window manager moves a window wherever the first
    // button drags it (0: none), where the desktop states it; nothing where it does not: most
    // window managers move with Alt, and some resize with it near an edge.
    virtual std::optional<Modifiers> moveModifier() { return std::nullopt; }
};

} // namespace fw
