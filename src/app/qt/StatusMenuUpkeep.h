#pragma once
// The tray menu kept current: it builds the status menu view, wires its opening, closing and
// commands to the shell's commands, renders it from the state now so that it is whole before it
// opens (a tray host may read it over D-Bus at any time), and follows the tray host: the icon is
// made once a host is there, and the log says when the tray was found or lost. Renders that
// several changes ask for on one turn of the loop make one; nothing renders while a menu is
// open or once the program ends. The delegate makes it in its order and installs the host's
// change handler; this keeps no hook of its own. Main thread only.
//
//   StatusMenuUpkeep menu({clock, commands, hotKeys, stackCommands, stalls, trayHost, ended});
//   menu.build();                     // at launch
//   if (menu.trayHostChanged()) …;    // from the host's change handler
//   menu.scheduleRefresh();           // after anything the menu shows may have changed

#include "base/TaskScope.h"

#include <functional>
#include <memory>

namespace fw {

class Clock;
class HotKeys;
class MainThreadStallLog;
class ShellCommands;
class StackCommands;
class StatusMenuView;
class TrayHost;
struct StatusMenuState;

struct StatusMenuServices {
    Clock& clock;
    ShellCommands& commands;
    HotKeys& hotKeys;              // the keys the menu names as taken
    StackCommands& stackCommands;  // whose own menu, while open, holds renders back
    MainThreadStallLog& stalls;    // observes the main thread while the menu is open
    TrayHost* trayHost;            // none: no tray is looked for, the menu is made at once
    std::function<bool()> ended;   // the program is terminating: nothing more is said or drawn
};

class StatusMenuUpkeep {
public:
    explicit StatusMenuUpkeep(StatusMenuServices services);
    ~StatusMenuUpkeep();
    StatusMenuUpkeep(const StatusMenuUpkeep&) = delete;
    StatusMenuUpkeep& operator=(const StatusMenuUpkeep&) = delete;

    // Makes the view and wires it; without a tray host its icon is made at once. Once.
    void build();
    // A tray host came or went, or named another colour, or the bus was reached: the icon is
    // made once a host is there, and the log follows. True when whether a tray is there became
    // known or changed.
    bool trayHostChanged();
    // Renders the tray menu from the state now; nothing while a menu is open.
    void refresh();
    // The same once the current event is handled; several asks make one render.
    void scheduleRefresh();

    StatusMenuView* view() const { return view_.get(); }
    // Whether a tray host shows the menu, as last told.
    bool trayShown() const { return trayAvailable_; }

private:
    // The state the menu shows, with the keys another program holds.
    StatusMenuState withTakenKeys(StatusMenuState state) const;

    StatusMenuServices services_;
    bool trayAvailable_ = false;
    bool trayKnown_ = false;   // whether the tray was looked for and the start told of it
    bool refreshPending_ = false;
    bool closeRefreshPending_ = false;
    std::unique_ptr<StatusMenuView> view_;
    Lifeline<StatusMenuUpkeep> self_{this};
    TaskScope tasks_;   // last: its deferred steps end before anything they use
};

} // namespace fw
