#pragma once
// The stacks as the user sees them, decided: per stack front an anchor over its title-bar
// button (whose switcher opens when the pointer rests there) and a badge of the icons of the
// windows behind it, placed under the title-bar buttons, at a spot the user dragged it to, in
// a free stretch of the title bar or on the window's left edge, and shown only where nothing
// covers it. A 0.1 s hover tick runs while the pointer is near; a 4 s tick keeps the title-bar
// readings of badge windows fresh. The panels are StackSurfaces; the stacks are the engine's,
// asked through StackQueries, and a gesture's move goes out as one of the StackRequests.
// Main thread only.

#include "base/Clock.h"
#include "base/Geometry.h"
#include "base/TaskScope.h"
#include "platform/DesktopSettings.h"
#include "platform/MouseMonitor.h"
#include "platform/Screens.h"
#include "stacks/BadgeSettings.h"
#include "stacks/ChromeReads.h"
#include "stacks/StackPresentation.h"
#include "stacks/StackQueries.h"
#include "stacks/StackSurfaces.h"
#include "windows/WindowAccess.h"

#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace fw {

// A badge: the stack (its first member) and the slot it stands in, as text.
struct BadgeKey {
    ManagedWindow stack;
    QString slot;
    friend bool operator==(const BadgeKey&, const BadgeKey&) = default;
};

} // namespace fw

template<>
struct std::hash<fw::BadgeKey> {
    std::size_t operator()(const fw::BadgeKey& k) const noexcept
    {
        return std::hash<fw::ManagedWindow>{}(k.stack) ^ (qHash(k.slot) << 1);
    }
};

namespace fw {

struct StackHoverState {
    bool visible = false;
    std::optional<double> enteredAt;
    std::optional<double> exitedAt;
    friend bool operator==(const StackHoverState&, const StackHoverState&) = default;
};

struct StackHoverAnchor {
    Rect origin;       // the anchor's own rectangle
    Rect activation;   // a resting pointer here opens the switcher
    std::vector<Rect> retention;   // a pointer here keeps it open
};

namespace stacks {

struct PresenterServices {
    WindowAccess& access;
    Screens& screens;
    Clock& clock;
    StackSurfaces& surfaces;
    ChromeReads& chromeReads;
    // The coordinator's slots (layouts offered, tips, stretching) and the badge settings.
    const WindowStackCallbacks& callbacks;
    BadgeSettings& badgeSettings;
    MouseMonitor* mouse = nullptr;   // where the pointer is; none: where it was last seen
    DesktopSettings* desktop = nullptr;   // the title-bar buttons' side; none: the right
};

class StackPresenter final : public StackPresentation {
public:
    static constexpr Duration hoverInterval = std::chrono::milliseconds(100);
    static constexpr Duration chromeInterval = std::chrono::seconds(4);
    static constexpr double hoverReach = 160;
    static constexpr double dwell = 0.45, leaveGrace = 0.25, switcherLeaveGrace = 0.35;

    struct Badge {
        std::unique_ptr<BadgeSurface> panel;
        Rect frame;            // where it was placed
        ManagedWindow front;   // the window it was placed for
        QString display;       // the spot key
        Rect slot;
        bool edge = false;     // placed on the window's edge
        Size size;             // the open size
    };
    struct ChromeReading {
        Size size;
        WindowChrome chrome;
        double read = 0;
    };
    // The title-bar buttons of a window as last read for its slot, and the title bar itself;
    // without a title bar of the window manager's (`titled` false), the spot inside its top
    // edge that stands for them.
    struct Controls {
        Rect slot, controls, minimize;
        bool titled = true;
        Rect bar;
    };

    StackPresenter(const StackQueries& queries, StackRequests requests, const PresenterServices& services);
    ~StackPresenter() override;

    // ---- What the refresh pass and the engine call
    Shown present(const WindowStack& stack, const std::vector<ManagedWindow>& members,
                  const std::vector<WindowLayerSnapshot>& layers) override;
    void endPass() override;
    void start() override;
    void suspend() override;
    void dismissPickers() override;
    void stop() override;
    void forget(const std::unordered_set<ManagedWindow>& known) override;
    bool switcherOpen() const override;
    int visiblePanelCount() const override;
    std::vector<Rect> anchorZones() const override;
    void noteMouseMoved(Point at) override;
    bool openSwitcher(const WindowStack& stack, const std::vector<ManagedWindow>& members,
                      const ManagedWindow& front, const Rect& anchor) override;
    void dropBadges() override;

    // ---- Badges
    // Shows, moves or hides the badge of a stack front; the key it stands under, if any.
    std::optional<BadgeKey> presentBadge(const ManagedWindow& front, const std::vector<ManagedWindow>& members,
                                         const WindowStack& stack, const std::optional<Rect>& controls,
                                         const std::vector<WindowLayerSnapshot>& layers);
    // The free title-bar spot from the slot's top-left corner, from fresh readings.
    std::optional<Point> autoBadgeOffset(const Rect& slot, const ManagedWindow& front,
                                         const std::vector<ManagedWindow>& members, int count, bool joiner);
    // The display key of the screen under the slot's centre, else "unknown".
    QString spotKey(const Rect& slot) const;

    // ---- Hover and the front probe
    void hoverTick();
    void checkHover(Point at);
    bool isPointerNear(Point p) const;
    bool confirmsFront(const ManagedWindow& candidate, const Rect& probe, const std::vector<WindowLayerSnapshot>& layers,
                       const std::vector<Rect>& screens, const WindowStack& stack, Point point) const;
    bool hoverPaused() const { return hoverTimer_ == 0; }

