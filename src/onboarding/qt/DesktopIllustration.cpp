// The welcome window's desktop picture: three stylised windows on a tinted card.
#include "onboarding/qt/DesktopIllustration.h"

#include "onboarding/qt/OnboardingWindow.h"
#include "onboarding/qt/WindowArt.h"
#include "overlay/OverlayStyle.h"
#include "overlay/Symbols.h"

#include <QPainter>
#include <QPainterPath>

namespace fw {

namespace {

constexpr int layoutHeight = 196;   // the fixed positions below are laid out for this height

QRectF fromBottom(double x, double y, double w, double h) { return QRectF(x, layoutHeight - y - h, w, h); }

QPainterPath rounded(const QRectF& r, double radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

} // namespace

DesktopIllustration::DesktopIllustration(QWidget* parent) : QWidget(parent)
{
    addOnboardingSymbols();
}

void DesktopIllustration::setMiddleSymbol(bool on)
{
    middleSymbol_ = on;
    update();
}

void DesktopIllustration::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    p.fillPath(rounded(rect(), 16), styleColor(StyleColor::accent, pal, 0.07));

    struct Window {
        QRectF frame;
        QColor fill;
        QString symbol;
        QString title;
    };
    const Window windows[] = {
        {fromBottom(20, 18, 179, 126), styleColor(StyleColor::windowBackground, pal), QStringLiteral("text.alignleft"),
         QStringLiteral("Notes")},
        {fromBottom(207, 18, 241, 126), styleColor(StyleColor::accent, pal, 0.18),
         middleSymbol_ ? QStringLiteral("rectangle.split.3x1") : QString(), QStringLiteral("Browser")},
        {fromBottom(456, 18, 164, 126), styleColor(StyleColor::windowBackground, pal), QStringLiteral("checklist"),
         QStringLiteral("Tasks")},
    };
    for (const Window& w : windows) {
        const QPainterPath path = rounded(w.frame, 9);
        p.fillPath(path, w.fill);
        drawTitleBar(p, w.frame, 9, w.title, pal);
        p.strokePath(path, QPen(styleColor(StyleColor::separator, pal, 0.45), 1));
        if (!w.symbol.isEmpty())
            Symbols::draw(p, w.symbol, QRectF(w.frame.center() - QPointF(16, 16), QSizeF(32, 32)),
                          styleColor(StyleColor::secondaryLabel, pal));
    }

    const QRectF pill = fromBottom(252, 158, 136, 24);
    p.fillPath(rounded(pill, 12), styleColor(StyleColor::accent, pal));
    const QFont font = systemFont(8, QFont::Bold);
    const QFontMetricsF fm(font);
    p.setFont(font);
    p.setPen(Qt::white);
    // The text's line box stands on the point (266, 165) counted from the bottom.
    p.drawText(QPointF(266, layoutHeight - 165 - fm.descent()), QStringLiteral("YOUR SPACE, YOUR WAY"));
}

} // namespace fw
