#pragma once
// Two custom-drawn buttons of the stack switcher. WindowSetButton is the stack map's card that
// brings every window under a spanning window forward: a miniature of the covered regions with
// their application icons, a heading ("Bring Both Forward") and the applications' names.
// LayoutButton is one capsule of the Layouts row, filled with the accent colour when its
// layout is the active one. Both draw a hover state and show the pointing hand.

#include "overlay/ActionButton.h"

#include <QIcon>
#include <QRectF>
#include <functional>
#include <optional>
#include <vector>

namespace fw {

class WindowSetButton : public ActionButton {
    Q_OBJECT
public:
    struct Region {
        QRectF frame;                  // unit rectangle of the span, origin top left
        std::optional<QIcon> icon;
    };

    WindowSetButton(std::vector<Region> regions, QString heading, QString detail, std::function<void()> action,
                    QWidget* parent = nullptr);

    const std::vector<Region>& regions() const { return regions_; }
    const QString& heading() const { return heading_; }
    const QString& detail() const { return detail_; }
    bool isCurrentChoice = false;   // the covered windows are the ones in front
    std::function<void(bool)> onHover;
    bool hovered() const { return hovered_; }

    // Drawing geometry in top-left button coordinates for a button of this size.
    static QRectF miniatureArea(QSizeF size);
    // A region's drawn rectangle in the miniature area (inset by 2 logical pixels).
    static QRectF regionRect(const QRectF& area, const QRectF& unit);
    // The icon's square in a drawn region; nothing when it would be under 10 logical pixels.
    static std::optional<QRectF> iconRect(const QRectF& region);

    // Draws the hover state; the pointer's entering and leaving set it.
    void setHovered(bool hovered);

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

private:

    const std::vector<Region> regions_;
    const QString heading_;
    const QString detail_;
    bool hovered_ = false;
};

class LayoutButton : public ActionButton {
    Q_OBJECT
public:
    LayoutButton(bool isActiveLayout, const QString& title, std::function<void()> action, QWidget* parent = nullptr);

    bool isActiveLayout() const { return active_; }
    bool hovered() const { return hovered_; }
    // The capsule's fill for the palette and state.
    QColor fill() const;

    // Draws the hover state; the pointer's entering and leaving set it.
    void setHovered(bool hovered);

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    const bool active_;
    bool hovered_ = false;
};

} // namespace fw
