// The key binding a notice names, written "Ctrl+Alt+P": the bound one, else the default.
#include "snap/ShortcutLabels.h"

#include "snap/SnapContext.h"

namespace fw {

namespace {

QString defaultLabel(std::uint32_t command)
{
    switch (command) {
    case kPlaceCommand:
        return QStringLiteral("Ctrl+Alt+P");
    case kLayoutsCommand:
        return QStringLiteral("Ctrl+Alt+Z");
    default:
        return {};
    }
}

} // namespace

QString shortcutLabel(const SnapServices& services, std::uint32_t command)
{
    if (services.shortcuts)
        return services.shortcuts->label(command);
    return defaultLabel(command);
}

} // namespace fw
