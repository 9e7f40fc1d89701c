#pragma once
// The tray icon: three panes of a layout (a tall left pane and two on the right, the upper one
// filled), drawn as a mask in one colour chosen for the panel behind it. Where the panel's
// colour is known (the tray states the colour its icons take, or its background was read) the
// mask takes a colour of at least 4.5:1 against it; where it is not, the mask wears a halo in
// a contrasting colour, so that the mask or its halo reads on any panel. While snapping is
// paused the icon is drawn faded. The icon offers every tray size (16 to 64 device pixels)
// and, once installed, its themed symbolic name for hosts that recolour icons themselves.

#include <QColor>
#include <QIcon>
#include <QPalette>

#include <optional>

class QPainter;

namespace fw {

inline constexpr int statusIconSide = 18;
// The device-pixel sizes the icon offers to a tray host that takes pixmaps.
inline constexpr int statusIconSizes[] = {16, 22, 24, 32, 48, 64};
// The icon's themed name, installed in hicolor.
inline const QString statusIconName = QStringLiteral("framewell-symbolic");

struct StatusIconColors {
    QColor glyph;
    QColor halo;   // invalid: none
    friend bool operator==(const StatusIconColors&, const StatusIconColors&) = default;
};

// The WCAG contrast ratio of two opaque colours, 1 to 21.
double contrastRatio(const QColor& a, const QColor& b);
// The colours for a panel: the host's own wish when it states one; for a known background the
// palette's text colour when it reads there (4.5:1), else near-white or near-black; for an
// unknown panel the text colour with a halo of the palette's window colour (black and white
// where those two are too close).
StatusIconColors statusIconColors(const QPalette& palette, const std::optional<QColor>& hostColor = std::nullopt,
                                  const std::optional<QColor>& background = std::nullopt);

// Draws the icon into an 18 × 18 square of the painter (top-left origin), its halo first.
void drawStatusIcon(QPainter& painter, const StatusIconColors& colors);
// The icon in these colours; faded while paused.
QIcon statusIcon(const StatusIconColors& colors, bool paused = false);
// The icon for an unknown panel in the palette's colours.
QIcon statusIcon(const QPalette& palette, bool paused = false);

} // namespace fw
