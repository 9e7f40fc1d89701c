// The keyboard for our panels on X11: asking the window manager, checking that the input focus
// came, setting it ourselves where it did not, and giving it back to the earlier window as its
// input model asks.
#include "platform/x11/X11PanelFocus.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11KeyboardHold.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>

namespace fw {

using namespace x11;

namespace {

std::atomic<std::uint32_t> gUserTime{0};
std::atomic<std::uint32_t> gClickTime{0};
std::atomic<std::uint32_t> gClicks{0};

// How old the user's last input may be and still stand for what opened a panel.
constexpr std::uint32_t recentInputMs = 2000;

// Notes the time of every key press and click that reaches a window of ours through the toolkit:
// the user's last input to us, which a panel's keyboard goes back with.
class OwnInputTimes final : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* e = static_cast<const xcb_generic_event_t*>(message);
        const int kind = e->response_type & 0x7f;
        if (kind == XCB_KEY_PRESS || kind == XCB_BUTTON_PRESS)
            x11::noteUserTime(reinterpret_cast<const xcb_key_press_event_t*>(e)->time);
        return false;
    }
};

} // namespace

void x11::noteUserTime(std::uint32_t time)
{
    if (!time)
        return;
    std::uint32_t seen = gUserTime.load(std::memory_order_relaxed);
    while ((!seen || serverTimeBefore(seen, time))
           && !gUserTime.compare_exchange_weak(seen, time, std::memory_order_relaxed)) {
    }
}

std::uint32_t x11::userTime() { return gUserTime.load(std::memory_order_relaxed); }

void x11::noteClick(std::uint32_t time)
{
    gClickTime.store(time, std::memory_order_relaxed);
    gClicks.fetch_add(1, std::memory_order_relaxed);
}

X11PanelFocus::X11PanelFocus(const QByteArray& displayName) : conn_(std::make_unique<Connection>(displayName))
{
    if (!conn_->ok())
        return;
    if (qGuiApp) {
        ownInput_ = std::make_unique<OwnInputTimes>();
        qGuiApp->installNativeEventFilter(ownInput_.get());
    }
    xcb_connection_t* c = conn_->raw();
    // Never mapped. Not override-redirect: its configure requests pass through the window
    // manager, which makes them a barrier; a property change on it tells the server's time.
    helper_ = xcb_generate_id(c);
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, helper_, conn_->root(), -100, -100, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
    conn_->flush();
}

X11PanelFocus::~X11PanelFocus()
{
    if (ownInput_ && qGuiApp)
        qGuiApp->removeNativeEventFilter(ownInput_.get());
}

bool X11PanelFocus::connected() const { return conn_->ok(); }

std::uint32_t X11PanelFocus::focus()
{
    xcb_connection_t* c = conn_->raw();
    auto f = FW_XCB_REPLY(c, xcb_get_input_focus, xcb_get_input_focus(c));
    return f ? f->focus : std::uint32_t(XCB_NONE);
}

std::uint64_t X11PanelFocus::keyboardWindow()
{
    if (!conn_->ok())
        return 0;
    const std::uint32_t w = focus();
    return w == XCB_INPUT_FOCUS_POINTER_ROOT || w == conn_->root() ? 0 : w;
}

bool X11PanelFocus::holds(std::uint32_t window) { return within(focus(), window); }

bool X11PanelFocus::within(std::uint32_t focus, std::uint32_t window)
{
    xcb_connection_t* c = conn_->raw();
    std::uint32_t w = focus;
    for (int depth = 0; depth < 8 && w != XCB_NONE && w != XCB_INPUT_FOCUS_POINTER_ROOT; ++depth) {
        if (w == window)
            return true;
        auto tree = FW_XCB_REPLY(c, xcb_query_tree, xcb_query_tree(c, w));
        if (!tree || tree->parent == XCB_NONE || w == tree->root)
            return false;
        w = tree->parent;
    }
    return false;
}

bool X11PanelFocus::viewable(std::uint32_t window)
{
    xcb_connection_t* c = conn_->raw();
    auto a = FW_XCB_REPLY(c, xcb_get_window_attributes, xcb_get_window_attributes(c, window));
    return a && a->map_state == XCB_MAP_STATE_VIEWABLE;
}

