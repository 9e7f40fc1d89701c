#pragma once
// Holding the whole keyboard for one of our windows while a shortcut is recorded: an active
// keyboard grab on the toolkit's own connection, so the toolkit receives every press as usual,
// combinations that other clients grabbed passively included (their grabs cannot start while
// ours is held). The server ends the hold itself when the window is hidden.

#include <cstdint>

namespace fw::x11 {

// False when another client holds the keyboard, the window is not shown, or the toolkit has
// no X connection.
bool holdKeyboard(std::uint64_t window);
void releaseKeyboard();

} // namespace fw::x11
