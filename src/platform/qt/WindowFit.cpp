// Keeps our top-level windows within the work area of their screen, frame included: sizes them
// to the room it leaves (a fixed-size window's content fitted by WindowContentFit), centres the
// first placement, keeps where the user left it, and refits once the window manager has framed
// the window.
#include "platform/qt/WindowFit.h"

#include "platform/Screens.h"
#include "platform/WindowSystem.h"
#include "platform/qt/DevicePixels.h"
#include "platform/qt/WindowContentFit.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace fw::WindowFit {

namespace {

const char* const fitterName = "windowFit";

struct Ports {
    WindowSystem* windows = nullptr;
    const Screens* screens = nullptr;
};

Ports& ports()
{
    static Ports set;
    return set;
}

WindowSystem* port() { return ports().windows; }

// The whole logical pixels inside a rectangle of device pixels.
QRect logicalInside(const Rect& device)
{
    const QRectF r = DevicePixels::toLogical(device);
    const QPoint topLeft(int(std::ceil(r.left() - 0.01)), int(std::ceil(r.top() - 0.01)));
    const QPoint end(int(std::floor(r.right() + 0.01)), int(std::floor(r.bottom() + 0.01)));
    return QRect(topLeft, QSize(end.x() - topLeft.x(), end.y() - topLeft.y()));
}

// The screen's work area: its visible frame as the screens port reads it from the panels'
// struts (a window manager that reserves no room for panels, as evilwm, publishes the whole
// screen), else the one Qt has from the window manager.
QRect workAreaOf(const QScreen& screen)
{
    if (const Screens* screens = ports().screens) {
        // The display under the screen's middle (its device size is only about right).
        const Rect device = DevicePixels::deviceGeometry(screen);
        const Point middle{device.midX(), device.midY()};
        for (const ScreenInfo& info : screens->screens())
            if (info.frame.contains(middle) && !info.visibleFrame.isEmpty())
                return logicalInside(info.visibleFrame);
    }
    return screen.availableGeometry();
}

// The last frame a window manager drew around one of our windows, in device pixels; until one
// is seen, a title bar and thin borders as most themes draw them.
QMargins& lastFrame()
{
    static QMargins frame(2, 32, 2, 2);
    return frame;
}

// The window manager's frame around a shown window in logical pixels; none before it is framed.
QMargins knownFrame(const QWidget& w)
{
    if (!w.isVisible())
        return {};
    const QRect f = w.frameGeometry(), g = w.geometry();
    const QMargins m(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom());
    if (m.left() < 0 || m.top() < 0 || m.right() < 0 || m.bottom() < 0)
        return {};
    return m;
}

int logical(int device, double ratio) { return int(std::ceil(device / ratio)); }

class Fitter final : public QObject {
public:
    explicit Fitter(QWidget* window) : QObject(window), window_(window), content_(window)
    {
        setObjectName(QLatin1String(fitterName));
        fixed_ = window->minimumSize() == window->maximumSize();
        window->installEventFilter(this);
    }

    void fit(QScreen* screen, QWidget* shrinkable, int footer, const std::optional<QRect>& workArea = std::nullopt)
    {
        workArea_ = workArea;
        content_.setFooter(footer);
        content_.setShrinkable(shrinkable);
        if (!screen)
            screen = window_->isVisible() ? window_->screen() : pointerScreen();
        if (screen && screen != screen_) {
            centre_ = true;
            screen_ = screen;
            if (!window_->isVisible())
                window_->setScreen(screen);
        }
        apply();
    }

