// The window tile of region assist and the stack switcher: thumbnail or app icon, name and title, with
// the optional current mark, shortcut number, hover reporting and accessory button.
#include "overlay/WindowThumbnailButton.h"

#include "overlay/AppIcon.h"
#include "overlay/OverlayStyle.h"
#include "overlay/Symbols.h"

#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <cmath>

namespace fw {

std::function<std::optional<QIcon>(WindowId)>& WindowThumbnailButton::appIconLookup()
{
    static std::function<std::optional<QIcon>(WindowId)> lookup;
    return lookup;
}

WindowThumbnailButton::WindowThumbnailButton(ManagedWindow choice, std::optional<QImage> thumb,
                                             std::function<void()> action, QWidget* parent)
    : ActionButton(QString(), std::move(action), parent), thumbnail(std::move(thumb)), choice_(std::move(choice))
{
    if (appIconLookup())
        appIcon_ = appIconLookup()(choice_.element);
    if (appIcon_ && appIcon_->isNull())
        appIcon_.reset();
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(QStringLiteral("Place ") + choice_.appName + QStringLiteral(": ") + choice_.title
                      + QStringLiteral(" here"));
    setToolTip(choice_.appName + QStringLiteral(" — ") + choice_.title);
}

// Measures of the drawing, laid out from the bottom (footer) up and flipped to top-left.
WindowThumbnailButton::TileLayout WindowThumbnailButton::tileLayout(QSizeF size)
{
    const double w = size.width(), h = size.height();
    auto flip = [h](double x, double y, double rw, double rh) { return QRectF(x, h - y - rh, rw, rh); };
    TileLayout p;
    p.compact = h <= 110;
    p.showsPicture = h > 80;
    const double f = p.compact ? 47 : 60;
    p.pictureArea = flip(10, f, w - 20, h - f - 10);
    const double y0 = p.compact ? 23 : 36;
    p.smallIcon = flip(12, y0 - 1, 18, 18);
    p.name = flip(36, y0, w - 48, 17);
    p.title = p.compact ? flip(12, 6, w - 24, 16) : flip(12, 5, w - 24, 29);
    p.badge = flip(9, h - 27, 18, 18);
    p.currentMark = flip(w - 25, h - 25, 16, 16);
    return p;
}

QRectF WindowThumbnailButton::pictureRect(const QRectF& area, QSizeF image)
{
    if (image.width() <= 0 || image.height() <= 0)
        return {};
    const double s = std::min(area.width() / image.width(), area.height() / image.height());
    const QSizeF scaled(image.width() * s, image.height() * s);
    return QRectF(area.center().x() - scaled.width() / 2, area.center().y() - scaled.height() / 2, scaled.width(),
                  scaled.height());
}

std::optional<QImage> WindowThumbnailButton::usableThumbnail() const
{
    if (thumbnail && thumbnail->width() > 0 && thumbnail->height() > 0)
        return thumbnail;
    return std::nullopt;
}

void WindowThumbnailButton::setHovered(bool hovered)
{
    if (hovered == hovered_)
        return;
    hovered_ = hovered;
    update();
    if (accessory)
        accessory->setVisible(hovered);
    if (onHover)
        onHover(hovered);
}

void WindowThumbnailButton::enterEvent(QEnterEvent*) { setHovered(true); }
void WindowThumbnailButton::leaveEvent(QEvent*) { setHovered(false); }

namespace {

// Draws the text wrapped at word boundaries in at most as many lines as fit, eliding the
// last one shown.
void drawWrapped(QPainter& p, const QString& text, const QRectF& rect)
{
    const QFontMetricsF fm(p.font());
    const int maxLines = std::max(1, int(rect.height() / fm.lineSpacing()));
    QTextLayout layout(text, p.font());
    layout.beginLayout();
    double y = rect.top();
    for (int i = 0; i < maxLines; ++i) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(rect.width());
        const bool last = i == maxLines - 1;
        const QString part = last ? text.mid(line.textStart()) : text.mid(line.textStart(), line.textLength());
        const QString shown = fm.elidedText(part.trimmed(), Qt::ElideRight, rect.width());
        p.drawText(QRectF(rect.left(), y, rect.width(), fm.lineSpacing()), Qt::AlignLeft | Qt::AlignTop, shown);
        y += fm.lineSpacing();
        if (last)
            break;
    }
    layout.endLayout();
}

} // namespace

// The application's icon, or its initial on a tile where it has none.
void WindowThumbnailButton::paintAppIcon(QPainter& p, const QRectF& square) const
{
    if (appIcon_)
        appIcon_->paint(&p, square.toRect());
    else
        AppIcon::paintPlaceholder(p, square, choice_.appName);
}

void WindowThumbnailButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPalette& pal = palette();
    const QSizeF size = QSizeF(width(), height());
    const bool lit = isEnabled() && (hovered_ || isDown());

    const QRectF card = QRectF(rect()).adjusted(1, 1, -1, -1);
    QColor fill = lit ? styleColor(StyleColor::accent, pal, 0.2) : pal.color(QPalette::Base);
    if (!lit)
        fill.setAlphaF(0.6);
    p.setBrush(fill);
    if (lit || isCurrentChoice)
        p.setPen(QPen(styleColor(StyleColor::accent, pal), 2));
    else
        p.setPen(Qt::NoPen);
    p.drawRoundedRect(card, 12, 12);

    const TileLayout tile = WindowThumbnailButton::tileLayout(size);
    if (tile.showsPicture) {
        if (auto image = usableThumbnail()) {
            p.drawImage(pictureRect(tile.pictureArea, image->size()), *image);
        } else {
            const double side = std::min(tile.pictureArea.height(), 64.0);
            const QPointF c = tile.pictureArea.center();
            paintAppIcon(p, QRectF(c.x() - side / 2, c.y() - side / 2, side, side));
        }
    }
    paintAppIcon(p, tile.smallIcon);

    p.setFont(systemFont(12, QFont::DemiBold));
    p.setPen(styleColor(StyleColor::label, pal));
    p.drawText(tile.name, Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetricsF(p.font()).elidedText(choice_.appName, Qt::ElideRight, tile.name.width()));
    p.setFont(systemFont(11));
    p.setPen(styleColor(StyleColor::secondaryLabel, pal));
    if (tile.compact)
        p.drawText(tile.title, Qt::AlignLeft | Qt::AlignVCenter,
                   QFontMetricsF(p.font()).elidedText(choice_.title, Qt::ElideRight, tile.title.width()));
    else
        drawWrapped(p, choice_.title, tile.title);

    if (shortcutNumber && tile.showsPicture) {
        p.setPen(Qt::NoPen);
        p.setBrush(styleColor(StyleColor::label, pal, 0.12));
        p.drawRoundedRect(tile.badge, 5, 5);
        QFont digits = systemFont(11, QFont::DemiBold);
        digits.setStyleHint(QFont::Monospace);
        p.setFont(digits);
        p.setPen(styleColor(StyleColor::secondaryLabel, pal));
        p.drawText(tile.badge.translated(0, 2), Qt::AlignCenter, QString::number(*shortcutNumber));
    }
    if (isCurrentChoice) {
        p.setPen(Qt::NoPen);
        p.setBrush(styleColor(StyleColor::accent, pal));
        p.drawEllipse(tile.currentMark);
        Symbols::draw(p, QStringLiteral("checkmark"), tile.currentMark.adjusted(3, 3, -3, -3), Qt::white);
    }
    if (hasFocus()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(styleColor(StyleColor::accent, pal, 0.6), 3));
        p.drawRoundedRect(card, 12, 12);
    }
}

} // namespace fw
