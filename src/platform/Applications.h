#pragma once
// Applications port: the installed applications, each named by its application id (on Linux
// the desktop-entry id: the entry's file name without ".desktop", sub-folders joined by "-").
// Lookups never launch anything.

#include <QString>
#include <optional>
#include <vector>

namespace fw {

struct ApplicationEntry {
    QString id;             // application id ("org.gnome.gedit", "firefox-esr")
    QString name;           // display name, localised for the session's language
    QString icon;           // icon theme name or absolute file path; empty = none
    QString path;           // where the entry was found
    QString startupWmClass; // WM_CLASS the application's windows carry, when the entry says

    friend bool operator==(const ApplicationEntry&, const ApplicationEntry&) = default;
};

class Applications {
public:
    virtual ~Applications() = default;
    // The installed application with this id, or nothing.
    virtual std::optional<ApplicationEntry> entry(const QString& id) const = 0;
    // Every installed application, by id.
    virtual std::vector<ApplicationEntry> installed() const = 0;
};

} // namespace fw
