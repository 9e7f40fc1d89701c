// Panel stacking on X11: restacks our panels against other windows' frames on Qt's connection,
// and follows the compositing manager's selection owner through XFixes, probing whether it
// paints the windows itself.
#include "platform/x11/X11Stacking.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/composite.h>
#include <xcb/shape.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace fw {

namespace {

template<typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template<typename T>
Reply<T> reply(T* p) { return Reply<T>(p, &std::free); }

// A compositing manager takes its selection a moment before it redirects the windows: after a
// change of owner that does not (yet) paint the windows itself, looked at again this long
// after the change, then no more until the owner changes again.
constexpr std::array kProbeDelays{std::chrono::milliseconds(50), std::chrono::milliseconds(250),
                                  std::chrono::milliseconds(1000), std::chrono::milliseconds(3000)};

// Whether another client redirects new top-level windows to paint them itself, as a
// compositing manager that blends does (xcompmgr, picom, metacity): only one client may, so
// our own redirect of a fresh unmapped window is refused. Under the server's automatic
// compositing alone (xcompmgr -a) nobody does and translucent pixels show opaque. The window
// goes within a server grab, so no other client's request falls between and the probe
// touches nothing of theirs.
bool otherClientPaints(xcb_connection_t* c, xcb_window_t root)
{
    const xcb_window_t probe = xcb_generate_id(c);
    const std::uint32_t overrideRedirect = 1;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, root, -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT, &overrideRedirect);
    xcb_grab_server(c);
    const auto redirect = xcb_composite_redirect_window_checked(c, probe, XCB_COMPOSITE_REDIRECT_MANUAL);
    xcb_destroy_window(c, probe);   // takes our redirect along
    xcb_ungrab_server(c);
    const Reply<xcb_generic_error_t> error(xcb_request_check(c, redirect), &std::free);
    return error && error->error_code == XCB_ACCESS;
}

} // namespace

// Hears XFixes' notices of a new owner of the compositing manager's selection, or of its owner
// going away, on Qt's connection.
class X11Stacking::CompositorWatch final : public QAbstractNativeEventFilter {
public:
    CompositorWatch(X11Stacking& stacking, std::uint8_t firstEvent) : stacking_(stacking), firstEvent_(firstEvent)
    {
        qGuiApp->installNativeEventFilter(this);
    }
    ~CompositorWatch() override
    {
        if (qGuiApp)
            qGuiApp->removeNativeEventFilter(this);
    }
    CompositorWatch(const CompositorWatch&) = delete;
    CompositorWatch& operator=(const CompositorWatch&) = delete;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != firstEvent_ + XCB_XFIXES_SELECTION_NOTIFY)
            return false;
        const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
        if (notify->selection != stacking_.selection_)
            return false;
        stacking_.owned_ = notify->owner != XCB_WINDOW_NONE;
        stacking_.probes_ = 0;
        stacking_.recheck();
        return false;
    }

private:
    X11Stacking& stacking_;
    std::uint8_t firstEvent_;
};

X11Stacking::X11Stacking()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    connection_ = x11->connection();
    // The toolkit raises a tool window just before it maps it, a restack that changes nothing
    // while the new window is the topmost. With the first native window of the process it
    // also makes its client-leader window, above that one: the raise then restacks a window
    // never mapped, and xcompmgr (which learns whether a window has alpha only when it sees it
    // mapped) gives it a shadow as if it had none (xcompmgr -c) and keeps it while shown,
    // darkening through a panel's transparent corners. The leader is made here, with a window
    // never shown, before any panel.
    {
        QWindow leaderMaker;
        leaderMaker.create();
    }
    // The screen Qt uses is the default one of the display name; Xvfb test sessions have one.
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
    if (!it.rem) {
        connection_ = nullptr;
        return;
    }
    root_ = it.data->root;
    screen_ = 0;
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen_);
    auto atom = reply(xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, name.size(), name.constData()), nullptr));
    selection_ = atom ? atom->atom : std::uint32_t(XCB_ATOM_NONE);
    // Under Xwayland the Wayland compositor paints (and blends) every window, redirect or not.
    const auto xwayland =
        reply(xcb_query_extension_reply(connection_, xcb_query_extension(connection_, 8, "XWAYLAND"), nullptr));
    xwayland_ = xwayland && xwayland->present;
    const auto* xfixes = xcb_get_extension_data(connection_, &xcb_xfixes_id);
    if (selection_ == XCB_ATOM_NONE || !xfixes || !xfixes->present)
        return;
    auto version = reply(xcb_xfixes_query_version_reply(connection_, xcb_xfixes_query_version(connection_, 1, 0), nullptr));
    if (!version)
        return;
    // Selected before the owner is read, so that no change falls between the two.
    xcb_xfixes_select_selection_input(connection_, root_, selection_,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
                                          | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                                          | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    owned_ = readOwner();
    compositing_ = owned_ && blendingNow();
    watch_ = std::make_unique<CompositorWatch>(*this, xfixes->first_event);
    if (owned_ && !compositing_)
        probeAgainLater();
}

X11Stacking::~X11Stacking()
{
    probeTimer_.reset();
    watch_.reset();
    if (connection_ && selection_ != XCB_ATOM_NONE && qGuiApp) {
        xcb_xfixes_select_selection_input(connection_, root_, selection_, 0);
        xcb_flush(connection_);
    }
}

