#pragma once
// The window port on a real X server with an EWMH window manager (openbox, xfwm4, KWin, …).
// Window ids are client window ids from the WM's client list; frames are the WM's outer frame
// (client rectangle grown by _NET_FRAME_EXTENTS, or by the WM's reparenting frame where it
// states none, shrunk by _GTK_FRAME_EXTENTS for client-side decorated windows). Reads are pipelined: all requests go out before the first reply is read.
// Writes go through the WM and wait, bounded, until it has handled them (x11::WriteWaits); the
// read-back (or for a move and resize, the server's notices of where it landed) is the truth, and
// a window written moments before is known from the notices since rather than read again. What
// the WM supports and how it reads a request's corner is x11::WindowManagerFacts' to know; a
// window that a write finds held in the WM's own tile is let go by x11::HeldRelease.
// Not thread-safe: one thread uses one instance.

#include "platform/Applications.h"
#include "platform/WindowSystem.h"
#include "platform/x11/X11WindowManagerFacts.h"
#include "platform/x11/X11WriteWaits.h"

#include <QByteArray>
#include <xcb/xcb.h>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace fw {

namespace x11 {
class Connection;
struct ClientState;
struct LayerWindow;
struct LayerSeen;
class WriteLanding;
struct AskedFrame;
class HeldRelease;
}

class X11WindowSystem : public WindowSystem {
public:
    // Connects to the display name given, or to $DISPLAY when empty.
    explicit X11WindowSystem(const QByteArray& displayName = {});
    ~X11WindowSystem() override;

    bool connected() const;
    // Upper bound of the wait after each write, raise or activation (default 100 ms); reached
    // only when the window manager hangs or a loaded machine has not scheduled it (then
    // writesPending() says so until it has caught up).
    void setWriteTimeout(int milliseconds) { waits_.setTimeout(milliseconds); }
    // How frames are written under a window manager: by _NET_MOVERESIZE_WINDOW where it lists
    // it in _NET_SUPPORTED, else by a configure request on the client (Automatic, the default);
    // the others force one way, for measuring them side by side.
    enum class WritePath { Automatic, Message, ConfigureRequest };
    void setWritePath(WritePath path) { writePath_ = path; }
    // Windows of this process id are never listed (default: our own pid).
    void setOwnPid(Pid pid) { ownPid_ = pid; }
    // Names windows after their applications' desktop entries (WindowApplicationIndex: the
    // entry that launched it, its application id, its WM_CLASS); without it the snapshot leaves
    // WindowInfo::appName empty. Not owned.
    void setApplications(const Applications* apps);

    std::vector<WindowInfo> snapshot() override;
    // QueryTree(root) order, viewable windows only, each managed frame named by its client
    // (the child with WM_STATE). Windows seen before cost one pipelined round together; new
    // ones are resolved in a few more.
    std::vector<WindowLayer> layers() override;
    // How many top-level windows the last layers() had to resolve; 0: it took one round trip.
    std::size_t lastLayerResolutions() const { return lastLayerResolutions_; }

    std::optional<Rect> frame(WindowId id) override;
    std::optional<FrameAndManagerBox> frameAndManagerBox(WindowId id) override;
    // The top frame extent, less what a client-side decorated window draws itself.
    std::optional<double> titleBarHeight(WindowId id) override;
    std::optional<QString> title(WindowId id) override;
    std::optional<Pid> pid(WindowId id) override;
    // _NET_WM_ICON, read up to a bound; malformed pictures (and those after them) are left out.
    std::optional<PixelImage> windowIcon(WindowId id) override;
    std::optional<SizeHints> sizeHints(WindowId id) override;
    bool isMinimized(WindowId id) override;
    bool isFullscreen(WindowId id) override;
    bool isMovable(WindowId id) override;
    bool isResizable(WindowId id) override;

    bool setPosition(WindowId id, Point topLeft) override;
    bool setSize(WindowId id, Size size) override;
    bool setFrame(WindowId id, const Rect& frame) override;
    std::optional<Rect> setFrameAndRead(WindowId id, const Rect& frame) override;
    std::optional<FrameAndStates> frameAndStates(WindowId id) override;
    // The helper has not yet the width of the last barrier (the WM is behind), or a held window
    // is being let go (x11::HeldRelease).
    bool writesPending() override;
    bool unmaximize(WindowId id) override;
    std::optional<WindowStates> windowStates(WindowId id) override;
    bool changeWindowStates(WindowId id, WindowStates states, bool on) override;

