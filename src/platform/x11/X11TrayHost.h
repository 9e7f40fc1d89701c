#pragma once
// The tray hosts on X11. The XEmbed host: the owner of _NET_SYSTEM_TRAY_S0, followed through
// XFixes selection notices, and the _NET_SYSTEM_TRAY_COLORS it states on its window, followed
// through property notices, read once for all the notices that came together. Both on a
// connection of its own: the event mask it asks of the host's window is then its alone (Qt's
// connection asks for other events there). Inert where Qt does not run on X11 or the server
// has no XFixes. The StatusNotifier host: looked for on the session bus (StatusNotifierWatch)
// once the first observer listens.
// The panel's colour beside an embedded icon is read through Qt's connection (a screen read, no
// events).

#include "platform/TrayHost.h"

#include <memory>

class QSocketNotifier;
struct xcb_connection_t;

namespace fw {

class StatusNotifierWatch;

class X11TrayHost final : public TrayHost {
public:
    X11TrayHost();
    ~X11TrayHost() override;
    X11TrayHost(const X11TrayHost&) = delete;
    X11TrayHost& operator=(const X11TrayHost&) = delete;

    bool present() const override;
    bool statusNotifierHost() const override;
    bool settled() const override;
    std::optional<std::uint32_t> iconColor() const override;
    void setChangeHandler(std::function<void()> changed) override;
    // Read through Qt's connection (X11TrayBackground.cpp).
    std::optional<std::uint32_t> backgroundBeside(std::uintptr_t icon) const override;

private:
    struct Notices {
        bool ownerMoved = false;
        bool colors = false;
    };
    struct FreeEvent {
        void operator()(void* event) const;
    };
    // Handles every event that came; the ones read while waiting for a reply on the next turn.
    void drain();
    // Notes one event (an xcb_generic_event_t).
    void note(const void* event, Notices& notices);
    std::uint32_t readOwner() const;
    void ownerChanged(std::uint32_t owner);
    // Reads the colours; tells when they changed or `always`.
    void colorsChanged(bool always);
    void tell();

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    std::uint8_t xfixesEvent_ = 0;
    std::uint32_t selection_ = 0;   // _NET_SYSTEM_TRAY_S<screen>
    std::uint32_t colors_ = 0;      // _NET_SYSTEM_TRAY_COLORS
    std::uint32_t owner_ = 0;       // the host's window, as last heard
    std::optional<std::uint32_t> color_;
    std::function<void()> changed_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<StatusNotifierWatch> notifiers_;
    std::unique_ptr<void, FreeEvent> held_;   // read while waiting, not yet handled
};

} // namespace fw
