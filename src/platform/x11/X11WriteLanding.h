#pragma once
// Following a frame write by the server's own notices: the ConfigureNotify events of the client
// and of the window manager's frame around it place the client on the root, so a write whose
// notices show the frame asked for needs no read-back. A reparenting, unmapping or destruction
// of either window, or a change of the client's frame extents, ends the following: the caller
// reads the window back instead. Kept after the write has landed, it goes on placing the client
// by the notices that follow, for the next write of that window to start from.

#include "platform/x11/X11ClientState.h"

#include <array>
#include <optional>

namespace fw::x11 {

// What a frame write asks for, in whole pixels as sent: the visible frame's corner and the
// client's size.
struct AskedFrame {
    int x = 0, y = 0, width = 0, height = 0;
};

// Whether a read of the client shows the frame asked for.
bool landedAsAsked(const ClientState& s, const AskedFrame& asked);

class WriteLanding {
public:
    // Follows from a read of the client made before the write; nothing is followed when that
    // read could not place the client by its boxes or already shows the frame asked for (the
    // window manager has not handled an earlier write yet).
    WriteLanding(const ClientState& before, const AskedFrame& asked);
    // The window manager's windows around the client (its frame, and the window between them
    // where there is one), to be watched besides the client; none where the client is a
    // top-level window itself or nothing is followed.
    std::array<xcb_window_t, 2> windowsAround() const;
    bool following() const { return following_; }
    xcb_window_t client() const { return now_.window; }
    // Whether the client's size hints changed since the read (until they are taken again).
    bool hintsChanged() const { return hintsChanged_; }
    void takeHints(const SizeHints& hints, int gravity)
    {
        now_.hints = hints;
        now_.gravity = gravity;
        hintsChanged_ = false;
    }
    // Takes one event of the connection; those about other windows change nothing.
    void take(const xcb_generic_event_t* e, const Atoms& a);
    // The visible frame the notices so far show, when it is the one asked for.
    std::optional<Rect> landed() const;
    // The client as the read and the notices since show it; nothing once the following ended or
    // when the notices cannot place it, and nothing either once the client's states changed
    // (the read no longer holds for them). Size hints are the caller's to read again.
    std::optional<ClientState> now() const;

private:
    bool framed() const { return now_.topLevel != now_.window; }
    void concerns(xcb_window_t window);   // ends the following when it is one of ours
    std::optional<ClientState> placed() const;   // the read with the boxes the notices show

    ClientState now_;   // the read, its boxes as the notices left them
    AskedFrame asked_;
    bool following_ = false;
    bool readAged_ = false;   // states changed since the read
    bool hintsChanged_ = false;
};

} // namespace fw::x11
