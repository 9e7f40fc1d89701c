#pragma once
// The key bindings that the coordinator's notices name, written the Linux way ("Ctrl+Alt+P"):
// the binding the shortcut subsystem reports, else the default binding (Ctrl+Alt and the
// command's key).

#include <QString>
#include <cstdint>

namespace fw {

struct SnapServices;

// The fixed number of "place the focused window", the command the picker's notice names.
inline constexpr std::uint32_t kPlaceCommand = 6;
// "Open Layout Gallery", which the divider editor's refusal names.
inline constexpr std::uint32_t kLayoutsCommand = 1;

// The current key binding of a bindable command, by the command's fixed number, as the
// shortcut subsystem labels it ("Ctrl+Alt+P"; empty when the command has none). The shell
// implements it over its stored shortcuts.
class CommandShortcuts {
public:
    virtual ~CommandShortcuts() = default;
    virtual QString label(std::uint32_t command) const = 0;
};

// The services' bindings' label, else the default binding's.
QString shortcutLabel(const SnapServices& services, std::uint32_t command);

} // namespace fw
