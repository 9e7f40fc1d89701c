#pragma once
// The stacks as the user sees them, decided: per stack front an anchor over its title-bar
// button (whose switcher opens when the pointer rests there) and a badge of the icons of the
// windows behind it, and shown only where nothing covers it. A thin presenter: it owns the
// context and the three state objects (badges with the title bars of the pass, anchors with
// their panels and the explicit switcher, hover with its pacing), holds the engine's badge
// settings, and hands each call to the run that does the work (StackAnchors,
// BadgeOrchestration, BadgeUpkeep, StackHover) with the state objects that run changes. The
// panels are StackSurfaces; the stacks are the engine's, asked through StackQueries, and a
// gesture's move goes out through StackActions. Main thread only.

#include "stacks/AnchorState.h"
#include "stacks/BadgeSettings.h"
#include "stacks/BadgeState.h"
#include "stacks/HoverState.h"
#include "stacks/PresenterContext.h"
#include "stacks/StackPresentation.h"

namespace fw::stacks {

class StackPresenter final : public StackPresentation {
public:
    // The actions reach whoever answers them only while it lives; the settings must outlive
    // the presenter.
    StackPresenter(const StackQueries& queries, std::weak_ptr<StackActions> actions, BadgeSettings& badgeSettings,
                   const PresenterServices& services);
    ~StackPresenter() override;
    StackPresenter(const StackPresenter&) = delete;
    StackPresenter& operator=(const StackPresenter&) = delete;

    // ---- What the refresh pass and the engine call
    Shown present(const WindowStack& stack, const std::vector<ManagedWindow>& members,
                  const std::vector<WindowLayerSnapshot>& layers) override;
    void endPass() override;
    void suspend() override;
    void dismissPickers() override { anchors_.closeSwitchers(); }
    void stop() override;
    void forget(const std::unordered_set<ManagedWindow>& known) override { badges_.forget(known); }
    bool switcherOpen() const override { return anchors_.switcherOpen(); }
    int visiblePanelCount() const override { return anchors_.visiblePanelCount(); }
    std::vector<Rect> anchorZones() const override { return anchors_.zones(); }
    void noteMouseMoved(Point at) override;
    bool openSwitcher(const WindowStack& stack, const std::vector<ManagedWindow>& members,
                      const ManagedWindow& front, const Rect& anchor) override;
    void dropBadges() override { badges_.dropAll(); }
    int titleBarReadCount() const override { return badges_.barReads; }

    // ---- State, for tests
    const std::unordered_map<BadgeKey, Badge>& badges() const { return badges_.badges; }
    const std::unordered_map<ManagedWindow, StackHoverAnchor>& anchors() const { return anchors_.anchors; }
    AnchorPanel* panel(const ManagedWindow& window) const { return anchors_.panel(window); }
    AnchorPanel* explicitPickerPanel() const { return anchors_.explicitPanel.get(); }
    bool hoverPaused() const { return hover_.paused(); }

private:
    BadgeSettings& badgeSettings_;
    BadgeState badges_;
    AnchorState anchors_;
    HoverState hover_;
    PresenterContext ctx_;
};

} // namespace fw::stacks
