#pragma once
// The state of the layout picker, the window chooser and the divider editor while one of
// them is open: the display it is on, whether the picker is shown there (the one answer to
// "is the picker open": snap shows and hides it only through the session), the window the
// picker places and its frame when the picker opened, the layouts on its cards and the
// selected region among them, whether a whole layout with its apps is chosen, and the choice
// and plan of a seam corner waiting for the release.

#include "base/Geometry.h"
#include "layout/ScreenGeometry.h"
#include "layout/SnapLayout.h"
#include "snap/PickerKeys.h"
#include "snap/SnapFeedback.h"
#include "snap/SnapSelection.h"
#include "snap/WindowStackController.h"
#include "windows/ManagedWindow.h"
#include "windows/PlacementRecord.h"

#include <QString>
#include <optional>
#include <vector>

namespace fw {

// The layout picker on screen: its display, and whether a drag opened it (its selection
// then follows the dragged pointer).
struct ShownPicker {
    QString display;
    bool dragging = false;
};

class PickerSession {
public:
    bool choosingComposition = false;
    std::optional<ManagedWindow> pickerWindow;
    std::optional<Rect> pickerOriginal;
    std::optional<SnapSelection> cornerSelection;
    std::optional<CornerInsertion<ManagedWindow>> cornerInsertion;
    // In card order; a selection's layoutIndex indexes it.
    std::vector<SnapLayout> pickerLayouts;
    // The picker's region (or layout) under the pointer or chosen by the keyboard: what a
    // release or Return takes. The one owner for every road (drag, keys, hover); the view
    // only draws what it is handed.
    std::optional<SnapSelection> selection;

    // The selection a key on the picker moves to; nothing when it moves nowhere.
    std::optional<SnapSelection> selectionAfter(PickerKey key) const
    {
        return pickerKeySelection(pickerLayouts, choosingComposition, selection, key);
    }
    // What Return chooses; nothing without cards.
    std::optional<SnapSelection> keyChoice() const
    {
        return pickerKeyChoice(pickerLayouts, choosingComposition, selection);
    }

    // The display key of the display the picker, chooser, editor, a drop or a corner offer
    // claims (the picker need not be shown: see shown()).
    const std::optional<QString>& pickerScreen() const { return pickerScreen_; }
    // Setting a display always suspends the stack controller right after; clearing does not.
    void setPickerScreen(const std::optional<QString>& display, WindowStackController& stacks)
    {
        pickerScreen_ = display;
        if (display)
            stacks.suspend();
    }

    // The layout picker as it is shown; nothing while it is not.
    const std::optional<ShownPicker>& shown() const { return shown_; }
    // The display of the picker a drag opened; nothing while none is shown.
    std::optional<QString> dragPickerDisplay() const
    {
        return shown_ && shown_->dragging ? std::optional(shown_->display) : std::nullopt;
    }
    // The picker shown on its display (replacing any shown one), and taken away: the only
    // way snap shows or hides it, so the session always knows.
    void showPicker(SnapFeedback& feedback, PickerPresentation presentation)
    {
        hidePicker(feedback);
        shown_ = ShownPicker{displayKey(presentation.screen), presentation.dragging};
        feedback.showPicker(std::move(presentation));
    }
    void hidePicker(SnapFeedback& feedback)
    {
        shown_.reset();
        feedback.hidePicker();
    }

    // Back to the state of no open picker (the screen cleared without suspending anything);
    // whoever ends it hides the panels.
    void end()
    {
        choosingComposition = false;
        selection.reset();
        cornerSelection.reset();
        cornerInsertion.reset();
        pickerWindow.reset();
        pickerOriginal.reset();
        pickerScreen_.reset();
        shown_.reset();
        pickerLayouts.clear();
    }

private:
    std::optional<QString> pickerScreen_;
    std::optional<ShownPicker> shown_;
};

} // namespace fw
