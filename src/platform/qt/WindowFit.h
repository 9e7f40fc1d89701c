#pragma once
// Our top-level windows on the screen they open on: each keeps within that screen's work area,
// its frame included (the window manager's title bar and borders, as the window manager reports
// them once it has framed the window; the last frame seen, or a guess, until then). A window
// keeps its designed size where it fits. Where it does not, a fixed-size window first shrinks
// the one part of it that can (a list, a canvas; the parts below it move up), gives up the empty
// margin along its edge where that is all it lacks, and shows the rest in a scrolling view (its
// button row kept in view below it, the view ending on a whole line), so that every control
// stays reachable; a window with a layout is made smaller. The first placement centres the frame on
// the work area (a dialog over the window it belongs to); later ones keep it where the user
// left it, pulled back into the work area.
//
//   WindowFit::fitToWorkArea(window);                                   // before show(); the pointer's screen
//   WindowFit::fitToWorkArea(editor, display.visibleFrame, editor->canvas());
//   new QWidget(WindowFit::content(window));                            // children added later

#include "base/Geometry.h"

#include <optional>

class QScreen;
class QWidget;

namespace fw {
class Screens;
class WindowSystem;
}

namespace fw::WindowFit {

// The ports the program runs on, set while it runs (Qt's requests and Qt's work area when
// none). The window port places our shown windows and reads where their frames stand, where
// Qt's requests can land off (a window manager that reads a request's corner as the client's)
// and Qt hears of no move (one that sends no notice of it). The screens port gives each
// screen's work area from the panels' struts, where a window manager publishes one that
// leaves them in (evilwm).
void setPorts(WindowSystem* windows, const Screens* screens);

// Fits `window` to the work area of `screen` (the screen under the pointer when null; the
// window's own when it shows and none is given), and again whenever the window manager's frame
// becomes known or changes. Call it before each show; calling it again updates the screen.
// A fixed-size window's designed size is its size at the first call. The widgets in the bottom
// `footer` logical pixels of a scrolling window (its row of buttons) stay in view under the
// scrolled part.
void fitToWorkArea(QWidget* window, QScreen* screen = nullptr, QWidget* shrinkable = nullptr, int footer = 0);
// The same within a display's visible frame (device pixels, as the screens port reports it:
// the monitor cut by the panels on it), for a window whose subject is that display; the screen
// under the pointer when there is none.
void fitToWorkArea(QWidget* window, const std::optional<Rect>& visibleFrame, QWidget* shrinkable = nullptr,
                   int footer = 0);

// Where the window's content lives: the scrolled view's content once the window scrolls, else
// the window itself.
QWidget* content(QWidget* window);

// The screen holding a rectangle in device pixels (by its centre; the nearest one else).
QScreen* screenOf(const Rect& device);

// The screen under the pointer, else the primary one.
QScreen* pointerScreen();

} // namespace fw::WindowFit
