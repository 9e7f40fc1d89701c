#pragma once
// What the writes of the X11 window port wait on: a configure barrier on a helper window of
// ours, which only a pass through the window manager answers, bounded in time and ended early
// by the server's notices that a move and resize has landed; the events of the windows written,
// selected meanwhile; and the windows whose writes landed, followed by those notices for a
// while so that the next write of one starts from them without reading (one turn of the window
// manager per write); and one window's states for whoever carries something on from their
// changes. The helper also tells the server's time. Not thread-safe.

#include "base/Geometry.h"
#include "platform/WindowSystem.h"

#include <xcb/xcb.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTimer;
class QSocketNotifier;

namespace fw::x11 {

class Connection;
struct ClientState;
class WriteLanding;
struct AskedFrame;

class WriteWaits {
public:
    // Makes the helper (never mapped, naming process `ownPid`) on a working connection.
    WriteWaits(Connection& conn, Pid ownPid);
    ~WriteWaits();
    WriteWaits(const WriteWaits&) = delete;
    WriteWaits& operator=(const WriteWaits&) = delete;

    // Upper bound of each wait (default 100 ms).
    void setTimeout(int milliseconds) { timeoutMs_ = milliseconds; }

    // Waits until the WM has handled what was sent before (or the bound passes, or the window
    // is destroyed), `rounds` times over. Events of `watched` are selected for the duration.
    // False when `watched` was destroyed meanwhile (seen when it was watched before). With
    // `resizedTo`, the server's notice that the client got that size ends the wait too (the
    // barrier is then left pending), and with a `landing` that follows, its notices showing the
    // frame asked for (the write handled: nothing is pending).
    bool settle(std::uint32_t watched, int rounds = 1, std::optional<Size> resizedTo = std::nullopt,
                WriteLanding* landing = nullptr);
    // Whether the last wait ended before the window manager answered its barrier.
    bool behind() const { return behind_; }
    // Whether the helper has not yet the width of the last barrier: the WM is behind. Asked of
    // the server only after a wait that ended unanswered, and only while `managerRuns` says a
    // window manager runs (one that quit answers nothing any more).
    bool pending(const std::function<bool()>& managerRuns);
    // Drops the events queued, noting an answer to the last barrier among them and handing
    // each to the windows followed.
    void takeQueuedEvents();
    // The server's current time, from a notice on the helper; CurrentTime when none comes in time.
    std::uint32_t serverTime();

    // Sends a frame write through `send` (the corner; the landing to follow, false when the
    // window went away) with its landing followed; the frame when the server's notices showed
    // it land as asked (the window followed from then on). `sent`: whether the write went out.
    std::optional<Rect> sendFollowed(const ClientState& s, const AskedFrame& asked, Point corner,
                                     const std::function<bool(Point, WriteLanding*)>& send, bool* sent);
    // The followed window's client as the notices show it (events queued taken first), and
    // whether a window manager ran; nothing when it is not followed or no longer can be.
    std::optional<ClientState> followedState(std::uint32_t window, bool* managed = nullptr);

    // Follows one window's _NET_WM_STATE for a caller that goes on from its changes: its events
    // stay selected, the notices are taken as they come (from this thread's event loop), and
    // `noticed` is called at each change of it, whichever wait takes the notice (it should only
    // schedule its work). A window of 0 ends the following.
    void followStates(std::uint32_t window, std::function<void()> noticed);

    // Selects (or drops) the structure and property events of a window of another client, for
    // settle(); a window followed keeps them until its following ends.
    void watch(std::uint32_t window);
    void unwatch(std::uint32_t window);

private:
    struct Followed;
    // Waits for a PropertyNotify of `atom` on `window`, taking every event before it; its time,
    // or nothing once `deadlineMs` (nowMs()) has passed.
    std::optional<std::uint32_t> propertyNotice(std::uint32_t window, std::uint32_t atom, std::int64_t deadlineMs);
    // One event read off the connection, for the windows followed.
    void noteEvent(const xcb_generic_event_t* e);
    // The same, noting an answer to the last barrier besides.
    void takeEvent(const xcb_generic_event_t* e);
    // Takes the answers to hints asked again for followed windows that are in already.
    void takeArrivedHints();
    // Keeps following a window whose write has landed.
    void follow(WriteLanding&& landing, bool managed);
    // Stops following every window, dropping the events selected for it.
    void endFollowing();
    // Takes the notices as they come while windows or states are followed, from this thread's
    // event loop; false without one.
    bool takeNoticesAsTheyCome();
    void unwatchAll(const std::vector<Followed>& dropped);
    // Whether a followed window (a client or its frame) keeps its events selected.
    bool followedWindow(std::uint32_t window) const;
    // Sends a configure request for the helper that only a pass through the WM answers; the
    // width that answers it.
    std::uint32_t requestBarrier();

    Connection& conn_;
    std::uint32_t helper_ = 0;   // unmapped window of ours: barriers and server time
    std::uint32_t barrierWidth_ = 1;
    bool behind_ = false;        // the last barrier went unanswered
    int timeoutMs_ = 100;
    // Windows whose last write landed by the server's notices, each with the notices since:
    // the next write of one of them starts from them without reading. A write in flight when
    // someone else moves the window is judged by its own landing like any other. Followed for
    // kFollowMs after the last write, at most kFollowedMax at once (the windows a divider drag
    // resizes together).
    struct Followed {
        std::unique_ptr<WriteLanding> landing;
        bool managed = false;
        // Its size hints asked again when they changed (xterm sets them after each resize): the
        // answer comes while the write waits, not as a round of the next write.
        std::optional<xcb_get_property_cookie_t> hints;
        bool hintsLost = false;   // that question failed: the following ends at the next look
    };
    std::vector<Followed> followed_;
    // The windows of the write under way, kept watched while their landing may be followed.
    std::vector<std::uint32_t> landingWindows_;
    std::unique_ptr<QTimer> followEnd_;
    std::int64_t lastFollowMs_ = 0;   // when the last window began to be followed
    std::unique_ptr<QSocketNotifier> arriving_;   // enabled while windows or states are followed
    std::uint32_t statesWindow_ = 0;   // the window whose states are followed (followStates)
    std::function<void()> statesNoticed_;
    static constexpr int kFollowMs = 1000;
    static constexpr std::size_t kFollowedMax = 8;
};

} // namespace fw::x11
