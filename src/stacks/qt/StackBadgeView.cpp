// The badge's view: its icons, grip, hover and drag, drawn with Qt.
#include "stacks/qt/StackBadgeView.h"

#include "overlay/Symbols.h"
#include "overlay/AppIcon.h"
#include "overlay/ThemeIcons.h"
#include "overlay/WindowThumbnailButton.h"
#include "platform/qt/DevicePixels.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <cmath>

namespace fw {

namespace {

QColor withAlpha(QColor c, double alpha)
{
    c.setAlphaF(float(std::clamp(alpha, 0.0, 1.0)));
    return c;
}

// A painted icon as assistive technologies see it: a button that draws nothing, lets the
// pointer through to the badge and is pressed through their press action.
class IconTarget final : public QAbstractButton {
public:
    explicit IconTarget(QWidget* parent) : QAbstractButton(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {}
};

} // namespace

StackBadgeView::StackBadgeView(Clock& clock, QWidget* parent) : QWidget(parent), clock_(clock)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    setAccessibleName(QStringLiteral("Windows in this stack"));
}

StackBadgeView::~StackBadgeView() { clock_.cancel(motion_); }

QIcon StackBadgeView::iconFor(const ManagedWindow& window)
{
    if (const auto& lookup = WindowThumbnailButton::appIconLookup()) {
        if (auto icon = lookup(window.element); icon && !icon->isNull())
            return *icon;
    }
    const auto generic = ThemeIcons::find(QStringLiteral("application-x-executable"));
    return generic && !generic->pixmap(16).isNull() ? *generic : QIcon();
}

QString StackBadgeView::tooltipFor(const ManagedWindow& window)
{
    return window.title.isEmpty() ? window.appName : window.appName + QStringLiteral(" — ") + window.title;
}

StackBadgeView::Frames StackBadgeView::drawn() const
{
    Frames f = Frames::at(openness_, int(members_.size()), group_, highlighted_, vertical_, width());
    if (!actions.moved)
        f.gripOpacity = 0;   // no grip on a badge that cannot be moved
    return f;
}

QTransform StackBadgeView::fit() const
{
    // On a title bar the strip stays centred on the bar's line while it grows, kept inside the view.
    if (!stripMiddle_ || vertical_)
        return {};
    const double thickness = drawn().thickness;
    const double top = std::clamp(std::round(*stripMiddle_ - thickness / 2), 0.0, std::max(0.0, height() - thickness));
    return QTransform::fromTranslate(0, top);
}

StackBadgeView::Frames StackBadgeView::frames() const
{
    Frames f = drawn();
    if (!stripMiddle_ || vertical_)
        return f;
    const QTransform t = fit();
    for (QRectF* r : {&f.background, &f.grip, &f.overflow})
        *r = t.mapRect(*r);
    for (QRectF& icon : f.icons)
        icon = t.mapRect(icon);
    for (auto* r : {&f.joiner, &f.backing})
        if (*r)
            **r = t.mapRect(**r);
    return f;
}

void StackBadgeView::setStripMiddle(std::optional<double> middle)
{
    if (middle == stripMiddle_)
        return;
    stripMiddle_ = middle;
    changed();
}

void StackBadgeView::setMembers(const std::vector<ManagedWindow>& members, bool expanded,
                                std::optional<BadgeGroup> group, const QString& groupTitle)
{
    const int shown = std::min<int>(int(members.size()), 6);
    if (group && (group->second - group->first < 2 || group->second > shown))
        group.reset();
    const bool same = members == members_ && group == group_;
    const QString title = group ? groupTitle : QString();
    const bool retitled = title != groupTitle_;
    groupTitle_ = title;
    members_ = members;
    group_ = group;
    if (!same) {
        icons_.clear();
        for (int i = 0; i < shown; ++i)
            icons_.push_back(iconFor(members[std::size_t(i)]));
    }
    if (!same || retitled)
        makeTargets();
    if (expanded != expanded_)
        setExpanded(expanded, false);
    else
        changed();
}

void StackBadgeView::setVertical(bool vertical)
{
    if (vertical == vertical_)
        return;
    vertical_ = vertical;
    changed();
}

void StackBadgeView::setExpanded(bool expanded, bool animated)
{
    expanded_ = expanded;
    if (!expanded)
        highlighted_.reset();
    clock_.cancel(std::exchange(motion_, 0));
    const double target = expanded ? 1 : 0;
    if (animated && openness_ != target) {
        animateTo(target, expanded ? 0.16 : 0.2);
        return;
    }
    openness_ = target;
    changed();
}

void StackBadgeView::makeTargets()
{
    // A target may be the one whose press led here: those no longer needed leave the view at
    // once and are deleted later.
    const auto retire = [](QWidget* target) {
        target->hide();
        target->setParent(nullptr);
        target->deleteLater();
    };
    while (targets_.size() > icons_.size()) {
        retire(targets_.back());
        targets_.pop_back();
    }
    while (targets_.size() < icons_.size()) {
        const int index = int(targets_.size());
        auto* target = new IconTarget(this);
        connect(target, &QAbstractButton::clicked, this, [this, index] { click(index); });
        targets_.push_back(target);
    }
    for (std::size_t i = 0; i < targets_.size(); ++i)
        targets_[i]->setAccessibleName(QStringLiteral("Bring ") + tooltipFor(members_[i]) + QStringLiteral(" forward"));
    if (group_ && !groupTitle_.isEmpty()) {
        if (!joinerTarget_) {
            auto* joiner = new IconTarget(this);
            connect(joiner, &QAbstractButton::clicked, this, [this] { click(-1); });
            joinerTarget_ = joiner;
        }
        joinerTarget_->setAccessibleName(groupTitle_);
    } else if (joinerTarget_) {
        retire(std::exchange(joinerTarget_, nullptr));
    }
    placeTargets(frames());
}

void StackBadgeView::placeTargets(const Frames& f)
{
    const auto place = [](QWidget* target, const QRectF& at) {
        target->setGeometry(at.toAlignedRect());
        target->setVisible(!at.isEmpty());
    };
    for (std::size_t i = 0; i < targets_.size() && i < f.icons.size(); ++i)
        place(targets_[i], f.icons[i]);
    if (joinerTarget_)
        place(joinerTarget_, f.joiner.value_or(QRectF()));
}

void StackBadgeView::changed()
{
    placeTargets(frames());
    update();
    if (auto* panel = qobject_cast<OverlayWindow*>(window()))
        panel->updateShape();
}

std::optional<QPainterPath> StackBadgeView::shapeOutline() const
{
    const Frames f = frames();
    QPainterPath path;
    path.addRoundedRect(f.background, f.thickness / 2, f.thickness / 2);
    for (const auto& extra : {f.joiner, f.backing})
        if (extra)
            path.addRoundedRect(*extra, 7, 7);
    return path.simplified();
}

void StackBadgeView::animateTo(double target, double seconds)
{
    const double from = openness_;
    const Duration start = clock_.now();
    std::weak_ptr<int> alive = alive_;
    auto step = std::make_shared<std::function<void()>>();
    *step = [this, alive, from, target, start, seconds, weakStep = std::weak_ptr(step)] {
        if (alive.expired())
            return;
        const double t = std::min(toSeconds(clock_.now() - start) / seconds, 1.0);
        openness_ = from + (target - from) * (1 - std::pow(1 - t, 3));
        changed();
        if (t >= 1) {
            motion_ = 0;
            return;
        }
        if (auto again = weakStep.lock())
            motion_ = clock_.schedule(std::chrono::microseconds(16667), [again] { (*again)(); });
    };
    motion_ = clock_.schedule(std::chrono::microseconds(16667), [step] { (*step)(); });
}

void StackBadgeView::setHighlighted(std::optional<int> index)
{
    if (index == highlighted_)
        return;
    if (index && (*index >= int(icons_.size()) || *index < -1 || (*index == -1 && !group_)))
        index.reset();
    highlighted_ = index;
    update();
}

std::optional<int> StackBadgeView::iconAt(QPointF at) const
{
    const Frames f = frames();
    if (f.joiner && f.joiner->adjusted(-4, -4, 4, 4).contains(at))
        return -1;
    for (std::size_t i = 0; i < f.icons.size(); ++i) {
        if (f.icons[i].adjusted(-6, -4, 6, 4).contains(at))
            return int(i);
    }
    return std::nullopt;
}

QString StackBadgeView::toolTipAt(QPointF at) const
{
    const auto index = iconAt(at);
    if (index && *index == -1)
        return groupTitle_;
    if (index && *index < int(members_.size()))
        return tooltipFor(members_[std::size_t(*index)]);
    const Frames f = frames();
    if (f.gripOpacity > 0 && f.grip.adjusted(-3, -3, 3, 3).contains(at))
        return QStringLiteral("Drag to move the badge");
    return {};
}

void StackBadgeView::updateHighlight(QPointF at)
{
    if (!expanded_ || openness_ < 1) {
        setHighlighted(std::nullopt);
        return;
    }
    setHighlighted(iconAt(at));
}

void StackBadgeView::click(std::optional<int> index)
{
    if (!index)
        return;
    if (*index == -1) {
        if (actions.bringGroupForward)
            actions.bringGroupForward();
    } else if (*index < int(members_.size()) && actions.choose) {
        actions.choose(members_[std::size_t(*index)]);
    }
}

void StackBadgeView::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    press_ = Press{e->globalPosition(), window()->pos(), iconAt(e->position()), false};
}

