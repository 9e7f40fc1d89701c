// The keys a text offers, written "Ctrl+Alt+P": the working binding, else the default.
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
    case kStackCommand:
        return QStringLiteral("Ctrl+Alt+S");
    case kSendToBackCommand:
        return QStringLiteral("Ctrl+Alt+B");
    default:
        return {};
    }
}

} // namespace

QString shortcutLabel(const CommandShortcuts* shortcuts, std::uint32_t command)
{
    return shortcuts ? shortcuts->label(command) : defaultLabel(command);
}

QString shortcutLabel(const SnapServices& services, std::uint32_t command)
{
    return shortcutLabel(services.shortcuts, command);
}

QString layoutKeysLabel(const CommandShortcuts* shortcuts)
{
    for (std::size_t position = 0; shortcuts && position < 9; ++position)
        if (!shortcuts->layoutKeyWorks(position))
            return {};
    return QStringLiteral("Ctrl+Alt+1–9");
}

} // namespace fw