    bool raise(WindowId id) override;
    bool activate(WindowId id) override;
    std::optional<WindowId> focusedWindow() override;
    std::optional<Pid> frontmostPid() override;
    std::optional<WindowId> windowAt(Point p) override;
    bool ownWindowAt(Point p) override;
    // The running window manager's name (_NET_WM_NAME of its check window); empty when none
    // names itself.
    QString windowManagerName() { return wm_.name(); }

private:
    enum Fields : unsigned { Geometry = 1, Identity = 2, Kind = 4, Hints = 8, All = 15 };
    std::vector<x11::ClientState> read(const std::vector<std::uint32_t>& ids, unsigned fields);
    std::optional<x11::ClientState> readOne(WindowId id, unsigned fields);
    // Keeps each reparented window's frame for the next read to confirm instead of climb to.
    void rememberFrames(const std::vector<x11::ClientState>& read);
    // The snapshot, with each window's top-level window (its window manager's frame) when asked.
    std::vector<WindowInfo> collect(std::vector<std::uint32_t>* topLevels);
    // Finds the client, process and type of top-level windows not seen (viewable) before, and
    // what this pass shows of them.
    void resolveLayers(const std::vector<std::uint32_t>& tops, std::unordered_map<std::uint32_t, x11::LayerSeen>& pass);
    // The client inside each frame: the descendant with WM_STATE, searched level by level.
    void findClients(std::vector<std::pair<std::uint32_t, std::uint32_t>> frontier);
    // Reads the process, type, state and frame of resolved windows.
    void placeResolved(const std::vector<std::uint32_t>& tops, std::unordered_map<std::uint32_t, x11::LayerSeen>& pass);
    // The client a press on a window manager's input-only border window at `p` belongs to.
    std::optional<WindowId> borderOwner(std::uint32_t hit, Point p, const std::vector<WindowInfo>& windows,
                                        const std::vector<std::uint32_t>& tops);
    // Without a client list: each top-level window that frames a managed client becomes that client.
    void clientsOfTopLevels(std::vector<std::uint32_t>& ids);
    // Adds the managed clients shown on screen that a window manager's client list leaves out.
    void addUnlistedClients(std::vector<std::uint32_t>& ids);
    // The client (the window with WM_STATE) holding the X input focus, with `followPointer`
    // also the one under the pointer where the focus follows it; 0 when none. Without a window
    // manager, the top-level window holding it.
    std::uint32_t inputFocusClient(bool followPointer);
    // The client inside a top-level window, searched a few levels down; 0 when none.
    std::uint32_t clientInside(std::uint32_t top);
    // The window manager's process (through its check window); 0 when unknown.
    Pid windowManagerPid();
    // Whether frames are written by _NET_MOVERESIZE_WINDOW (else by configure requests): where
    // it is listed and the window manager has not been seen to ignore it.
    bool moveResizeByMessage();
    // Sends the EWMH move/resize (or the configure request) for the given parts of `target` and
    // waits for the WM; asked once more when the frame lands off by part of its decoration.
    // The frame read back once the window manager answered; nothing when the write failed.
    std::optional<Rect> write(WindowId id, const Rect& target, bool position, bool size);
    // A _NET_MOVERESIZE_WINDOW for the frame `outer` around `client`, read back once and asked
    // again when the window manager read its corner as another one; one that moved nothing is
    // sent again as a configure request, and the message is not used again under this window
    // manager when that one moved the window.
    std::optional<Rect> writeByMessage(WindowId id, const x11::ClientState& s, Point origin, const Rect& outer, Size client, bool size);
    // Asks the window manager to add or remove `change` (states it lists in _NET_SUPPORTED) and
    // waits two rounds; false when it lists one not, or the window went away.
    bool requestStates(const x11::ClientState& s, WindowStates change, bool on);
    // Sends those requests and waits for nothing; false when the window manager lists one not.
    bool sendStates(const x11::ClientState& s, WindowStates change, bool on);
    // A configure request by the client's gravity under a window manager that frames it, asked
    // once more when the frame lands off by part of its decoration.
    std::optional<Rect> configureFramed(WindowId id, const x11::ClientState& s, const Rect& outer, Point origin,
                                        Size client, bool size);
    // Sends the frame's corner (`meant`: where a window manager that reads it as it should puts
    // the frame at `origin`) through `send` (the corner; on the first try what follows its
    // landing, else nothing; false when the window went away), corrected by the habit learnt on
    // `path`, and once more when the answer shows a corner read as another one or a monitor's
    // origin added, learning from it. A first try whose notices show the frame asked for is
    // not read back.
    std::optional<Rect> landCorner(WindowId id, const x11::ClientState& s, Point origin, Size client, Point meant, int path,
                    const std::function<bool(Point, x11::WriteLanding*)>& send);
    // The origin of the monitor holding the largest part of the frame (RandR's monitors).
    Point monitorOrigin(const Rect& frame);
    // Raises a viewable client that is not in front by its own configure request, as ICCCM
    // has clients ask (after an activation that only focused it).
    bool raiseByRequest(WindowId id);
    // A configure request for the client's border corner and size, queued: it goes out with
    // what follows it (a write's barrier: one wake of the server for both).
    void configureClient(std::uint32_t window, Point corner, Size client);
    // Whether the client's WM frame stands above every other client frame it can go above, as
    // the server stacks them.
    bool inFront(const x11::ClientState& target);

    std::unique_ptr<x11::Connection> conn_;
    x11::WriteWaits waits_;
    x11::WindowManagerFacts wm_;
    // The last move/resize sent: the window, its visible frame's origin and its client size.
    struct SentFrame {
        std::uint32_t window = 0;
        Rect outer;
        Size client;
    } lastSent_;
    // The last read of frameAndStates, with whether a window manager ran and when: the write
    // of that window that follows at once (nothing read in between, within kHandOverMs) starts
    // from it instead of reading again.
    struct HandedOver {
        std::unique_ptr<x11::ClientState> state;   // none: nothing to take over
        bool managed = false;
        std::int64_t readAtMs = 0;
    } handedOver_;
    static constexpr std::int64_t kHandOverMs = 20;
    WritePath writePath_ = WritePath::Automatic;
    std::unique_ptr<WindowApplicationIndex> appIndex_;
    Pid ownPid_ = 0;
    bool hasRes_ = false;
    std::unique_ptr<std::unordered_map<std::uint32_t, x11::LayerWindow>> layerCache_;
    // Each client's frame at the last read, and the one window between them where there is one.
    struct KnownFrame {
        std::uint32_t top = 0, middle = 0;
    };
    std::unordered_map<std::uint32_t, KnownFrame> knownFrames_;
    // A window held in a tile of the window manager's own, let go after a write that moved nothing.
    std::unique_ptr<x11::HeldRelease> release_;
    std::size_t lastLayerResolutions_ = 0;
};

} // namespace fw