void StackBadgeView::mouseMoveEvent(QMouseEvent* e)
{
    if (!press_) {
        updateHighlight(e->position());
        return;
    }
    const QPointF moved = e->globalPosition() - press_->start;
    if (!press_->dragging && actions.moved && std::hypot(moved.x(), moved.y()) > 4) {
        press_->dragging = dragging_ = true;
        setCursor(Qt::ClosedHandCursor);
        setHighlighted(std::nullopt);
    }
    if (press_->dragging)
        window()->move(press_->origin + moved.toPoint());
}

void StackBadgeView::mouseReleaseEvent(QMouseEvent* e)
{
    if (!press_ || e->button() != Qt::LeftButton)
        return;
    const Press done = *press_;
    press_.reset();
    if (!done.dragging) {
        click(done.index);
        return;
    }
    unsetCursor();
    dragging_ = false;
    if (actions.moved)
        actions.moved(DevicePixels::windowFrame(window()->geometry()));
}

void StackBadgeView::leaveEvent(QEvent*) { setHighlighted(std::nullopt); }

QMenu* StackBadgeView::contextMenu()
{
    if (!resetTitle && !resetAllTitle)
        return nullptr;
    auto* menu = new QMenu();
    if (resetTitle)
        menu->addAction(*resetTitle, [reset = actions.resetPosition] {
            if (reset)
                reset();
        });
    if (resetAllTitle)
        menu->addAction(*resetAllTitle, [reset = actions.resetAllPositions] {
            if (reset)
                reset();
        });
    return menu;
}

