// The layout picker's view: a grid of layout cards (region buttons or one composition button each),
// reporting hover and choice by pointer or keyboard to its owner; it decides no placement.
#include "overlay/OverlayView.h"

#include "overlay/ActionButton.h"
#include "overlay/OverlayStyle.h"
#include "overlay/OverlayWindow.h"
#include "overlay/TextFit.h"
#include "platform/qt/DevicePixels.h"

#include <QChildEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace fw {

namespace {

QRectF toQRectF(const Rect& r) { return QRectF(r.x(), r.y(), r.width(), r.height()); }

} // namespace

// --- OverlayView ---

OverlayView::OverlayView(std::vector<SnapLayout> layouts, std::optional<QString> currentLayout, bool wholeComposition,
                         bool dragging, const Occupants& occupants, double width, QWidget* parent)
    : QWidget(parent), layouts_(std::move(layouts)), wholeComposition_(wholeComposition),
      geometry_(PickerGeometry::make(layouts_, wholeComposition, width)), currentLayout_(std::move(currentLayout)),
      occupants_(occupants), built_(layouts_.size(), false)
{
    const double w = width;
    resize(int(std::lround(w)), int(std::lround(geometry_.height)));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);

    title_ = makeLabel(wholeComposition ? u"Layout Gallery"_qs
                       : dragging      ? u"Drag into a region."_qs
                                       : u"Choose a region."_qs,
                       18, QFont::DemiBold, StyleColor::label, this);
    title_->setGeometry(22, 16, int(w - 120), 24);

    cancelHint_ = new QWidget(this);
    cancelHint_->setGeometry(int(w - 104), 20, 82, 18);
    cancelHint_->setAccessibleName(u"Press Escape to cancel"_qs);
    cancelHint_->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* cancel = makeLabel(u"Cancel"_qs, 11, QFont::Normal, StyleColor::secondaryLabel, cancelHint_);
    cancel->sizeToFit();
    cancel->move(82 - cancel->width(), (18 - cancel->height()) / 2);
    auto* esc = new KeyCapLabel(u"esc"_qs, cancelHint_);
    esc->move(cancel->x() - 6 - esc->width(), 0);

    if (wholeComposition) {
        subtitle_ = makeLabel(u"Apply the shown proportions to this display. Adjusted layouts are separate choices."_qs,
                              12, QFont::Normal, StyleColor::secondaryLabel, this);
        subtitle_->setGeometry(22, 44, int(w - 44), 18);
        QPointer<OverlayView> self(this);
        createButton_ = new ActionButton(u"Create Custom Layout…"_qs, [self] {
            if (self && self->onCreate)
                self->onCreate();
        }, this);
        createButton_->setFocusPolicy(Qt::NoFocus);
        createButton_->setGeometry(int(w - 216), 14, 194, 28);
        // A large system font widens it leftward from its right edge.
        growToText(createButton_);
        cancelHint_->hide();
    }

    buildCards(0, firstBuildHeight);
}

void OverlayView::buildCards(double top, double bottom)
{
    for (const PickerCard& card : geometry_.cards) {
        if (card.cell.maxY() >= top && card.cell.minY() <= bottom)
            buildCard(card.index);
    }
}

void OverlayView::buildCard(int index)
{
    if (index < 0 || std::size_t(index) >= built_.size() || built_[std::size_t(index)])
        return;
    built_[std::size_t(index)] = true;
    if (wholeComposition_)
        buildCompositionCard(geometry_.cards[std::size_t(index)]);
    else
        buildRegionCard(geometry_.cards[std::size_t(index)]);
    // Children made after the view is shown are shown by hand (those never shown nor hidden).
    if (isVisible()) {
        for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isHidden() && !child->testAttribute(Qt::WA_WState_ExplicitShowHide))
                child->show();
        }
    }
}

