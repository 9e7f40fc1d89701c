// The welcome window's steps and status rows for a given grant, compositor and desktop tiling state.
#include "onboarding/WelcomeContent.h"

namespace fw {

std::array<WelcomeStep, 4> welcomeSteps(const QString& layoutKeys)
{
    return {{
        {u"1"_qs, u"Drag to the top"_qs, u"Move a window to the top center of any display and drop it into a region."_qs},
        {u"2"_qs, u"Drop onto a window"_qs,
         u"Drag onto a placed window and pick a tile: stack, take a half, rejoin or swap."_qs},
        {u"3"_qs, u"Stack windows in one spot"_qs,
         u"The badge on the window’s left edge shows what’s behind; click an icon to switch."_qs},
        {u"4"_qs, u"Make it yours"_qs,
         u"Resize shared edges together, and save layouts with their apps"_qs
             + (layoutKeys.isEmpty() ? QString() : u" for "_qs + layoutKeys) + u'.'},
    }};
}

WelcomeStatus welcomeStatus(bool controlGranted, bool previewsGranted, bool animated, std::optional<bool> edgeTiling,
                            std::optional<bool> topTiling, bool trayShown, const QString& transition)
{
    using Tone = WelcomeStatus::Tone;
    WelcomeStatus s;
    if (controlGranted && trayShown) {
        s.permissionText = QStringLiteral("● Ready. Framewell lives in your tray.");
        s.permissionTone = Tone::ready;
    } else if (controlGranted) {
        // No tray host: the program is reached by its shortcuts, and starting it again shows this window.
        s.permissionText = QStringLiteral("● Ready. No tray here: use the shortcuts, or start Framewell again.");
        s.permissionTone = Tone::ready;
    } else {
        s.permissionText = QStringLiteral("● Window control is off, so windows stay put.");
        s.permissionButton = QStringLiteral("Enable Window Control");
    }
    // Nothing to set once windows can be arranged: the desktop has no settings for it.
    s.permissionButtonHidden = controlGranted;
    s.resetHidden = controlGranted;
    const QString effect = transition.isEmpty() || transition == QLatin1String("Shuffle")
                               ? QStringLiteral("3D Shuffle")
                               : transition + QStringLiteral(" transition");
    if (previewsGranted && animated) {
        s.previewsText = QStringLiteral("● Window previews on, with the %1.").arg(effect);
        s.previewsTone = Tone::ready;
    } else if (previewsGranted) {
        // Without a compositor the transitions are not drawn: stacks switch without animation.
        s.previewsText = QStringLiteral("● Window previews on; a compositor adds the %1.").arg(effect);
    } else {
        s.previewsText = QStringLiteral("○ Window previews are off: no previews or %1.").arg(effect);
    }
    s.previewsButtonHidden = previewsGranted;

    const auto message = desktopTilingSentence(edgeTiling, topTiling);
    s.tilingHidden = !message;
    s.tilingText = message ? QStringLiteral("▲ ") + *message : QString();
    return s;
}

std::optional<QString> desktopTilingSentence(std::optional<bool> edgeTiling, std::optional<bool> topTiling)
{
    const bool edge = edgeTiling.value_or(true), top = topTiling.value_or(true);
    if (edge && top)
        return QStringLiteral("Desktop edge and top tiling compete with Framewell’s drags.");
    if (edge)
        return QStringLiteral("Desktop edge tiling competes with Framewell’s corner drags.");
    if (top)
        return QStringLiteral("Desktop top tiling competes with Framewell’s top-center picker.");
    return std::nullopt;
}

QString tilingToolTip()
{
    return QStringLiteral("Turn off tiling by dragging windows to the screen edges and to the top in your desktop’s "
                          "window settings.");
}

} // namespace fw
