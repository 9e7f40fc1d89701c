#pragma once
// Where a dragged window will land: a tinted, rounded surface with a thin inner keyline.
// `PreviewView` is the drop preview of a region (always armed); `ReturnTargetView` adds a
// badge with a symbol and a caption, for the window's previous position and for other targets
// whose caption and symbol the controller sets. In a panel that cannot show translucent
// pixels the surface is its outline only (the border and a white keyline inside it) and the
// panel is cut to that outline, so the windows under it stay visible; elsewhere the panel is cut
// to the rounded surface.

#include "overlay/OverlayStyle.h"

#include <QWidget>

#include <optional>

class QLabel;

namespace fw {

class DropSurfaceView : public QWidget, public ShapedContent {
    Q_OBJECT
public:
    explicit DropSurfaceView(QWidget* parent = nullptr);

    bool surfaceArmed() const { return surfaceArmed_; }
    // Redraws only when the value changes.
    void setSurfaceArmed(bool armed);

    // Where the two parts are drawn, in view coordinates.
    QRectF surfaceRect() const { return QRectF(rect()).adjusted(4, 4, -4, -4); }
    QRectF keylineRect() const { return QRectF(rect()).adjusted(7, 7, -7, -7); }
    // The surface's fill, border colour and border width for the current state.
    QColor surfaceFill() const;
    QColor surfaceBorder() const;
    double surfaceBorderWidth() const { return surfaceArmed_ ? 4 : 3; }
    // The outline drawn where translucency does not show: the border and the keyline.
    QPainterPath outlineRing() const;
    // What is drawn: the tinted surface where translucency shows, else that outline.
    std::optional<QPainterPath> shapeOutline() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    bool surfaceArmed_ = true;
};

class PreviewView : public DropSurfaceView {
    Q_OBJECT
public:
    explicit PreviewView(QWidget* parent = nullptr) : DropSurfaceView(parent) {}
};

// The badge of a return target: a glass card tinted by the target's armed state.
class ReturnBadge : public GlassCard {
    Q_OBJECT
public:
    explicit ReturnBadge(QWidget* parent = nullptr);
    bool armed = false;

protected:
    void paintEvent(QPaintEvent*) override;
};

class ReturnTargetView : public DropSurfaceView {
    Q_OBJECT
public:
    static constexpr double badgeWidth = 236;
    static constexpr double badgeHeight = 46;

    explicit ReturnTargetView(QWidget* parent = nullptr);

    ReturnBadge* badge() const { return badge_; }
    OverlayLabel* caption() const { return caption_; }
    QLabel* icon() const { return icon_; }
    QString symbolName() const { return symbolName_; }
    bool armed() const { return armed_; }
    // Whether the badge is meant to be shown; the controller sets it with the badge.
    bool showsCaption = true;

    // "Release to return" when armed, "Previous position" when not; nothing when unchanged.
    void setCaption(bool armed);
    // Sets the armed state, then the caption and the symbol, each only when it differs, and
    // the rectangle of the view the badge keeps out of (the dragged window above the panel;
    // none for a target that has none): every showing gives its own, so none outlives it.
    void update(const QString& caption, const QString& symbol, bool armed, const std::optional<QRectF>& keepClear);
    using QWidget::update;
    // Shows or hides the badge (`showsCaption` follows) and re-cuts the panel around it.
    void setShowsCaption(bool shows);
    // The outline with the badge, while it is shown.
    std::optional<QPainterPath> shapeOutline() const override;

protected:
    void resizeEvent(QResizeEvent*) override;
    void showEvent(QShowEvent*) override;
    void changeEvent(QEvent*) override;

private:
    // The badge goes the least way from its place to where it is clear of the area, or, where
    // the view has no room, to where the area covers the least of it.
    void setKeepClear(const std::optional<QRectF>& area);
    void layoutBadge();
    // Where the badge goes in a view of this size, clear of keepClear_ where there is room.
    QRectF badgePlace(double badgeWidth) const;
    void applySymbol();

    ReturnBadge* badge_;
    OverlayLabel* caption_;
    QLabel* icon_;
    QString symbolName_ = QStringLiteral("arrow.uturn.backward");
    // The symbol is drawn when first shown: drawing it loads the fonts, which the launch leaves for later.
    bool symbolDrawn_ = false;
    bool armed_ = false;
    std::optional<QRectF> keepClear_;
};

} // namespace fw
