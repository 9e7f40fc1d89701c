// What is drawn while placed windows are resized together or a special drop applies: outlines of the
// resulting frames, an accent bar over the shared edge and a hint bubble next to the pointer.
#include "overlay/ResizeFeedback.h"

#include "layout/ScreenGeometry.h"
#include "overlay/DropSurfaces.h"
#include "overlay/OverlayStyle.h"
#include "overlay/OverlayWindow.h"
#include "overlay/Symbols.h"
#include "platform/qt/DevicePixels.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <cmath>

namespace fw {

namespace {

// The accent bar over a shared edge.
class AccentBar : public QWidget, public ShapedContent {
public:
    AccentBar() { setAttribute(Qt::WA_TranslucentBackground); }

    std::optional<QPainterPath> shapeOutline() const override
    {
        QPainterPath bar;
        bar.addRoundedRect(QRectF(rect()), radius(), radius());
        return bar;
    }

protected:
    double radius() const { return std::min({3.0, width() / 2.0, height() / 2.0}); }

    void resizeEvent(QResizeEvent*) override { reshapePanelOf(this); }

    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(styleColor(StyleColor::accent, palette()));
        p.drawRoundedRect(QRectF(rect()), radius(), radius());
    }
};

} // namespace

std::vector<ScreenInfo> qtScreenList()
{
    std::vector<ScreenInfo> list;
    QScreen* primary = QGuiApplication::primaryScreen();
    for (QScreen* s : QGuiApplication::screens()) {
        ScreenInfo info{s->name(), s->name(), DevicePixels::deviceGeometry(*s),
                        DevicePixels::toDevice(QRectF(s->availableGeometry())), s == primary, s->devicePixelRatio()};
        if (s == primary)
            list.insert(list.begin(), info);
        else
            list.push_back(info);
    }
    return list;
}

// --- ResizeHintView ---

ResizeHintView::ResizeHintView() : QWidget(nullptr)
{
    setAttribute(Qt::WA_TranslucentBackground);
    glass_ = makeGlassCard(QRect(), this);
    glass_->setCornerRadius(23);
    icon_ = new QLabel(glass_);
    icon_->setAlignment(Qt::AlignCenter);
    heading_ = makeLabel(QString(), 12, QFont::DemiBold, StyleColor::label, glass_);
    detail_ = makeLabel(QString(), 11, QFont::Normal, StyleColor::secondaryLabel, glass_);
    setAccessibleDescription(QStringLiteral("static text"));
    resize(0, int(bubbleHeight));
}

std::optional<QPainterPath> ResizeHintView::shapeOutline() const { return glass_->outline(); }

void ResizeHintView::update(const QString& heading, const QString& detail, const QString& symbolName, double maxWidth)
{
    if (heading_->text() != heading)
        heading_->setText(heading);
    if (detail_->text() != detail)
        detail_->setText(detail);
    if (symbolName != symbolName_) {
        symbolName_ = symbolName;
        ++symbolChanges_;
        // An unknown name leaves the icon empty; the texts still show.
        icon_->setPixmap(Symbols::image(symbolName, 16, styleColor(StyleColor::accent, palette()), devicePixelRatioF()));
    }
    setAccessibleName(heading + QStringLiteral(". ") + detail);

    const double textWidth = std::max(QFontMetricsF(heading_->font()).horizontalAdvance(heading),
                                      QFontMetricsF(detail_->font()).horizontalAdvance(detail));
    const double w = std::max(0.0, std::min(std::ceil(textWidth) + 72, maxWidth));
    resize(int(std::floor(w)), int(bubbleHeight));
    glass_->setGeometry(rect());
    // Laid out from the bottom: heading 24 and detail 7 points above the bottom edge.
    icon_->setGeometry(16, int(bubbleHeight - 12 - 22), 22, 22);
    heading_->setGeometry(46, int(bubbleHeight - 24 - 16), std::max(0, width() - 62), 16);
    detail_->setGeometry(46, int(bubbleHeight - 7 - 15), std::max(0, width() - 62), 15);
}

// --- ResizeFeedback ---

ResizeFeedback::ResizeFeedback(std::function<std::vector<ScreenInfo>()> screens,
                               std::function<std::optional<WindowId>(const ManagedWindow&)> windowNumber)
    : ownedHintView_(std::make_unique<ResizeHintView>()), hintView_(ownedHintView_.get()),
      screens_(std::move(screens)), windowNumber_(std::move(windowNumber))
{
}

ResizeFeedback::~ResizeFeedback() = default;

std::vector<ScreenInfo> ResizeFeedback::screenList() const { return screens_ ? screens_() : qtScreenList(); }

