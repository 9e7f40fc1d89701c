#pragma once
// The anchors as presented: per stack front the panel over its title-bar button, with the
// hover geometry of that anchor and the member now in front; and the switcher opened
// explicitly (by shortcut) in a panel of its own.

#include "base/Geometry.h"
#include "stacks/StackSurfaces.h"
#include "windows/ManagedWindow.h"

#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace fw {

struct StackHoverAnchor {
    Rect origin;       // the anchor's own rectangle
    Rect activation;   // a resting pointer here opens the switcher
    std::vector<Rect> retention;   // a pointer here keeps it open
};

} // namespace fw

namespace fw::stacks {

class AnchorState {
public:
    std::unordered_map<ManagedWindow, std::unique_ptr<AnchorPanel>> panels;
    std::unordered_map<ManagedWindow, StackHoverAnchor> anchors;
    std::unordered_map<ManagedWindow, ManagedWindow> fronts;
    std::unordered_set<ManagedWindow> seen;   // presented in this pass
    std::unique_ptr<AnchorPanel> explicitPanel;

    AnchorPanel* panel(const ManagedWindow& window) const;
    // A switcher is up: the explicit one or an anchor's.
    bool switcherOpen() const;
    // The anchors' panels shown (a switcher opened by shortcut is not one of them).
    int visiblePanelCount() const;
    // The anchors' activation areas grown by 20 pixels.
    std::vector<Rect> zones() const;
    void tearDownExplicit();
    // Every switcher closed, the explicit one gone.
    void closeSwitchers();
    // Forgets every anchor.
    void clear();
};

} // namespace fw::stacks