std::vector<std::uint32_t> X11PanelFocus::ancestors(std::uint32_t window)
{
    xcb_connection_t* c = conn_->raw();
    std::vector<std::uint32_t> chain;
    for (std::uint32_t w = window; chain.size() < 8;) {
        auto tree = FW_XCB_REPLY(c, xcb_query_tree, xcb_query_tree(c, w));
        if (!tree || tree->parent == XCB_NONE || tree->parent == tree->root)
            break;
        w = tree->parent;
        chain.push_back(w);
    }
    return chain;
}

bool X11PanelFocus::waitUntilViewable(std::uint32_t window)
{
    // The toolkit may still hold the map request: it goes out first.
    if (auto* x = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        xcb_flush(x->connection());
    xcb_connection_t* c = conn_->raw();
    const std::uint32_t watch = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    std::vector<std::uint32_t> watched{window};
    xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &watch);
    const std::int64_t deadline = nowMs() + mapWaitMs_;
    bool shown = viewable(window);
    // A window manager that frames the panel reparents it, maps it and then its frame (some
    // only after several hundred milliseconds of decorating): every window between the panel
    // and the root tells its MapNotify and ReparentNotify, and each wakes a new look. A slow
    // look every 50 ms stands in for a frame that came and went between two walks.
    while (!shown && nowMs() < deadline) {
        for (std::uint32_t w : ancestors(window)) {
            if (std::find(watched.begin(), watched.end(), w) == watched.end()) {
                watched.push_back(w);
                xcb_change_window_attributes(c, w, XCB_CW_EVENT_MASK, &watch);
            }
        }
        conn_->flush();
        shown = viewable(window);
        if (shown)
            break;
        waitReadable(c, std::min(deadline, nowMs() + 50));
        conn_->drainQueue();
        shown = viewable(window);
    }
    // Our interest in the window manager's frames ends here (a frame gone meanwhile answers
    // with an error, which the queue drops).
    const std::uint32_t none = XCB_EVENT_MASK_NO_EVENT;
    for (std::uint32_t w : watched)
        xcb_change_window_attributes(c, w, XCB_CW_EVENT_MASK, &none);
    conn_->flush();
    return shown;
}

bool X11PanelFocus::windowManagerLists(std::uint32_t atom)
{
    // A window manager that quit can leave its claim on the root: its check window must live.
    const xcb_atom_t check = conn_->atoms().netSupportingWmCheck;
    const auto w = cardinal(conn_->reply(conn_->property(conn_->root(), check, XCB_ATOM_WINDOW, 1)).p);
    if (!w || *w == 0 || cardinal(conn_->reply(conn_->property(*w, check, XCB_ATOM_WINDOW, 1)).p) != w)
        return false;
    const auto supported = cardinals(
        conn_->reply(conn_->property(conn_->root(), conn_->atoms().netSupported, XCB_ATOM_ATOM, 4096)).p);
    return std::find(supported.begin(), supported.end(), atom) != supported.end();
}

void X11PanelFocus::settle(int rounds)
{
    xcb_connection_t* c = conn_->raw();
    const std::int64_t deadline = nowMs() + waitMs_;
    while (rounds-- > 0) {
        // A width the helper does not have: only a change is reported, and a late answer to
        // an earlier barrier cannot pass for this one.
        barrierWidth_ = barrierWidth_ >= 30000 ? 2 : barrierWidth_ + 1;
        xcb_configure_window(c, helper_, XCB_CONFIG_WINDOW_WIDTH, &barrierWidth_);
        conn_->flush();
        bool answered = false;
        while (!answered) {
            while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
                const auto* n = reinterpret_cast<const xcb_configure_notify_event_t*>(e);
                answered = answered
                    || ((e->response_type & 0x7f) == XCB_CONFIGURE_NOTIFY && n->window == helper_
                        && n->width == barrierWidth_);
                free(e);
            }
            if (!answered && !waitReadable(c, deadline))
                return;
        }
    }
}

std::uint32_t X11PanelFocus::serverTime()
{
    // A zero-length append makes the server send a PropertyNotify carrying its time.
    xcb_connection_t* c = conn_->raw();
    xcb_change_property(c, XCB_PROP_MODE_APPEND, helper_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, nullptr);
    conn_->flush();
    const std::int64_t deadline = nowMs() + waitMs_;
    for (;;) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            const auto* p = reinterpret_cast<const xcb_property_notify_event_t*>(e);
            const bool hit = (e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY && p->window == helper_;
            const std::uint32_t t = hit ? p->time : 0;
            free(e);
            if (hit)
                return t;
        }
        if (!waitReadable(c, deadline))
            return XCB_CURRENT_TIME;
    }
}

