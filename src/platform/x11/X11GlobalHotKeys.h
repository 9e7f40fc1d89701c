#pragma once
// Global hot keys on X11: a passive key grab on the root window for each combination, with
// the Lock and NumLock variants, on a connection of its own whose presses are read on the Qt
// main thread. Stored key codes become keysyms through the fixed table (InputCodes.h) and
// keysyms become this keyboard's keycodes through xcb-keysyms. A combination another client
// holds fails with BadAccess; one we registered already under another id fails the same way.

#include "platform/GlobalHotKeys.h"

#include <QByteArray>

#include <map>
#include <memory>
#include <vector>

namespace fw {

namespace x11 {
class Connection;
class EventPump;
} // namespace x11

class X11GlobalHotKeys final : public GlobalHotKeys {
public:
    explicit X11GlobalHotKeys(const QByteArray& displayName = {});
    ~X11GlobalHotKeys() override;

    Registration registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, std::uint32_t id) override;
    void unregisterHotKey(HotKeyRef ref) override;
    void setHandler(std::function<void(std::uint32_t id)> handler) override;

    // Reads the queued presses and hands their ids to the handler.
    void drain();

private:
    struct Grab {
        std::uint32_t id = 0;
        std::vector<std::uint8_t> keycodes;
        std::uint16_t mods = 0;
    };
    bool connect();
    // Grabs every keycode × lock variant; the X error code of the first refusal, or 0.
    int grab(const Grab& g);
    void ungrab(const Grab& g);

    QByteArray displayName_;
    std::unique_ptr<x11::Connection> conn_;
    std::unique_ptr<x11::EventPump> pump_;
    std::uint16_t numLock_ = 0;
    std::map<HotKeyRef, Grab> grabs_;
    HotKeyRef nextRef_ = 1;
    std::function<void(std::uint32_t)> handler_;
};

} // namespace fw
