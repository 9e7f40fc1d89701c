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
    case kNextCommand:
        return QStringLiteral("Ctrl+Alt+]");
    case kPreviousCommand:
        return QStringLiteral("Ctrl+Alt+[");
    default:
        return {};
    }
}

const CommandShortcuts*& installed()
{
    static const CommandShortcuts* shortcuts = nullptr;
    return shortcuts;
}

} // namespace

void installShortcuts(const CommandShortcuts* shortcuts) { installed() = shortcuts; }

const CommandShortcuts* installedShortcuts() { return installed(); }

QString shortcutLabel(const CommandShortcuts* shortcuts, std::uint32_t command)
{
    const CommandShortcuts* s = shortcuts ? shortcuts : installed();
    return s ? s->label(command) : defaultLabel(command);
}

QString shortcutLabel(const SnapServices& services, std::uint32_t command)
{
    return shortcutLabel(services.shortcuts, command);
}

QString layoutKeysLabel(const CommandShortcuts* shortcuts)
{
    const CommandShortcuts* s = shortcuts ? shortcuts : installed();
    for (std::size_t position = 0; s && position < 9; ++position)
        if (!s->layoutKeyWorks(position))
            return {};
    return QStringLiteral("Ctrl+Alt+1–9");
}

QString layoutKeyLabel(const CommandShortcuts* shortcuts, std::size_t position)
{
    const CommandShortcuts* s = shortcuts ? shortcuts : installed();
    if (position >= 9 || (s && !s->layoutKeyWorks(position)))
        return {};
    return QStringLiteral("Ctrl+Alt+") + QString::number(position + 1);
}

} // namespace fw