void ResizeFeedback::show(const std::vector<Rect>& frames, const std::optional<Rect>& barRect, const QString& heading,
                          const QString& detail, const QString& symbolName, Point at, const ScreenInfo& on,
                          const std::optional<ManagedWindow>& below)
{
    std::optional<WindowId> number;
    if (below)
        number = windowNumber_ ? windowNumber_(*below) : std::optional<WindowId>(below->element);

    while (outlines_.size() > frames.size()) {
        outlines_.back()->orderOut();
        outlines_.pop_back();
    }
    while (outlines_.size() < frames.size()) {
        auto panel = std::make_unique<OverlayWindow>(Rect(), false);
        panel->setContentView(new PreviewView);
        outlines_.push_back(std::move(panel));
    }
    for (std::size_t i = 0; i < frames.size(); ++i) {
        OverlayWindow& panel = *outlines_[i];
        panel.setFrame(frames[i]);
        panel.update();
        if (below) {
            panel.orderBelow(number);
        } else {
            panel.setLevel(OverlayWindow::aboveWindowsLevel);
            panel.orderFrontRegardless();
        }
    }

    if (!barRect) {
        if (bar_)
            bar_->orderOut();
    } else {
        if (!bar_) {
            bar_ = std::make_unique<OverlayWindow>(Rect(), false);
            bar_->setContentView(new AccentBar);
        }
        bar_->setFrame(*barRect);
        bar_->update();
        bar_->setLevel(OverlayWindow::aboveEverythingLevel);
        bar_->orderFrontRegardless();
    }

    prepareHint(heading, detail, symbolName, on);
    if (barRect)
        hoverAnchor_ = HoverAnchor{*barRect, topLeftVisibleFrame(on), at};
    else
        hoverAnchor_.reset();
    positionHint(at);
    hint_->orderFrontRegardless();
}

void ResizeFeedback::prepareHint(const QString& heading, const QString& detail, const QString& symbolName,
                                 const ScreenInfo& on)
{
    if (!hint_) {
        hint_ = std::make_unique<OverlayWindow>(Rect(), false);
        hint_->setHasShadow(false);
        hint_->setContentView(ownedHintView_.release());
    }
    const QRectF bounds = DevicePixels::toLogical(topLeftVisibleFrame(on));
    hintView_->update(heading, detail, symbolName, std::min(bounds.width() - 24, 360.0));
}

void ResizeFeedback::showHint(const QString& heading, const QString& detail, const QString& symbolName, Point at,
                              const ScreenInfo& on)
{
    prepareHint(heading, detail, symbolName, on);
    hoverAnchor_.reset();
    positionHint(at);
    hint_->orderFrontRegardless();
}

void ResizeFeedback::moveHint(Point to)
{
    if (!hoverAnchor_ || !hint_ || !hint_->isOrderedIn())
        return;
    // 12 logical pixels around the bar, in the device pixels of its display.
    const Rect& bar = hoverAnchor_->divider;
    const double reach = 12 * DevicePixels::ratioAt(Point{bar.midX(), bar.midY()});
    const Rect zone = bar.insetBy(-reach, -reach);
    if (to.x < zone.minX() || to.x > zone.maxX() || to.y < zone.minY() || to.y > zone.maxY())
        return;
    hoverAnchor_->point = to;
    positionHint(to);
}

Rect ResizeFeedback::hintFrame(Point p, Size bubble, const Rect& B, const std::optional<Rect>& divider)
{
    const double w = bubble.width, h = bubble.height;
    double x, y;
    if (divider) {
        const Rect& D = *divider;
        if (D.width() <= D.height()) {
            x = D.maxX() + 14;
            if (x + w > B.maxX() - 12)
                x = D.minX() - 14 - w;
            y = p.y - h / 2;
        } else {
            y = D.maxY() + 14;
            if (y + h > B.maxY() - 12)
                y = D.minY() - 14 - h;
            x = p.x - w / 2;
        }
    } else {
        x = p.x + 20;
        if (x + w > B.maxX() - 12)
            x = p.x - w - 20;
        y = p.y + 22;
        if (y + h > B.maxY() - 12)
            y = p.y - h - 22;
    }
    // When the bounds are too small, the left and top margins win.
    x = std::max(std::min(x, B.maxX() - w - 12), B.minX() + 12);
    y = std::max(std::min(y, B.maxY() - h - 12), B.minY() + 12);
    return Rect(x, y, w, h);
}

void ResizeFeedback::positionHint(Point near)
{
    if (!hint_)
        return;
    const Size size{double(hintView_->width()), double(hintView_->height())};
    Rect bounds(0, 0, 0, 0);
    std::optional<Rect> divider;
    if (hoverAnchor_) {
        bounds = hoverAnchor_->bounds;
        divider = hoverAnchor_->divider;
    } else if (auto screen = containing(screenList(), near)) {
        bounds = topLeftVisibleFrame(*screen);
    }
    // The bubble's size and margins are logical pixels: placed among logical ones.
    using namespace DevicePixels;
    const QPointF at = toLogical(near);
    hint_->setFrame(deviceFrame(hintFrame(Point{at.x(), at.y()}, size, logicalFrame(bounds),
                                          divider ? std::optional(logicalFrame(*divider)) : std::nullopt)));
}

void ResizeFeedback::hide()
{
    for (auto& panel : outlines_)
        panel->orderOut();
    outlines_.clear();
    if (bar_)
        bar_->orderOut();
    if (hint_)
        hint_->orderOut();
    hoverAnchor_.reset();
}

} // namespace fw