    QWidget* content() const { return content_.content(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The window manager's answer to a size we asked through Qt: the frame can now be
        // placed from what the server shows.
        if (watched == handle_ && event->type() == QEvent::Resize && sizing_) {
            sizing_ = false;
            refitLater();
            return false;
        }
        // Shown again and exposed: framed and placed by the window manager, which may send no
        // other notice of it (metacity placing it itself).
        if (watched == handle_ && event->type() == QEvent::Expose && reopening_ && window_->isVisible() && !sizing_) {
            refitLater();
            return false;
        }
        if (watched != window_)
            return false;
        const auto type = event->type();
        if (type == QEvent::Resize)
            content_.placeParts();
        // Shown again, the window is framed anew: the frame Qt still has is from the last time,
        // and the window manager may not have placed the new one yet. A window manager that
        // frames the window without moving it sends no move: the first paint after mapping
        // tells that it is framed.
        if (type == QEvent::Show)
            used_ = QMargins();
        // Where the user leaves the placed window, for its next opening.
        if (type == QEvent::Move && window_->isVisible() && !reopening_ && !centre_ && !moving_)
            left_ = corner();
        const bool told = type == QEvent::Move || type == QEvent::Resize || (type == QEvent::Paint && used_.isNull());
        if (told && !moving_ && !sizing_) {
            const QMargins frame = knownFrame(*window_);
            if (!frame.isNull() && frame != used_)
                refitLater();
        }
        return false;
    }

private:
    // Fits again after the window manager's own handling of the change in hand.
    void refitLater()
    {
        if (pending_)
            return;
        pending_ = true;
        QMetaObject::invokeMethod(this, [this] {
            pending_ = false;
            apply();
        }, Qt::QueuedConnection);
    }

    // Hears the window manager's answers to the sizes asked for the shown window.
    void watchHandle()
    {
        QWindow* handle = window_->isVisible() ? window_->windowHandle() : nullptr;
        if (!handle || handle == handle_)
            return;
        handle->installEventFilter(this);
        handle_ = handle;
    }

    // Where the frame's corner stands, in device pixels as the window port reads it from the
    // server once the window is shown (Qt hears of no move under a window manager that sends
    // no notice of one, as pekwm); nothing without the port.
    std::optional<Point> deviceCorner() const
    {
        WindowSystem* ws = port();
        const auto frame = ws && window_->isVisible() ? ws->frame(WindowId(window_->winId())) : std::nullopt;
        return frame ? std::optional(Point{frame->x(), frame->y()}) : std::nullopt;
    }

    // The same in logical pixels, a part of a pixel out counted whole; as Qt has it without the port.
    QPoint corner() const
    {
        if (const auto device = deviceCorner()) {
            const QPointF at = DevicePixels::toLogical(*device);
            return QPoint(int(std::floor(at.x())), int(std::floor(at.y())));
        }
        return window_->frameGeometry().topLeft();
    }

    bool standsAt(const QPoint& at) const
    {
        if (const auto device = deviceCorner())
            return *device == DevicePixels::toDevice(QPointF(at));
        return at == window_->frameGeometry().topLeft();
    }

    // Moves the frame's corner to `at`: through the window port once the window is shown and
    // the port sees it (it reads back where the window manager put the frame and asks once more
    // where one misread the request, as pekwm and evilwm do), else by Qt's request.
    void moveTo(const QPoint& at)
    {
        if (deviceCorner() && port()->setPosition(WindowId(window_->winId()), DevicePixels::toDevice(QPointF(at))))
            return;
        moving_ = true;
        window_->move(at);
        moving_ = false;
    }

    QMargins frame()
    {
        const QMargins known = knownFrame(*window_);
        const double ratio = window_->devicePixelRatioF();
        if (!known.isNull()) {
            lastFrame() = QMargins(int(std::lround(known.left() * ratio)), int(std::lround(known.top() * ratio)),
                                   int(std::lround(known.right() * ratio)), int(std::lround(known.bottom() * ratio)));
            return known;
        }
        const QMargins d = lastFrame();
        const double r = screen_ ? screen_->devicePixelRatio() : ratio;
        return QMargins(logical(d.left(), r), logical(d.top(), r), logical(d.right(), r), logical(d.bottom(), r));
    }

    void apply()
    {
        QScreen* screen = screen_ ? screen_.data() : window_->screen();
        if (!screen)
            return;
        const QRect work = workArea_ ? *workArea_ : workAreaOf(*screen);
        const QMargins m = frame();
        used_ = knownFrame(*window_);
        // At a fractional scale the frame and the work area are rounded to logical pixels either
        // way: leave room for the pixel or two that rounding can add in device pixels.
        const double ratio = screen->devicePixelRatio();
        const int rounding = ratio == std::floor(ratio) ? 0 : 2;
        const QSize room(work.width() - m.left() - m.right() - rounding, work.height() - m.top() - m.bottom() - rounding);
        // A shown window given a new size through Qt has that request on its way to the window
        // manager: the window port, which writes the size the server shows along with the
        // position, would undo it. The frame is placed once the window manager has answered.
        const QSize before = window_->size();
        watchHandle();
        sizing_ = window_->isVisible() && handle_ && deviceCorner();
        if (fixed_) {
            const QSize size = content_.fit(room);
            if (size != window_->size() || window_->minimumSize() != window_->maximumSize())
                window_->setFixedSize(size);
            content_.placeParts();
        } else if (const QSize size = window_->size().boundedTo(room); size != window_->size()) {
            window_->resize(size);
        }
        sizing_ = sizing_ && window_->size() != before;
        if (sizing_)
            return;
        const QSize outer = window_->size().grownBy(m);
        // A dialog centres over the window it belongs to, any other window on the work area.
        const QWidget* owner = window_->parentWidget() ? window_->parentWidget()->window() : nullptr;
        const QRect over = owner && owner->isVisible() ? owner->frameGeometry() : work;
        // Opened again, where it was left: Qt's frame of a hidden window has lost the window
        // manager's part, and a frame just shown may stand where the window manager holds it
        // before placing it.
        if (!window_->isVisible())
            reopening_ = left_.has_value();
        QPoint at = centre_ ? over.topLeft() + QPoint((over.width() - outer.width()) / 2, (over.height() - outer.height()) / 2)
                            : reopening_ ? *left_ : corner();
        at.setX(std::clamp(at.x(), work.left(), std::max(work.left(), work.left() + work.width() - outer.width())));
        at.setY(std::clamp(at.y(), work.top(), std::max(work.top(), work.top() + work.height() - outer.height())));
        if (!window_->isVisible() || !standsAt(at))
            moveTo(at);
        // Centred again only when the true frame replaces the guess, or on another screen.
        if (window_->isVisible() && !used_.isNull()) {
            centre_ = false;
            reopening_ = false;
            left_ = at;
        }
    }

    QWidget* window_;
    WindowContentFit content_;
    QPointer<QScreen> screen_;
    std::optional<QRect> workArea_;   // a display's visible frame, else the screen's work area
    QMargins used_;
    bool fixed_ = false;
    bool centre_ = true;
    std::optional<QPoint> left_;   // the frame's corner when last placed or moved while shown
    bool reopening_ = false;       // shown again and not yet placed there
    bool pending_ = false;
    bool moving_ = false;   // while our own move runs: Qt's notice of it is no news
    bool sizing_ = false;   // a size asked through Qt awaits the window manager's answer
    QPointer<QWindow> handle_;   // the window's native window, where that answer arrives
};

Fitter* fitterOf(const QWidget* window)
{
    return window ? window->findChild<Fitter*>(QLatin1String(fitterName), Qt::FindDirectChildrenOnly) : nullptr;
}

} // namespace

void setPorts(WindowSystem* windows, const Screens* screens) { ports() = Ports{windows, screens}; }

void fitToWorkArea(QWidget* window, QScreen* screen, QWidget* shrinkable, int footer)
{
    if (!window || !qGuiApp)
        return;
    Fitter* fitter = fitterOf(window);
    if (!fitter)
        fitter = new Fitter(window);
    fitter->fit(screen, shrinkable, footer);
}

void fitToWorkArea(QWidget* window, const std::optional<Rect>& visibleFrame, QWidget* shrinkable, int footer)
{
    if (!visibleFrame || !qGuiApp) {
        fitToWorkArea(window, nullptr, shrinkable, footer);
        return;
    }
    if (!window)
        return;
    Fitter* fitter = fitterOf(window);
    if (!fitter)
        fitter = new Fitter(window);
    fitter->fit(screenOf(*visibleFrame), shrinkable, footer, logicalInside(*visibleFrame));
}

QWidget* content(QWidget* window)
{
    const Fitter* fitter = fitterOf(window);
    return fitter ? fitter->content() : window;
}

QScreen* screenOf(const Rect& device)
{
    if (!qGuiApp)
        return nullptr;
    const QPointF centre = DevicePixels::toLogical(Point{device.midX(), device.midY()});
    if (QScreen* s = QGuiApplication::screenAt(centre.toPoint()))
        return s;
    return pointerScreen();
}

QScreen* pointerScreen()
{
    if (!qGuiApp)
        return nullptr;
    if (QScreen* s = QGuiApplication::screenAt(QCursor::pos()))
        return s;
    return QGuiApplication::primaryScreen();
}

} // namespace fw::WindowFit