void OverlayView::buildCompositionCard(const PickerCard& card)
{
    const int i = card.index;
    const SnapLayout& layout = layouts_[std::size_t(i)];
    const double x = card.cell.x(), y = card.cell.y(), c = card.cell.width();
    bool adjusted = false;
    if (layout.isCustom()) {
        const auto first = std::find_if(layouts_.begin(), layouts_.end(), [&](const SnapLayout& l) { return l.id == layout.id; });
        adjusted = first != layouts_.end() && !(first->tree == layout.tree);
    }
    auto* button = new CompositionButton(layout, adjusted, this);
    button->setExactFrame(toQRectF(card.button.value_or(Rect())));
    QPointer<OverlayView> self(this);
    button->invoke = [self, i] {
        if (self && self->onChoose)
            self->onChoose(SnapSelection{i, 0});
    };
    compositionButtons_.emplace(std::find_if(compositionButtons_.begin(), compositionButtons_.end(),
                                             [i](const auto& entry) { return entry.first > i; }), i, button);
    if (layout.isCustom()) {
        auto* edit = new ActionButton(u"Edit"_qs, [self, layout] {
            if (self && self->onEdit)
                self->onEdit(layout);
        }, this);
        edit->setFont(systemFont(11));
        edit->setFocusPolicy(Qt::NoFocus);
        edit->setAccessibleName(u"Edit "_qs + layout.name);
        edit->setGeometry(QRectF(x + c - 60, y + 71, 50, 22).toAlignedRect());
        editButtons_[i] = edit;
    }
}

void OverlayView::buildRegionCard(const PickerCard& card)
{
    const int i = card.index;
    const SnapLayout& layout = layouts_[std::size_t(i)];
    const double x = card.cell.x(), y = card.cell.y(), c = card.cell.width();
    auto* platter = new LayoutCardPlatter(this);
    platter->setGeometry(QRectF(x + 2, y - 7, c - 6, 110).toAlignedRect());
    platter->lower();
    platters_[i] = platter;

    const auto occupied = occupants_.find(layout.id);
    QPointer<OverlayView> self(this);
    // In card order, whichever card comes into view first.
    auto at = std::find_if(regionButtons_.begin(), regionButtons_.end(),
                           [i](const auto& entry) { return entry.first.layoutIndex > i; });
    for (const auto& [region, frame] : card.regions) {
        auto* button = new RegionButton(layout.name + u", region "_qs + QString::number(region + 1), this);
        if (occupied != occupants_.end()) {
            if (auto icon = occupied->second.find(region); icon != occupied->second.end())
                button->icon = icon->second;
        }
        button->setExactFrame(toQRectF(frame));
        const SnapSelection selection{i, region};
        button->invoke = [self, selection] {
            if (self && self->onChoose)
                self->onChoose(selection);
        };
        at = std::next(regionButtons_.emplace(at, selection, button));
    }

    const bool current = currentLayout_ && *currentLayout_ == layout.id;
    auto* name = makeLabel(cardTitle(i), 11, current ? QFont::DemiBold : QFont::Normal, StyleColor::label, this);
    name->setAlignment(Qt::AlignCenter);
    name->setGeometry(QRectF(x, y + 73, c, 16).toRect());
    cardNames_[i] = name;

    const SnapLayout* builtIn = SnapLayout::builtInWithId(layout.id);
    QString second;
    if (!builtIn || !(builtIn->tree == layout.tree))
        second = u"Custom proportions"_qs;
    else if (current)
        second = u"Current layout"_qs;
    if (!second.isEmpty()) {
        auto* detail = makeLabel(second, 9, QFont::Normal, StyleColor::secondaryLabel, this);
        detail->setAlignment(Qt::AlignCenter);
        detail->setGeometry(QRectF(x, y + 90, c, 12).toRect());
        cardDetails_[i] = detail;
    }
}

QString OverlayView::cardTitle(int index) const
{
    if (index < 0 || std::size_t(index) >= layouts_.size())
        return {};
    const SnapLayout& layout = layouts_[std::size_t(index)];
    if (layout.isCustom()) {
        // Numbered as the Switch Layout menu numbers it; the picker's digits belong to the others.
        const auto key = layoutKeys_.find(layout.id);
        if (key != layoutKeys_.end() && key->second >= 1 && key->second <= 9)
            return u"Ctrl+Alt+"_qs + QString::number(key->second) + u"  "_qs + layout.name;
        return layout.name;
    }
    return index < 9 ? QString::number(index + 1) + u"  "_qs + layout.name : layout.name;
}

void OverlayView::setLayoutKeys(std::map<QString, int> keys)
{
    layoutKeys_ = std::move(keys);
    for (const auto& [index, label] : cardNames_)
        label->setText(cardTitle(index));
}

OverlayLabel* OverlayView::cardName(int index) const
{
    auto it = cardNames_.find(index);
    return it == cardNames_.end() ? nullptr : it->second;
}

OverlayLabel* OverlayView::cardDetail(int index) const
{
    auto it = cardDetails_.find(index);
    return it == cardDetails_.end() ? nullptr : it->second;
}

ActionButton* OverlayView::editButton(int index) const
{
    auto it = editButtons_.find(index);
    return it == editButtons_.end() ? nullptr : it->second;
}