std::uint32_t X11PanelFocus::inputTime()
{
    const std::uint32_t now = serverTime();
    const std::uint32_t user = gUserTime.load(std::memory_order_relaxed);
    // Server time wraps around every 49 days: differences are taken modulo 2^32. An input
    // older than a focus we set since opened nothing shown now (and would be refused).
    const bool recent = user != 0 && now != XCB_CURRENT_TIME && std::uint32_t(now - user) <= recentInputMs;
    const bool afterOurs = lastSet_ == 0 || serverTimeBefore(lastSet_, user);
    return recent && afterOurs ? user : now;
}

bool X11PanelFocus::setFocus(std::uint32_t window, std::uint8_t revertTo, std::uint32_t time)
{
    xcb_connection_t* c = conn_->raw();
    xcb_generic_error_t* error = xcb_request_check(c, xcb_set_input_focus_checked(c, revertTo, window, time));
    const bool taken = !error;
    free(error);
    if (taken && time != XCB_CURRENT_TIME)
        lastSet_ = time;
    return taken;
}

PanelFocus::Outcome X11PanelFocus::takeKeyboard(std::uint64_t panel)
{
    const auto window = std::uint32_t(panel);
    if (!conn_->ok() || window == 0)
        return Outcome::Missing;
    // Counted anew each time: a panel taking the keyboard back after a click elsewhere was
    // returned to by the user.
    if (clicksAtTake_.size() > 32)
        clicksAtTake_.clear();   // panels the window manager activated are never given back
    clicksAtTake_.insert_or_assign(window, gClicks.load());
    conn_->drainQueue();
    if (!waitUntilViewable(window))
        return Outcome::Missing;
    if (holds(window))
        return Outcome::Granted;
    const std::uint32_t time = inputTime();
    const xcb_atom_t active = conn_->atoms().netActiveWindow;
    // A window the window manager does not manage (override-redirect) is never activated by it.
    xcb_connection_t* c = conn_->raw();
    auto attributes = FW_XCB_REPLY(c, xcb_get_window_attributes, xcb_get_window_attributes(c, window));
    const bool managed = attributes && !attributes->override_redirect;
    if (managed && windowManagerLists(active)) {
        // As the user's own request (source 2): the user's key or click opened the panel.
        conn_->sendRootMessage(window, active, 2, time, XCB_NONE);
        settle(2);
        if (holds(window))
            return Outcome::Granted;
    }
    // Listed and ignored, or no request to make: the focus is set here. A focus that moved
    // after the user's input (to where the user clicked since) stays where it is.
    if (!setFocus(window, XCB_INPUT_FOCUS_PARENT, time))
        return Outcome::Missing;
    return holds(window) ? Outcome::Taken : Outcome::Missing;
}

bool X11PanelFocus::giveBack(std::uint64_t panel, std::uint64_t window)
{
    auto to = std::uint32_t(window);
    const auto taken = clicksAtTake_.find(std::uint32_t(panel));
    const std::uint32_t clicksBefore = taken == clicksAtTake_.end() ? gClicks.load() : taken->second;
    if (taken != clicksAtTake_.end())
        clicksAtTake_.erase(taken);
    if (!conn_->ok() || to == 0)
        return false;
    conn_->drainQueue();
    // One read decides: the panel's unmap may revert the focus between two reads.
    const std::uint32_t now = focus();
    if (!nowhere(now) && !within(now, std::uint32_t(panel)))
        return false;   // the user put it elsewhere meanwhile
    // The user clicked another window since the panel took the keyboard, after their last input
    // to us (the click that closes the panel): the keyboard goes to the window clicked, where
    // the window manager would have put it had the panel not held it. A window that takes no
    // input would not have got it: it goes back to the earlier window then.
    const std::uint32_t click = gClickTime.load(), user = gUserTime.load();
    if (gClicks.load() != clicksBefore && (user == 0 || serverTimeBefore(user, click))) {
        const std::uint32_t clicked = clientUnderPointer();
        if (clicked == 0)
            return false;
        if (inputModel(clicked).takesInput())
            to = clicked;
    }
    if (!viewable(to))
        return false;
    // As a window manager gives it (ICCCM's input models): the focus set on a window that takes
    // input, WM_TAKE_FOCUS sent to one that asks for it; a window that asks for it and takes no
    // input (Wine's) sets the focus itself, and counts itself active only then.
    const InputModel model = inputModel(to);
    const std::uint32_t time = serverTime();
    const bool set = model.input && setFocus(to, XCB_INPUT_FOCUS_POINTER_ROOT, time);
    if (model.takeFocus) {
        conn_->sendProtocolMessage(model.client, conn_->atoms().wmTakeFocus, time);
        conn_->flush();
        if (time != XCB_CURRENT_TIME)
            lastSet_ = time;
    }
    return model.input ? set && holds(to) : model.takeFocus;
}

