#pragma once
// What the welcome window says: its four steps and the three status rows (window control,
// window previews with the stack transitions, and the desktop's own tiling) for a given grant,
// compositor and tiling state. The
// window, with its shortcut line, is WelcomeWindowController (onboarding/qt).

#include "platform/DesktopSettings.h"
#include "snap/ShortcutLabels.h"

#include <QString>

#include <array>
#include <optional>

namespace fw {

struct WelcomeStep {
    QString number;
    QString title;
    QString body;
};
// The last names the layout keys `layoutKeys` ("Ctrl+Alt+1–9"; left out when empty), by
// default those of the installed shortcuts.
std::array<WelcomeStep, 4> welcomeSteps(const QString& layoutKeys = layoutKeysLabel(nullptr));

// The desktop's tiling preferences the welcome window asks about.
inline const QString& edgeTilingKey = DesktopSettings::edgeTilingKey;
inline const QString& topTilingKey = DesktopSettings::topTilingKey;

struct WelcomeStatus {
    enum class Tone { ready, muted };   // green, or the secondary text colour

    QString permissionText;
    Tone permissionTone = Tone::muted;
    QString permissionButton;
    bool permissionButtonHidden = false;
    bool resetHidden = false;

    QString previewsText;
    Tone previewsTone = Tone::muted;
    bool previewsButtonHidden = false;

    QString tilingText;   // with its "▲ "; empty when hidden
    bool tilingHidden = true;
};

// The rows for the grants, whether stack transitions animate (a compositor runs), the
// desktop's two tiling preferences (unset counts as on), whether our icon shows in a tray and
// the title of the chosen stack transition ("Shuffle", "Genie", …).
WelcomeStatus welcomeStatus(bool controlGranted, bool previewsGranted, bool animated, std::optional<bool> edgeTiling,
                            std::optional<bool> topTiling, bool trayShown = true,
                            const QString& transition = QStringLiteral("Shuffle"));
// The sentence on the desktop's own tiling (unset counts as on); nothing when neither tiles.
// The welcome window's tiling row and the status menu's tiling item say it.
std::optional<QString> desktopTilingSentence(std::optional<bool> edgeTiling, std::optional<bool> topTiling);
// The tiling row's tool tip.
QString tilingToolTip();

} // namespace fw
