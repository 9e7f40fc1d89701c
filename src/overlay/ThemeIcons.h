#pragma once
// Icons of the desktop's icon theme, found and read by us rather than by Qt's icon loader: the
// theme folders are ours to walk (index.theme, its sizes and parents, then hicolor), and every
// file is read as a bounded regular file, so a FIFO, a device or a huge file anywhere in a theme
// is passed over instead of blocking the main thread. The icon-theme.cache is never opened: it
// only speeds up what the walk does. Qt's own loader is kept to the icons built into the program
// (keepQtOffIconThemes), so no Qt lookup opens a file of the user's theme either.
//
//   if (const auto icon = ThemeIcons::find(u"utilities-terminal"_qs)) button->setIcon(*icon);

#include <QIcon>
#include <QString>
#include <QStringList>

#include <optional>

namespace fw {

class ThemeIcons {
public:
    // The largest icon file read.
    static constexpr qint64 maxIconBytes = 2 * 1024 * 1024;

    // The icon named so in the current theme, its parents or hicolor; nothing when no readable
    // file has that name (remembered for the run: a name is not looked for twice).
    static std::optional<QIcon> find(const QString& name);
    // An image file read with the same bounds (an absolute path of a desktop entry).
    static std::optional<QIcon> fromFile(const QString& path);
    // The folders themes are looked up in, in order: ~/.icons, then the icons folder of each
    // XDG data folder.
    static QStringList baseDirectories();
    // Points Qt's icon loader at the icons built into the program only. Call once, early.
    static void keepQtOffIconThemes();
    // Forgets what was learnt about the themes' folders and the names not found (tests, a
    // theme or an icon installed later).
    static void reset();
};

} // namespace fw
