#pragma once
// The tile menu over a placed window: one tile per drop action on a glass card, coloured by
// whether the pointer is over it and whether releasing now would perform it. The coordinator
// decides everything; the view only draws.

#include "snap/DropActionMenu.h"
#include "overlay/OverlayStyle.h"

#include <QWidget>
#include <optional>
#include <vector>

namespace fw {

class DropActionTile : public QWidget {
    Q_OBJECT
public:
    enum class State { normal, highlighted, armed };

    DropActionTile(const QString& symbol, const QString& title, QWidget* parent = nullptr);

    State state() const { return state_; }
    // Recolours only when the state changes; true when it did.
    bool setState(State state);
    QString symbol() const { return symbol_; }
    OverlayLabel* caption() const { return caption_; }
    // Where the symbol and the caption are drawn, in tile coordinates. A title too wide for
    // the caption's line at any size down to 10 points takes two lines, the band grown upwards
    // by its font's line spacing; the symbol's band, 38 high, stands right above it, raised
    // where a font's two lines need more than the 26 pixels below its usual place.
    QRectF iconRect() const;
    QRect captionRect() const;
    // Sizes, wraps and places the caption for the tile's width (see captionRect); also done on
    // every resize.
    void fitCaption();

    // The colours of a state in a palette.
    struct Colors {
        QColor background, border, icon, caption;
        double borderWidth;
    };
    static Colors colors(State state, const QPalette& palette);
    // How many times the tile applied its colours (construction included).
    int recolorCount() const { return recolorCount_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void changeEvent(QEvent*) override;

private:
    void applyColors();

    State state_ = State::normal;
    QString symbol_;
    OverlayLabel* caption_;
    int recolorCount_ = 0;
};

class DropActionMenuView : public QWidget, public ShapedContent {
    Q_OBJECT
public:
    explicit DropActionMenuView(QWidget* parent = nullptr);

    // The card's rounded outline.
    std::optional<QPainterPath> shapeOutline() const override { return background_->outline(); }

    // Rebuilds the tiles only when the menu differs from the one shown; then sets each tile's
    // state from the intent under the pointer and whether a release would perform it.
    void configure(const DropActionMenu& menu, const std::optional<RegionDropIntent>& highlighted, bool armed);

    GlassCard* background() const { return background_; }
    const std::vector<DropActionTile*>& tiles() const { return tiles_; }
    const std::optional<DropActionMenu>& actions() const { return actions_; }

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    GlassCard* background_;
    std::vector<DropActionTile*> tiles_;
    std::optional<DropActionMenu> actions_;
};

} // namespace fw
