// The welcome window's shortcut line, built from the keys that work.
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

QString welcomeShortcutLine(const CommandShortcuts& shortcuts)
{
    QStringList parts;
    for (const WelcomeShortcutRow& row : welcomeShortcutRows())
        if (const QString key = shortcuts.label(rawValue(row.action)); !key.isEmpty())
            parts << key + QStringLiteral("  ") + row.label;
    return parts.join(QStringLiteral("   "));
}

} // namespace fw
