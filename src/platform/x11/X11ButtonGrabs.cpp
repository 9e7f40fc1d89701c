// Mouse-button grabs on X11: a tap thread holding synchronous passive grabs on the root window
// drops a grabbed click or replays it to the window under the pointer, as the filter decides.
#include "platform/x11/X11ButtonGrabs.h"

#include "platform/InputCodes.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Input.h"
#include "platform/x11/X11PanelFocus.h"

#include <algorithm>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace fw {

using namespace x11;

X11ButtonGrabs::X11ButtonGrabs(const QByteArray& displayName) : displayName_(displayName) {}

X11ButtonGrabs::~X11ButtonGrabs()
{
    stop();
}

bool X11ButtonGrabs::start(const std::vector<ButtonGrab>& grabs, Filter filter)
{
    if (running())
        stop();
    conn_ = std::make_unique<Connection>(displayName_);
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (!conn_->ok() || wakeFd_ < 0) {
        conn_.reset();
        if (wakeFd_ >= 0)
            ::close(wakeFd_);
        wakeFd_ = -1;
        return false;
    }
    modifiers_ = readModifierMap(conn_->raw());
    filter_ = std::move(filter);
    std::uint64_t serial;
    {
        std::lock_guard guard(mutex_);
        wanted_ = grabs;
        refused_.clear();
        serial = ++requested_;
        stopping_ = false;
        ended_ = false;
    }
    thread_ = std::thread([this] { run(); });
    waitApplied(serial);   // the tap is live once the first grabs are in place
    return true;
}

void X11ButtonGrabs::regrab(const std::vector<ButtonGrab>& grabs)
{
    if (!running())
        return;
    std::uint64_t serial;
    {
        std::lock_guard guard(mutex_);
        wanted_ = grabs;
        serial = ++requested_;
    }
    wake();
    waitApplied(serial);
}

std::vector<ButtonGrab> X11ButtonGrabs::refused() const
{
    std::lock_guard guard(mutex_);
    return refused_;
}

void X11ButtonGrabs::stop()
{
    if (!running())
        return;
    {
        std::lock_guard guard(mutex_);
        stopping_ = true;
    }
    wake();
    thread_.join();
    conn_.reset();   // the server releases the grabs with the connection
    ::close(wakeFd_);
    wakeFd_ = -1;
    filter_ = nullptr;
}

void X11ButtonGrabs::wake()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wakeFd_, &one, sizeof one);
}

void X11ButtonGrabs::waitApplied(std::uint64_t serial)
{
    std::unique_lock lock(mutex_);
    applied_.wait(lock, [&] { return done_ >= serial || ended_; });
}

void X11ButtonGrabs::run()
{
    ::prctl(PR_SET_NAME, "Framewell mouse shortcuts");   // the kernel keeps the first 15 bytes
    xcb_connection_t* c = conn_->raw();
    std::vector<ButtonGrab> current;   // what the last request asked for
    for (;;) {
        std::uint64_t serial = 0;
        {
            std::lock_guard guard(mutex_);
            if (stopping_)
                break;
            if (done_ < requested_) {
                current = wanted_;
                serial = requested_;
            }
        }
        if (serial)
            publishGrabs(current, serial);
        bool remapped = false;
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            remapped = handle(e) || remapped;
            free(e);
        }
        // The lock or Super bits moved: the grabs must cover the new ones.
        if (remapped) {
            const ModifierMap now = readModifierMap(c);
            if (now != modifiers_) {
                modifiers_ = now;
                publishGrabs(current, 0);
            }
            continue;   // the reading may have queued events
        }
        if (xcb_connection_has_error(c))
            break;
        pollfd fds[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        ::poll(fds, 2, -1);
        if (fds[1].revents & POLLIN) {
            std::uint64_t count;
            [[maybe_unused]] auto n = ::read(wakeFd_, &count, sizeof count);
        }
    }
    release();
    std::lock_guard guard(mutex_);
    ended_ = true;
    applied_.notify_all();
}

