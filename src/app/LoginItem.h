#pragma once
// Start at Login: the desktop entry "framewell.desktop" in the user's autostart folder
// ($XDG_CONFIG_HOME/autostart, ~/.config/autostart by default), which XDG desktops start at
// login. Written atomically; turning it off removes it. The entry starts the installed program
// where there is one; an entry whose program is gone counts as off, and says so.

#include <QByteArray>
#include <QString>
#include <optional>

namespace fw {

class LoginItem {
public:
    static inline const QString fileName = QStringLiteral("framewell.desktop");

    // autostartDir: the folder the entry goes in; executable: the program the entry starts.
    LoginItem(QString autostartDir, QString executable);
    // $XDG_CONFIG_HOME/autostart, else ~/.config/autostart.
    static QString defaultDirectory();

    QString path() const;
    // The entry exists and the desktop starts it: it is neither Hidden nor turned off with
    // X-GNOME-Autostart-enabled=false, and the program its Exec line names is there and can run.
    bool enabled() const;
    // The program an entry that is there names, when it is gone or cannot run; empty otherwise.
    QString missingProgram() const;
    // The program an entry should start: the running one when it is installed (not in a build
    // folder, which has CMakeCache.txt above it), else the installed `framewell` on PATH where
    // there is one, else the running one.
    static QString preferredExecutable(const QString& running);
    // Writes or removes the entry; nothing on success, else what went wrong.
    std::optional<QString> setEnabled(bool on);

    // The entry's text for the program.
    static QByteArray entryText(const QString& executable);
    // The program as one argument of an Exec line: as it stands when it holds only plain
    // characters, else quoted and escaped as desktop entries require.
    static QString execArgument(const QString& executable);

private:
    QString dir_;
    QString executable_;
};

} // namespace fw