bool X11PanelFocus::nowhere(std::uint32_t focus)
{
    if (focus == XCB_NONE || focus == XCB_INPUT_FOCUS_POINTER_ROOT || focus == conn_->root())
        return true;
    // A window manager's own unmanaged window, where it parks the keyboard when the focused
    // window goes (metacity's and mutter's no-focus window), is no place the user chose. A
    // window of another program's that the user can focus is managed, or, with no window
    // manager, not override-redirect.
    const std::vector<std::uint32_t> chain = ancestors(focus);
    const std::uint32_t top = chain.empty() ? focus : chain.back();
    xcb_connection_t* c = conn_->raw();
    const auto attributes = FW_XCB_REPLY(c, xcb_get_window_attributes, xcb_get_window_attributes(c, top));
    return !attributes || (attributes->override_redirect && !conn_->ofThisProcess(top));   // gone, or parked
}

X11PanelFocus::InputModel X11PanelFocus::inputModel(std::uint32_t window)
{
    // The client is the window itself or the nearest one above it with WM_STATE (the focus may
    // be on a child of it); without a window manager, the top-level window.
    xcb_connection_t* c = conn_->raw();
    InputModel model;
    model.client = window;
    for (std::uint32_t w = window, depth = 0; depth < 8; ++depth) {
        const auto state = FW_XCB_REPLY(c, xcb_get_property,
                                        xcb_get_property(c, 0, w, conn_->atoms().wmState, XCB_ATOM_ANY, 0, 0));
        model.client = w;
        if (state && state->type != XCB_NONE)
            break;
        const auto tree = FW_XCB_REPLY(c, xcb_query_tree, xcb_query_tree(c, w));
        if (!tree || tree->parent == XCB_NONE || tree->parent == tree->root)
            break;
        w = tree->parent;
    }
    // WM_HINTS: flags, then input; without the input flag a window takes input.
    const auto hints = cardinals(conn_->reply(conn_->property(model.client, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 2)).p);
    model.input = hints.size() < 2 || !(hints[0] & 1) || hints[1] != 0;
    const Atoms& a = conn_->atoms();
    const auto protocols = cardinals(conn_->reply(conn_->property(model.client, a.wmProtocols, XCB_ATOM_ATOM, 64)).p);
    model.takeFocus = std::find(protocols.begin(), protocols.end(), a.wmTakeFocus) != protocols.end();
    return model;
}

std::uint32_t X11PanelFocus::clientUnderPointer()
{
    xcb_connection_t* c = conn_->raw();
    const auto pointer = FW_XCB_REPLY(c, xcb_query_pointer, xcb_query_pointer(c, conn_->root()));
    if (!pointer || pointer->child == XCB_NONE)
        return 0;
    // The client inside the window manager's frame: the first window down with WM_STATE.
    std::vector<std::uint32_t> level{pointer->child};
    for (int depth = 0; depth < 4 && !level.empty(); ++depth) {
        std::vector<std::uint32_t> next;
        for (std::uint32_t w : level) {
            const auto state = FW_XCB_REPLY(c, xcb_get_property,
                                            xcb_get_property(c, 0, w, conn_->atoms().wmState, XCB_ATOM_ANY, 0, 0));
            if (state && state->type != XCB_NONE)
                return viewable(w) ? w : 0;
            const auto tree = FW_XCB_REPLY(c, xcb_query_tree, xcb_query_tree(c, w));
            if (!tree)
                continue;
            const auto* children = xcb_query_tree_children(tree.p);
            next.insert(next.end(), children, children + xcb_query_tree_children_length(tree.p));
        }
        level = std::move(next);
    }
    return 0;
}

void X11PanelFocus::holdKeyboard(std::uint64_t panel) { x11::holdForPanel(panel); }

void X11PanelFocus::letGo(std::uint64_t panel) { x11::letGoForPanel(panel); }

} // namespace fw
