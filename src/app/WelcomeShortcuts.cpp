// The welcome window's shortcut line, built from the stored shortcuts.
#include "app/WelcomeShortcuts.h"

#include <QStringList>

namespace fw {

const std::array<WelcomeShortcutRow, 4>& welcomeShortcutRows()
{
    static const std::array<WelcomeShortcutRow, 4> rows{{
        {ShortcutAction::place, u"Place"_qs},
        {ShortcutAction::layouts, u"Layout Gallery"_qs},
        {ShortcutAction::adjust, u"Adjust"_qs},
        {ShortcutAction::stack, u"Stack"_qs},
    }};
    return rows;
}

QString welcomeShortcutLine(const ShortcutStore& shortcuts)
{
    QStringList parts;
    for (const WelcomeShortcutRow& row : welcomeShortcutRows())
        if (const auto combo = shortcuts.combo(row.action))
            parts << combo->displayString() + QStringLiteral("  ") + row.label;
    return parts.join(QStringLiteral("   "));
}

} // namespace fw
