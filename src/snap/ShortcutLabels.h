#pragma once
// The key bindings that the coordinator's notices name, written the Linux way ("Ctrl+Alt+P"):
// the binding the shortcut subsystem reports, else the default binding (Ctrl+Alt and the
// command's key).

#include "snap/SnapContext.h"

#include <QString>
#include <cstdint>

namespace fw {

// The fixed number of "place the focused window", the command the picker's notice names.
inline constexpr std::uint32_t kPlaceCommand = 6;
// "Open Layout Gallery", which the divider editor's refusal names.
inline constexpr std::uint32_t kLayoutsCommand = 1;

QString shortcutLabel(const SnapServices& services, std::uint32_t command);

} // namespace fw
