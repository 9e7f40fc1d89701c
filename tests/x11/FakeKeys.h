#pragma once
// Keys typed through XTest on a test's own connection: a keysym's keycode, one key down or
// up, and a chord (the keys pressed in order, then released in reverse).

#include "x11/XSession.h"

#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <initializer_list>
#include <iterator>

namespace fw::test {

// Keysyms the tests type.
constexpr xcb_keysym_t ControlL = 0xffe3, AltL = 0xffe9, NumLock = 0xff7f, Escape = 0xff1b, Return = 0xff0d,
                       LetterP = 0x70, LetterZ = 0x7a, Digit1 = 0x31, Digit4 = 0x34, Digit9 = 0x39, BracketRight = 0x5d;

inline xcb_keycode_t keycode(XSession& s, xcb_keysym_t sym)
{
    xcb_key_symbols_t* syms = xcb_key_symbols_alloc(s.connection());
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(syms, sym);
    const xcb_keycode_t code = codes ? codes[0] : 0;
    std::free(codes);
    xcb_key_symbols_free(syms);
    return code;
}

inline void fakeKey(XSession& s, xcb_keycode_t code, bool down)
{
    xcb_test_fake_input(s.connection(), down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, code, XCB_CURRENT_TIME, XCB_NONE, 0,
                        0, 0);
    xcb_flush(s.connection());
}

inline void key(XSession& s, xcb_keysym_t sym, bool down) { fakeKey(s, keycode(s, sym), down); }

inline void chord(XSession& s, std::initializer_list<xcb_keysym_t> syms)
{
    for (xcb_keysym_t k : syms)
        key(s, k, true);
    for (auto it = std::rbegin(syms); it != std::rend(syms); ++it)
        key(s, *it, false);
}

} // namespace fw::test
