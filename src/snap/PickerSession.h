#pragma once
// The state of the layout picker, the window chooser and the divider editor while one of
// them is open: the display it is on, the window the picker places and its frame when the
// picker opened, the layouts on its cards and the selected region among them, whether a whole
// layout with its apps is chosen, and the choice and plan of a seam corner waiting for the
// release.

#include "base/Geometry.h"
#include "layout/SnapLayout.h"
#include "snap/SnapSelection.h"
#include "snap/WindowStackController.h"
#include "windows/ManagedWindow.h"
#include "windows/PlacementRecord.h"

#include <QString>
#include <optional>
#include <vector>

namespace fw {

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
    // release or Return takes. The view only shows it.
    std::optional<SnapSelection> selection;

    // The display key of the display the picker, chooser or editor is shown on.
    const std::optional<QString>& pickerScreen() const { return pickerScreen_; }
    // Setting a display always suspends the stack controller right after; clearing does not.
    void setPickerScreen(const std::optional<QString>& display, WindowStackController& stacks)
    {
        pickerScreen_ = display;
        if (display)
            stacks.suspend();
    }

    // Back to the state of no open picker (the screen cleared without suspending anything).
    void end()
    {
        choosingComposition = false;
        selection.reset();
        cornerSelection.reset();
        cornerInsertion.reset();
        pickerWindow.reset();
        pickerOriginal.reset();
        pickerScreen_.reset();
        pickerLayouts.clear();
    }

private:
    std::optional<QString> pickerScreen_;
};

} // namespace fw
