#pragma once
// Global hot-key port: system-wide key combinations that reach us whichever window has the
// keyboard. A combination is named by its stored key code and modifier bits (InputCodes.h)
// and registered under a numeric id; every press hands that id to the handler, on the main
// thread. The key a code stands for follows the keyboard's layout: codes and keys are paired
// one to one where the keyboard allows, a code going to the key that types its character, else
// to the key at its place on the keyboard (X11KeyboardLayout.h). When the layout changes, the
// keyboard handler asks the owner to register again.

#include <QLocale>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace fw {

using HotKeyRef = std::uint64_t;   // 0 is no registration

// Statuses of a refused registration (0 is success).
enum HotKeyStatus : int {
    HotKeyOk = 0,
    // Another client holds the combination (the X error BadAccess), or we registered it
    // already under another id (two codes may land on one key under some layouts).
    HotKeyTaken = 10,
    // The key code names no key of this keyboard.
    HotKeyNoSuchKey = -1,
};

// The answer to a request to hold the whole keyboard for a window of ours.
enum class KeyboardHold {
    Held,         // every key goes to the window now
    Busy,         // another client holds the keyboard: asked again, held once it lets go
    NotShown,     // the window is not on screen yet: asked again, held once it shows
    Impossible,   // no keyboard to hold for it (no display, or the window is gone)
};

class GlobalHotKeys {
public:
    virtual ~GlobalHotKeys() = default;

    struct Registration {
        int status = HotKeyOk;
        HotKeyRef ref = 0;   // set on success only
    };
    virtual Registration registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, std::uint32_t id) = 0;
    // Unknown or already removed references are ignored.
    virtual void unregisterHotKey(HotKeyRef ref) = 0;
    // The one receiver of every press; an empty function removes it.
    virtual void setHandler(std::function<void(std::uint32_t id)> handler) = 0;

    // Called on the main thread after the keyboard's mapping or layout changed: what is
    // registered may sit on other keys than the codes now stand for, so the owner registers
    // everything again. An empty function removes it.
    virtual void setKeyboardHandler(std::function<void()> handler) = 0;
    // What the key a code stands for types now at its first level ("+" for code 30 under a
    // German layout); empty where that is not known or the key types nothing visible.
    virtual QString keyCharacters(std::uint32_t keyCode) = 0;
    // The language of the keyboard's layout, as its letters are upper-cased in labels (a
    // Turkish keyboard's i and ı stay apart); the user's locale where the layout does not say.
    virtual QLocale keyboardLocale() { return QLocale(); }
    // The stored code a key of the keyboard (named by the platform's own key code, as a key
    // event carries it) stands for now: the code whose hot key lands on that key. None where
    // no stored code names the key.
    virtual std::optional<std::uint32_t> keyCodeForKey(std::uint32_t nativeKey) = 0;
    // Whether two stored codes stand for one key of the keyboard now.
    virtual bool sameKey(std::uint32_t a, std::uint32_t b) = 0;

    // Holds the whole keyboard for a window of ours (its native id) while a shortcut is
    // recorded: every key press goes to it, combinations that other clients grabbed (a window
    // manager's Ctrl+Alt+Left) included. The hold, taken or asked for, ends with
    // releaseKeyboard(), or when the window is hidden.
    virtual KeyboardHold holdKeyboard(std::uint64_t window) = 0;
    virtual void releaseKeyboard() = 0;
};

} // namespace fw
