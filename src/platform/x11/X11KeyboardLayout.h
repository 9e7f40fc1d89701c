#pragma once
// The keyboard layout as the hot keys see it: which keys a stored key code stands for now and
// what they type. It reads the server's XKB keymap and locked group over the hot keys' own
// connection, and names the events of that connection that change them (the core mapping
// notification; XKB's new-keyboard, map and group-lock notifications). Where XKB gives no
// keymap, the core mapping's first group stands in.
//
//   x11::KeyboardLayout layout(connection);
//   layout.keys(30);                       // German layout: the key that types "+"
//   if (layout.changes(event) && layout.reload()) ...;   // codes moved: grab again

#include <QString>
#include <xcb/xcb.h>

#include <cstdint>
#include <memory>
#include <vector>

struct xkb_context;
struct xkb_keymap;

namespace fw::x11 {

class KeyboardLayout {
public:
    explicit KeyboardLayout(xcb_connection_t* c);
    ~KeyboardLayout();
    KeyboardLayout(const KeyboardLayout&) = delete;
    KeyboardLayout& operator=(const KeyboardLayout&) = delete;

    // The keys a stored code stands for: those that type its character at the first level of
    // the current group, else those that type it at the second, else the key at the code's
    // place on the keyboard; empty when there is none.
    std::vector<std::uint8_t> keys(std::uint32_t keyCode) const;
    // What the first of those keys types at its first level; empty when it types nothing
    // visible or the layout is not known.
    QString characters(std::uint32_t keyCode) const;

    // Whether an event read from the connection changes the keys codes stand for.
    bool changes(const xcb_generic_event_t* event) const;
    // Reads the keymap and the locked group again; false when every code still stands for the
    // same keys typing the same (a change sends several notifications; most move nothing).
    bool reload();

private:
    struct Free {
        void operator()(xkb_context* c) const;
        void operator()(xkb_keymap* k) const;
    };
    void read();
    std::vector<std::uint8_t> keysTyping(std::uint32_t keysym) const;
    std::uint32_t keysymAt(std::uint8_t key, std::uint32_t level) const;
    // What keys() and characters() read: both levels of every key, and where the positions are.
    std::vector<std::uint32_t> fingerprint() const;

    xcb_connection_t* c_;
    std::uint8_t xkbEvent_ = 0;   // the first XKB event code; 0 without XKB
    std::int32_t device_ = -1;
    std::unique_ptr<xkb_context, Free> context_;
    std::unique_ptr<xkb_keymap, Free> keymap_;
    std::uint32_t group_ = 0;
    std::vector<std::uint32_t> core_;   // without a keymap: the core mapping, perKey_ columns a key
    std::uint32_t perKey_ = 0;
    std::vector<std::uint32_t> fingerprint_;
};

} // namespace fw::x11
