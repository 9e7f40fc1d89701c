#pragma once
// Tray host port: the system tray that embeds icons as small windows of their own (XEmbed).
// Whether one holds the tray now, the colour it asks its icons to draw in, and word when a
// host comes, goes or changes that colour: at login a tray often starts after the programs
// that put icons in it. And the colour of the panel beside an embedded icon.

#include <cstdint>
#include <functional>
#include <optional>

namespace fw {

class TrayHost {
public:
    virtual ~TrayHost() = default;
    // Whether a tray host holds the tray now.
    virtual bool present() const = 0;
    // The colour (0xRRGGBB) the host asks icons to draw in; nothing when it names none.
    virtual std::optional<std::uint32_t> iconColor() const = 0;
    // Runs `changed` after a host came, went or named another colour; an empty function ends
    // it. One observer at a time.
    virtual void setChangeHandler(std::function<void()> changed) = 0;
    // The colour (0xRRGGBB) of the tray beside the icon's embedded window, read around it within
    // the panel, never under it (what shows under an icon with an alpha channel depends on the
    // host blending it); nothing when unknown (the window not embedded, the panel no wider than
    // the icon, no colour most of it agrees on).
    virtual std::optional<std::uint32_t> backgroundBeside(std::uintptr_t /*icon*/) const { return std::nullopt; }
};

} // namespace fw
