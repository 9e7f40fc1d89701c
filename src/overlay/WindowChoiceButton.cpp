// One row of the window chooser, drawing the application's icon, its name and the window's title.
#include "overlay/WindowChoiceButton.h"

#include "overlay/OverlayStyle.h"

#include <QPainter>
#include <QPainterPath>

namespace fw {

WindowChoiceButton::WindowChoiceButton(ManagedWindow window, std::function<void()> action, QIcon icon, QWidget* parent)
    : ActionButton(QString(), std::move(action), parent), windowChoice_(std::move(window)), icon_(std::move(icon))
{
    setFlat(true);
    setAccessibleName(windowChoice_.appName + u": "_qs + windowChoice_.title);
}

// The row reads top-down: the application's name above the window's title, the icon
// vertically centred on the two lines.
QRectF WindowChoiceButton::iconRect(QSizeF size) { return {12, size.height() - 44, 32, 32}; }
QRectF WindowChoiceButton::nameRect(QSizeF size) { return {56, size.height() - 47, size.width() - 72, 18}; }
QRectF WindowChoiceButton::titleRect(QSizeF size) { return {56, size.height() - 26, size.width() - 72, 16}; }

void WindowChoiceButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette pal = palette();
    QPainterPath bg;
    bg.addRoundedRect(QRectF(rect()), 10, 10);
    p.fillPath(bg, isDown() ? styleColor(StyleColor::accent, pal, 0.18) : styleColor(StyleColor::label, pal, 0.05));

    const QSizeF s = size();
    if (!icon_.isNull())
        icon_.paint(&p, iconRect(s).toRect());

    auto drawText = [&](const QRectF& r, const QFont& f, StyleColor c, const QString& text) {
        p.setFont(f);
        p.setPen(styleColor(c, pal));
        const QString shown = QFontMetrics(f).elidedText(text, Qt::ElideRight, int(r.width()));
        p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, shown);
    };
    drawText(nameRect(s), systemFont(13, QFont::DemiBold), StyleColor::label, windowChoice_.appName);
    drawText(titleRect(s), systemFont(11), StyleColor::secondaryLabel, windowChoice_.title);
}

} // namespace fw
