#pragma once
// The keys that texts offer, written the Linux way ("Ctrl+Alt+P"): the binding the shortcut
// subsystem reports as working, else (no subsystem) the default binding. A key another program
// holds is named nowhere: the texts that would offer it leave it out.

#include <QString>
#include <cstddef>
#include <cstdint>

namespace fw {

struct SnapServices;

// The fixed numbers of the commands whose keys texts name.
inline constexpr std::uint32_t kPlaceCommand = 6;      // the picker's notice
inline constexpr std::uint32_t kLayoutsCommand = 1;    // the divider editor's refusal
inline constexpr std::uint32_t kStackCommand = 5;      // the switcher's tip
inline constexpr std::uint32_t kSendToBackCommand = 9; // the span's tip and tour page
inline constexpr std::uint32_t kNextCommand = 7;       // the switcher's arrows
inline constexpr std::uint32_t kPreviousCommand = 8;

// The keys as the shortcut subsystem has them now. The shell implements it over its hot keys.
class CommandShortcuts {
public:
    virtual ~CommandShortcuts() = default;
    // The command's key ("Ctrl+Alt+P"); empty when it has none or the key does not work here
    // (another program holds it).
    virtual QString label(std::uint32_t command) const = 0;
    // Whether Ctrl+Alt with the digit position + 1 switches layouts (another program may hold it).
    virtual bool layoutKeyWorks(std::size_t /*position*/) const { return true; }
};

// The keys of the running program, for the texts no shortcuts are handed to (the switcher's);
// the shell installs its own at the start and removes them (null) at the end.
void installShortcuts(const CommandShortcuts* shortcuts);
const CommandShortcuts* installedShortcuts();

// The command's key as `shortcuts` has it (the installed ones when null); the default binding's
// without any.
QString shortcutLabel(const CommandShortcuts* shortcuts, std::uint32_t command);
QString shortcutLabel(const SnapServices& services, std::uint32_t command);
// "Ctrl+Alt+1–9" while all nine layout keys work; empty when any of them does not. The
// installed shortcuts when null.
QString layoutKeysLabel(const CommandShortcuts* shortcuts);
// "Ctrl+Alt+3" for position 2 while that layout key works (the installed shortcuts'); empty
// from the tenth on and when it does not.
QString layoutKeyLabel(const CommandShortcuts* shortcuts, std::size_t position);

} // namespace fw
