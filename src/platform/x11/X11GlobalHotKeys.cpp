// Global hot keys on X11: passive key grabs on the root window (in every lock state) on a
// connection of their own, one action per press (auto-repeat ignored); a change of layout or
// modifier mapping goes to the keyboard handler.
#include "platform/x11/X11GlobalHotKeys.h"

#include "platform/InputCodes.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Input.h"
#include "platform/x11/X11KeyboardHold.h"
#include "platform/x11/X11KeyboardLayout.h"
#include "platform/x11/X11PanelFocus.h"

// xcb's XKB header names a field "explicit", which C++ reserves.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <QCoreApplication>

#include <algorithm>
#include <utility>

namespace fw {

using namespace x11;

X11GlobalHotKeys::X11GlobalHotKeys(const QByteArray& displayName) : displayName_(displayName) {}

X11GlobalHotKeys::~X11GlobalHotKeys()
{
    if (conn_ && conn_->ok())
        x11::routeHotKeys({});
    pump_.reset();
    layout_.reset();
    conn_.reset();   // the server drops our grabs with the connection
}

bool X11GlobalHotKeys::connect()
{
    if (conn_)
        return conn_->ok();
    conn_ = std::make_unique<Connection>(displayName_);
    if (!conn_->ok())
        return false;
    modifiers_ = readModifierMap(conn_->raw());
    layout_ = std::make_unique<KeyboardLayout>(conn_->raw());
    askDetectableRepeat();
    if (QCoreApplication::instance())
        pump_ = std::make_unique<EventPump>(conn_->raw(), [this] { drain(); });
    // While a panel holds the keyboard our passive grabs cannot start: its presses come here.
    x11::routeHotKeys([this](std::uint8_t keycode, std::uint16_t state, std::uint32_t time) {
        const std::vector<std::uint32_t> ids = idsFor(keycode, state);
        if (ids.empty())
            return false;
        x11::noteUserTime(time);
        routed_.insert(routed_.end(), ids.begin(), ids.end());
        if (pump_)
            pump_->kick();
        return true;
    });
    return true;
}

std::vector<std::uint32_t> X11GlobalHotKeys::idsFor(std::uint8_t keycode, std::uint16_t state) const
{
    std::vector<std::uint32_t> ids;
    const std::uint16_t mods = modifiers_.withoutLocks(state);
    for (const auto& [ref, g] : grabs_)
        if (g.mods == mods && std::find(g.keycodes.begin(), g.keycodes.end(), keycode) != g.keycodes.end())
            ids.push_back(g.id);
    return ids;
}

GlobalHotKeys::Registration X11GlobalHotKeys::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                             std::uint32_t id)
{
    if (!connect())
        return {HotKeyNoSuchKey, 0};
    const std::uint16_t mods = modifiers_.x(modifiers);
    Grab g{id, layout_->keys(keyCode), mods, modifiers_.lockVariants(mods)};
    if (g.keycodes.empty())
        return {HotKeyNoSuchKey, 0};
    for (const auto& [ref, other] : grabs_) {
        const bool sameKey = std::any_of(g.keycodes.begin(), g.keycodes.end(), [&](std::uint8_t k) {
            return std::find(other.keycodes.begin(), other.keycodes.end(), k) != other.keycodes.end();
        });
        if (sameKey && other.mods == g.mods)
            return {HotKeyTaken, 0};
    }
    if (const int error = grab(g))
        return {error, 0};
    const HotKeyRef ref = nextRef_++;
    grabs_.emplace(ref, std::move(g));
    return {HotKeyOk, ref};
}

int X11GlobalHotKeys::grab(const Grab& g)
{
    xcb_connection_t* c = conn_->raw();
    struct Sent {
        std::uint8_t keycode;
        std::uint16_t mods;
        xcb_void_cookie_t cookie;
    };
    std::vector<Sent> sent;
    for (std::uint8_t keycode : g.keycodes)
        for (std::uint16_t mods : g.variants)
            sent.push_back({keycode, mods, xcb_grab_key_checked(c, 0, conn_->root(), mods, keycode,
                                                                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)});
    int error = 0;
    for (const Sent& s : sent) {
        if (xcb_generic_error_t* e = xcb_request_check(c, s.cookie)) {
            if (!error)
                error = e->error_code;
            free(e);
        }
    }
    if (error)
        ungrab(g);   // a combination is ours in every lock state or not at all
    if (pump_)
        pump_->kick();
    return error;
}

void X11GlobalHotKeys::ungrab(const Grab& g)
{
    for (std::uint8_t keycode : g.keycodes)
        for (std::uint16_t mods : g.variants)
            xcb_ungrab_key(conn_->raw(), keycode, conn_->root(), mods);
    conn_->flush();
}

void X11GlobalHotKeys::unregisterHotKey(HotKeyRef ref)
{
    const auto it = grabs_.find(ref);
    if (it == grabs_.end())
        return;
    ungrab(it->second);
    grabs_.erase(it);
}

