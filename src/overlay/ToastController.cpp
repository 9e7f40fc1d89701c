// The transient notice: one text at a time near the bottom of the display under the pointer, clear of
// our own windows; a newer notice replaces the shown one and the older timer cannot hide it.
#include "overlay/ToastController.h"

#include "overlay/OverlayStyle.h"
#include "overlay/OverlayWindow.h"
#include "platform/qt/DevicePixels.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace fw {

namespace {

// Our own framed windows on screen (not the frameless panels), with room around them.
std::vector<Rect> ourWindows()
{
    std::vector<Rect> out;
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        const auto type = w->windowType();
        if (!w->isVisible() || w->isMinimized() || (type != Qt::Window && type != Qt::Dialog)
            || w->windowFlags().testFlag(Qt::FramelessWindowHint))
            continue;
        const QRect f = w->frameGeometry().adjusted(-8, -8, 8, 8);
        out.push_back(Rect(f.x(), f.y(), f.width(), f.height()));
    }
    return out;
}

bool clear(const Rect& r, const std::vector<Rect>& avoid)
{
    return std::none_of(avoid.begin(), avoid.end(), [&](const Rect& a) { return a.intersects(r); });
}

// Calls back when one of our framed windows shows, moves, changes size, hides or is minimized.
class WindowWatcher final : public QObject {
public:
    explicit WindowWatcher(std::function<void()> changed) : changed_(std::move(changed))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const auto type = event->type();
        if (type != QEvent::Hide && type != QEvent::WindowStateChange && type != QEvent::Show && type != QEvent::Move
            && type != QEvent::Resize)
            return false;
        const auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->isWindow() && !w->windowFlags().testFlag(Qt::FramelessWindowHint) && !queued_) {
            queued_ = true;
            QTimer::singleShot(0, this, [this] {
                queued_ = false;
                auto fn = changed_;
                fn();
            });
        }
        return false;
    }

private:
    std::function<void()> changed_;
    bool queued_ = false;
};

} // namespace

ToastController::ToastController(Clock& clock, const Screens& screens, std::function<std::optional<Point>()> pointer)
    : clock_(clock), screens_(screens), pointer_(std::move(pointer))
{
}

ToastController::~ToastController()
{
    if (dismissal_)
        clock_.cancel(*dismissal_);
}

Rect ToastController::noticeFrame(const Rect& visible)
{
    const double w = std::min(visible.width() - 40, 540.0);
    const double h = 86;
    return Rect(visible.midX() - w / 2, visible.maxY() - 40 - h, w, h);
}

QRect ToastController::textFrame(const QFontMetrics& metrics, const QString& text, int width)
{
    // The text's band, inset 20 at the sides and 17 above and below, 52 high in the 86-high
    // card; the wrapped lines stand centred in it, as many as fit.
    const QRect band(20, 17, width - 40, cardHeight(metrics, text, width) - 34);
    const auto heightAt = [&](int w) {
        return metrics.boundingRect(QRect(0, 0, w, 10000), Qt::TextWordWrap, text).height();
    };
    const int needed = heightAt(band.width());
    // As narrow as keeps the number of lines: the lines come out about equally long.
    int narrow = band.width() / 3, wide = band.width();
    while (narrow < wide) {
        const int mid = (narrow + wide) / 2;
        if (heightAt(mid) > needed)
            narrow = mid + 1;
        else
            wide = mid;
    }
    const int w = std::min(band.width(), wide + 2);
    const int h = std::min(band.height(), needed);
    return QRect(band.x() + (band.width() - w) / 2, band.y() + (band.height() - h) / 2, w, h);
}

int ToastController::cardHeight(const QFontMetrics& metrics, const QString& text, int width)
{
    const int needed = metrics.boundingRect(QRect(0, 0, std::max(1, width - 40), 10000), Qt::TextWordWrap, text).height();
    // Tall enough for every line a narrow card beside our windows wraps the text to.
    return std::clamp(needed + 34, 86, 86 + 9 * metrics.lineSpacing());
}

Rect ToastController::leastCovering(const Rect& visible, const std::vector<Rect>& avoid,
                                   const std::function<double(double width)>& heightFor)
{
    const Rect usual = noticeFrame(visible);
    const double h = heightFor(usual.width());
    const Rect bottom(usual.minX(), visible.maxY() - 40 - h, usual.width(), h);
    const Rect top(usual.minX(), visible.minY() + 40, usual.width(), h);
    const auto covered = [&](const Rect& r) {
        double area = 0;
        for (const Rect& a : avoid) {
            const double w = std::min(r.maxX(), a.maxX()) - std::max(r.minX(), a.minX());
            const double hh = std::min(r.maxY(), a.maxY()) - std::max(r.minY(), a.minY());
            area += std::max(0.0, w) * std::max(0.0, hh);
        }
        return area;
    };
    return covered(bottom) < covered(top) ? bottom : top;
}

