#pragma once
// Global hot keys on X11: a passive key grab on the root window for each combination, in
// every state of the lock modifiers, on a connection of its own whose presses are read on the Qt
// main thread. Stored key codes become this keyboard's keycodes through the current layout
// (X11KeyboardLayout.h) and stored modifiers become X bits through the modifier map
// (X11Input.h); a change of the layout or of the modifier mapping is read on the same
// connection and handed to the keyboard handler. A combination another client holds fails
// with BadAccess; one we registered already under another id fails the same way. A held key
// acts once: its auto-repeated presses are told from new ones (XKB's detectable auto-repeat
// on this connection, else a release and a press at the same time) and dropped. While a panel
// of ours holds the keyboard (X11KeyboardHold.h) the passive grabs cannot start: the panel's
// hold hands their presses over, and they act the same.

#include "platform/GlobalHotKeys.h"
#include "platform/x11/X11Input.h"

#include <QByteArray>

#include <map>
#include <memory>
#include <vector>

namespace fw {

namespace x11 {
class Connection;
class EventPump;
class KeyboardLayout;
} // namespace x11

class X11GlobalHotKeys final : public GlobalHotKeys {
public:
    explicit X11GlobalHotKeys(const QByteArray& displayName = {});
    ~X11GlobalHotKeys() override;

    Registration registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, std::uint32_t id) override;
    void unregisterHotKey(HotKeyRef ref) override;
    void setHandler(std::function<void(std::uint32_t id)> handler) override;
    void setKeyboardHandler(std::function<void()> handler) override;
    QString keyCharacters(std::uint32_t keyCode) override;
    QLocale keyboardLocale() override;
    std::optional<std::uint32_t> keyCodeForKey(std::uint32_t nativeKey) override;
    bool sameKey(std::uint32_t a, std::uint32_t b) override;
    // On the toolkit's connection (X11KeyboardHold.h), where the recording reads its keys.
    KeyboardHold holdKeyboard(std::uint64_t window) override;
    void releaseKeyboard() override;

    // Reads the queued events: hands the presses' ids to the handler, then, when the keyboard
    // changed, reads it again and calls the keyboard handler.
    void drain();

private:
    struct Grab {
        std::uint32_t id = 0;
        std::vector<std::uint8_t> keycodes;
        std::uint16_t mods = 0;
        std::vector<std::uint16_t> variants;   // the masks it was grabbed with, locks included
    };
    bool connect();
    // Grabs every keycode × lock variant; the X error code of the first refusal, or 0.
    int grab(const Grab& g);
    void ungrab(const Grab& g);
    void askDetectableRepeat();
    // Whether a key press or release read is a press the key's auto-repeat made; follows
    // which keys are held.
    bool repeated(const xcb_generic_event_t* e);
    // The ids of the hot keys a key code pressed in a modifier state stands for.
    std::vector<std::uint32_t> idsFor(std::uint8_t keycode, std::uint16_t state) const;

    QByteArray displayName_;
    std::unique_ptr<x11::Connection> conn_;
    std::unique_ptr<x11::EventPump> pump_;
    std::unique_ptr<x11::KeyboardLayout> layout_;
    x11::ModifierMap modifiers_;
    std::map<HotKeyRef, Grab> grabs_;
    HotKeyRef nextRef_ = 1;
    std::function<void(std::uint32_t)> handler_;
    std::function<void()> keyboardHandler_;
    bool detectableRepeat_ = false;    // the server sends repeats as presses alone
    std::vector<std::uint8_t> held_;   // keycodes pressed and not yet released
    std::vector<std::uint32_t> routed_;   // ids pressed while a panel of ours held the keyboard
    struct Release {
        std::uint8_t key = 0;
        std::uint32_t time = 0;
    } released_;   // the last event read, when it was a release
};

} // namespace fw
