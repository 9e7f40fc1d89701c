// Shared pieces of the X11 input adapters: stored modifier bits as X masks and back, the NumLock
// mask and the grab variants, and the pump reading a connection's events on the main thread.
#include "platform/x11/X11Input.h"

#include "platform/InputCodes.h"
#include "platform/x11/X11Connection.h"

#include <QSocketNotifier>
#include <QTimer>
#include <xcb/xcb_keysyms.h>

namespace fw::x11 {

namespace {
constexpr xcb_keysym_t numLockKeysym = 0xff7f;

// One modifier as X, the stored bits and the mouse monitor name it.
struct ModifierName {
    std::uint16_t x;
    std::uint32_t stored;
    Modifier modifier;
};
constexpr ModifierName modifierNames[] = {
    {XCB_MOD_MASK_CONTROL, StoredCtrl, ModControl},
    {XCB_MOD_MASK_1, StoredAlt, ModAlt},
    {XCB_MOD_MASK_SHIFT, StoredShift, ModShift},
    {XCB_MOD_MASK_4, StoredSuper, ModSuper},
};

// The bits of `field` for every modifier set in an X state.
template<typename T>
std::uint32_t fromState(std::uint16_t state, T ModifierName::*field)
{
    std::uint32_t m = 0;
    for (const ModifierName& n : modifierNames)
        if (state & n.x)
            m |= n.*field;
    return m;
}
} // namespace

std::uint16_t xModifiers(std::uint32_t stored)
{
    std::uint16_t m = 0;
    for (const ModifierName& n : modifierNames)
        if (stored & n.stored)
            m |= n.x;
    return m;
}

std::uint32_t storedModifiers(std::uint16_t state)
{
    return fromState(state, &ModifierName::stored);
}

Modifiers modifiers(std::uint16_t state)
{
    return fromState(state, &ModifierName::modifier);
}

std::uint16_t numLockMask(xcb_connection_t* c)
{
    xcb_key_symbols_t* syms = xcb_key_symbols_alloc(c);
    if (!syms)
        return 0;
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(syms, numLockKeysym);
    xcb_key_symbols_free(syms);
    if (!codes)
        return 0;
    std::uint16_t mask = 0;
    auto map = FW_XCB_REPLY(c, xcb_get_modifier_mapping, xcb_get_modifier_mapping(c));
    if (map) {
        const xcb_keycode_t* keys = xcb_get_modifier_mapping_keycodes(map.p);
        const int per = map->keycodes_per_modifier;
        for (int mod = 0; mod < 8 && !mask; ++mod)
            for (int k = 0; k < per && !mask; ++k)
                for (const xcb_keycode_t* code = codes; *code != XCB_NO_SYMBOL; ++code)
                    if (keys[mod * per + k] == *code)
                        mask = std::uint16_t(1u << mod);
    }
    free(codes);
    return mask;
}

std::vector<std::uint16_t> lockVariants(std::uint16_t mods, std::uint16_t numLock)
{
    std::vector<std::uint16_t> v{mods, std::uint16_t(mods | XCB_MOD_MASK_LOCK)};
    if (numLock && numLock != XCB_MOD_MASK_LOCK) {
        v.push_back(mods | numLock);
        v.push_back(mods | numLock | XCB_MOD_MASK_LOCK);
    }
    return v;
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
