#pragma once
// Desktop settings port: what the desktop itself says about window tiling and motion. The
// desktop's own tiling (dragging a window to a screen edge or to the top tiles or fills it)
// competes with our drags; we read it, never change it, and can open the desktop's settings
// where the user turns it off.

#include <QString>
#include <optional>

namespace fw {

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
};

} // namespace fw
