#pragma once
// The layout picker at the top centre of a display: which layouts its cards offer and which
// one is current, the icons of the applications occupying regions, opening it for a drag or
// a command, its callbacks (choose, hover, keys, create, edit), the preview of the hovered region,
// and the release over it that commits the selection 0.1 s later or ends the interaction.

#include "base/Geometry.h"
#include "layout/SnapLayout.h"
#include "platform/Screens.h"
#include "snap/ChoiceState.h"
#include "snap/SnapFeedback.h"

#include <QString>
#include <optional>
#include <vector>

namespace fw {

class LayoutStore;
struct SnapContext;

// The cards of a picker: the layouts in card order and the id of the one marked current.
struct PickerCards {
    std::vector<SnapLayout> layouts;
    std::optional<QString> currentLayout;
};

// Region mode: the display's layouts as adjusted there, the display's applied layout (with
// its name, tree and apps) in place of the card with its id or else last, and marked
// current. Composition mode: the layouts as the menus list them, nothing current.
PickerCards pickerCards(const LayoutStore& store, const QString& display, const LayoutGroup* group,
                        bool wholeComposition);

// The icons of the applications in regions: each layout's apps (the first of each region),
// and for the display's applied layout the application of the window in front in each
// occupied region, unless that window is the one being placed.
PickerOccupants pickerOccupants(const std::vector<SnapLayout>& layouts, const LayoutGroup* group,
                                const WindowStackController& stacks, const std::optional<ManagedWindow>& placing);

// Who opens the picker: the drag monitor (dragging, with the window's frame before the drag)
// or a command (the focused window, the chosen window, or none).
struct PickerRequest {
    std::optional<ManagedWindow> window;
    ScreenInfo screen;
    bool dragging = false;
    std::optional<Rect> startFrame;
    bool composition = false; // a whole layout with its apps; never while dragging
};

// Ends the interaction under way, forgets vanished windows and shows the picker.
void showLayoutPicker(SnapContext& ctx, ChoiceState state, const PickerRequest& request);

// Builds the drag's picker for the display ahead of its first showing (nothing else changes).
void prepareLayoutPicker(SnapContext& ctx, ChoiceState state, const ScreenInfo& screen);

// The release over the picker: with a selection, the picker goes and the choice follows 0.1 s
// later unless another interaction begins first; without one, the interaction ends.
void commitPickerSelection(SnapContext& ctx, ChoiceState state);
// The release over a seam corner: its selection is chosen 0.1 s later; nothing without one.
void commitCornerSelection(SnapContext& ctx, ChoiceState state);

// Makes the selection the picker's, highlights it and previews its region's frame on the
// display (in composition mode every region of the layout); nothing selected hides the previews.
void updatePickerPreview(SnapContext& ctx, PickerSession& picker, const std::optional<SnapSelection>& selection);
// The pointer at a global point over the shown picker (or off it): the selection under it, hit
// against the cards where the overlay shows them, as updatePickerPreview takes it.
void hoverPicker(SnapContext& ctx, PickerSession& picker, Point at);

// Orders out the drag-time return panels and tells the shell whether a picker is up.
void hideDropPanels(SnapContext& ctx, const PickerSession& picker);

} // namespace fw
