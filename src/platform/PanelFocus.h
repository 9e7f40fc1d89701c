#pragma once
// Keyboard port of our panels: a panel that takes keys asks the window manager for the
// keyboard, and some window managers list that request yet ignore it. This port checks that
// the keyboard came, sets it on the panel itself where it did not, holds it while the panel is
// open (a window manager whose focus follows the mouse would give it to the window under the
// pointer), and gives it back to the window that had it when the panel goes. Windows are
// named by their native ids.

#include <cstdint>

namespace fw {

// Whether window-system time a is before b: the times wrap round after 49 days.
inline bool serverTimeBefore(std::uint32_t a, std::uint32_t b) { return std::int32_t(a - b) < 0; }

class PanelFocus {
public:
    virtual ~PanelFocus() = default;

    // The window that has the keyboard now; 0 when none does (or the one under the pointer).
    virtual std::uint64_t keyboardWindow() = 0;

    enum class Outcome {
        Granted,   // the window manager gave the panel the keyboard (or it had it)
        Taken,     // it did not; the panel has it because we set it there
        Missing,   // the panel has it not (not shown in time, or the keyboard moved meanwhile)
    };
    // For a panel just shown (or shown again) and made key: waits, bounded, until it is on
    // screen, asks the window manager to activate it and waits for its answer; where the
    // keyboard is elsewhere then, sets it on the panel with the time of the user's last input
    // that reached us.
    virtual Outcome takeKeyboard(std::uint64_t panel) = 0;

    // Gives the keyboard back to `window` when the panel (about to be hidden) still has it or
    // nothing has it, and the window is still shown, as the window's own way of taking it asks.
    // Whether the keyboard went back (or, to a window that takes it itself, was offered).
    virtual bool giveBack(std::uint64_t panel, std::uint64_t window) = 0;

    // Holds the keyboard for a panel made key until it lets go or is hidden, whatever the
    // window manager's focus model: no key reaches another window (our own hot keys still act),
    // and pointer motion that moves the focus to the window under the pointer does not move
    // the keys. A click elsewhere ends the hold. One panel holds at a time.
    virtual void holdKeyboard(std::uint64_t panel) = 0;
    virtual void letGo(std::uint64_t panel) = 0;
    // The window-system time of the user's last key press or click that reached us, our hot
    // keys and mouse buttons included; 0 when none did.
    virtual std::uint32_t userInputTime() const { return 0; }
    // A key or click the toolkit handed a window of ours, at this window-system time: the
    // newest such time is the one userInputTime answers.
    virtual void noteUserInput(std::uint32_t /*time*/) {}
};

} // namespace fw
