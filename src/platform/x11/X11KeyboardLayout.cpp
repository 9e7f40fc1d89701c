// The keyboard layout as the hot keys see it (X11KeyboardLayout.h): the XKB keymap and locked
// group read over the hot keys' connection, else the core mapping's first group.
#include "platform/x11/X11KeyboardLayout.h"

#include "platform/InputCodes.h"
#include "platform/x11/X11Connection.h"

// xcb's XKB header names a field "explicit", which C++ reserves.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <utility>

namespace fw::x11 {

namespace {

// Dead keys type nothing by themselves; their label is the accent they put on the next letter.
constexpr std::pair<std::uint32_t, const char*> deadKeys[] = {
    {0xfe50, "`"}, {0xfe51, "´"}, {0xfe52, "^"}, {0xfe53, "~"}, {0xfe57, "¨"}, {0xfe5a, "ˇ"}, {0xfe5b, "¸"},
};

} // namespace

void KeyboardLayout::Free::operator()(xkb_context* c) const { xkb_context_unref(c); }
void KeyboardLayout::Free::operator()(xkb_keymap* k) const { xkb_keymap_unref(k); }

KeyboardLayout::KeyboardLayout(xcb_connection_t* c) : c_(c)
{
    std::uint8_t base = 0;
    if (xkb_x11_setup_xkb_extension(c, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                    XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &base, nullptr)) {
        device_ = xkb_x11_get_core_keyboard_device_id(c);
        context_.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    }
    if (device_ >= 0 && context_) {
        xkbEvent_ = base;
        // Only what moves characters between keys: a new keymap, changed symbols or types,
        // and a switch of the locked group (not every press of a modifier).
        const std::uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY
            | XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
        const std::uint16_t parts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS
            | XCB_XKB_MAP_PART_MODIFIER_MAP;
        xcb_xkb_select_events_details_t details{};
        details.affectNewKeyboard = details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
        details.affectState = details.stateDetails = XCB_XKB_STATE_PART_GROUP_LOCK;
        xcb_xkb_select_events_aux(c, xcb_xkb_device_spec_t(device_), events, 0, 0, parts, parts, &details);
    }
    reload();
}

KeyboardLayout::~KeyboardLayout() = default;

bool KeyboardLayout::reload()
{
    read();
    auto now = fingerprint();
    const bool moved = now != fingerprint_;
    fingerprint_ = std::move(now);
    return moved;
}

std::vector<std::uint32_t> KeyboardLayout::fingerprint() const
{
    std::vector<std::uint32_t> f;
    const xcb_setup_t* setup = xcb_get_setup(c_);
    for (int key = setup->min_keycode; key <= setup->max_keycode; ++key)
        for (std::uint32_t level : {0u, 1u})
            f.push_back(keysymAt(std::uint8_t(key), level));
    for (std::uint32_t code = 0; keymap_ && code < 128; ++code)
        if (const char* position = keyPosition(code))
            f.push_back(xkb_keymap_key_by_name(keymap_.get(), position));
    return f;
}

void KeyboardLayout::read()
{
    keymap_.reset();
    group_ = 0;
    core_.clear();
    if (xkbEvent_) {
        keymap_.reset(xkb_x11_keymap_new_from_device(context_.get(), c_, device_, XKB_KEYMAP_COMPILE_NO_FLAGS));
        auto state = FW_XCB_REPLY(c_, xcb_xkb_get_state, xcb_xkb_get_state(c_, xcb_xkb_device_spec_t(device_)));
        if (state)
            group_ = state->lockedGroup;
        if (keymap_)
            return;
    }
    const xcb_setup_t* setup = xcb_get_setup(c_);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    auto map = FW_XCB_REPLY(c_, xcb_get_keyboard_mapping,
                            xcb_get_keyboard_mapping(c_, setup->min_keycode, std::uint8_t(count)));
    if (!map)
        return;
    perKey_ = map->keysyms_per_keycode;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.p);
    core_.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(map.p));
}

bool KeyboardLayout::changes(const xcb_generic_event_t* event) const
{
    const int type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY)
        return reinterpret_cast<const xcb_mapping_notify_event_t*>(event)->request != XCB_MAPPING_POINTER;
    if (!xkbEvent_ || type != xkbEvent_)
        return false;
    switch (reinterpret_cast<const xcb_xkb_state_notify_event_t*>(event)->xkbType) {
    case XCB_XKB_NEW_KEYBOARD_NOTIFY:
    case XCB_XKB_MAP_NOTIFY:
        return true;
    case XCB_XKB_STATE_NOTIFY:
        return reinterpret_cast<const xcb_xkb_state_notify_event_t*>(event)->lockedGroup != group_;
    default:
        return false;
    }
}

std::uint32_t KeyboardLayout::keysymAt(std::uint8_t key, std::uint32_t level) const
{
    if (keymap_) {
        const xkb_keysym_t* syms = nullptr;
        const int n = xkb_keymap_key_get_syms_by_level(keymap_.get(), key, group_, level, &syms);
        return n == 1 ? syms[0] : 0;
    }
    // The core mapping: its first two columns are the first group's two levels.
    const std::size_t at = std::size_t(key - xcb_get_setup(c_)->min_keycode) * perKey_ + level;
    return level < perKey_ && at < core_.size() ? core_[at] : 0;
}

std::vector<std::uint8_t> KeyboardLayout::keysTyping(std::uint32_t keysym) const
{
    const xcb_setup_t* setup = xcb_get_setup(c_);
    for (std::uint32_t level : {0u, 1u}) {
        std::vector<std::uint8_t> found;
        for (int key = setup->min_keycode; key <= setup->max_keycode; ++key)
            if (keysymAt(std::uint8_t(key), level) == keysym)
                found.push_back(std::uint8_t(key));
        if (!found.empty())
            return found;
    }
    return {};
}

std::vector<std::uint8_t> KeyboardLayout::keys(std::uint32_t keyCode) const
{
    const auto keysym = keysymForKeyCode(keyCode);
    if (!keysym)
        return {};
    if (auto found = keysTyping(*keysym); !found.empty())
        return found;
    // Typed nowhere without AltGr (or not at all): the key where an ANSI keyboard has it.
    const char* position = keyPosition(keyCode);
    if (!keymap_ || !position)
        return {};
    const xkb_keycode_t key = xkb_keymap_key_by_name(keymap_.get(), position);
    if (key == XKB_KEYCODE_INVALID || key > 255 || xkb_keymap_num_layouts_for_key(keymap_.get(), key) == 0)
        return {};
    return {std::uint8_t(key)};
}

QString KeyboardLayout::characters(std::uint32_t keyCode) const
{
    const auto found = keys(keyCode);
    if (found.empty() || !keymap_)
        return {};
    const std::uint32_t keysym = keysymAt(found.front(), 0);
    for (auto [dead, accent] : deadKeys)
        if (dead == keysym)
            return QString::fromUtf8(accent);
    char text[8] = {};
    if (xkb_keysym_to_utf8(keysym, text, sizeof text) <= 1)
        return {};
    const QString s = QString::fromUtf8(text);
    return s.size() == 1 && !s.front().isPrint() ? QString() : s;
}

} // namespace fw::x11
