#pragma once
// Applications port: the installed applications, each named by its application id (on Linux
// the desktop-entry id: the entry's file name without ".desktop", sub-folders joined by "-").
// Lookups never launch anything; launch() starts only an installed entry's own command, so an
// id (from a layout, a file or the defaults) is never run as a command line. A window is tied
// to the entry that opened it where its launch tells (WindowApplicationIndex).

#include "platform/WindowSystem.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace fw {

struct ApplicationEntry {
    QString id;             // application id ("org.gnome.gedit", "firefox-esr")
    QString name;           // display name, localised for the session's language
    QString comment;        // what it is, one line, localised (Comment=); empty = none
    QString icon;           // icon theme name or absolute file path; empty = none
    QString path;           // where the entry was found
    QString startupWmClass; // WM_CLASS the application's windows carry, when the entry says
    QString exec;           // the entry's command (Exec=), field codes still in it
    QString tryExec;        // a program that must exist for the entry to run (TryExec=)
    bool terminal = false;  // runs in a terminal, whose window is the app's (Terminal=true)
    bool listed = true;     // shown by application launchers here (not NoDisplay, nor left
                            // out of this desktop by OnlyShowIn/NotShowIn)

    friend bool operator==(const ApplicationEntry&, const ApplicationEntry&) = default;
};

// The desktop entry that started a process, as its launch tells: `direct` when the process is
// the one started itself, not one of its children.
struct ProcessLaunch {
    QString id;
    bool direct = false;

    friend bool operator==(const ProcessLaunch&, const ProcessLaunch&) = default;
};

class Applications {
public:
    virtual ~Applications() = default;
    // The installed application with this id, or nothing.
    virtual std::optional<ApplicationEntry> entry(const QString& id) const = 0;
    // Every installed application, by id.
    virtual std::vector<ApplicationEntry> installed() const = 0;
    // The folders the entries are found in, highest precedence first; none when the source
    // has no folders.
    virtual QStringList folders() const { return {}; }
    // Starts the installed application with this id, detached and without asking for focus;
    // does not wait for it. False when no installed entry has the id or its command cannot be
    // started; nothing runs then.
    virtual bool launch(const QString& id) const
    {
        (void)id;
        return false;
    }
    // Whether a terminal is installed to run the entries that run in one.
    virtual bool hasTerminal() const { return true; }
    // Whether a launch of the entry made here less than `within` ago still runs: its windows
    // may yet appear, and another launch would open the app twice.
    virtual bool launchRunning(const QString& id, std::chrono::nanoseconds within) const
    {
        (void)id;
        (void)within;
        return false;
    }
    // The installed entry that started the process: one this program launched (the process or
    // one of its ancestors; for an entry run in a terminal, a process below the one launched is
    // the launch's own as well: the terminal may run under a wrapper), else the entry its
    // environment names (GIO_LAUNCHED_DESKTOP_FILE, direct when GIO_LAUNCHED_DESKTOP_FILE_PID is
    // the process itself). Nothing when neither tells.
    virtual std::optional<ProcessLaunch> launchOf(Pid pid) const
    {
        (void)pid;
        return std::nullopt;
    }
    // The file names the process's program goes by (its executable's, its first argument's);
    // empty when they cannot be read.
    virtual QStringList programNames(Pid pid) const
    {
        (void)pid;
        return {};
    }
    // The launch made here whose window was to carry this role (WM_WINDOW_ROLE): a terminal
    // that shows windows from a process of its own is told to mark the launch's window so.
    // Nothing for any other role.
    virtual std::optional<ProcessLaunch> launchOfRole(const QString& role) const
    {
        (void)role;
        return std::nullopt;
    }
    // A mark of the installed entries and the launches made here: while it stays the same, a
    // listing and the launches read from it still hold. Cheap to ask. Nothing when the source
    // cannot tell: every refresh lists again.
    virtual std::optional<std::uint64_t> generation() const { return std::nullopt; }
};

// No installed application: every lookup misses and nothing launches.
class NoApplications final : public Applications {
public:
    std::optional<ApplicationEntry> entry(const QString&) const override { return std::nullopt; }
    std::vector<ApplicationEntry> installed() const override { return {}; }
};

// The id of the desktop entry at `path` when it lies in one of the applications folders
// (the first folder that holds it decides): its path below that folder with "/" turned into
// "-" and ".desktop" dropped. Nothing for any other path.
std::optional<QString> desktopEntryId(const QString& path, const QStringList& folders);
// The id for a path relative to an applications folder ("kde/konsole.desktop" → "kde-konsole").
QString desktopEntryIdOfRelativePath(const QString& relativePath);

// Whether the entry names windows of this WM_CLASS as its application's: by its StartupWMClass
// (the class or instance) when it has one, else by its id, the id's last dotted part (the
// class or instance) or its name (the class); all compared case-insensitively.
bool entryNamesClass(const ApplicationEntry& entry, const QString& wmClass, const QString& wmInstance);

// Finds the desktop entry of a window. The entry that opened it comes first: the launch whose
// mark its role carries (Applications::launchOfRole), else its process's launch
// (Applications::launchOf), when the window's process is the one launched or the entry names
// the window's class; then the entry whose id is the window's _GTK_APPLICATION_ID; then by
// WM_CLASS alone: the entry whose StartupWMClass is the class (or instance), else the entry
// whose id, or the id's last dotted part, is the class or instance, else the entry named like
// the class; all compared case-insensitively. Last, the entry that runs the program (Exec=,
// TryExec=: entryProgramNames) the window's WM_CLASS instance or its process's program is named
// after: the one entry that runs it, or among several the one that runs it alone. The index is
// built from one listing of the installed entries; rebuild() lists them again (and reads
// launches again), refresh() only when the source's generation changed since (or it has
// none), so that reads of many windows share one listing.
class WindowApplicationIndex {
public:
    explicit WindowApplicationIndex(const Applications& apps) : apps_(apps) {}
    void rebuild();
    void refresh();
    std::optional<ApplicationEntry> entryFor(const WindowInfo& window) const;
    // By WM_CLASS alone (the instance as a program's name too).
    std::optional<ApplicationEntry> entryFor(const QString& wmClass, const QString& wmInstance) const;
    // The installed entry with exactly this id, as of the last rebuild.
    std::optional<ApplicationEntry> entry(const QString& id) const;

private:
    std::optional<ProcessLaunch> launchOf(Pid pid) const;
    std::optional<ApplicationEntry> entryOfProgram(const QString& name) const;

    const Applications& apps_;
    std::optional<std::uint64_t> builtAt_; // the source's generation at the last listing
    bool built_ = false;
    std::vector<ApplicationEntry> entries_;
    std::map<QString, std::size_t> byExactId_;
    std::map<QString, std::size_t> byStartupClass_;
    std::map<QString, std::size_t> byId_;
    std::map<QString, std::size_t> byName_;
    // By a program an entry runs; kNoEntry where several entries run it, none alone.
    std::map<QString, std::size_t> byProgram_;
    static constexpr std::size_t kNoEntry = std::size_t(-1);
    // Launches and program names read since the last rebuild: windows of one process ask once.
    mutable std::map<Pid, std::optional<ProcessLaunch>> launches_;
    mutable std::map<Pid, QStringList> programs_;
};

} // namespace fw
