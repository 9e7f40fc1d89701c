#pragma once
// The installed applications of an XDG desktop: desktop entries under
// $XDG_DATA_HOME/applications and each $XDG_DATA_DIRS/applications, earlier folders first.
// An entry's id is its path below the applications folder with "/" turned into "-" and
// ".desktop" dropped. Entries marked Hidden hide the id in later folders as well; entries
// whose Type is not Application are not applications; entries with NoDisplay=true, or whose
// OnlyShowIn/NotShowIn leave out every desktop XDG_CURRENT_DESKTOP names, are installed but not
// listed in launchers (ApplicationEntry::listed). Parsed entries are kept per file and
// read again when the file changes. Launching runs the entry's Exec= command without a shell
// (field codes dropped), unless its TryExec= program is missing; an entry with Terminal=true
// runs in the user's terminal (terminalCommand), whose window is then the app's. The program
// carries the entry's path (GIO_LAUNCHED_DESKTOP_FILE) and is remembered by its process, and a
// terminal launch by the role it asks the terminal to give its window, so that a window can be
// told by the entry that opened it.

#include "platform/Applications.h"

#include <QDateTime>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <map>
#include <vector>

namespace fw {

class XdgApplications final : public Applications {
public:
    // Folders, languages and desktop from the environment (XDG_DATA_HOME, XDG_DATA_DIRS,
    // environmentLocale(), XDG_CURRENT_DESKTOP).
    XdgApplications();
    // Explicit applications folders (highest precedence first), locale ("de_DE.UTF-8", or a
    // list of them by priority: "de_AT:de:en") and the session's desktop names ("XFCE", "GNOME").
    XdgApplications(QStringList applicationDirs, QString locale, QStringList desktops = {});

    std::optional<ApplicationEntry> entry(const QString& id) const override;
    std::vector<ApplicationEntry> installed() const override;
    QStringList folders() const override { return dirs_; }
    bool launch(const QString& id) const override;
    std::optional<ProcessLaunch> launchOf(Pid pid) const override;
    std::optional<ProcessLaunch> launchOfRole(const QString& role) const override;
    QStringList programNames(Pid pid) const override;
    bool launchRunning(const QString& id, std::chrono::nanoseconds within) const override;
    // From the launches made here and the applications folders and their sub-folders as last
    // listed (each one's modification time and inode): an entry added, removed or replaced in
    // any of them changes it (and a folder changed in the last seconds, at every ask); one
    // rewritten in place is seen with the folder's next change.
    std::optional<std::uint64_t> generation() const override;
    bool hasTerminal() const override { return terminalCommand({}, desktops_).has_value(); }

    const QStringList& applicationDirs() const { return dirs_; }

    // Parses the text of a desktop entry file. Nothing when it is not a visible application
    // (no [Desktop Entry] group, Type not Application, Hidden=true, or no Name). `desktops`
    // decide whether it is listed (NoDisplay, OnlyShowIn, NotShowIn).
    static std::optional<ApplicationEntry> parse(const QByteArray& text, const QString& id, const QString& locale,
                                                 const QStringList& desktops = {});
    // Applications folders of the environment, highest precedence first.
    static QStringList environmentDirs();
    // The session's languages for messages, as desktop menus read them: LANGUAGE (a priority
    // list, "de_AT:de"), else LC_ALL, else LC_MESSAGES, else LANG; the first that is set counts.
    static QString environmentLocale();
    // XDG_CURRENT_DESKTOP's names.
    static QStringList environmentDesktops();
    // The command that runs `command` (a program and its arguments) in the user's terminal:
    // xdg-terminal-exec where it is installed, else x-terminal-emulator -e, else the first
    // common terminal on PATH (the desktop's own first: konsole on KDE, xfce4-terminal on
    // XFCE, …), each with its own way to take a command and to open its window from its own
    // process; x-terminal-emulator that stands for a common terminal runs as that terminal.
    // A terminal that shows its windows from a process of its own (gnome-terminal) is told to
    // give the new window `role`, when one is given. The terminal's absolute path comes first.
    // Nothing when no terminal is installed.
    static std::optional<QStringList> terminalCommand(const QStringList& command, const QStringList& desktops = {},
                                                      const QString& role = {});

private:
    struct Parsed {
        QDateTime modified;
        qint64 size = -1;
        bool present = false;   // the file held a visible application
        ApplicationEntry entry;
    };
    // Whether a file exists at path; when it does, its parsed entry (cached by mtime/size).
    const Parsed* load(const QString& path, const QString& id) const;
    QStringList candidatePaths(const QString& dir, const QString& id) const;
    // `role`: the mark of a launch in a terminal (empty for other launches).
    void recordLaunch(Pid pid, const QString& id, const QString& role) const;

    // A process launched here, known by its id and start time (ids are reused).
    struct LaunchRecord {
        Pid pid = 0;
        quint64 startTime = 0;
        QString id;
        std::chrono::steady_clock::time_point at;
        QString role; // not empty when the process is the terminal the entry runs in: the role
                      // asked for its window
    };
    static constexpr std::size_t kMaxLaunchRecords = 64;
    static constexpr int kMaxAncestry = 32;

    QStringList dirs_;
    QString locale_;
    QStringList desktops_;
    mutable std::map<QString, Parsed> cache_;
    mutable std::vector<LaunchRecord> launches_;
    mutable std::uint64_t launchCount_ = 0;
    // How long after its last change a folder counts as changed at every ask.
    static constexpr std::chrono::seconds kFolderSettleTime{3};
    mutable std::uint64_t unsettledAsks_ = 0;
    // The sub-folders of the applications folders found by the last listing.
    mutable QStringList listedFolders_;
};

} // namespace fw
