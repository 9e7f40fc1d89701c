#pragma once
// The stack switcher as its anchor sees it: a picker made for each presentation, shown either
// in a popover under the anchor or in a key panel that takes the keyboard. The anchor decides
// everything; the presenter (widgets in stacks/qt, a recording fake in tests) only shows. The
// picker reports user actions through the closures it is made with.

#include "base/Geometry.h"
#include "snap/ThumbnailCapture.h"
#include "stacks/StackModel.h"

#include <QString>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

namespace fw {

// The layouts offered in the switcher's Layouts row and the index of the active one.
struct LayoutOffer {
    std::vector<QString> names;
    std::optional<int> active;
};

// What a WindowStackPicker is made with, in the order it takes it; empty actions are absent.
struct PickerContent {
    std::vector<ManagedWindow> members;
    std::optional<ManagedWindow> front;
    std::unordered_map<ManagedWindow, Thumbnail> thumbnails;
    bool previewsAllowed = true;
    std::vector<WindowStackSection> sections;
    std::function<void()> sendToBack;
    std::vector<QString> layouts;
    std::optional<int> activeLayout;
    std::function<void(int)> chooseLayout;
    std::function<void(const ManagedWindow&)> choose;
    std::function<void()> enablePreviews;
};

// The picker's slots filled after it is made.
struct PickerSlots {
    std::function<void()> close;
    std::function<void(const std::vector<ManagedWindow>&)> peek;
    std::function<void(const ManagedWindow&)> stretch;
    std::function<void(int)> cycle;
};

class SwitcherPresenter {
public:
    virtual ~SwitcherPresenter() = default;

    // Told by the presenter: the popover closed; the key panel lost the keyboard.
    std::function<void()> popoverDidClose;
    std::function<void()> keyPanelDidResignKey;

    // Makes the picker of the next presentation (the earlier one, if any, is released when its
    // presentation ends).
    virtual void makePicker(PickerContent content, PickerSlots actions) = 0;
    virtual bool hasPicker() const = 0;
    // The picker's fixed size.
    virtual Size pickerSize() const = 0;
    virtual void setThumbnail(const Thumbnail& image, const ManagedWindow& window) = 0;
    virtual void markCurrent(const std::optional<ManagedWindow>& front) = 0;

    // The popover at a frame under the anchor (global top-left device pixels), showing the picker
    // without giving any card the focus; it closes only when told.
    virtual void showPopover(const Rect& frame, bool animate) = 0;
    virtual bool popoverShown() const = 0;
    // The popover's frame on screen (global top-left device pixels) while shown.
    virtual std::optional<Rect> popoverFrame() const = 0;
    // Closes the popover (reporting popoverDidClose when it was shown).
    virtual void closePopover() = 0;
    // Drops the popover's content (its picker).
    virtual void clearPopoverContent() = 0;

    // The key panel at a frame (global top-left device pixels), made key, its first card focused.
    virtual void showKeyPanel(const Rect& frame) = 0;
    virtual bool hasKeyPanel() const = 0;
    // Makes the key panel the keyboard window again.
    virtual void makeKeyPanelKey() = 0;
    // Orders the key panel out and drops it with its content.
    virtual void closeKeyPanel() = 0;

    // The desktop asks for reduced motion.
    virtual bool reduceMotion() const = 0;
    // The anchor's rectangle on screen (global top-left device pixels).
    virtual Rect anchorFrame() const = 0;
};

} // namespace fw
