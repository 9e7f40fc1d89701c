#pragma once
// The tour's illustrations, drawn in code on a 616 × 220 view (origin top left): a window
// dragged over a placed one with the tile menu, a stack with its badge and switcher, a window
// spanning two of three columns, a layout with apps and its keys, and shortcut cards with a
// mouse. Colours follow the desktop's palette; a symbol that is not known leaves its place
// empty.

#include "onboarding/TourPages.h"

#include <QWidget>

namespace fw {

class TourArt : public QWidget {
    Q_OBJECT
public:
    using Kind = TourArtKind;

    explicit TourArt(QWidget* parent = nullptr);

    Kind kind() const { return kind_; }
    // Shows the kind: redraws and sets the accessible text to the kind's description.
    void setKind(Kind kind);

    // A window: rounded, filled (accent-tinted when highlighted), outlined, with its title bar
    // (the title, and minimize, maximize and close at its right) when asked.
    static void drawWindow(QPainter& p, const QRectF& rect, bool highlighted, bool titleBar, const QPalette& palette,
                           const QString& title = {});
    // A symbol in one colour; false when the name is unknown (nothing drawn).
    static bool drawSymbol(QPainter& p, const QString& name, const QRectF& rect, const QColor& color);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void drawDropMenu(QPainter& p) const;
    void drawStack(QPainter& p) const;
    void drawSpan(QPainter& p) const;
    void drawLayouts(QPainter& p) const;
    void drawShortcuts(QPainter& p) const;

    Kind kind_ = Kind::dropMenu;
};

} // namespace fw
