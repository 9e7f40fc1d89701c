#pragma once
// Layout files on disk, for the export and import panels: which layouts a display offers for
// export, writing the chosen ones atomically, reading a chosen file safely (only a regular
// file, never more than one byte over the format's limit, never blocking on a FIFO or a
// device), handing its layouts to the store, and the one-line report of each outcome.
// The format and its checks belong to LayoutArchive.

#include "layout/SnapLayout.h"
#include "platform/Screens.h"

#include <QByteArray>
#include <QJsonParseError>
#include <QString>
#include <optional>
#include <variant>
#include <vector>

namespace fw {

class LayoutStore;

namespace layoutfiles {

// One entry of the export panel's pop-up: its title and the layouts written when chosen.
struct ExportChoice {
    QString title;
    std::vector<SnapLayout> layouts;

    friend bool operator==(const ExportChoice&, const ExportChoice&) = default;
};

// "All saved custom layouts (n)" when the display has custom layouts; "Current composition
// — <name>" when one is given; then every layout of the display's menu, titled with its name,
// or "Adjusted: <name>" for a layout that is neither custom nor an unchanged built-in.
std::vector<ExportChoice> exportChoices(const LayoutStore& store, const QString& displayKey,
                                        const std::optional<SnapLayout>& current);

QString defaultFileName(); // "Framewell Layouts.framewell.json"
QString exportMessage(const QString& screenName);
QString importMessage(const QString& screenName);
QString regularFileMessage();  // "Choose a regular Framewell layout file."
QString disconnectedMessage(); // "The target display disconnected. …"

// Encodes the layouts and writes them to the path atomically. The report line: "Exported …"
// or "Couldn’t export layouts: …".
QString exportLayouts(const std::vector<SnapLayout>& layouts, const QString& path);

// Why a file that is not JSON is no layout file, naming it: "“x.json” isn’t a layout file
// Framewell can read: it is cut short." (or empty, damaged at a line, not text, …).
QString unreadableFileMessage(const QString& fileName, const QByteArray& data, const QJsonParseError& error);

// The first LayoutArchive::maxBytes + 1 bytes of a regular file (empty when nothing could be
// read), or the message of why it cannot be read. Opens without blocking and checks the
// opened file again, so a path swapped for a FIFO or device in between is refused too.
std::variant<QByteArray, QString> readLayoutFile(const QString& path);

// Imports the file at the path into the custom layouts of the display with this key (which
// must still be among the screens). The report line: "Imported …" or "Couldn’t import
// layouts: …"; on failure the store is unchanged.
QString importLayouts(LayoutStore& store, const std::vector<ScreenInfo>& screens, const QString& displayKey,
                      const QString& screenName, const QString& path);

} // namespace layoutfiles

} // namespace fw
