#pragma once
// A stack's badge: a strip of the icons of the windows behind the front window. Compact and
// half transparent at rest; open under the pointer, with a grip at its leading end (where it can
// be moved: its actions take a move) and the icon under the pointer highlighted. A click on an
// icon chooses that window; a drag of more than 4 points anywhere on a movable badge moves it;
// its context menu puts moved badges back. Over
// a spanning window a run of icons may form a group with a tinted backing, connector arrows
// and a round joiner that brings the whole group forward. Upright badges (on the window's
// edge) are the same strip turned. Every frame follows from `openness` (0 compact, 1 open),
// placed by StackBadgeFrames.
// The icons are painted; buttons that draw nothing stand over them for assistive technologies.

#include "base/Clock.h"
#include "overlay/OverlayWindow.h"
#include "stacks/qt/StackBadgeFrames.h"
#include "stacks/StackSurfaces.h"

#include <QIcon>
#include <QPainterPath>
#include <QRectF>
#include <QTransform>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

namespace fw {

class StackBadgeView final : public QWidget, public ShapedContent {
public:
    using Frames = StackBadgeFrames;

    explicit StackBadgeView(Clock& clock, QWidget* parent = nullptr);
    ~StackBadgeView() override;

    void setMembers(const std::vector<ManagedWindow>& members, bool expanded, std::optional<BadgeGroup> group,
                    const QString& groupTitle);
    void setExpanded(bool expanded, bool animated);
    void setVertical(bool vertical);
    // On a title bar: the strip's middle across the view at rest (logical pixels from its
    // top); it grows about that line as far as the view lets it. None: along the top.
    void setStripMiddle(std::optional<double> middle);
    void setHighlighted(std::optional<int> index);
    void updateHighlight(QPointF at);

    BadgeSurface::Actions actions;
    std::optional<QString> resetTitle, resetAllTitle;

    const std::vector<ManagedWindow>& members() const { return members_; }
    bool expanded() const { return expanded_; }
    double openness() const { return openness_; }
    bool isDragging() const { return dragging_; }
    std::optional<int> highlighted() const { return highlighted_; }
    std::optional<BadgeGroup> group() const { return group_; }
    // The frames as shown, in view coordinates.
    Frames frames() const;
    // The drawn outline, which cuts the panel's shape where no compositor blends its corners.
    std::optional<QPainterPath> shapeOutline() const override;
    // The icon drawn for a member: its application's, else the theme's generic one; none
    // without either (a tile with the application's initial is drawn then).
    static QIcon iconFor(const ManagedWindow& window);
    // The tooltip of a member's icon: the application, and the title when there is one.
    static QString tooltipFor(const ManagedWindow& window);
    // The icon (or −1 the joiner) at a point, as a click would choose it.
    std::optional<int> iconAt(QPointF at) const;
    // The tool tip at a point: an icon's, the joiner's title, or the grip's; empty elsewhere.
    QString toolTipAt(QPointF at) const;
    // Builds the context menu; none without titles. The caller owns it.
    class QMenu* contextMenu();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void leaveEvent(QEvent*) override;
    void contextMenuEvent(QContextMenuEvent*) override;
    bool event(QEvent*) override;

private:
    // The frames as drawn, before the shift across to the strip's line; and that shift.
    Frames drawn() const;
    QTransform fit() const;
    // Repaints after the frames changed and re-cuts the panel's shape.
    void changed();
    void animateTo(double target, double seconds);
    void click(std::optional<int> index);
    void paintGroup(class QPainter& p, const Frames& f);
    // The icons and the joiner as assistive technologies see them: one button each, over what
    // is painted, named "Bring … forward" (the joiner by its title).
    void makeTargets();
    void placeTargets(const Frames& f);

    Clock& clock_;
    std::vector<ManagedWindow> members_;
    std::vector<QIcon> icons_;
    std::optional<BadgeGroup> group_;
    QString groupTitle_;
    bool expanded_ = false;
    bool vertical_ = false;
    std::optional<double> stripMiddle_;
    double openness_ = 0;
    std::optional<int> highlighted_;
    std::vector<QWidget*> targets_;     // one per shown icon
    QWidget* joinerTarget_ = nullptr;   // while the joiner has a title
    TimerId motion_ = 0;
    // The press under way: where it began (global), the window's origin then, what it hit.
    struct Press {
        QPointF start;
        QPoint origin;
        std::optional<int> index;
        bool dragging = false;
    };
    std::optional<Press> press_;
    bool dragging_ = false;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace fw