std::optional<Rect> ToastController::clearFrame(const Rect& visible, const std::vector<Rect>& avoid,
                                                const std::function<double(double width)>& heightFor)
{
    const Rect usual = noticeFrame(visible);
    const double h = heightFor(usual.width());
    const Rect bottom(usual.minX(), visible.maxY() - 40 - h, usual.width(), h);
    const Rect top(usual.minX(), visible.minY() + 40, usual.width(), h);
    for (const Rect& r : {bottom, top})
        if (clear(r, avoid))
            return r;
    // Beside the windows: the widest free strip across the visible frame's bottom band.
    std::vector<std::pair<double, double>> edges{{visible.minX(), visible.minX()}, {visible.maxX(), visible.maxX()}};
    for (const Rect& a : avoid)
        edges.push_back({a.minX(), a.maxX()});
    std::optional<Rect> best;
    for (const auto& [unusedLeft, left] : edges) {
        for (const auto& [right, unusedRight] : edges) {
            const double w = std::min(right - left - 40, 540.0);
            if (w < minSideWidth || (best && w <= best->width()))
                continue;
            const double sideHeight = heightFor(w);
            const Rect r((left + right - w) / 2, visible.maxY() - 40 - sideHeight, w, sideHeight);
            if (visible.contains(r) && clear(r, avoid))
                best = r;
        }
    }
    return best;
}

void ToastController::hide()
{
    if (panel_)
        panel_->orderOut();
    panel_.reset();
    text_.clear();
}

void ToastController::watchWindows(bool watch)
{
    if (!watch) {
        // Perhaps from the watcher's own call: it goes once that call is over.
        if (watcher_)
            watcher_.release()->deleteLater();
        return;
    }
    if (!watcher_ && qApp)
        watcher_ = std::make_unique<WindowWatcher>([this] {
            if (const auto p = pending_)
                show(p->text, p->seconds, true);
            else if (panel_)
                moveClear();
        });
}

void ToastController::moveClear()
{
    const std::vector<Rect> windows = ourWindows();
    if (clear(DevicePixels::logicalFrame(panel_->frame()), windows))
        return;
    const QFontMetrics metrics(systemFont(13, QFont::Medium));
    const auto heightFor = [&](double width) { return double(cardHeight(metrics, text_, int(std::lround(width)))); };
    if (const auto frame = clearFrame(visible_, windows, heightFor)) {
        place(*frame);
        return;
    }
    if (!shown_.waitsForRoom) {
        place(leastCovering(visible_, windows, heightFor));
        return;
    }
    // A tip with no place left clear: it waits, whole, for one of our windows to go.
    const Pending again{text_, shown_.seconds};
    if (dismissal_) {
        clock_.cancel(*dismissal_);
        dismissal_.reset();
    }
    hide();
    pending_ = again;
}

void ToastController::place(const Rect& frame)
{
    if (panel_)
        panel_->orderOut();
    auto panel = std::make_unique<OverlayWindow>(DevicePixels::deviceFrame(frame), false);
    const int w = int(std::lround(frame.width()));
    auto* card = makeGlassCard(QRect(0, 0, w, int(std::lround(frame.height()))));
    auto* label = makeLabel(text_, 13, QFont::Medium, StyleColor::label, card);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter);
    label->setGeometry(textFrame(label->fontMetrics(), text_, w));
    panel->setContentView(card);
    panel->setAccessibleName(text_);
    panel->orderFrontRegardless();
    panel_ = std::move(panel);
}

void ToastController::show(const QString& text, double seconds, bool waitsForRoom)
{
    if (dismissal_) {
        clock_.cancel(*dismissal_);
        dismissal_.reset();
    }
    hide();

    pending_.reset();
    watchWindows(false);
    const std::vector<ScreenInfo> screens = screens_.screens();
    if (screens.empty())
        return;
    const ScreenInfo* screen = &screens.front();
    if (auto p = pointer_ ? pointer_() : std::nullopt) {
        for (const ScreenInfo& s : screens) {
            if (s.frame.contains(*p)) {
                screen = &s;
                break;
            }
        }
    }

    // Laid out in logical pixels, as its card is.
    const QFontMetrics metrics(systemFont(13, QFont::Medium));
    const Rect visible = DevicePixels::logicalFrame(screen->visibleFrame);
    const std::vector<Rect> windows = ourWindows();
    const auto heightFor = [&](double width) { return double(cardHeight(metrics, text, int(std::lround(width)))); };
    auto frame = clearFrame(visible, windows, heightFor);
    if (!frame && waitsForRoom) {
        // No place clear of our windows: the notice waits for one of them to go.
        pending_ = Pending{text, seconds, true};
        watchWindows(true);
        return;
    }
    if (!frame)
        frame = leastCovering(visible, windows, heightFor);
    text_ = text;
    visible_ = visible;
    shown_ = Pending{text, seconds, waitsForRoom};
    place(*frame);
    // Where one of our windows opens or moves under it later, it moves clear (or, a tip, waits).
    watchWindows(true);

    // The timer belongs to this notice: the next show cancels it, and so does destruction.
    dismissal_ = clock_.schedule(milliseconds(std::max(0.0, seconds) * 1000.0), [this] {
        dismissal_.reset();
        hide();
        watchWindows(false);
    });
}

} // namespace fw
