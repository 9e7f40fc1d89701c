// The card over an empty region after a snap: its heading, the scrolling grid of window tiles
// with a scroller that floats over it, and the leave-empty and Done buttons.

#include "overlay/RegionAssistView.h"

#include "overlay/OverlayStyle.h"

#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <cmath>

namespace fw {

namespace {

// The design measures from the bottom of the view; Qt from the top.
QRect flipped(double viewHeight, double x, double y, double w, double h)
{
    return QRect(int(std::lround(x)), int(std::lround(viewHeight - y - h)), int(std::lround(w)), int(std::lround(h)));
}

constexpr int overlayBarWidth = 8;

// What a button's label needs at its font, with the button's margins.
double labelWidth(const QPushButton& button) { return button.fontMetrics().horizontalAdvance(button.text()) + 20; }

} // namespace

RegionAssistView::Grid RegionAssistView::grid(std::size_t count, double contentWidth, double scrollHeight)
{
    Grid g;
    g.gridWidth = std::max(contentWidth - 12, 1.0);
    const int fit = int(std::floor((g.gridWidth + 12) / 230));
    g.columns = std::max(1, std::min(int(count), fit));
    g.tileWidth = std::min((g.gridWidth - 12.0 * (g.columns - 1)) / g.columns, 260.0);
    const double ideal = std::clamp(0.65 * g.tileWidth + 40, 100.0, 200.0);
    g.tileHeight = std::floor(std::min(std::max(scrollHeight, 48.0), ideal));
    g.rows = int((count + g.columns - 1) / g.columns);
    g.gridHeight = (g.tileHeight + 12) * g.rows - 12;
    return g;
}

RegionAssistView::RegionAssistView(const std::vector<ManagedWindow>& choices, const Thumbnails& thumbnails,
                                   std::function<void(const ManagedWindow&)> onChoose, std::function<void()> onSkip,
                                   std::function<void()> onDone, const QRect& frame, QWidget* parent)
    : QWidget(parent)
{
    setGeometry(frame);
    setAttribute(Qt::WA_TranslucentBackground);
    const double W = frame.width(), H = frame.height();

    const bool compact = W < 300 || H < 300;
    const bool isShort = H < 220;
    const double m = compact ? 12 : 24;

    heading_ = makeLabel(QStringLiteral("Choose a window here"), compact ? 13 : 18, QFont::DemiBold, StyleColor::label,
                         this);
    heading_->setAlignment(Qt::AlignCenter);
    heading_->setGeometry(flipped(H, m, isShort ? H - 30 : H - 48, W - 2 * m, 26));

    const double sy = isShort ? 36 : 58, sd = isShort ? 74 : 124;
    const double sw = std::max(W - 2 * m, 1.0), sh = std::max(H - sd, 1.0);
    buildScrollView(flipped(H, m, sy, sw, sh));
    buildTiles(choices, thumbnails, onChoose);
    buildOverlayBar();

    const double b = isShort ? 4 : 16;
    skip_ = new ActionButton(compact ? QStringLiteral("Skip") : QStringLiteral("Leave empty"), std::move(onSkip), this);
    done_ = new ActionButton(QStringLiteral("Done"), std::move(onDone), this);
    // Each button as wide as designed, or as its label needs at a large system font; the two
    // keep their edges and the space between them.
    const double skipWidth = std::max(std::min(W / 2 - m, 116.0), labelWidth(*skip_));
    const double doneWidth = std::min(std::max(66.0, labelWidth(*done_)), std::max(W - 2 * m - skipWidth - 8, 66.0));
    skip_->setGeometry(flipped(H, m, b, skipWidth, 28));
    controls_.push_back(skip_);
    done_->setGeometry(flipped(H, W - m - doneWidth, b, doneWidth, 28));
}

void RegionAssistView::buildScrollView(const QRect& geometry)
{
    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setGeometry(geometry);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The scroller floats over the content (as overlay scrollers do), so the content keeps
    // the scroll view's whole width.
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setAutoFillBackground(false);
    scroll_->viewport()->setAutoFillBackground(false);
    // The card shows through the list.
    scroll_->viewport()->setAttribute(Qt::WA_OpaquePaintEvent, false);
    scroll_->viewport()->setAttribute(Qt::WA_NoSystemBackground, false);
    scroll_->setWidgetResizable(false);
}

void RegionAssistView::buildTiles(const std::vector<ManagedWindow>& choices, const Thumbnails& thumbnails,
                                  const std::function<void(const ManagedWindow&)>& onChoose)
{
    const double contentWidth = scroll_->width();
    const double scrollHeight = scroll_->height();
    const Grid g = grid(choices.size(), contentWidth, scrollHeight);
    const double dh = std::max(scrollHeight, g.gridHeight);
    const double top = std::max((dh - g.gridHeight) / 2, 0.0);

    document_ = new QWidget;
    document_->resize(int(std::lround(g.gridWidth)), int(std::lround(dh)));
    const int count = int(choices.size());
    for (int i = 0; i < count; ++i) {
        const int row = i / g.columns;
        const int column = i - row * g.columns;
        const int inRow = std::min(count - row * g.columns, g.columns);
        const ManagedWindow& choice = choices[std::size_t(i)];
        std::optional<QImage> thumb;
        if (auto it = thumbnails.find(choice); it != thumbnails.end())
            thumb = it->second;
        auto* tile = new WindowThumbnailButton(choice, thumb, [onChoose, choice] {
            if (onChoose)
                onChoose(choice);
        }, document_);
        // Each row, a short last row included, is centred on its own width.
        const double x = (g.tileWidth + 12) * column + (g.gridWidth - ((g.tileWidth + 12) * inRow - 12)) / 2;
        const double yTop = top + (g.tileHeight + 12) * row;
        // Edges rounded, not origin and size apart, so the last column never passes the grid.
        const long left = std::lround(x), upper = std::lround(yTop);
        tile->setGeometry(int(left), int(upper), int(std::lround(x + g.tileWidth) - left),
                          int(std::lround(yTop + g.tileHeight) - upper));
        if (!firstChoice_)
            firstChoice_ = tile;
        choices_[choice] = tile;
        controls_.push_back(tile);
    }
    scroll_->setWidget(document_);
    // setWidget turns on the document's background fill, which would paint an opaque box.
    document_->setAutoFillBackground(false);
    scroll_->verticalScrollBar()->setValue(0); // the first row shows
}

void RegionAssistView::buildOverlayBar()
{
    overlayBar_ = new QScrollBar(Qt::Vertical, scroll_);
    overlayBar_->setGeometry(scroll_->width() - overlayBarWidth, 0, overlayBarWidth, scroll_->height());
    connect(scroll_->verticalScrollBar(), &QScrollBar::rangeChanged, this, [this] { syncScrollBar(); });
    connect(scroll_->verticalScrollBar(), &QScrollBar::valueChanged, overlayBar_, &QScrollBar::setValue);
    connect(overlayBar_, &QScrollBar::valueChanged, scroll_->verticalScrollBar(), &QScrollBar::setValue);
    syncScrollBar();
}

void RegionAssistView::syncScrollBar()
{
    const QScrollBar* inner = scroll_->verticalScrollBar();
    overlayBar_->setRange(inner->minimum(), inner->maximum());
    overlayBar_->setPageStep(inner->pageStep());
    overlayBar_->setSingleStep(inner->singleStep());
    overlayBar_->setValue(inner->value());
    overlayBar_->setVisible(inner->maximum() > inner->minimum());
}

void RegionAssistView::resizeEvent(QResizeEvent* event)
{
    // Built once; only the frosted card follows the size.
    QWidget::resizeEvent(event);
    reshapePanelOf(this);
}

std::optional<QPainterPath> RegionAssistView::shapeOutline() const
{
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), 14, 14);
    return card;
}

void RegionAssistView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // A frosted card with a separator-coloured border.
    p.setBrush(cardFill(palette(), showsTranslucent(this)));
    p.setPen(QPen(styleColor(StyleColor::separator, palette()), 1));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 14, 14);
}

} // namespace fw
