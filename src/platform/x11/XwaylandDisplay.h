#pragma once
// Whether the X display the program got is Xwayland: the X server a Wayland session runs for
// its X11 apps, which shows a window manager none of the session's own windows and lets it move
// none of them. Told by the server itself, not by the session's variables, so that a private X
// server started from a Wayland desktop counts as the X server it is.

namespace fw {

// $DISPLAY is served by Xwayland; false where it is another X server or cannot be reached.
bool displayIsXwayland();

} // namespace fw