std::optional<SnapSelection> OverlayView::selection(const QPointF& point) const
{
    return geometry_.selection(Point{point.x(), point.y()});
}

void OverlayView::showSelection(const std::optional<SnapSelection>& selection)
{
    drawn_ = selection;
    if (drawn_)
        buildCard(drawn_->layoutIndex);
    for (const auto& [sel, button] : regionButtons_) {
        const bool on = drawn_ && *drawn_ == sel;
        if (on != button->highlightedRegion) {
            button->highlightedRegion = on;
            button->update();
        }
    }
    for (const auto& [index, platter] : platters_)
        platter->setHighlighted(drawn_ && drawn_->layoutIndex == index);
    bool changed = false;
    for (const auto& [index, button] : compositionButtons_) {
        const bool on = drawn_ && drawn_->layoutIndex == index;
        if (on != button->highlightedComposition) {
            button->highlightedComposition = on;
            button->update();
            changed = true;
        }
        if (on)
            scrollIntoView(button);
    }
    if (changed)
        update();
}

void OverlayView::scrollIntoView(QWidget* child)
{
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* scroll = qobject_cast<QScrollArea*>(w)) {
            scroll->ensureWidgetVisible(child, 0, 0);
            return;
        }
    }
}

void OverlayView::reportHover(const std::optional<SnapSelection>& s)
{
    if (reported_ && *reported_ == s)
        return;
    reported_ = s;
    if (onHover)
        onHover(s);
}

void OverlayView::childEvent(QChildEvent* event)
{
    // A child without tracking swallows the moves made without a button; with it, the
    // buttons and labels pass them on here.
    if (event->polished()) {
        if (auto* child = qobject_cast<QWidget*>(event->child()))
            child->setMouseTracking(true);
    }
    QWidget::childEvent(event);
}

void OverlayView::hideEvent(QHideEvent* event)
{
    reported_.reset();
    lastPointer_.reset();
    QWidget::hideEvent(event);
}

std::optional<PickerKey> OverlayView::keyIntent(int key)
{
    if (key >= Qt::Key_1 && key <= Qt::Key_9)
        return PickerKey{PickerKey::card, key - Qt::Key_1};
    switch (key) {
    case Qt::Key_Left: return PickerKey{PickerKey::previousLayout};
    case Qt::Key_Right: return PickerKey{PickerKey::nextLayout};
    case Qt::Key_Up: return PickerKey{PickerKey::previousRegion};
    case Qt::Key_Down: return PickerKey{PickerKey::nextRegion};
    case Qt::Key_Return:
    case Qt::Key_Enter: return PickerKey{PickerKey::choose};
    default: return std::nullopt;
    }
}

void OverlayView::keyPressEvent(QKeyEvent* event)
{
    const auto intent = keyIntent(event->key());
    if (layouts_.empty() || !intent) {
        // An empty picker takes every key; otherwise the others pass on (Escape is the
        // application's).
        if (layouts_.empty())
            event->accept();
        else
            QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (intent->kind == PickerKey::choose) {
        // Choosing may close the picker: nothing of the view is touched afterwards.
        if (onKey)
            onKey(*intent);
        return;
    }
    // The pointer takes the selection back at its next move, wherever it rests.
    reported_.reset();
    QPointer<OverlayView> self(this);
    if (onKey)
        onKey(*intent);
    // A card the keys selected is scrolled into view (composition cards scroll themselves).
    if (!self || !drawn_)
        return;
    if (const auto platter = platters_.find(drawn_->layoutIndex); platter != platters_.end())
        scrollIntoView(platter->second);
}

void OverlayView::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF global = event->globalPosition();
    if (lastPointer_ != global) {
        lastPointer_ = global;
        reportHover(selection(event->position()));
    }
    event->accept();
}

void OverlayView::leaveEvent(QEvent* event)
{
    lastPointer_.reset();
    reportHover(std::nullopt);
    QWidget::leaveEvent(event);
}

void OverlayView::paintEvent(QPaintEvent*)
{
    if (compositionButtons_.empty())
        return;
    // The plates of the composition cards reach 6 points above and below their buttons.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    for (const auto& [index, button] : compositionButtons_) {
        (void)index;
        fillRounded(p, button->exactFrame().adjusted(0, -6, 0, 6), 14,
                    button->isActive() ? styleColor(StyleColor::accent, palette(), 0.16)
                                       : styleColor(StyleColor::label, palette(), 0.045));
    }
}

} // namespace fw