void X11GlobalHotKeys::setHandler(std::function<void(std::uint32_t)> handler)
{
    handler_ = std::move(handler);
    if (handler_)
        connect();
}

void X11GlobalHotKeys::setKeyboardHandler(std::function<void()> handler)
{
    keyboardHandler_ = std::move(handler);
    if (keyboardHandler_)
        connect();
}

QString X11GlobalHotKeys::keyCharacters(std::uint32_t keyCode)
{
    return connect() ? layout_->characters(keyCode) : QString();
}

QLocale X11GlobalHotKeys::keyboardLocale()
{
    if (!connect())
        return QLocale();
    const QLocale locale = layout_->locale();
    // The round trips may have queued a key press behind their replies: it is handed on at the
    // next turn of the loop rather than waiting for the socket to wake again.
    if (pump_)
        pump_->kick();
    return locale;
}

std::optional<std::uint32_t> X11GlobalHotKeys::keyCodeForKey(std::uint32_t nativeKey)
{
    return connect() ? layout_->keyCode(nativeKey) : std::nullopt;
}

bool X11GlobalHotKeys::sameKey(std::uint32_t a, std::uint32_t b)
{
    if (a == b)
        return true;
    if (!connect())
        return false;
    const auto keysA = layout_->keys(a);
    const auto keysB = layout_->keys(b);
    return std::any_of(keysA.begin(), keysA.end(),
                       [&](std::uint8_t k) { return std::find(keysB.begin(), keysB.end(), k) != keysB.end(); });
}

KeyboardHold X11GlobalHotKeys::holdKeyboard(std::uint64_t window)
{
    return x11::holdKeyboard(window);
}

void X11GlobalHotKeys::releaseKeyboard()
{
    x11::releaseKeyboard();
}

void X11GlobalHotKeys::askDetectableRepeat()
{
    // A held key then sends presses alone and one release at the end, rather than a release
    // and a press at one time for every repeat (which a fast press again could pass for).
    xcb_connection_t* c = conn_->raw();
    const auto* xkb = xcb_get_extension_data(c, &xcb_xkb_id);
    if (!xkb || !xkb->present)
        return;
    xcb_discard_reply(c, xcb_xkb_use_extension(c, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION).sequence);
    const std::uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    auto reply = FW_XCB_REPLY(c, xcb_xkb_per_client_flags,
                              xcb_xkb_per_client_flags(c, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0));
    detectableRepeat_ = reply && (reply->value & flag);
}

bool X11GlobalHotKeys::repeated(const xcb_generic_event_t* e)
{
    // Keys reach this connection only while a grab holds the keyboard: from the press that
    // started it (the first key held) to that key's release. Keys still held then are
    // released elsewhere.
    const auto* k = reinterpret_cast<const xcb_key_press_event_t*>(e);
    const bool held = std::find(held_.begin(), held_.end(), k->detail) != held_.end();
    if ((e->response_type & 0x7f) == XCB_KEY_RELEASE) {
        if (held && held_.front() == k->detail)
            held_.clear();
        else
            std::erase(held_, k->detail);
        released_ = {k->detail, k->time};
        return false;
    }
    // Without detectable repeat every repeat is a release and a press at one time.
    const bool again = held || (!detectableRepeat_ && released_.key == k->detail && released_.time == k->time);
    if (!held)
        held_.push_back(k->detail);
    released_ = {};
    return again;
}

void X11GlobalHotKeys::drain()
{
    if (!conn_ || xcb_connection_has_error(conn_->raw()))
        return;
    // Collect first: the handlers may register or unregister keys.
    std::vector<std::uint32_t> ids = std::exchange(routed_, {});
    bool keyboardChanged = false;
    while (xcb_generic_event_t* e = xcb_poll_for_event(conn_->raw())) {
        keyboardChanged = keyboardChanged || layout_->changes(e);
        const int type = e->response_type & 0x7f;
        const bool key = type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE;
        if (key && !repeated(e) && type == XCB_KEY_PRESS) {
            const auto* k = reinterpret_cast<const xcb_key_press_event_t*>(e);
            const std::vector<std::uint32_t> pressed = idsFor(k->detail, k->state);
            if (!pressed.empty())
                x11::noteUserTime(k->time);
            ids.insert(ids.end(), pressed.begin(), pressed.end());
        }
        free(e);
    }
    for (std::uint32_t id : ids)
        if (handler_)
            handler_(id);
    if (!keyboardChanged)
        return;
    // One read for all the notifications read here; the owner hears only of what moved keys.
    const ModifierMap modifiers = readModifierMap(conn_->raw());
    const bool moved = layout_->reload() || modifiers != modifiers_;
    modifiers_ = modifiers;
    // The reading's round trips may have queued presses that the socket will not announce
    // again. (A keyboard of another device sends these notifications at its first press.)
    if (pump_)
        pump_->kick();
    if (moved && keyboardHandler_)
        keyboardHandler_();
}

} // namespace fw
