#pragma once
// Keys typed through XTest on a test's own connection: a keysym's keycode, one key down or
// up, and a chord (the keys pressed in order, then released in reverse); and whether a key or
// button combination is free to grab on the root window (false while another client holds it).

#include "x11/XSession.h"

#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <initializer_list>
#include <iterator>

namespace fw::test {

// Keysyms the tests type.
constexpr xcb_keysym_t ControlL = 0xffe3, AltL = 0xffe9, NumLock = 0xff7f, Escape = 0xff1b, Return = 0xff0d,
                       LetterP = 0x70, LetterZ = 0x7a, Digit1 = 0x31, Digit4 = 0x34, Digit9 = 0x39, BracketRight = 0x5d,
                       SuperL = 0xffeb, ScrollLock = 0xff14, LetterR = 0x72, ShiftL = 0xffe1, ArrowUp = 0xff52,
                       ArrowDown = 0xff54, ArrowRight = 0xff53, ArrowLeft = 0xff51, KeypadLeft = 0xff96;

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

inline bool keyFree(XSession& s, xcb_keycode_t code, std::uint16_t mods)
{
    xcb_connection_t* c = s.connection();
    xcb_generic_error_t* error = xcb_request_check(
        c, xcb_grab_key_checked(c, 1, s.root(), mods, code, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    const bool free_ = !error;
    std::free(error);
    xcb_ungrab_key(c, code, s.root(), mods);
    xcb_flush(c);
    return free_;
}

inline bool buttonFree(XSession& s, std::uint8_t button, std::uint16_t mods)
{
    xcb_connection_t* c = s.connection();
    xcb_generic_error_t* error = xcb_request_check(
        c, xcb_grab_button_checked(c, 0, s.root(), XCB_EVENT_MASK_BUTTON_PRESS, XCB_GRAB_MODE_ASYNC,
                                   XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, button, mods));
    const bool free_ = !error;
    std::free(error);
    xcb_ungrab_button(c, button, s.root(), mods);
    xcb_flush(c);
    return free_;
}

} // namespace fw::test
