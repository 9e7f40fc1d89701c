#pragma once
// Holding the whole keyboard for one of our windows: an active keyboard grab on the toolkit's own
// connection, so the toolkit receives every press as usual, combinations that other clients
// grabbed passively included (their grabs cannot start while ours is held). The server ends a
// hold itself when the window is hidden.
//
// A grab another client holds meanwhile (our own hot key's, until its key is released; a window
// manager's during a move), or a window not shown yet, is waited out, woken by the grab's end, the
// window's map or a short backoff: for a recording, and for a panel that takes keys, which holds it
// for as long as it is open, whatever the window manager's focus model. For a panel, a press of one
// of our hot keys, whose passive grabs cannot start meanwhile, is handed to them rather than to the
// panel; and the input focus that a window manager moves to the window under the pointer comes back
// to the panel. A move of the focus while a button is down (a click elsewhere) or to another window
// of ours ends the hold; a press of the primary button off our windows ends it before the window
// manager sees the press (a synchronous grab on the root, on a thread and connection of its own,
// hands every press on at once, however busy the main thread), as metacity and mutter take the
// keyboard when a move starts and give the move up while another client holds it.

#include "platform/GlobalHotKeys.h"

#include <cstdint>
#include <functional>

namespace fw::x11 {

// Held; busy while another client holds the keyboard; not shown while the window is not viewable
// yet (both asked again); or impossible (the toolkit has no X connection, or the window is gone).
KeyboardHold holdKeyboard(std::uint64_t window);
// Ends a recording's hold, taken or asked for (a panel's goes on).
void releaseKeyboard();

// Holds the keyboard for the panel until letGoForPanel() or its window is hidden; one panel at
// a time (a later one takes over).
void holdForPanel(std::uint64_t window);
void letGoForPanel(std::uint64_t window);

// Where a press of one of our hot keys goes while a panel holds the keyboard: called with the
// key code, the modifier state and the time of a press that is not a repeat; true when it was
// a hot key (the panel never sees it, nor its release). Empty: every key goes to the panel.
using HotKeyRoute = std::function<bool(std::uint8_t keycode, std::uint16_t state, std::uint32_t time)>;
void routeHotKeys(HotKeyRoute route);

} // namespace fw::x11
