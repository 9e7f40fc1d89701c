// One stack's anchor: its switcher in a popover or a key panel, and the peeks under it.
#include "stacks/WindowStackAnchor.h"

#include <algorithm>

namespace fw {

namespace {

// The screen that bounds a panel around `r`: the first screen whose frame meets it (or
// contains its centre, for an empty rectangle); none when no screen does.
const ScreenInfo* boundingScreen(const Rect& r, const std::vector<ScreenInfo>& screens)
{
    for (const ScreenInfo& s : screens) {
        if (s.frame.intersects(r) || s.frame.contains(Point{r.midX(), r.midY()}))
            return &s;
    }
    return nullptr;
}

// x kept `inset` inside the area, the right edge winning when it does not fit.
double clampX(double x, double w, const Rect& area, double inset)
{
    return std::min(std::max(x, area.minX() + inset), area.maxX() - w - inset);
}

// y kept `inset` inside the area, the top edge winning when it does not fit.
double clampY(double y, double h, const Rect& area, double inset)
{
    return std::max(std::min(y, area.maxY() - h - inset), area.minY() + inset);
}

} // namespace

WindowStackAnchor::WindowStackAnchor(const AnchorServices& services, SwitcherPresenter& presenter)
    : clock_(services.clock), capture_(services.capture), permissions_(services.permissions),
      screens_(services.screens), scroll_(services.scroll), presenter_(presenter), tasks_(services.clock)
{
    auto weak = self_.weak();
    presenter_.popoverDidClose = [weak] {
        if (auto a = weak.lock())
            a->popoverDidClose();
    };
    presenter_.keyPanelDidResignKey = [weak] {
        if (auto a = weak.lock())
            a->windowDidResignKey();
    };
}

WindowStackAnchor::~WindowStackAnchor()
{
    self_.cut();
    // Scrolling goes back to the applications even when the anchor goes with its switcher up.
    if (switcherShown())
        scroll_.stop();
    clock_.cancel(peekWork_);
    clock_.cancel(rekeyWork_);
    presenter_.popoverDidClose = nullptr;
    presenter_.keyPanelDidResignKey = nullptr;
}

void WindowStackAnchor::update(std::vector<ManagedWindow> members, std::optional<ManagedWindow> front)
{
    members_ = std::move(members);
    front_ = std::move(front);
    if (presenter_.hasPicker())
        presenter_.markCurrent(front_);
}

void WindowStackAnchor::makePicker(bool previewsAllowed)
{
    auto weak = self_.weak();
    PickerContent content;
    content.members = members_;
    content.front = front_;
    content.thumbnails = thumbnails_;
    content.previewsAllowed = previewsAllowed;
    content.sections = sections;
    if (sendToBack) {
        content.sendToBack = [weak] {
            auto a = weak.lock();
            if (!a)
                return;
            a->endPeek(true, [weak] {
                auto b = weak.lock();
                if (b && b->sendToBack)
                    b->sendToBack();
            });
            a->teardown();
        };
    }
    if (layoutInfo) {
        const LayoutOffer offer = layoutInfo();
        content.layouts = offer.names;
        content.activeLayout = offer.active;
    }
    if (chooseLayout) {
        content.chooseLayout = [weak](int index) {
            auto a = weak.lock();
            if (!a)
                return;
            auto apply = a->chooseLayout;
            a->teardown();
            if (apply)
                apply(index);
        };
    }
    content.choose = [weak](const ManagedWindow& window) {
        auto a = weak.lock();
        if (!a)
            return;
        if (a->choose)
            a->choose(window);
        a->teardown();
    };
    content.enablePreviews = [weak] {
        if (auto a = weak.lock())
            a->enablePreviews();
    };

    PickerSlots actions;
    actions.close = [weak] {
        if (auto a = weak.lock())
            a->teardown();
    };
    actions.peek = [weak](const std::vector<ManagedWindow>& windows) {
        if (auto a = weak.lock())
            a->schedulePeek(windows);
    };
    actions.stretch = [weak](const ManagedWindow& window) {
        auto a = weak.lock();
        if (a && a->stretch)
            a->stretch(window);
    };
    actions.cycle = [weak](int direction) {
        auto a = weak.lock();
        if (!a)
            return;
        a->endPeek(true);
        if (!a->cycle)
            return;
        if (auto next = a->cycle(direction))
            a->update(a->members_, *next);
    };
    presenter_.makePicker(std::move(content), std::move(actions));
}

void WindowStackAnchor::enablePreviews()
{
    teardown();
    // Asking again is all the platform offers; when previews are still not allowed, the
    // settings pane follows (where the desktop has one).
    if (!permissions_.windowPreviewsGranted())
        permissions_.openSettings(previewsPane);
}

void WindowStackAnchor::showPopover()
{
    if (presenter_.popoverShown())
        return;
    makePicker(permissions_.windowPreviewsGranted());
    const Rect frame = popoverFrame(presenter_.anchorFrame(), presenter_.pickerSize(), screens_.screens());
    presenter_.showPopover(frame, !presenter_.reduceMotion());
    startThumbnailCapture();
    startScrollStepping();
}

void WindowStackAnchor::showKeyPanel(const Rect& near)
{
    if (presenter_.hasKeyPanel() || presenter_.popoverShown())
        return;
    makePicker(permissions_.windowPreviewsGranted());
    ++keyPanelSerial_;
    presenter_.showKeyPanel(keyPanelFrame(near, presenter_.pickerSize(), screens_.screens()));
    startThumbnailCapture();
    startScrollStepping();
}

Rect WindowStackAnchor::keyPanelFrame(const Rect& near, const Size& picker, const std::vector<ScreenInfo>& screens)
{
    const ScreenInfo* screen = boundingScreen(near, screens);
    const Rect area = screen ? screen->visibleFrame : near;
    const double w = picker.width, h = picker.height, inset = panelInset * (screen ? screen->scale : 1.0);
    return Rect(clampX(near.midX() - w / 2, w, area, inset), clampY(near.midY() - h / 2, h, area, inset), w, h);
}

Rect WindowStackAnchor::popoverFrame(const Rect& anchor, const Size& picker, const std::vector<ScreenInfo>& screens)
{
    // The gap to the anchor and the margins are logical pixels, at the screen's scale.
    const ScreenInfo* screen = boundingScreen(anchor, screens);
    const double w = picker.width, h = picker.height, scale = screen ? screen->scale : 1.0;
    const double gap = 4 * scale, inset = panelInset * scale;
    Rect frame(anchor.midX() - w / 2, anchor.maxY() + gap, w, h);
    if (!screen)
        return frame;
    const Rect& area = screen->visibleFrame;
    // Below the anchor when it fits there, else above it when that fits, else kept inside.
    if (frame.maxY() > area.maxY() - inset && anchor.minY() - gap - h >= area.minY() + inset)
        frame.origin.y = anchor.minY() - gap - h;
    frame.origin.x = clampX(frame.minX(), w, area, inset);
    frame.origin.y = clampY(frame.minY(), h, area, inset);
    return frame;
}

std::optional<Rect> WindowStackAnchor::pickerFrame() const
{
    if (!presenter_.popoverShown())
        return std::nullopt;
    return presenter_.popoverFrame();
}

std::vector<ManagedWindow> WindowStackAnchor::captureOrder(const std::vector<ManagedWindow>& members,
                                                           const std::optional<ManagedWindow>& front)
{
    if (!front)
        return members;
    std::vector<ManagedWindow> out{*front};
    for (const ManagedWindow& m : members) {
        if (!(m == *front))
            out.push_back(m);
    }
    return out;
}

void WindowStackAnchor::startThumbnailCapture()
{
    // A capture still running for an earlier presentation ends here: its images would belong
    // to a picker that is no longer shown.
    stopThumbnailCapture();
    const std::uint64_t serial = ++captureSerial_;
    auto weak = self_.weak();
    ThumbnailDelivery deliver = [weak, serial](const ManagedWindow& window, Thumbnail image) {
        if (auto a = weak.lock())
            a->receiveThumbnail(image, window, serial);
    };
    captureTask_ = tasks_.spawn(capture_.captureWindowThumbnails(captureOrder(members_, front_), thumbnailSide,
                                                                 std::move(deliver)));
}

void WindowStackAnchor::stopThumbnailCapture()
{
    if (captureTask_)
        tasks_.cancel(*captureTask_);
    captureTask_.reset();
    ++captureSerial_;
}

bool WindowStackAnchor::capturing() const { return captureTask_ && tasks_.running(*captureTask_); }

void WindowStackAnchor::receiveThumbnail(const Thumbnail& image, const ManagedWindow& window, std::uint64_t capture)
{
    if (!switcherShown() || capture != captureSerial_ || !image)
        return;
    thumbnails_[window] = image;
    if (presenter_.hasPicker())
        presenter_.setThumbnail(image, window);
}

void WindowStackAnchor::startScrollStepping()
{
    auto weak = self_.weak();
    scroll_.start([weak](int direction) {
        if (auto a = weak.lock())
            a->step(direction);
    });
}

void WindowStackAnchor::step(int direction)
{
    if (!switcherShown())
        return;
    steppingUntil_ = uptime() + steppingGrace;
    endPeek(true);
    if (cycle) {
        if (auto next = cycle(direction))
            update(members_, *next);
    }
    if (!presenter_.hasKeyPanel())
        return;
    // Cycling activates the new front's application, which takes the keyboard from the panel.
    clock_.cancel(rekeyWork_);
    const std::uint64_t panel = keyPanelSerial_;
    auto weak = self_.weak();
    rekeyWork_ = clock_.schedule(rekeyDelay, [weak, panel] {
        auto a = weak.lock();
        if (!a)
            return;
        a->rekeyWork_ = 0;
        if (a->keyPanelSerial_ == panel && a->presenter_.hasKeyPanel())
            a->presenter_.makeKeyPanelKey();
    });
}

void WindowStackAnchor::windowDidResignKey()
{
    if (uptime() > steppingUntil_)
        teardown();
}

void WindowStackAnchor::schedulePeek(std::vector<ManagedWindow> windows)
{
    clock_.cancel(peekWork_);
    const Duration delay = windows.empty() ? peekLeaveDelay : peekDelay;
    auto weak = self_.weak();
    peekWork_ = clock_.schedule(delay, [weak, windows = std::move(windows)] {
        auto a = weak.lock();
        if (!a)
            return;
        a->peekWork_ = 0;
        a->peek(windows);
    });
}

void WindowStackAnchor::peek(const std::vector<ManagedWindow>& windows)
{
    if (!switcherShown())
        return;
    if (windows.empty()) {
        endPeek(true);
        return;
    }
    if (!peekOrigin_) {
        peekOrigin_ = front_;
        if (currentFronts)
            peekRestore_ = currentFronts();
        else
            peekRestore_ = front_ ? std::vector<ManagedWindow>{*front_} : std::vector<ManagedWindow>{};
    }
    if (windows == peeked_)
        return;
    if (peekOrigin_ && windows == std::vector<ManagedWindow>{*peekOrigin_}) {
        // Back on the window that was in front: nothing is left to restore.
        if (!peeked_.empty()) {
            peeked_.clear();
            if (peekWindow)
                peekWindow(*peekOrigin_);
        }
        return;
    }
    peeked_ = windows;
    for (const ManagedWindow& w : windows) {
        if (peekWindow)
            peekWindow(w);
    }
}

void WindowStackAnchor::endPeek(bool restoring, std::function<void()> then)
{
    clock_.cancel(peekWork_);
    peekWork_ = 0;
    std::vector<ManagedWindow> list;
    if (restoring && !peeked_.empty()) {
        if (!peekRestore_.empty())
            list = peekRestore_;
        else if (peekOrigin_)
            list = {*peekOrigin_};
    }
    peeked_.clear();
    peekOrigin_.reset();
    peekRestore_.clear();
    if (list.empty()) {
        if (then)
            then();
        return;
    }
    tasks_.spawn(restore(std::move(list), std::move(then)));
}

Task<void> WindowStackAnchor::restore(std::vector<ManagedWindow> windows, std::function<void()> then)
{
    for (const ManagedWindow& w : windows) {
        if (peekWindow)
            peekWindow(w);
        const bool slept = co_await clock_.sleep(restorePause);
        (void)slept;   // the follow-up runs even when a sleep is cut short
    }
    const bool settled = co_await clock_.sleep(restoreSettle);
    (void)settled;
    if (then)
        then();
}

void WindowStackAnchor::teardown()
{
    endPeek(true);
    scroll_.stop();
    stopThumbnailCapture();
    presenter_.closePopover();
    if (presenter_.hasKeyPanel())
        presenter_.closeKeyPanel();
    didDismiss();
}

void WindowStackAnchor::didDismiss()
{
    endPeek(true);
    scroll_.stop();
    stopThumbnailCapture();
    thumbnails_.clear();
    presenter_.clearPopoverContent();
    if (onDismiss)
        onDismiss();
}

} // namespace fw