    // ---- Upkeep
    void chromeTick();
    void requestChromeRead(const ManagedWindow& window, const Size& size, double maxAge);
    void applyChromeRead(const WindowChrome& chrome, const ManagedWindow& window, const Size& size);
    // Reading order of two members' slots: rows top to bottom (8 points), left to right.
    static bool badgeMemberOrder(const Rect& a, const Rect& b);
    // "label: pid P level L {{x, y}, {w, h}} hit Title" of the first layer over the rectangle.
    QString windowHitDescription(const QString& label, const Rect& rect, Point point,
                                 const std::vector<WindowLayerSnapshot>& layers) const;

    // ---- State, for tests
    const std::unordered_map<BadgeKey, Badge>& badges() const { return badges_; }
    const std::unordered_map<ManagedWindow, StackHoverAnchor>& anchors() const { return anchors_; }
    const std::unordered_map<ManagedWindow, StackHoverState>& hoverStates() const { return hoverStates_; }
    const std::unordered_map<ManagedWindow, ChromeReading>& chrome() const { return chrome_; }
    AnchorPanel* panel(const ManagedWindow& window) const;
    AnchorPanel* explicitPickerPanel() const { return explicitPanel_.get(); }
    int chromeReadCount() const override { return chromeReadCount_; }

private:
    struct Candidate {
        ManagedWindow window;
        Rect minimize, activation, controls;
        bool titled = true;   // false: no title bar of the window manager's, a badge without anchor
    };
    double uptime() const { return toSeconds(clock_.now()); }
    std::vector<Candidate> probe(const WindowStack& stack, const std::vector<ManagedWindow>& members,
                                 std::unordered_map<ManagedWindow, Rect>& lights);
    std::optional<Controls> readControls(const ManagedWindow& window) const;
    void presentAnchor(const Candidate& c, const WindowStack& stack, const std::vector<ManagedWindow>& members,
                       const std::unordered_map<ManagedWindow, Rect>& lights,
                       const std::vector<WindowLayerSnapshot>& layers, Shown& out);
    void configureAnchorCallbacks(WindowStackAnchor& anchor, const WindowStack& stack,
                                  std::function<void()> onDismiss = {});
    void armChrome();
    void retireStale();
    void raisePanels();
    void removeBadge(const BadgeKey& key);
    void closeSwitchers();
    void tearDownExplicit();
    std::vector<Rect> screenFrames() const;
    // The screens, read once per pass (reading them asks the server several things).
    const std::vector<ScreenInfo>& passScreens() const;
    bool dockLayer(const WindowLayerSnapshot& layer, const std::vector<Rect>& screens) const;

    // Badge placement steps.
    struct BadgeLayout;
    std::optional<BadgeLayout> layoutBadge(const ManagedWindow& front, const WindowStack& stack, const std::optional<Rect>& controls,
                                           const QString& display, int count, bool joiner);
    bool badgeUncovered(const Rect& r, const Rect& slot, const ManagedWindow& front, const WindowStack& stack,
                        const std::vector<WindowLayerSnapshot>& layers) const;
    void showBadge(const BadgeKey& key, const BadgeLayout& layout, const ManagedWindow& front,
                   const WindowStack& stack, BadgeSurface::Content content);
    BadgeSurface::Actions badgeActions(const BadgeKey& key, const ManagedWindow& front, const WindowStack& stack,
                                       const std::optional<std::vector<ManagedWindow>>& group);
    void badgeMoved(const BadgeKey& key, const Rect& dropped);
    void resetBadge(const BadgeKey& key);
    void resetAllBadges();

    // Hover steps.
    bool hoverGuardsPass() const;
    void pauseHover();
    void armHover(Duration delay);
    StackHoverState hoverAnchor(const ManagedWindow& key, AnchorPanel& panel, StackHoverState state, Point p,
                                double now);
    StackHoverState showStep(const ManagedWindow& key, AnchorPanel& panel, StackHoverState state, Point p);
    void hoverBadges(Point p);
    Point pointer() const;

    Lifeline<StackPresenter> self_{this};
    const StackQueries& queries_;
    StackRequests requests_;
    const WindowStackCallbacks& callbacks_;
    BadgeSettings& badgeSettings_;
    WindowAccess& access_;
    Screens& screens_;
    Clock& clock_;
    StackSurfaces& surfaces_;
    ChromeReads& chromeReads_;
    MouseMonitor* mouse_;
    DesktopSettings* desktop_;

    std::unordered_map<BadgeKey, Badge> badges_;
    std::unordered_map<ManagedWindow, std::unique_ptr<AnchorPanel>> panels_;
    std::unordered_map<ManagedWindow, StackHoverAnchor> anchors_;
    std::unordered_map<ManagedWindow, ManagedWindow> fronts_;
    std::unordered_map<ManagedWindow, StackHoverState> hoverStates_;
    std::unordered_map<ManagedWindow, Controls> controlsCache_;
    std::unordered_map<ManagedWindow, ChromeReading> chrome_;
    std::unordered_set<ManagedWindow> chromeInFlight_;
    std::unique_ptr<AnchorPanel> explicitPanel_;
    std::unordered_set<BadgeKey> badgesSeen_;
    std::unordered_set<ManagedWindow> anchorsSeen_;
    mutable std::optional<std::vector<ScreenInfo>> passScreens_;
    int chromeReadCount_ = 0;
    Point lastPointer_;
    TimerId hoverTimer_ = 0;
    TimerId chromeTimer_ = 0;
};

} // namespace stacks
} // namespace fw
