#pragma once
// Applications port: the installed applications, each named by its application id (on Linux
// the desktop-entry id: the entry's file name without ".desktop", sub-folders joined by "-").
// Lookups never launch anything; launch() starts only an installed entry's own command, so an
// id (from a layout, a file or the defaults) is never run as a command line.

#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

namespace fw {

struct ApplicationEntry {
    QString id;             // application id ("org.gnome.gedit", "firefox-esr")
    QString name;           // display name, localised for the session's language
    QString icon;           // icon theme name or absolute file path; empty = none
    QString path;           // where the entry was found
    QString startupWmClass; // WM_CLASS the application's windows carry, when the entry says
    QString exec;           // the entry's command (Exec=), field codes still in it
    QString tryExec;        // a program that must exist for the entry to run (TryExec=)
    bool listed = true;     // shown by application launchers here (not NoDisplay, nor left
                            // out of this desktop by OnlyShowIn/NotShowIn)

    friend bool operator==(const ApplicationEntry&, const ApplicationEntry&) = default;
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

// Finds the desktop entry of a window from its WM_CLASS: the entry whose StartupWMClass is
// the class (or instance), else the entry whose id, or the id's last dotted part, is the
// class or instance, else the entry named like the class; all compared case-insensitively.
// The index is built from one listing of the installed entries; call rebuild() to refresh it.
class WindowApplicationIndex {
public:
    explicit WindowApplicationIndex(const Applications& apps) : apps_(apps) {}
    void rebuild();
    std::optional<ApplicationEntry> entryFor(const QString& wmClass, const QString& wmInstance) const;

private:
    const Applications& apps_;
    std::vector<ApplicationEntry> entries_;
    std::map<QString, std::size_t> byStartupClass_;
    std::map<QString, std::size_t> byId_;
    std::map<QString, std::size_t> byName_;
};

} // namespace fw
