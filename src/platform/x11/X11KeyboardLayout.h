#pragma once
// The keyboard layout as the hot keys see it: which key a stored key code stands for now, what
// it types, and which code names a pressed key. It reads the server's XKB keymap and locked
// group over the hot keys' own connection, and names the events of that connection that change
// them (the core mapping notification; XKB's new-keyboard, map and group-lock notifications).
// Where XKB gives no keymap, the core mapping's first group stands in. While the locked group
// types no Latin letters (Russian, Greek), keys are read from the keymap's first group that does,
// as toolkits read their shortcuts: under "de,ru" the hot keys, their labels and recorded keys
// stay on the German keys whichever group is locked.
//
// Codes and keys are paired one to one where the keyboard allows: a code goes to the key that
// types its character, else to the key at its place on an ANSI keyboard, else to the key typing
// its character with Shift, and as many codes as possible get a key of their own (so under a
// German layout "z" is the key typing z, while "-" is the ß key at its place, the - key being
// "/"'s). Recording a key stores its code, and that code's hot key lands on the same key.
//
//   x11::KeyboardLayout layout(connection);
//   layout.keys(30);                       // German layout: the key that types "+"
//   layout.keyCode(20);                    // the code the key pressed (keycode 20) stands for
//   if (layout.changes(event) && layout.reload()) ...;   // codes moved: grab again

#include <QLocale>
#include <QString>
#include <xcb/xcb.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
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

    // The keys a stored code stands for: the key paired with it and any other key typing its
    // character that no code is paired with; without a pair, every key typing its character, else
    // the key at its place, else the keys typing it with Shift; empty when there is none.
    std::vector<std::uint8_t> keys(std::uint32_t keyCode) const;
    // What the first of those keys types at its first level; empty when it types nothing
    // visible or the layout is not known.
    QString characters(std::uint32_t keyCode) const;
    // The stored code whose keys include this keyboard key (an X keycode); none where no
    // stored code can name it.
    std::optional<std::uint32_t> keyCode(std::uint32_t key) const;
    // The language of the layout keys are read from: XKB names a layout by its country
    // ("tr", "de"), whose likeliest language it types; the user's locale where the server
    // names no country (a variant-only name, no rules property).
    QLocale locale() const;

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
    // Pairs codes with keys for the layout just read.
    void pair();
    std::vector<std::uint8_t> keysTyping(std::uint32_t keysym, std::uint32_t level) const;
    std::optional<std::uint8_t> keyAtPlace(std::uint32_t keyCode) const;
    // What a key types at a level of the group keys are read from, or of the given group.
    std::uint32_t keysymAt(std::uint8_t key, std::uint32_t level) const;
    std::uint32_t keysymAt(std::uint8_t key, std::uint32_t level, std::uint32_t group) const;
    // The group keys are read from: the locked group when it types most of the letters a to z,
    // else the first group that does, else the locked group.
    std::uint32_t latinGroup() const;
    // What keys() and characters() read: both levels of every key, and where the positions are.
    std::vector<std::uint32_t> fingerprint() const;

    xcb_connection_t* c_;
    std::uint8_t xkbEvent_ = 0;   // the first XKB event code; 0 without XKB
    std::int32_t device_ = -1;
    std::unique_ptr<xkb_context, Free> context_;
    std::unique_ptr<xkb_keymap, Free> keymap_;
    std::uint32_t group_ = 0;       // the locked group
    std::uint32_t keysGroup_ = 0;   // the group keys are read from
    std::vector<std::uint32_t> core_;   // without a keymap: the core mapping, perKey_ columns a key
    std::uint32_t perKey_ = 0;
    std::vector<std::uint32_t> fingerprint_;
    std::map<std::uint32_t, std::vector<std::uint8_t>> paired_;   // code → its keys
    std::map<std::uint8_t, std::uint32_t> codeOfKey_;
};

} // namespace fw::x11
