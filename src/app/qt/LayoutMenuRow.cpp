// A "Choose a Layout" menu row: diagram, name, detail and check mark, highlighted under the pointer,
// chosen by a release inside it.
#include "app/qt/LayoutMenuRow.h"

#include "editor/qt/LayoutDiagram.h"
#include "overlay/OverlayStyle.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace fw {

namespace {

QFont nameFont() { return systemFont(13, QFont::Medium); }
QFont detailFont() { return systemFont(11, QFont::Normal); }
QFont checkFont() { return systemFont(12, QFont::DemiBold); }

QRect nameRect(int width) { return QRect(136, 13, width, 20); }
QRect detailRect(int width) { return QRect(136, 36, width, 16); }
const QRect checkRect(8, 23, 16, 18);

} // namespace

LayoutMenuRow::LayoutMenuRow(const LayoutRow& row, QWidget* parent) : QWidget(parent), row_(row)
{
    setFixedHeight(rowHeight);
    setMinimumWidth(rowWidth);
    setMouseTracking(true);
    const auto regions = row.layout.tree.unitRects(Rect(0, 0, 1, 1)).size();
    setAccessibleName(row.name + QStringLiteral(", %1 regions").arg(regions)
                      + (row.current ? QStringLiteral(", current layout") : QString()));
}

void LayoutMenuRow::setCurrent(bool current)
{
    if (std::exchange(row_.current, current) != current)
        update();
}

int LayoutMenuRow::textWidth() const { return std::max(0, width() - 146); }

QString LayoutMenuRow::shownName() const
{
    return QFontMetrics(nameFont()).elidedText(row_.name, Qt::ElideRight, textWidth());
}

QString LayoutMenuRow::shownDetail() const
{
    return QFontMetrics(detailFont()).elidedText(row_.detail, Qt::ElideRight, textWidth());
}

void LayoutMenuRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& p = palette();
    if (highlighted_ && isEnabled()) {
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(4, 1, -4, -1), 7, 7);
        painter.fillPath(path, styleColor(StyleColor::accent, p, 0.16));
    }
    const QColor text = p.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
    painter.setPen(text);
    if (row_.current) {
        painter.setFont(checkFont());
        painter.drawText(checkRect, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("✓"));
    }
    painter.setFont(nameFont());
    painter.drawText(nameRect(textWidth()), Qt::AlignLeft | Qt::AlignVCenter, shownName());
    painter.setFont(detailFont());
    painter.setPen(styleColor(StyleColor::secondaryLabel, p));
    painter.drawText(detailRect(textWidth()), Qt::AlignLeft | Qt::AlignVCenter, shownDetail());

    if (diagram_.isNull())
        diagram_ = layoutDiagramImage(row_.layout);
    painter.setOpacity(isEnabled() ? 1.0 : 0.4);
    const QRectF box(28, 6, 94, 54);
    const QSizeF size = QSizeF(layoutDiagramWidth, layoutDiagramHeight).scaled(box.size(), Qt::KeepAspectRatio);
    painter.drawPixmap(QRectF(box.center() - QPointF(size.width() / 2, size.height() / 2), size), diagram_,
                       QRectF(QPointF(0, 0), diagram_.size()));
}

void LayoutMenuRow::setHighlighted(bool highlighted)
{
    if (std::exchange(highlighted_, highlighted) != highlighted)
        update();
}

void LayoutMenuRow::enterEvent(QEnterEvent*) { setHighlighted(true); }

void LayoutMenuRow::leaveEvent(QEvent*) { setHighlighted(false); }

// A menu closed under the pointer sends no leave event.
void LayoutMenuRow::hideEvent(QHideEvent*) { setHighlighted(false); }

void LayoutMenuRow::mousePressEvent(QMouseEvent* event) { event->accept(); }

void LayoutMenuRow::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        choose();
}

void LayoutMenuRow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange)
        update();
    QWidget::changeEvent(event);
}

void LayoutMenuRow::choose()
{
    if (isEnabled() && invoke)
        invoke();
}

} // namespace fw
