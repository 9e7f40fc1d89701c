// The badge and anchor panels as Qt windows, shaped to what they draw.
#include "stacks/qt/QtStackSurfaces.h"

#include "overlay/OverlayWindow.h"
#include "platform/PanelStacking.h"
#include "stacks/qt/StackBadgeView.h"
#include "stacks/qt/WindowStackAnchorView.h"
#include "stacks/qt/WindowStackPicker.h"

#include <QEvent>
#include <algorithm>
#include <cmath>

namespace fw {

namespace {

// Tells when a watched panel shows, hides, moves or changes size.
class PanelWatch final : public QObject {
public:
    explicit PanelWatch(std::function<void()> changed) : changed_(std::move(changed)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const auto type = event->type();
        if (type == QEvent::Show || type == QEvent::Hide || type == QEvent::Move || type == QEvent::Resize)
            changed_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> changed_;
};

} // namespace

BadgePanel::BadgePanel(Clock& clock, std::function<bool()> reduceMotion)
    : clock_(clock), reduceMotion_(std::move(reduceMotion)),
      window_(std::make_unique<OverlayWindow>(Rect(0, 0, 22, 22), false)), view_(new StackBadgeView(clock)),
      coverWatch_(std::make_unique<PanelWatch>([this] { recut(); }))
{
    window_->setLevel(1);
    window_->setTitle(QStringLiteral("Framewell stack badge"));
    window_->setContentView(view_);
}

BadgePanel::~BadgePanel()
{
    clock_.cancel(fade_);
    clock_.cancel(glide_);
}

void BadgePanel::configure(const Content& content, Actions actions)
{
    view_->actions = std::move(actions);
    view_->resetTitle = content.resetTitle;
    view_->resetAllTitle = content.resetAllTitle;
    view_->setVertical(content.vertical);
    view_->setStripMiddle(content.stripMiddle);
    view_->setMembers(content.members, content.expanded, content.group, content.groupTitle);
}

bool BadgePanel::isDragging() const { return view_->isDragging(); }
bool BadgePanel::expanded() const { return view_->expanded(); }
void BadgePanel::setExpanded(bool expanded, bool animated) { view_->setExpanded(expanded, animated && !reduceMotion_()); }
Rect BadgePanel::frame() const { return window_->frame(); }
bool BadgePanel::isVisible() const { return window_->isOrderedIn(); }
bool BadgePanel::ignoresMouse() const { return window_->ignoresMouseEvents(); }
bool BadgePanel::badgeShown() const { return window_->badgeShown; }

void BadgePanel::animate(TimerId& slot, double seconds, std::function<void(double)> step, std::function<void()> done)
{
    clock_.cancel(std::exchange(slot, 0));
    const Duration start = clock_.now();
    std::weak_ptr<int> alive = alive_;
    TimerId* at = &slot;
    auto tick = std::make_shared<std::function<void()>>();
    *tick = [this, alive, at, start, seconds, step, done, weak = std::weak_ptr(tick)] {
        if (alive.expired())
            return;
        const double t = std::min(toSeconds(clock_.now() - start) / seconds, 1.0);
        step(t);
        if (t >= 1) {
            *at = 0;
            if (done)
                done();
        } else if (auto again = weak.lock()) {
            *at = clock_.schedule(std::chrono::microseconds(16667), [again] { (*again)(); });
        }
    };
    slot = clock_.schedule(Duration::zero(), [tick] { (*tick)(); });
}

void BadgePanel::setFrame(const Rect& frame, bool animated)
{
    clock_.cancel(std::exchange(glide_, 0));
    if (!animated || reduceMotion_()) {
        window_->setFrame(frame);
        return;
    }
    const Rect from = window_->frame();
    animate(glide_, glide, [this, from, frame](double t) {
        const double e = t < 0.5 ? 4 * t * t * t : 1 - std::pow(-2 * t + 2, 3) / 2;   // ease in and out
        window_->setFrame(Rect(from.x() + (frame.x() - from.x()) * e, from.y() + (frame.y() - from.y()) * e,
                               frame.width(), frame.height()));
    }, {});
}

void BadgePanel::setBadgeShown(bool shown)
{
    const bool was = window_->badgeShown;
    window_->badgeShown = shown;
    const bool reduce = reduceMotion_();
    if (shown) {
        if (was && isVisible())
            return;
        if (!isVisible()) {
            window_->setWindowOpacity(reduce ? 1 : 0);
            window_->orderFrontRegardless();
            window_->setClickThrough(window_->ignoresMouseEvents());   // now that it has a native window
        }
        if (reduce) {
            window_->setWindowOpacity(1);
            return;
        }
        const double from = window_->windowOpacity();
        animate(fade_, fadeIn, [this, from](double t) {
            window_->setWindowOpacity(from + (1 - from) * (1 - (1 - t) * (1 - t)));
        }, {});
        return;
    }
    view_->setExpanded(false, false);
    setIgnoresMouse(true);
    if (!isVisible() || !was)
        return;
    if (reduce) {
        window_->orderOut();
        return;
    }
    const double from = window_->windowOpacity();
    animate(fade_, fadeOut, [this, from](double t) { window_->setWindowOpacity(from * (1 - t * t)); },
            [this] {
                if (!window_->badgeShown)
                    window_->orderOut();
            });
}

void BadgePanel::setIgnoresMouse(bool ignores)
{
    window_->setClickThrough(ignores);
}

void BadgePanel::raise()
{
    if (!isVisible())
        return;
    // Our panels above it that take clicks (a switcher) are managed windows, which the window
    // manager stacks among its own, under this unmanaged one: it goes just below them instead.
    // Some window managers (metacity) restack their own windows right after, over ours: the
    // badge also leaves out what those panels cover, as long as they show.
    PanelStacking* stacking = OverlayWindow::stacking();
    bool placed = false;
    for (OverlayWindow* p : OverlayWindow::allPanels()) {
        if (p == window_.get() || !p->isOrderedIn() || p->level() <= window_->level() || p->ignoresMouseEvents())
            continue;
        if (std::find(covers_.begin(), covers_.end(), p) == covers_.end()) {
            covers_.emplace_back(p);
            p->installEventFilter(coverWatch_.get());
        }
        if (!placed && stacking)
            placed = stacking->orderBelow(window_->winId(), p->winId());
    }
    recut();
    if (!placed)
        window_->orderFrontRegardless();
}

void BadgePanel::recut()
{
    QRegion covered;
    std::erase_if(covers_, [](const QPointer<OverlayWindow>& p) { return !p; });
    for (const auto& p : covers_) {
        if (p->isOrderedIn())
            covered += p->globalShape();
    }
    window_->setCutOut(covered);
}

QtAnchorPanel::QtAnchorPanel(const Rect& frame, const AnchorServices& services, std::function<bool()> reduceMotion)
    : window_(std::make_unique<OverlayWindow>(frame, false)), view_(new WindowStackAnchorView(services))
{
    window_->setLevel(1);
    window_->setTitle(QStringLiteral("Framewell stack anchor"));
    view_->reduceMotionSetting = std::move(reduceMotion);
    window_->setContentView(view_);
}

QtAnchorPanel::~QtAnchorPanel() = default;

WindowStackAnchor& QtAnchorPanel::anchor() { return view_->anchor(); }
Rect QtAnchorPanel::frame() const { return window_->frame(); }
void QtAnchorPanel::setFrame(const Rect& frame) { window_->setFrame(frame); }
// The anchor draws nothing and takes no clicks: its window is never mapped (without a
// compositor a mapped one would show as an opaque square on the title bar). It only holds
// the place the switcher is shown from.
bool QtAnchorPanel::isVisible() const { return shown_; }
void QtAnchorPanel::orderFrontRegardless() { shown_ = true; }
void QtAnchorPanel::orderOut() { shown_ = false; }

QtStackSurfaces::QtStackSurfaces(const AnchorServices& services, std::function<bool()> reduceMotion)
    : services_(services), reduceMotion_(std::move(reduceMotion)), looks_(services.clock)
{
    services_.looks = &looks_;
}

std::unique_ptr<BadgeSurface> QtStackSurfaces::makeBadge()
{
    return std::make_unique<BadgePanel>(services_.clock, [this] { return reduceMotion(); });
}

std::unique_ptr<AnchorPanel> QtStackSurfaces::makeAnchorPanel(const Rect& frame)
{
    return std::make_unique<QtAnchorPanel>(frame, services_, [this] { return reduceMotion(); });
}

} // namespace fw
