#pragma once
// The keyboard for our panels on X11, on a connection of its own. A panel made key is first
// waited for until it is viewable (woken by the map events of the panel and its frames), then asked
// for with _NET_ACTIVE_WINDOW where the window manager lists it and manages the window; once the window manager has
// answered (a configure barrier on a helper window, twice: it learns of a focus it set only
// from the FocusIn that made), the server's input focus is read, and where it is not on the
// panel (a window manager that lists the request and ignores it, or none at all) it is set
// there with SetInputFocus and the time of the user's last input our grabs acted on. Giving
// it back gives it to the earlier window as a window manager does, by its input model: the
// focus set on it, WM_TAKE_FOCUS sent to it, or both; where the user clicked another window
// since the panel took the keyboard (and gave us no input after), to the window clicked instead
// unless that one takes no input. The hold while the panel is open is the toolkit connection's
// (X11KeyboardHold.h).

#include "platform/PanelFocus.h"

#include <QByteArray>

class QAbstractNativeEventFilter;

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace fw {

namespace x11 {
class Connection;
// The server time of the user's last input that reached us (a hot key's press, a key or click on
// a window of ours): the time a panel opened by it takes the keyboard with. Any thread. The
// newest time noted stands (inputs reach us by several paths, not in order); 0 is no time.
void noteUserTime(std::uint32_t time);
// The last time noted; 0 (the server's current time) before any.
std::uint32_t userTime();
// A press of the left button anywhere, at this server time. Any thread.
void noteClick(std::uint32_t time);
} // namespace x11

class X11PanelFocus final : public PanelFocus {
public:
    // Connects to the given display name, or to $DISPLAY when empty.
    explicit X11PanelFocus(const QByteArray& displayName = {});
    ~X11PanelFocus() override;
    X11PanelFocus(const X11PanelFocus&) = delete;
    X11PanelFocus& operator=(const X11PanelFocus&) = delete;

    bool connected() const;

    std::uint64_t keyboardWindow() override;
    Outcome takeKeyboard(std::uint64_t panel) override;
    bool giveBack(std::uint64_t panel, std::uint64_t window) override;
    // An active grab on the toolkit's connection (X11KeyboardHold.h), where the panel's keys
    // are read.
    void holdKeyboard(std::uint64_t panel) override;
    void letGo(std::uint64_t panel) override;
    std::uint32_t userInputTime() const override { return x11::userTime(); }
    void noteUserInput(std::uint32_t time) override { x11::noteUserTime(time); }

private:
    std::uint32_t focus();
    // Whether the input focus, read now or as given, is on the window or inside it.
    bool holds(std::uint32_t window);
    bool within(std::uint32_t focus, std::uint32_t window);
    // Whether a focus is on no window the user could have chosen: none, the root, or a window
    // manager's own unmanaged window.
    bool nowhere(std::uint32_t focus);
    bool viewable(std::uint32_t window);
    // Waits, woken by the map and reparent events of the panel and of the frames around it,
    // until the panel is viewable; false at the map limit.
    bool waitUntilViewable(std::uint32_t window);
    // The windows between a window and the root, nearest first (a window manager's frames).
    std::vector<std::uint32_t> ancestors(std::uint32_t window);
    bool windowManagerLists(std::uint32_t atom);
    // Waits until the window manager has handled what was sent before, `rounds` times over.
    void settle(int rounds);
    std::uint32_t serverTime();
    // The user's last input when it is recent and later than the focus we last set, else the
    // server's time now.
    std::uint32_t inputTime();
    // The client window (with WM_STATE) under the pointer, shown; 0 when none.
    std::uint32_t clientUnderPointer();
    // Sets the focus; whether the server took the request (the window may just have gone).
    bool setFocus(std::uint32_t window, std::uint8_t revertTo, std::uint32_t time);
    // How the client of a window takes the keyboard: WM_HINTS' input (true where unset) and
    // WM_TAKE_FOCUS among its WM_PROTOCOLS.
    struct InputModel {
        std::uint32_t client = 0;   // the window with WM_STATE at or above the window asked about
        bool input = true;
        bool takeFocus = false;
        bool takesInput() const { return input || takeFocus; }
    };
    InputModel inputModel(std::uint32_t window);

    std::unique_ptr<x11::Connection> conn_;
    std::unique_ptr<QAbstractNativeEventFilter> ownInput_;   // notes the user's input to our windows
    std::uint32_t helper_ = 0;   // unmapped window of ours: barriers and server time
    std::uint32_t barrierWidth_ = 1;
    std::uint32_t lastSet_ = 0;   // the time of the last focus we set
    std::unordered_map<std::uint32_t, std::uint32_t> clicksAtTake_;   // per panel: clicks counted then
    // Upper bound of each wait for an answer of the window manager and for the server's time,
    // and of the wait for the panel to show (the event loop stands still meanwhile. A window
    // manager that decorates a new window may map it only after several hundred milliseconds;
    // the panel then asks again once it is shown).
    int waitMs_ = 150;
    int mapWaitMs_ = 150;
};

} // namespace fw
