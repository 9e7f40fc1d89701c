#pragma once
// What the X11 window port knows of the running window manager: whether one runs (its check
// window still naming itself, or without EWMH a client redirecting the root's substructure),
// its name, what it lists in _NET_SUPPORTED (read again at most once a second), and the habits
// learnt from its answers to frame writes, each kept with the check window it was learnt under;
// with the rules by which a request's corner is meant and misread.

#include "base/Geometry.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace fw::x11 {

class Connection;
struct ClientState;

class WindowManagerFacts {
public:
    explicit WindowManagerFacts(Connection& conn) : conn_(conn) {}

    // Whether a window manager runs, asked (nothing waited for) and taken apart so that the
    // question can share a round with other reads.
    struct Check {
        std::uint32_t known;   // the check window seen last, asked about in the same round
        unsigned rootClaim, knownClaim;   // the requests' sequence numbers
        unsigned rootAttributes;          // whether the root's substructure is redirected
    };
    Check ask();
    bool present(const Check& asked);
    bool present();
    // Its _NET_WM_NAME; empty when none runs or it names itself not.
    QString name();
    bool supports(std::uint32_t atom);
    // The window manager's check window at the last look; 0 when none was seen.
    std::uint32_t checkWindow() const { return checkWindow_; }

    // How a window manager reads the corners sent on each path (move messages, configure
    // requests), learnt from its answers (the manager identified by its check window): where
    // from the frame's corner the corner is sent for the frame to land where meant, whether it
    // adds the origin of the window's monitor (dwm) besides, and whether it lists the path but
    // moves nothing by it where the other path moves the window (herbstluftwm's floating
    // windows and the message). The corner is kept from the frame's, not from the one a
    // window's gravity asks for: the misreadings known (pekwm's, evilwm's) ignore the gravity,
    // and a window's gravity changes as its toolkit moves it.
    struct Habit {
        enum Path { Message, Configure };
        std::uint32_t manager = 0;
        std::optional<Point> fromFrame;
        bool originAdded = false;
        bool ignored = false;
        // The message's corner read as the client's, as a client's own configure request is
        // read (evilwm): the manager handles the message as a client's request.
        bool asClients = false;
    };
    Habit& habit(int path) { return habits_[path]; }
    // Whether a maximize and restore lets go of a window held in a tile, learnt per window
    // manager (its check window); nothing until tried.
    struct TileRelease {
        std::uint32_t manager = 0;
        std::optional<bool> helps;
    };
    TileRelease& tileRelease() { return tileRelease_; }

private:
    Connection& conn_;
    std::uint32_t checkWindow_ = 0;
    std::int64_t supportedReadAt_ = -1;
    std::vector<std::uint32_t> supported_;
    Habit habits_[2];
    TileRelease tileRelease_;
};

// Where a configure request must put the client's border corner for the window manager to
// place the frame `outer` (its top-level rectangle) around it, by the client's win_gravity.
Point requestedCorner(const ClientState& s, const Rect& outer, Size client);
// The shift to ask for once more where a window manager read the corner otherwise than meant
// (part of the frame's decoration); nothing when it landed where asked or by its own rule.
std::optional<Point> misreadShift(const ClientState& s, Point origin, const Rect& landed);

} // namespace fw::x11
