// Draws the tray icon's three-pane mask in a colour chosen for the panel (or with a contrasting
// halo where the panel is unknown), at every size a tray asks for, faded while snapping is
// paused; names the installed symbolic icon for hosts that take a name.
#include "app/qt/StatusIcon.h"

#include "base/XdgDirs.h"

#include <QFileInfo>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace fw {

namespace {

double channel(double c)
{
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& c)
{
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

const QColor nearWhite(0xf4, 0xf4, 0xf4);
const QColor nearBlack(0x1c, 0x1c, 0x1c);

// The brighter or darker of the pair, whichever reads better on the colour.
QColor contrasting(const QColor& behind)
{
    return contrastRatio(nearWhite, behind) >= contrastRatio(nearBlack, behind) ? nearWhite : nearBlack;
}

void drawPanes(QPainter& painter, const QColor& color, double widen)
{
    painter.setPen(QPen(color, 1.3 + 2 * widen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    // The tall left pane and the lower right pane, outlined.
    painter.drawRoundedRect(QRectF(1, 2, 6.5, 14), 1.5, 1.5);
    painter.drawRoundedRect(QRectF(10, 10, 7, 6), 1.5, 1.5);
    // The upper right pane, solid.
    QPainterPath filled;
    filled.addRoundedRect(QRectF(9.4, 1.4, 8.2, 7.1), 1.7, 1.7);
    if (widen > 0)
        painter.drawPath(filled);
    painter.fillPath(filled, color);
}

// Whether the symbolic icon is installed where the icon theme looks, so that a host given its
// name finds it.
bool themedIconInstalled()
{
    static const bool installed = [] {
        QStringList dirs = xdgDataDirs();
        dirs.prepend(xdgDataHome());
        for (const QString& dir : dirs) {
            if (QFileInfo::exists(dir + QStringLiteral("/icons/hicolor/scalable/apps/") + statusIconName + QStringLiteral(".svg")))
                return true;
        }
        return false;
    }();
    return installed;
}

// Draws the icon at whatever size is asked, sharp at each; offers the tray sizes and, when
// installed, the themed name.
class StatusIconEngine final : public QIconEngine {
public:
    StatusIconEngine(StatusIconColors colors, bool paused) : colors_(std::move(colors))
    {
        if (paused) {
            colors_.glyph.setAlphaF(0.4f);
            if (colors_.halo.isValid())
                colors_.halo.setAlphaF(0.4f);
        }
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap drawn = pixmap(rect.size() * ratio, mode, state);
        drawn.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, drawn);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        const int side = std::min(size.width(), size.height());
        painter.translate((size.width() - side) / 2.0, (size.height() - side) / 2.0);
        painter.scale(side / double(statusIconSide), side / double(statusIconSide));
        drawStatusIcon(painter, colors_);
        return pixmap;
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (int side : statusIconSizes)
            sizes << QSize(side, side);
        return sizes;
    }
    QString iconName() override { return themedIconInstalled() ? statusIconName : QString(); }
    QIconEngine* clone() const override { return new StatusIconEngine(*this); }

private:
    StatusIconColors colors_;
};

} // namespace

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

StatusIconColors statusIconColors(const QPalette& palette, const std::optional<QColor>& hostColor,
                                  const std::optional<QColor>& background)
{
    const QColor text = palette.color(QPalette::Active, QPalette::WindowText);
    if (hostColor && hostColor->isValid())
        return {*hostColor, {}};
    if (background && background->isValid())
        return {contrastRatio(text, *background) >= 4.5 ? text : contrasting(*background), {}};
    const QColor window = palette.color(QPalette::Active, QPalette::Window);
    if (contrastRatio(text, window) >= 4.5)
        return {text, window};
    const QColor glyph = contrasting(window);
    return {glyph, contrasting(glyph)};
}

void drawStatusIcon(QPainter& painter, const StatusIconColors& colors)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // A halo one device pixel wide at 18 pixels, as wide at every size.
    if (colors.halo.isValid())
        drawPanes(painter, colors.halo, 1.0);
    drawPanes(painter, colors.glyph, 0);
    painter.restore();
}


QIcon statusIcon(const StatusIconColors& colors, bool paused) { return QIcon(new StatusIconEngine(colors, paused)); }

QIcon statusIcon(const QPalette& palette, bool paused) { return statusIcon(statusIconColors(palette), paused); }

} // namespace fw