void X11ButtonGrabs::publishGrabs(const std::vector<ButtonGrab>& wanted, std::uint64_t serial)
{
    auto refused = applyGrabs(wanted);
    std::lock_guard guard(mutex_);
    refused_ = std::move(refused);
    done_ = std::max(done_, serial);
    applied_.notify_all();
}

void X11ButtonGrabs::release()
{
    xcb_connection_t* c = conn_->raw();
    if (xcb_connection_has_error(c))
        return;
    // Once the ungrab has been handled no press freezes for us again; the ones already frozen
    // on their way to us are passed on untouched.
    free(xcb_request_check(c, xcb_ungrab_button_checked(c, XCB_BUTTON_INDEX_ANY, conn_->root(), XCB_MOD_MASK_ANY)));
    while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
        if ((e->response_type & 0x7f) == XCB_BUTTON_PRESS)
            xcb_allow_events(c, XCB_ALLOW_REPLAY_POINTER, reinterpret_cast<xcb_button_press_event_t*>(e)->time);
        free(e);
    }
    xcb_flush(c);
}

std::vector<ButtonGrab> X11ButtonGrabs::applyGrabs(const std::vector<ButtonGrab>& wanted)
{
    xcb_connection_t* c = conn_->raw();
    const xcb_window_t root = conn_->root();
    xcb_ungrab_button(c, XCB_BUTTON_INDEX_ANY, root, XCB_MOD_MASK_ANY);
    struct Sent {
        ButtonGrab grab;
        std::vector<xcb_void_cookie_t> cookies;
    };
    std::vector<Sent> sent;
    for (const ButtonGrab& g : wanted) {
        const auto button = xButtonForStoredButton(g.button);
        if (!button || g.button < 2)
            continue;
        Sent s{g, {}};
        for (std::uint16_t mods : modifiers_.lockVariants(modifiers_.x(g.modifiers)))
            s.cookies.push_back(xcb_grab_button_checked(
                c, 0, root, XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE, XCB_GRAB_MODE_SYNC,
                XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, std::uint8_t(*button), mods));
        sent.push_back(std::move(s));
    }
    std::vector<ButtonGrab> refused;
    for (const Sent& s : sent) {
        bool ok = true;
        for (xcb_void_cookie_t cookie : s.cookies) {
            if (xcb_generic_error_t* e = xcb_request_check(c, cookie)) {
                ok = false;
                free(e);
            }
        }
        if (ok)
            continue;
        refused.push_back(s.grab);
        // A combination is grabbed in every lock state or not at all.
        for (std::uint16_t mods : modifiers_.lockVariants(modifiers_.x(s.grab.modifiers)))
            xcb_ungrab_button(c, std::uint8_t(*xButtonForStoredButton(s.grab.button)), root, mods);
    }
    xcb_flush(c);
    return refused;
}

bool X11ButtonGrabs::handle(const void* event)
{
    const auto* e = static_cast<const xcb_generic_event_t*>(event);
    if (keyboardMappingChanged(e))
        return true;
    const int type = e->response_type & 0x7f;
    if (type != XCB_BUTTON_PRESS && type != XCB_BUTTON_RELEASE)
        return false;
    // Press and release events share one layout.
    const auto* b = reinterpret_cast<const xcb_button_press_event_t*>(e);
    const auto button = storedButtonForXButton(b->detail);
    bool drop = false;
    if (button && filter_) {
        const ButtonEvent ev{type == XCB_BUTTON_PRESS ? ButtonEvent::Type::Down : ButtonEvent::Type::Up, *button,
                             modifiers_.stored(b->state), Point{double(b->root_x), double(b->root_y)}};
        drop = filter_(ev);
    }
    if (type == XCB_BUTTON_PRESS) {
        if (drop)
            x11::noteUserTime(b->time);   // a panel it opens takes the keyboard with this time
        xcb_allow_events(conn_->raw(), drop ? XCB_ALLOW_ASYNC_POINTER : XCB_ALLOW_REPLAY_POINTER, b->time);
        xcb_flush(conn_->raw());
    }
    return false;
}

} // namespace fw
