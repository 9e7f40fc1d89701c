// The tile menu drawn over a placed window: one tile per drop action, coloured by hover and by whether
// a release would perform it. It only draws what the coordinator decided.
#include "overlay/DropActionMenuView.h"

#include "overlay/Symbols.h"
#include "platform/qt/DevicePixels.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace fw {

// --- DropActionTile ---

namespace {

constexpr double captionSize = 12.5, smallestOneLine = 10, twoLineSize = 11;
// The symbol's band: its height, its usual top, and the least room kept above it.
constexpr double iconBand = 38, iconTop = 14, iconTopAtLeast = 2;
// The caption's one line: 18 high, ending 14 above the tile's bottom.
constexpr int lineHeight = 18, lineBelow = 14;

bool fitsOneLine(const QString& title, double size, int width)
{
    return QFontMetricsF(systemFont(size, QFont::DemiBold)).horizontalAdvance(title) <= width;
}

// The height two lines of a caption in this font take.
int twoLinesHeight(const QFont& font)
{
    return int(std::ceil(2 * QFontMetricsF(font).lineSpacing()));
}

} // namespace

DropActionTile::DropActionTile(const QString& symbol, const QString& title, QWidget* parent)
    : QWidget(parent), symbol_(symbol)
{
    caption_ = makeLabel(title, captionSize, QFont::DemiBold, StyleColor::label, this);
    caption_->setAlignment(Qt::AlignCenter);
    setAccessibleName(title);
    setAccessibleDescription(QStringLiteral("button"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    applyColors();
}

DropActionTile::Colors DropActionTile::colors(State state, const QPalette& palette)
{
    switch (state) {
    case State::normal:
        return {styleColor(StyleColor::label, palette, 0.05), styleColor(StyleColor::separator, palette, 0.4),
                styleColor(StyleColor::secondaryLabel, palette), styleColor(StyleColor::label, palette), 1};
    case State::highlighted:
        return {styleColor(StyleColor::accent, palette, 0.22), styleColor(StyleColor::accent, palette, 0.8),
                styleColor(StyleColor::accent, palette), styleColor(StyleColor::label, palette), 2};
    case State::armed:
        return {styleColor(StyleColor::accent, palette), styleColor(StyleColor::accent, palette), QColor(Qt::white),
                QColor(Qt::white), 2};
    }
    return {};
}

bool DropActionTile::setState(State state)
{
    if (state == state_)
        return false;
    state_ = state;
    applyColors();
    return true;
}

void DropActionTile::applyColors()
{
    ++recolorCount_;
    caption_->setColor(state_ == State::armed ? StyleColor::white : StyleColor::label);
    update();
}

QRectF DropActionTile::iconRect() const
{
    const double bottom = std::min(iconTop + iconBand, double(captionRect().top()));
    return {0, std::max(0.0, bottom - iconBand), double(width()), std::min(iconBand, bottom)};
}

QRect DropActionTile::captionRect() const
{
    const QRect line(6, height() - lineBelow - lineHeight, width() - 12, lineHeight);
    if (!caption_ || !caption_->wordWrap())
        return line;
    // Two lines ending where the one line ends, clear of the symbol's band.
    const int h = twoLinesHeight(caption_->font());
    return QRect(line.x(), line.bottom() + 1 - h, line.width(), h);
}

void DropActionTile::fitCaption()
{
    const QString title = caption_->text();
    const int width = std::max(0, this->width() - 12);
    double size = captionSize;
    while (size > smallestOneLine && !fitsOneLine(title, size, width))
        size -= 0.5;
    const bool wrap = !fitsOneLine(title, size, width);
    if (wrap) {
        // Two lines of a font with a tall line spacing get smaller before they would push
        // the symbol against the tile's top.
        const double room = height() - lineBelow - iconTopAtLeast - iconBand;
        size = twoLineSize;
        while (size > smallestOneLine && twoLinesHeight(systemFont(size, QFont::DemiBold)) > room)
            size -= 0.5;
    }
    caption_->setTextFont(systemFont(size, QFont::DemiBold));
    caption_->setWordWrap(wrap);
    caption_->setGeometry(captionRect());
}

void DropActionTile::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitCaption();
}

void DropActionTile::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColors();
}

void DropActionTile::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Colors c = colors(state_, palette());
    const double bw = c.borderWidth;
    const QRectF r = QRectF(rect()).adjusted(bw / 2, bw / 2, -bw / 2, -bw / 2);
    p.setPen(QPen(c.border, bw));
    p.setBrush(c.background);
    p.drawRoundedRect(r, 14 - bw / 2, 14 - bw / 2);
    // The symbol at 26 points, centred in its band.
    const QRectF band = iconRect();
    const QRectF glyph(band.center().x() - 15, band.center().y() - 15, 30, 30);
    Symbols::draw(p, symbol_, glyph, c.icon);
}

// --- DropActionMenuView ---

DropActionMenuView::DropActionMenuView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    background_ = makeGlassCard(QRect(), this);
    background_->setCornerRadius(22);
}

void DropActionMenuView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    background_->setGeometry(rect());
}

void DropActionMenuView::configure(const DropActionMenu& menu, const std::optional<RegionDropIntent>& highlighted,
                                   bool armed)
{
    if (!actions_ || !(*actions_ == menu)) {
        actions_ = menu;
        for (DropActionTile* t : tiles_)
            delete t;
        tiles_.clear();
        for (const auto& item : menu.items) {
            auto* tile = new DropActionTile(item.symbol, item.title, background_);
            // Item frames share the menu frame's device pixels; the view's origin is the menu's,
            // its pixels logical ones.
            const double ratio = DevicePixels::ratioAt(Point{menu.frame.midX(), menu.frame.midY()});
            const Rect f = item.frame.offsetBy(-menu.frame.minX(), -menu.frame.minY());
            tile->setGeometry(int(std::lround(f.minX() / ratio)), int(std::lround(f.minY() / ratio)),
                              int(std::lround(f.width() / ratio)), int(std::lround(f.height() / ratio)));
            tile->fitCaption();
            tile->show();
            tiles_.push_back(tile);
        }
        background_->setGeometry(rect());
    }
    const std::size_t n = std::min(tiles_.size(), actions_->items.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto state = DropActionTile::State::normal;
        if (highlighted && actions_->items[i].intent == *highlighted)
            state = armed ? DropActionTile::State::armed : DropActionTile::State::highlighted;
        tiles_[i]->setState(state);
    }
}

} // namespace fw
