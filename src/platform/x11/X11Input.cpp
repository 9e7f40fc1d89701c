// What the X11 input adapters share: the server's modifier map read from GetModifierMapping
// and the keysyms of its keys, stored modifier bits as X masks and back, the lock variants of a
// grab, and the pump reading a connection's events on the main thread.
#include "platform/x11/X11Input.h"

#include "platform/InputCodes.h"
#include "platform/x11/X11Connection.h"

#include <QSocketNotifier>
#include <QTimer>

namespace fw::x11 {

namespace {

// Keysyms that put their modifier bit to a use of ours.
enum class Role { none, alt, meta, super, lock };

Role roleOf(xcb_keysym_t sym)
{
    switch (sym) {
    case 0xffe9: case 0xffea:   // Alt_L, Alt_R
        return Role::alt;
    case 0xffe7: case 0xffe8:   // Meta_L, Meta_R
        return Role::meta;
    case 0xffeb: case 0xffec:   // Super_L, Super_R
        return Role::super;
    case 0xff7f: case 0xff14: case 0xffe5: case 0xffe6:   // Num_Lock, Scroll_Lock, Caps_Lock, Shift_Lock
        return Role::lock;
    default:
        return Role::none;
    }
}

} // namespace

std::array<std::pair<std::uint16_t, std::uint32_t>, 4> ModifierMap::pairs() const
{
    return {{{XCB_MOD_MASK_CONTROL, StoredCtrl}, {XCB_MOD_MASK_SHIFT, StoredShift}, {alt, StoredAlt}, {super, StoredSuper}}};
}

std::uint16_t ModifierMap::x(std::uint32_t stored) const
{
    std::uint16_t m = 0;
    for (auto [x, bit] : pairs())
        if (stored & bit)
            m |= x;
    return m;
}

std::uint32_t ModifierMap::stored(std::uint16_t state) const
{
    std::uint32_t m = 0;
    for (auto [x, bit] : pairs())
        if (state & x)
            m |= bit;
    return m;
}

Modifiers ModifierMap::modifiers(std::uint16_t state) const
{
    const std::uint32_t s = stored(state);
    Modifiers m = 0;
    if (s & StoredCtrl)
        m |= ModControl;
    if (s & StoredShift)
        m |= ModShift;
    if (s & StoredAlt)
        m |= ModAlt;
    if (s & StoredSuper)
        m |= ModSuper;
    return m;
}

std::vector<std::uint16_t> ModifierMap::lockVariants(std::uint16_t mods) const
{
    // Every subset of the lock bits, counting down from all of them to none.
    std::vector<std::uint16_t> v;
    const std::uint16_t free = std::uint16_t(locks & ~mods);
    for (std::uint16_t subset = free;; subset = std::uint16_t((subset - 1) & free)) {
        v.push_back(std::uint16_t(mods | subset));
        if (!subset)
            break;
    }
    return v;
}

ModifierMap readModifierMap(xcb_connection_t* c)
{
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const auto modCookie = xcb_get_modifier_mapping(c);
    const auto keyCookie = xcb_get_keyboard_mapping(c, setup->min_keycode, std::uint8_t(count));
    auto mods = FW_XCB_REPLY(c, xcb_get_modifier_mapping, modCookie);
    auto keys = FW_XCB_REPLY(c, xcb_get_keyboard_mapping, keyCookie);
    ModifierMap map;
    if (!mods || !keys || keys->keysyms_per_keycode == 0)
        return map;
    // The bits each key sets while held: every row of the map it stands in.
    std::vector<std::uint16_t> rows(std::size_t(count), 0);
    const xcb_keycode_t* modKeys = xcb_get_modifier_mapping_keycodes(mods.p);
    const int perMod = mods->keycodes_per_modifier;
    for (int mod = 0; mod < 8; ++mod)
        for (int k = 0; k < perMod; ++k)
            if (const int key = modKeys[mod * perMod + k]; key >= setup->min_keycode && key - setup->min_keycode < count)
                rows[std::size_t(key - setup->min_keycode)] |= std::uint16_t(1u << mod);
    // Alt, Meta and Super are the bits of the first key typing them; locks, of any lock key.
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(keys.p);
    const int perKey = keys->keysyms_per_keycode;
    const int symCount = xcb_get_keyboard_mapping_keysyms_length(keys.p);
    std::uint16_t alt = 0, meta = 0, super = 0, locks = XCB_MOD_MASK_LOCK;
    for (int at = 0; at < symCount && at / perKey < count; ++at) {
        const std::uint16_t bits = rows[std::size_t(at / perKey)];
        switch (bits ? roleOf(syms[at]) : Role::none) {
        case Role::alt: alt = alt ? alt : bits; break;
        case Role::meta: meta = meta ? meta : bits; break;
        case Role::super: super = super ? super : bits; break;
        case Role::lock: locks |= bits; break;
        case Role::none: break;
        }
    }
    const std::uint16_t fixed = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_LOCK;
    const std::uint16_t altBits = std::uint16_t((alt ? alt : meta) & ~fixed);
    map.alt = altBits ? altBits : std::uint16_t(XCB_MOD_MASK_1);
    const std::uint16_t superBits = std::uint16_t(super & ~fixed & ~map.alt);
    map.super = superBits ? superBits : std::uint16_t(XCB_MOD_MASK_4);
    map.locks = std::uint16_t(locks & ~(XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | map.alt | map.super));
    return map;
}

bool keyboardMappingChanged(const xcb_generic_event_t* event)
{
    return (event->response_type & 0x7f) == XCB_MAPPING_NOTIFY
        && reinterpret_cast<const xcb_mapping_notify_event_t*>(event)->request != XCB_MAPPING_POINTER;
}

EventPump::EventPump(xcb_connection_t* c, std::function<void()> drain)
    : notifier_(std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read)),
      timer_(std::make_unique<QTimer>())
{
    timer_->setSingleShot(true);
    timer_->setInterval(0);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), drain);
    QObject::connect(timer_.get(), &QTimer::timeout, timer_.get(), std::move(drain));
}

EventPump::~EventPump() = default;

void EventPump::kick()
{
    timer_->start();
}

} // namespace fw::x11