std::uint32_t X11Stacking::frameOf(std::uint32_t window) const
{
    if (!connection_ || window == 0)
        return 0;
    std::uint32_t current = window;
    // Window managers reparent at most a few levels deep; bound the walk anyway.
    for (int depth = 0; depth < 16; ++depth) {
        auto tree = reply(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, current), nullptr));
        if (!tree)
            return 0;
        if (tree->parent == tree->root || tree->parent == 0)
            return current;
        current = tree->parent;
    }
    return 0;
}

bool X11Stacking::orderBelow(std::uint64_t panel, WindowId window)
{
    if (!connection_)
        return false;
    const std::uint32_t frame = frameOf(std::uint32_t(window));
    if (frame == 0 || frame == panel)
        return false;
    const std::uint32_t values[] = {frame, XCB_STACK_MODE_BELOW};
    auto cookie = xcb_configure_window_checked(connection_, std::uint32_t(panel),
                                               XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values);
    std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(xcb_request_check(connection_, cookie), &std::free);
    return !error;
}

void X11Stacking::orderToBack(std::uint64_t panel)
{
    if (!connection_)
        return;
    const std::uint32_t values[] = {XCB_STACK_MODE_BELOW};
    xcb_configure_window(connection_, std::uint32_t(panel), XCB_CONFIG_WINDOW_STACK_MODE, values);
    xcb_flush(connection_);
}

bool X11Stacking::readOwner() const
{
    if (!connection_ || selection_ == XCB_ATOM_NONE)
        return false;
    auto owner = reply(xcb_get_selection_owner_reply(connection_, xcb_get_selection_owner(connection_, selection_), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

bool X11Stacking::blendingNow() const
{
    if (xwayland_)
        return true;
    const auto* composite = xcb_get_extension_data(connection_, &xcb_composite_id);
    // Without Composite nothing can paint the windows but the server itself.
    return composite && composite->present && otherClientPaints(connection_, root_);
}

bool X11Stacking::compositing() const
{
    if (watch_)
        return compositing_;
    return readOwner() && blendingNow();
}

void X11Stacking::recheck()
{
    const bool now = owned_ && blendingNow();
    if (owned_ && !now)
        probeAgainLater();
    else if (probeTimer_)
        probeTimer_->stop();
    if (now == compositing_)
        return;
    compositing_ = now;
    if (observer_) {
        auto observer = observer_;
        observer();
    }
}

void X11Stacking::probeAgainLater()
{
    if (probes_ >= kProbeDelays.size()) {
        if (probeTimer_)
            probeTimer_->stop();
        return;
    }
    if (!probeTimer_) {
        probeTimer_ = std::make_unique<QTimer>();
        probeTimer_->setSingleShot(true);
        QObject::connect(probeTimer_.get(), &QTimer::timeout, probeTimer_.get(), [this] { recheck(); });
    }
    probeTimer_->start(kProbeDelays[probes_++]);
}

void X11Stacking::setCompositingObserver(std::function<void()> changed) { observer_ = std::move(changed); }

std::uint32_t X11Stacking::atom(const char* name) const
{
    auto r = reply(xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, std::uint16_t(std::strlen(name)), name),
                                         nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

void X11Stacking::giveBaseSize(std::uint64_t panel)
{
    // Above a device-pixel ratio of 1 the toolkit asks for resize steps of the ratio, with a
    // base size of -1 times it where none was set. A window manager that takes the base size
    // for a missing minimum and reads it unsigned (fluxbox) makes the panel 65534 pixels
    // square, and its backing store takes all memory: a base size of nothing is sound for all.
    for (QWindow* window : QGuiApplication::allWindows()) {
        if (window->handle() && window->winId() == panel) {
            if (!window->baseSize().isValid())
                window->setBaseSize(QSize(0, 0));
            return;
        }
    }
}

void X11Stacking::preparePanel(std::uint64_t panel)
{
    // A panel draws its own look, soft edges and all: a compositor's shadow would show as a box
    // round its transparent pixels. Compositors take no shadow from one property alike: picom's
    // stock rules leave out windows that draw their own frame (_GTK_FRAME_EXTENTS, here of no
    // width, as GTK's client-side decorated windows carry it), and compton's lineage reads
    // _COMPTON_SHADOW 0 (picom in a rule of the user's). xcompmgr shadows no window with alpha.
    giveBaseSize(panel);
    if (!connection_)
        return;
    const std::uint32_t none = 0;
    const std::array<std::uint32_t, 4> noExtents{};
    const auto window = std::uint32_t(panel);
    if (!shadowAtoms_[0])
        shadowAtoms_ = {atom("_COMPTON_SHADOW"), atom("_GTK_FRAME_EXTENTS")};
    if (shadowAtoms_[0])
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, shadowAtoms_[0], XCB_ATOM_CARDINAL, 32, 1,
                            &none);
    if (shadowAtoms_[1])
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, shadowAtoms_[1], XCB_ATOM_CARDINAL, 32, 4,
                            noExtents.data());
    xcb_flush(connection_);
}

void X11Stacking::setInputShape(std::uint64_t panel, const std::optional<std::vector<Rect>>& rects)
{
    if (!connection_)
        return;
    const auto window = std::uint32_t(panel);
    if (!rects) {
        xcb_shape_mask(connection_, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, window, 0, 0, XCB_NONE);
    } else {
        std::vector<xcb_rectangle_t> list;
        list.reserve(rects->size());
        for (const Rect& r : *rects)
            list.push_back({std::int16_t(r.minX()), std::int16_t(r.minY()), std::uint16_t(r.width()),
                            std::uint16_t(r.height())});
        xcb_shape_rectangles(connection_, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED, window, 0,
                             0, std::uint32_t(list.size()), list.data());
    }
    xcb_flush(connection_);
}

} // namespace fw
