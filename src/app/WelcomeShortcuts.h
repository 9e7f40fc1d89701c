#pragma once
// The shortcut line of the welcome window: the four commands it names, each with its label,
// and the line built from the stored shortcuts.

#include "app/Shortcuts.h"

#include <QString>

#include <array>

namespace fw {

struct WelcomeShortcutRow {
    ShortcutAction action;
    QString label;
};
const std::array<WelcomeShortcutRow, 4>& welcomeShortcutRows();

// "Ctrl+Alt+P  Place   Ctrl+Alt+Z  Layout Gallery   …": each row's effective combination and label;
// a shortcut that is switched off is left out.
QString welcomeShortcutLine(const ShortcutStore& shortcuts);

} // namespace fw
