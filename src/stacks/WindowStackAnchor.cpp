// One stack's anchor: its switcher in a popover or a key panel, the thumbnails and scroll
// steps while it is up, and its tear-down (the peeks are in WindowStackAnchorPeek.cpp).
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
    : services_(services), presenter_(presenter), peek_(services.clock), keyPanel_(services.clock),
      tasks_(services.clock)
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
        services_.scroll.stop();
    peek_.cancelPending();
    keyPanel_.cancelRekey();
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
    content.thumbnails = thumbnails_.images;
    content.previewsAllowed = previewsAllowed;
    content.sections = sections;
    if (actions.sendToBack) {
        content.sendToBack = [weak] {
            auto a = weak.lock();
            if (!a)
                return;
            // The switcher may go with its anchor before the look is put back: the move is
            // held by value.
            a->endPeek(true, [send = a->actions.sendToBack] {
                if (send)
                    send();
            });
            a->teardown();
        };
    }
    if (actions.layoutInfo) {
        const LayoutOffer offer = actions.layoutInfo();
        content.layouts = offer.names;
        content.activeLayout = offer.active;
    }
    if (actions.chooseLayout) {
        content.chooseLayout = [weak](int index) {
            auto a = weak.lock();
            if (!a)
                return;
            auto apply = a->actions.chooseLayout;
            a->teardown();
            if (apply)
                apply(index);
        };
    }
    content.choose = [weak](const ManagedWindow& window) {
        auto a = weak.lock();
        if (!a)
            return;
        if (a->actions.choose)
            a->actions.choose(window);
        a->teardown();
    };
    content.enablePreviews = [weak] {
        if (auto a = weak.lock())
            a->enablePreviews();
    };

    PickerSlots picker;
    picker.close = [weak] {
        if (auto a = weak.lock())
            a->teardown();
    };
    picker.peek = [weak](const std::vector<ManagedWindow>& windows) {
        if (auto a = weak.lock())
            a->schedulePeek(windows);
    };
    picker.stretch = [weak](const ManagedWindow& window) {
        auto a = weak.lock();
        if (a && a->actions.stretch)
            a->actions.stretch(window);
    };
    picker.cycle = [weak](int direction) {
        auto a = weak.lock();
        if (!a)
            return;
        a->endPeek(true);
        if (!a->actions.cycle)
            return;
        if (auto next = a->actions.cycle(direction))
            a->update(a->members_, *next);
    };
    presenter_.makePicker(std::move(content), std::move(picker));
}

void WindowStackAnchor::enablePreviews()
{
    teardown();
    // Asking again is all the platform offers; when previews are still not allowed, the
    // settings pane follows (where the desktop has one).
    if (!services_.permissions.windowPreviewsGranted())
        services_.permissions.openSettings(previewsPane);
}

void WindowStackAnchor::showPopover()
{
    if (presenter_.popoverShown())
        return;
    makePicker(services_.permissions.windowPreviewsGranted());
    const Rect frame = popoverFrame(presenter_.anchorFrame(), presenter_.pickerSize(), services_.screens.screens());
    presenter_.showPopover(frame, !presenter_.reduceMotion());
    startThumbnailCapture();
    startScrollStepping();
}

void WindowStackAnchor::showKeyPanel(const Rect& near)
{
    if (presenter_.hasKeyPanel() || presenter_.popoverShown())
        return;
    makePicker(services_.permissions.windowPreviewsGranted());
    ++keyPanel_.serial;
    presenter_.showKeyPanel(keyPanelFrame(near, presenter_.pickerSize(), services_.screens.screens()));
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
    thumbnails_.stop(tasks_);
    const std::uint64_t serial = thumbnails_.serial;
    auto weak = self_.weak();
    ThumbnailDelivery deliver = [weak, serial](const ManagedWindow& window, Thumbnail image) {
        if (auto a = weak.lock())
            a->receiveThumbnail(image, window, serial);
    };
    thumbnails_.task = tasks_.spawn(services_.capture.captureWindowThumbnails(captureOrder(members_, front_),
                                                                              AnchorThumbnails::side, std::move(deliver)));
}

void WindowStackAnchor::receiveThumbnail(const Thumbnail& image, const ManagedWindow& window, std::uint64_t capture)
{
    if (!switcherShown() || capture != thumbnails_.serial || !image)
        return;
    thumbnails_.images[window] = image;
    if (presenter_.hasPicker())
        presenter_.setThumbnail(image, window);
}

void WindowStackAnchor::startScrollStepping()
{
    auto weak = self_.weak();
    services_.scroll.start([weak](int direction) {
        if (auto a = weak.lock())
            a->step(direction);
    });
}

void WindowStackAnchor::step(int direction)
{
    if (!switcherShown())
        return;
    keyPanel_.steppingUntil = uptime() + AnchorKeyPanel::steppingGrace;
    endPeek(true);
    if (actions.cycle) {
        if (auto next = actions.cycle(direction))
            update(members_, *next);
    }
    holdKeyboard();
}

void WindowStackAnchor::holdKeyboard()
{
    keyPanel_.steppingUntil = uptime() + AnchorKeyPanel::steppingGrace;
    if (!presenter_.hasKeyPanel())
        return;
    keyPanel_.cancelRekey();
    const std::uint64_t panel = keyPanel_.serial;
    auto weak = self_.weak();
    keyPanel_.rekey = services_.clock.schedule(AnchorKeyPanel::rekeyDelay, [weak, panel] {
        auto a = weak.lock();
        if (!a)
            return;
        a->keyPanel_.rekey = 0;
        if (a->keyPanel_.serial == panel && a->presenter_.hasKeyPanel())
            a->presenter_.makeKeyPanelKey();
    });
}

void WindowStackAnchor::windowDidResignKey()
{
    if (uptime() > keyPanel_.steppingUntil)
        teardown();
}

void WindowStackAnchor::teardown()
{
    endPeek(true);
    services_.scroll.stop();
    thumbnails_.stop(tasks_);
    presenter_.closePopover();
    if (presenter_.hasKeyPanel())
        presenter_.closeKeyPanel();
    didDismiss();
}

void WindowStackAnchor::didDismiss()
{
    endPeek(true);
    services_.scroll.stop();
    thumbnails_.stop(tasks_);
    thumbnails_.images.clear();
    presenter_.clearPopoverContent();
    if (actions.onDismiss)
        actions.onDismiss();
}

} // namespace fw
