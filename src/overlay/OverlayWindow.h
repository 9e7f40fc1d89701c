#pragma once
// The one floating panel behind every overlay surface: frameless, above ordinary windows,
// never the main window, and given the keyboard only when its maker allows it. Its tooltips
// show whether or not it has the keyboard.
//
// On X11 every panel is override-redirect (unmanaged) where the stacking port is installed: a
// window manager's frame round it would be shadowed by a compositor as a box, and a tiling
// manager would frame and place it. One that ignores the mouse is transparent for input, so
// clicks reach the windows under it; one that takes keys (`acceptsKeys`) takes the keyboard
// itself, and the others never take it. Levels order our panels among themselves
// and against other windows: 101 above everything, 100 and 1–2 above ordinary windows (in that
// order), 0 directly below a given window (restacked through the PanelStacking port).
//
// A panel made key checks through the PanelFocus port that the keyboard came: some window
// managers ignore the activation they list. It holds the keyboard while it is open, whatever
// the window manager's focus model, and lets go when it is ordered out, hidden or no longer
// takes keys. Where the panel had to take the keyboard itself, it gives it back to the window
// that had it when it is ordered out.

#include "base/Geometry.h"
#include "platform/WindowSystem.h"

#include <QPainterPath>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

namespace fw {

class PanelFocus;
class PanelStacking;

// Content whose visible outline is not its rectangle, such as a rounded card. The panel cuts
// its shape along the outline of such content, so that what lies beneath stays visible around
// it whether or not a compositor blends the transparent pixels.
class ShapedContent {
public:
    virtual ~ShapedContent() = default;
    // The outline in the content's own coordinates; nothing when it is the whole rectangle.
    virtual std::optional<QPainterPath> shapeOutline() const = 0;
    // The pixels inside the outline; content made of many parts may unite their regions
    // faster than a path of them all would be filled.
    virtual std::optional<QRegion> shapeRegion() const;
};

// Re-cuts the shape of the panel that holds a widget (nothing for a widget outside a panel).
void reshapePanelOf(const QWidget* widget);
// Whether the panel that holds a widget shows translucent pixels (true outside a panel).
bool showsTranslucent(const QWidget* widget);

class OverlayWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int aboveEverythingLevel = 101;
    static constexpr int aboveWindowsLevel = 100;

    // The panel recipe: frame in global top-left device pixels; interactive panels take clicks and
    // have a shadow, others let clicks through. Level 101, no keys, hidden.
    OverlayWindow(const Rect& contentRect, bool interactive);
    ~OverlayWindow() override;

    // Whether the panel may become the key (keyboard) window. False at creation.
    bool acceptsKeys() const { return acceptsKeys_; }
    void setAcceptsKeys(bool accepts);
    bool canBecomeKeyWindow() const { return acceptsKeys_; }
    bool canBecomeMainWindow() const { return false; }

    // Kept by the stack badges; the panel never reads it.
    bool badgeShown = false;

    bool ignoresMouseEvents() const { return ignoresMouse_; }
    void setIgnoresMouseEvents(bool ignores);
    // Lets clicks through or takes them while staying the kind of window it is (for a panel
    // made not interactive: unmanaged, so the window manager neither frames nor moves it):
    // only its input region changes, in place.
    void setClickThrough(bool through);
    bool hasShadow() const { return hasShadow_; }
    void setHasShadow(bool shadow) { hasShadow_ = shadow; }
    int level() const { return level_; }
    void setLevel(int level) { level_ = level; }
    QString title() const { return windowTitle(); }
    void setTitle(const QString& title) { setWindowTitle(title); }

    // Frame in global top-left device pixels, as the window stands (its widget geometry is in
    // Qt's logical ones, so at a fractional ratio an edge may lie a device pixel from where it
    // was asked to).
    Rect frame() const;
    // Writes the frame only when its logical geometry differs; true when it changed.
    bool setFrame(const Rect& frame);

    // The panel's content, filling it; the panel takes ownership and deletes the earlier one.
    void setContentView(QWidget* view);
    QWidget* contentView() const { return content_; }

