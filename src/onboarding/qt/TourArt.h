#pragma once
// The tour's illustrations, drawn in code on a 616 × 220 view (origin top left): a window
// dragged over a placed one with the real tile menu (its six tiles, laid out as the menu lays
// them out), a stack whose badge stands upright across the front window's left edge, grown
// open with its grip, beside the switcher's row of window cards, a window spanning two of three
// columns with the key held for it, a layout with apps
// and its keys, and shortcut caps of one size with a mouse. Colours follow the desktop's
// palette; a symbol that is not known leaves its place empty.

#include "onboarding/TourPages.h"
#include "snap/DropActionMenu.h"

#include <QFont>
#include <QWidget>

#include <vector>

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

    // The tile menu of the first picture: the real menu's tiles, in the picture's coordinates.
    struct Tile {
        TileText text;
        QRectF frame;
        bool chosen = false;
    };
    static std::vector<Tile> dropMenuTiles();
    // The font every key cap of the shortcuts picture is set in: the largest, up to 16 px, in
    // which each of the keys fits the cap's width.
    static QFont keyCapFont(const QStringList& keys, double width);

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