void StackBadgeView::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu* menu = contextMenu();
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(e->globalPos());
}

bool StackBadgeView::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const QString text = toolTipAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return QWidget::event(e);
}

void StackBadgeView::paintGroup(QPainter& p, const Frames& f)
{
    const QColor accent = palette().color(QPalette::Highlight);
    const double o = openness_;
    if (f.backing && o > 0) {
        p.setPen(QPen(withAlpha(accent, 0.55 * o), 1));
        p.setBrush(withAlpha(accent, 0.16 * o));
        p.drawRoundedRect(*f.backing, 9, 9);
    }
    if (!f.joiner || o < 0.5)
        return;
    // Connectors: from the joiner to each group icon, nearest first on each side.
    const QRectF src = *f.joiner;
    p.setPen(QPen(withAlpha(palette().color(QPalette::WindowText), 0.28 * f.joinerOpacity), 1, Qt::SolidLine, Qt::RoundCap));
    for (int side : {-1, 1}) {
        double start = side < 0 ? src.left() - 2 : src.right() + 2;
        for (int i = group_->first; i < group_->second; ++i) {
            const QRectF& t = f.icons[std::size_t(side < 0 ? group_->second - 1 - (i - group_->first) : i)];
            if ((side < 0) != (t.center().x() < src.center().x()))
                continue;
            const double end = side < 0 ? t.right() + 2 : t.left() - 2;
            const double y = src.center().y();
            if (std::abs(end - start) > 5 && !vertical_) {
                p.drawLine(QPointF(start, y), QPointF(end - side, y));
                QPainterPath head;
                head.moveTo(end, y);
                head.lineTo(end - side * 3.5, y - 2.5);
                head.lineTo(end - side * 3.5, y + 2.5);
                p.fillPath(head, p.pen().color());
            }
            start = side < 0 ? t.left() - 2 : t.right() + 2;
        }
    }
    p.setOpacity(f.joinerOpacity * p.opacity());
    p.setPen(Qt::NoPen);
    p.setBrush(accent);
    p.drawEllipse(src);
    Symbols::draw(p, QStringLiteral("square.2.layers.3d.top.filled"), src.adjusted(5, 5, -5, -5), Qt::white);
}

