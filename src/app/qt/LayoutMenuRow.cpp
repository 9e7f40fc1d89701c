#include "app/qt/LayoutMenuRow.h"

#include "editor/qt/LayoutDiagram.h"
#include "overlay/OverlayStyle.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace fw {

namespace {

QLabel* makeLabel(QWidget* parent, const QString& text, double size, QFont::Weight weight)
{
    auto* label = new QLabel(text, parent);
    label->setFont(systemFont(size, weight));
    label->setTextFormat(Qt::PlainText);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

void setTextColor(QLabel* label, const QColor& color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

} // namespace

LayoutMenuRow::LayoutMenuRow(const LayoutRow& row, QWidget* parent)
    : QWidget(parent), row_(row), diagram_(layoutDiagramImage(row.layout))
{
    setFixedHeight(rowHeight);
    setMinimumWidth(rowWidth);
    setMouseTracking(true);
    name_ = makeLabel(this, row.name, 13, QFont::Medium);
    detail_ = makeLabel(this, row.detail, 11, QFont::Normal);
    check_ = makeLabel(this, QStringLiteral("✓"), 12, QFont::DemiBold);
    const auto regions = row.layout.tree.unitRects(Rect(0, 0, 1, 1)).size();
    setAccessibleName(row.name + QStringLiteral(", %1 regions").arg(regions)
                      + (row.current ? QStringLiteral(", current layout") : QString()));
    check_->setVisible(row.current);
    applyEnabledLook();
    layoutParts();
}

void LayoutMenuRow::setCurrent(bool current)
{
    row_.current = current;
    check_->setVisible(current);
}

void LayoutMenuRow::layoutParts()
{
    const int textWidth = std::max(0, width() - 146);
    name_->setGeometry(136, 13, textWidth, 20);
    detail_->setGeometry(136, 36, textWidth, 16);
    check_->setGeometry(8, 23, 16, 18);
    const QFontMetrics nameMetrics(name_->font()), detailMetrics(detail_->font());
    name_->setText(nameMetrics.elidedText(row_.name, Qt::ElideRight, textWidth));
    detail_->setText(detailMetrics.elidedText(row_.detail, Qt::ElideRight, textWidth));
}

void LayoutMenuRow::applyEnabledLook()
{
    const QPalette& p = palette();
    const QColor text = isEnabled() ? p.color(QPalette::Active, QPalette::WindowText)
                                    : p.color(QPalette::Disabled, QPalette::WindowText);
    setTextColor(name_, text);
    setTextColor(check_, text);
    setTextColor(detail_, styleColor(StyleColor::secondaryLabel, p));
    update();
}

void LayoutMenuRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (highlighted_ && isEnabled()) {
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(4, 1, -4, -1), 7, 7);
        painter.fillPath(path, styleColor(StyleColor::accent, palette(), 0.16));
    }
    painter.setOpacity(isEnabled() ? 1.0 : 0.4);
    const QRectF box(28, 6, 94, 54);
    const QSizeF size = QSizeF(layoutDiagramWidth, layoutDiagramHeight).scaled(box.size(), Qt::KeepAspectRatio);
    painter.drawPixmap(QRectF(box.center() - QPointF(size.width() / 2, size.height() / 2), size), diagram_,
                       QRectF(QPointF(0, 0), diagram_.size()));
}

void LayoutMenuRow::resizeEvent(QResizeEvent*) { layoutParts(); }

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
        applyEnabledLook();
    QWidget::changeEvent(event);
}

void LayoutMenuRow::choose()
{
    if (isEnabled() && invoke)
        invoke();
}

} // namespace fw
