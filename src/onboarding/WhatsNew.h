#pragma once
// What's New: the fixed table of release notes compiled into the program, newest first, the
// choice of the rows to show after an update, and the lines of the notes text. The window
// that shows them is WhatsNewWindowController (onboarding/qt).

#include "base/UserDefaults.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace fw {

class WhatsNew {
public:
    struct Entry {
        QString version;
        QStringList notes;
        friend bool operator==(const Entry&, const Entry&) = default;
    };

    // The notes of every release, newest first.
    static const std::vector<Entry>& releaseNotes();

    // The rows newer than lastSeen and not newer than installed, in table order.
    static std::vector<Entry> entries(const QString& lastSeen, const QString& installed);

    static inline const QString lastSeenKey = QStringLiteral("lastSeenVersion");
    // The last-seen version when the user default is absent, on every launch but the first.
    static inline const QString assumedLastSeen = QStringLiteral("1.13.3");
    // The launch's choice: reads and at once rewrites "lastSeenVersion" with the installed
    // version, then gives the rows to show; none on the very first launch. The caller asks only
    // when it will show them (not while the welcome window is visible), so none is skipped.
    static std::vector<Entry> entriesForLaunch(UserDefaults& defaults, const QString& installed, bool veryFirstLaunch);

    // The notes text line by line: for each entry a heading "Version 1.18", then one bullet
    // per note; entries after the first are preceded by an empty line.
    struct Line {
        enum class Kind { blank, heading, bullet };
        Kind kind;
        QString text;   // the heading, or the note without its bullet
        friend bool operator==(const Line&, const Line&) = default;
    };
    static std::vector<Line> notesLines(const std::vector<Entry>& entries);
};

} // namespace fw
