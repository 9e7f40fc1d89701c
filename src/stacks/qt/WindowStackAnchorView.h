#pragma once
// The anchor of a window stack on screen: a small, empty view inside the stack's anchor panel
// that owns the stack's WindowStackAnchor and presents its switcher. The popover is a
// frameless tool window under the anchor that closes only when told (an outside click does
// not close it); the key panel is a floating panel that takes the keyboard, and losing the
// keyboard (an activation change) is reported to the anchor.
//
//   auto* view = new WindowStackAnchorView(services);
//   panel->setContentView(view);
//   view->anchor().update(members, front);
//   view->anchor().showPopover();

#include "overlay/OverlayWindow.h"
#include "stacks/WindowStackAnchor.h"

#include <QPointer>
#include <QWidget>
#include <memory>

namespace fw {

class WindowStackPicker;

class WindowStackAnchorView : public QWidget, public SwitcherPresenter {
    Q_OBJECT
public:
    explicit WindowStackAnchorView(const AnchorServices& services, QWidget* parent = nullptr);
    ~WindowStackAnchorView() override;

    WindowStackAnchor& anchor() { return *anchor_; }
    const WindowStackAnchor& anchor() const { return *anchor_; }
    // The picker of the current presentation, while one exists.
    WindowStackPicker* picker() const { return picker_; }
    OverlayWindow* popoverPanel() const { return popover_.get(); }
    OverlayWindow* keyPanel() const { return keyPanel_; }
    // The desktop's reduce-motion setting; none: off.
    std::function<bool()> reduceMotionSetting;

    // SwitcherPresenter
    void makePicker(PickerContent content, PickerSlots actions) override;
    bool hasPicker() const override { return picker_ != nullptr; }
    Size pickerSize() const override;
    void setThumbnail(const Thumbnail& image, const ManagedWindow& window) override;
    void markCurrent(const std::optional<ManagedWindow>& front) override;
    void showPopover(const Rect& frame, bool animate) override;
    bool popoverShown() const override;
    std::optional<Rect> popoverFrame() const override;
    void closePopover() override;
    void clearPopoverContent() override;
    void showKeyPanel(const Rect& frame) override;
    bool hasKeyPanel() const override { return !keyPanel_.isNull(); }
    void makeKeyPanelKey() override;
    void closeKeyPanel() override;
    bool reduceMotion() const override { return reduceMotionSetting && reduceMotionSetting(); }
    Rect anchorFrame() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The picker goes into a glass card filling the panel.
    void place(OverlayWindow& panel, WindowStackPicker* picker, const Rect& frame);
    // Drops a picker after the event being handled (it may be the picker's own click).
    static void release(QPointer<WindowStackPicker>& picker);

    std::unique_ptr<OverlayWindow> popover_;    // made with the anchor, kept for its life
    QPointer<OverlayWindow> keyPanel_;
    bool keyPanelActive_ = false;
    QPointer<WindowStackPicker> picker_;
    QPointer<WindowStackPicker> popoverPicker_;
    std::unique_ptr<WindowStackAnchor> anchor_; // last made, first gone
};

} // namespace fw
