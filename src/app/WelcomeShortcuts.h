#pragma once
// The shortcut line of the welcome window: the four commands it names, each with its label,
// and the line built from the keys that work.

#include "app/Shortcuts.h"
#include "snap/ShortcutLabels.h"

#include <QString>

#include <array>

namespace fw {

struct WelcomeShortcutRow {
    ShortcutAction action;
    QString label;
};
const std::array<WelcomeShortcutRow, 4>& welcomeShortcutRows();

// "Ctrl+Alt+P  Place   Ctrl+Alt+Z  Layout Gallery   …": each row's key and label; a shortcut
// that is switched off or whose key another program holds is left out.
QString welcomeShortcutLine(const CommandShortcuts& shortcuts);

} // namespace fw
