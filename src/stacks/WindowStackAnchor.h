#pragma once
// The anchor of one window stack: it presents that stack's switcher, either in a popover under
// the anchor (when the pointer rests on the stack) or in a key panel (when the user asks for
// the switcher by shortcut or menu). While the switcher is up it captures the members'
// thumbnails (the front window first), turns scroll-wheel steps into cycling through the
// stack, raises a window for a look while the pointer rests on its card (and puts back the
// stacking from before afterwards), and tears everything down when the switcher closes. The
// presenter fills the action slots; an empty slot makes its step do nothing. Deciding
// code: the widgets are behind SwitcherPresenter. Main thread only.
//
//   WindowStackAnchor anchor({clock, capture, permissions, screens, scroll}, presenter);
//   anchor.actions.choose = [&](const ManagedWindow& w) { ... };
//   anchor.update(members, front);
//   anchor.showPopover();

#include "base/Clock.h"
#include "base/TaskScope.h"
#include "platform/Permissions.h"
#include "platform/Screens.h"
#include "snap/ThumbnailCapture.h"
#include "stacks/AnchorKeyPanel.h"
#include "stacks/AnchorPeek.h"
#include "stacks/AnchorThumbnails.h"
#include "stacks/StackModel.h"
#include "stacks/SwitcherPresenter.h"

#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

namespace fw {

// The one scroll-wheel capture of the program, as the anchors use it.
class ScrollSteps {
public:
    virtual ~ScrollSteps() = default;
    // Takes scrolling from the applications and hands each step (+1 or -1) to the closure.
    virtual void start(std::function<void(int)> step) = 0;
    virtual void stop() = 0;
};

class NoScrollSteps final : public ScrollSteps {
public:
    void start(std::function<void(int)>) override {}
    void stop() override {}
};

// What the anchors work with; each must outlive them.
struct AnchorServices {
    Clock& clock;
    ThumbnailCapture& capture;
    Permissions& permissions;
    Screens& screens;
    ScrollSteps& scroll;
    // The scope a look's restoration runs in: one that outlives the anchors, as a switcher may
    // go with its anchor at once (the surfaces making them set it). None: the anchor's own.
    TaskScope* looks = nullptr;
};

// The action slots the presenter fills; an empty slot makes its step do nothing.
struct AnchorActions {
    std::function<void(const ManagedWindow&)> choose;   // bring the member forward
    std::function<void()> onDismiss;                    // after every tear-down
    std::function<std::optional<ManagedWindow>(int)> cycle;   // next (+1) / previous (-1); the new front
    std::function<void()> sendToBack;                   // only for stacks with windows underneath
    std::function<LayoutOffer()> layoutInfo;
    std::function<void(int)> chooseLayout;
    std::function<void(const ManagedWindow&)> stretch;  // only for stacks with sections
    std::function<void(const ManagedWindow&)> peekWindow;
    std::function<PeekScene()> stacking;                // read when a look begins
};

class WindowStackAnchor {
public:
    static constexpr double panelInset = 8;
    // The settings pane offered when window previews are still not allowed.
    static inline const QString previewsPane = QStringLiteral("screenRecording");

    WindowStackAnchor(const AnchorServices& services, SwitcherPresenter& presenter);
    ~WindowStackAnchor();
    WindowStackAnchor(const WindowStackAnchor&) = delete;
    WindowStackAnchor& operator=(const WindowStackAnchor&) = delete;

    // ---- Filled by the presenter
    AnchorActions actions;
    std::vector<WindowStackSection> sections;

    // ---- Called by the presenter
    // The stack's members in display order and the one in front; an open switcher marks it.
    void update(std::vector<ManagedWindow> members, std::optional<ManagedWindow> front);
    // The switcher in the popover; nothing while the popover is shown.
    void showPopover();
    // The switcher in a key panel centred on the rectangle (global top-left, device pixels),
    // kept 8 logical pixels inside the visible frame of the first screen it meets; nothing
    // while a key panel exists or the popover is shown.
    void showKeyPanel(const Rect& near);
    // The popover's frame while it is shown (never the key panel's).
    std::optional<Rect> pickerFrame() const;
    // Ends any peek; with `restore`, puts back the stacking the look began with (raising one
    // window every 40 ms, also when the anchor goes meanwhile) before `then` runs; without
    // anything to restore `then` runs at once.
    void endPeek(bool restore, std::function<void()> then = {});
    // Closes whatever presentation is up, then didDismiss().
    void teardown();
    // The common clean-up; safe to run twice.
    void didDismiss();

    // ---- Reported by the presentation
    void popoverDidClose() { didDismiss(); }
    void windowDidResignKey();

    // ---- State
    bool popoverShown() const { return presenter_.popoverShown(); }
    bool hasKeyPanel() const { return presenter_.hasKeyPanel(); }
    bool switcherShown() const { return popoverShown() || hasKeyPanel(); }
    const std::vector<ManagedWindow>& members() const { return members_; }
    const std::optional<ManagedWindow>& front() const { return front_; }
    const std::vector<ManagedWindow>& peeked() const { return peek_.peeked; }
    const std::optional<ManagedWindow>& peekOrigin() const { return peek_.origin; }
    const std::unordered_map<ManagedWindow, Thumbnail>& thumbnails() const { return thumbnails_.images; }
    bool capturing() const { return thumbnails_.capturing(tasks_); }
    double steppingUntil() const { return keyPanel_.steppingUntil; }

    // The popover's frame for a picker of this size: centred under the anchor, 4 logical pixels
    // below it, kept 8 inside the visible frame of the screen the anchor is on (each logical
    // pixel that screen's scale in device pixels).
    static Rect popoverFrame(const Rect& anchor, const Size& picker, const std::vector<ScreenInfo>& screens);
    // The key panel's frame for a picker of this size near the rectangle (global top-left).
    static Rect keyPanelFrame(const Rect& near, const Size& picker, const std::vector<ScreenInfo>& screens);
    // The windows whose thumbnails are captured: the front first, then the other members.
    static std::vector<ManagedWindow> captureOrder(const std::vector<ManagedWindow>& members,
                                                   const std::optional<ManagedWindow>& front);

    // One scroll step (+1 or -1) while the switcher is up.
    void step(int direction);
    // The picker reported the windows under the pointer (empty: none).
    void schedulePeek(std::vector<ManagedWindow> windows);

private:
    void makePicker(bool previewsAllowed);
    void startThumbnailCapture();
    void receiveThumbnail(const Thumbnail& image, const ManagedWindow& window, std::uint64_t capture);
    void startScrollStepping();
    // Cycling, a look and its end raise windows, and raising activates their applications,
    // which take the keyboard from the key panel: for a moment its losing the keyboard is
    // ignored, and the panel takes it back.
    void holdKeyboard();
    void peek(const std::vector<ManagedWindow>& windows);
    void enablePreviews();
    double uptime() const { return toSeconds(services_.clock.now()); }

    Lifeline<WindowStackAnchor> self_{this};
    AnchorServices services_;
    SwitcherPresenter& presenter_;
    std::vector<ManagedWindow> members_;
    std::optional<ManagedWindow> front_;
    AnchorPeek peek_;
    AnchorThumbnails thumbnails_;
    AnchorKeyPanel keyPanel_;

    TaskScope tasks_;   // last: it ends the capture while the rest exists
};

} // namespace fw
