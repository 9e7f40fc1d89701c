#pragma once
// The picker's card widgets: a region button, the plate behind a region card, a key cap and
// the button of a composition card. Each draws itself; the buttons hit-test their exact
// fractional frames, so the gaps between region buttons belong to no region.

#include "layout/SnapLayout.h"

#include <QAbstractButton>
#include <QIcon>
#include <QWidget>
#include <functional>
#include <optional>

class QPainter;

namespace fw {

class OverlayLabel;

// Fills a rounded rectangle, as the cards and their plates are drawn.
void fillRounded(QPainter& p, const QRectF& r, double radius, const QColor& color);

// One region of a region card.
class RegionButton : public QAbstractButton {
    Q_OBJECT
public:
    // `label` is the accessibility label.
    explicit RegionButton(const QString& label, QWidget* parent = nullptr);

    bool highlightedRegion = false;
    // Drawn with a stronger fill; the picker never sets it.
    bool occupied = false;
    std::optional<QIcon> icon;
    std::function<void()> invoke;

    void choose();
    // The exact frame in the parent's coordinates; the widget covers it rounded outward.
    QRectF exactFrame() const { return exact_; }
    void setExactFrame(const QRectF& frame);
    // Where the icon is drawn (local coordinates), or nothing when it would be under 10 points.
    std::optional<QRectF> iconRect() const;

protected:
    void paintEvent(QPaintEvent*) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QRectF localRect() const;
    QRectF exact_;
};

// The rounded plate behind a region card; it never takes part in hit testing.
class LayoutCardPlatter : public QWidget {
    Q_OBJECT
public:
    explicit LayoutCardPlatter(QWidget* parent = nullptr);
    bool highlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool highlighted_ = false;
};

// A short key name drawn as a key cap; sized to its text.
class KeyCapLabel : public QWidget {
    Q_OBJECT
public:
    explicit KeyCapLabel(const QString& key, QWidget* parent = nullptr);
    OverlayLabel* label() const { return label_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    OverlayLabel* label_;
};

// One card of composition mode: applies the whole layout with its apps.
class CompositionButton : public QAbstractButton {
    Q_OBJECT
public:
    CompositionButton(const SnapLayout& layout, bool adjusted, QWidget* parent = nullptr);

    const SnapLayout layout;
    std::optional<QString> detail;
    QString displayName;
    bool highlightedComposition = false;
    std::function<void()> invoke;

    void applyLayout();
    bool isAdjusted() const { return adjusted_; }
    // Highlighted or being pressed.
    bool isActive() const { return highlightedComposition || isDown(); }
    QRectF exactFrame() const { return exact_; }
    void setExactFrame(const QRectF& frame);
    // The miniature area in local coordinates.
    QRectF miniatureRect() const;

protected:
    void paintEvent(QPaintEvent*) override;
    bool hitButton(const QPoint& pos) const override;

private:
    bool adjusted_ = false;
    QRectF exact_;
};

} // namespace fw