    // Shows the panel above the other panels of its level and below those of higher levels,
    // without activating it.
    void orderFrontRegardless();
    // Shows the panel in front and gives it the keyboard when it accepts keys; otherwise the
    // same as orderFrontRegardless().
    void makeKeyAndOrderFront();
    // Hides the panel (giving back the keyboard it took); it stays alive for reuse.
    void orderOut();
    // Level 0, shown directly below the window; at the back when that window is unknown.
    void orderBelow(std::optional<WindowId> window);
    bool isOrderedIn() const { return isVisible(); }

    // Whether translucent pixels show translucent (a compositing manager runs, or no stacking
    // port is installed, as under the offscreen platform). Follows a compositing manager that
    // starts or stops: the panel's native window is made anew with the other visual, but for a
    // shown one that holds the keyboard or native content, which keeps its own and is
    // translucent only where that has an alpha channel.
    bool isTranslucent() const { return translucent_; }
    // Re-cuts the shape mask after the content's outline changed.
    void updateShape();
    // Leaves a part of the screen (global device pixels) out of the panel, translucent or not: where
    // another panel must stay readable though the window manager may stack this one above it.
    void setCutOut(const QRegion& global);
    // What the panel shows and takes clicks on, in its own logical pixels: what its content
    // draws less the cut-out, else its whole rectangle. Its mask, but for an unmanaged panel
    // under a compositor that blends: only its clicks are cut to it there (see updateShape).
    QRegion shape() const;
    // The same at the panel's place on the screen.
    QRegion globalShape() const;

    // The window system hooks the panels use; installed once by the application. Every panel
    // follows the port's compositing from then on.
    static void setStacking(PanelStacking* stacking);
    static PanelStacking* stacking();
    static void setPanelFocus(PanelFocus* focus);
    // For another window of ours that takes keys, shown and asked to be activated: takes the
    // keyboard where the window manager did not give it (through the port installed above),
    // and gives it back to the window that had it when that window is hidden.
    static void takeKeyboard(QWidget* window);
    // Every panel that exists, oldest first.
    static std::vector<OverlayWindow*> allPanels();
    // Whether a panel took the press of that window-system time, one of the last few (0: never).
    static bool tookPress(std::uint32_t time);
    // Whether a shown panel that takes clicks opened after a window of ours had taken a press,
    // release or key of that window-system time or later: a press of that time came before it
    // (0: never).
    static bool openedAfter(std::uint32_t time);
    // A key or click the toolkit handed a window of ours, at this window-system time.
    static void noteUserInput(std::uint32_t time);

protected:
    void resizeEvent(QResizeEvent*) override;
    void showEvent(QShowEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    void applyFlags();
    void raiseHigherLevels();
    void setTranslucent(bool compositing);
    // Whether the shape cuts only clicks, what is shown left to alpha (see updateShape).
    bool leavesShapeToAlpha() const;
    // Where the native window takes clicks, while its shape is left to alpha.
    void applyInputShape();
    // Every panel to the port's compositing.
    static void followCompositing();
    // The window the user worked in, for a window that had the keyboard before this panel:
    // where that is a panel of ours, the window that panel took the keyboard from.
    static std::uint64_t userWindow(std::uint64_t window);
    // The time of the user's last key or click that reached us (our hot keys included); 0.
    static std::uint32_t userInputTime();
    void giveKeyboardBack();
    void letGoOfKeyboard();

    bool acceptsKeys_ = false;
    bool ignoresMouse_ = false;
    bool hasShadow_ = false;
    bool translucent_ = true;
    int level_ = aboveEverythingLevel;
    std::optional<WindowId> below_;   // the window a level-0 panel was last put under
    QRegion cutOut_;                  // global
    std::optional<QRegion> shape_;    // local; none: the whole rectangle
    bool inputShaped_ = false;        // the native window's input shape may be ours
    QPointer<QWidget> content_;
    std::uint64_t keyboardFrom_ = 0;   // the window the panel took the keyboard from itself
    std::uint32_t openedAfter_ = 0;    // the user's last input to us when it showed
};

// Orders the panel out and deletes it on the next turn of the loop, so that a button may hide
// its own panel (nothing for none).
void disposePanel(std::unique_ptr<OverlayWindow> panel);

} // namespace fw