void StackBadgeView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setTransform(fit());
    const Frames f = drawn();
    p.setOpacity(f.opacity);
    const double radius = f.thickness / 2;
    p.setPen(QPen(withAlpha(palette().color(QPalette::Mid), 0.25 + 0.25 * openness_), 0.5));
    p.setBrush(QColor(28, 28, 30, 215));
    p.drawRoundedRect(f.background.adjusted(0.25, 0.25, -0.25, -0.25), radius, radius);
    if (highlighted_ && openness_ >= 1) {
        const QRectF at = *highlighted_ == -1 && f.backing ? *f.backing
                          : *highlighted_ >= 0          ? f.icons[std::size_t(*highlighted_)].adjusted(-3, -3, 3, 3)
                                                        : QRectF();
        p.setPen(Qt::NoPen);
        p.setBrush(withAlpha(palette().color(QPalette::Highlight), 0.35));
        p.drawRoundedRect(at, 7, 7);
    }
    if (group_)
        paintGroup(p, f);
    p.setOpacity(f.opacity);
    for (std::size_t i = 0; i < f.icons.size() && i < icons_.size(); ++i) {
        if (!icons_[i].isNull())
            icons_[i].paint(&p, f.icons[i].toAlignedRect());
        else
            AppIcon::paintPlaceholder(p, f.icons[i], members_[i].appName);
    }
    if (members_.size() > 6) {
        QFont font = p.font();
        font.setPixelSize(int(std::round(f.overflowFont)));
        font.setWeight(QFont::DemiBold);
        p.setFont(font);
        p.setPen(QColor(235, 235, 240, 200));
        p.drawText(f.overflow, Qt::AlignCenter, QStringLiteral("+%1").arg(members_.size() - 6));
    }
    if (f.gripOpacity > 0) {
        p.setOpacity(f.gripOpacity * f.opacity);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 200, 205));
        const QPointF c = f.grip.center();
        for (int col = 0; col < 2; ++col) {
            for (int row = 0; row < 3; ++row) {
                const QPointF dot(c.x() - 2 + col * 4, c.y() - 4 + row * 4);
                p.drawEllipse(vertical_ ? QPointF(c.x() - 4 + row * 4, c.y() - 2 + col * 4) : dot, 1.25, 1.25);
            }
        }
    }
}

} // namespace fw
