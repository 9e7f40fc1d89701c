#pragma once
// Tray host port: the hosts that show the program's icon: the system tray that embeds icons as
// small windows of their own (XEmbed), and a StatusNotifier host on the session bus (a panel's
// status tray). Whether one is there now, the colour the XEmbed host asks its icons to draw in,
// whether the toolkit's own tray may be made without waiting on anyone, and word when any of
// these changes: at login a tray often starts after the programs that put icons in it.
// And the colour of the panel beside an embedded icon.

#include <cstdint>
#include <functional>
#include <optional>

namespace fw {

class TrayHost {
public:
    virtual ~TrayHost() = default;
    // Whether an XEmbed tray host holds the tray now.
    virtual bool present() const = 0;
    // Whether a StatusNotifier host is registered with a watcher that answers promptly.
    virtual bool statusNotifierHost() const { return false; }
    // Whether the toolkit's tray, which asks the session bus synchronously, may be made now:
    // the bus was reached or found absent, and a watcher on it, if any, answers promptly.
    // False while that is still being found out.
    virtual bool settled() const { return true; }
    // The colour (0xRRGGBB) the host asks icons to draw in; nothing when it names none.
    virtual std::optional<std::uint32_t> iconColor() const = 0;
    // Runs `changed` after a host came, went or named another colour, or the above changed; an
    // empty function ends it. One observer at a time; the first one starts the looking.
    virtual void setChangeHandler(std::function<void()> changed) = 0;
    // The colour (0xRRGGBB) of the tray beside the icon's embedded window, read around it within
    // the panel, never under it (what shows under an icon with an alpha channel depends on the
    // host blending it); nothing when unknown (the window not embedded, the panel no wider than
    // the icon, no colour most of it agrees on).
    virtual std::optional<std::uint32_t> backgroundBeside(std::uintptr_t /*icon*/) const { return std::nullopt; }
};

} // namespace fw
