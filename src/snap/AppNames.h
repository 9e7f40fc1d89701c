#pragma once
// Names of the applications that layouts carry: an application id becomes the name a person
// reads, two ids are ordered by those names, and a layout's apps become one summary line.
// Names come from the installed applications (the desktop entries) and are not cached.
// The shell installs the applications once; icons have their own source in the overlay.

#include "layout/SnapLayout.h"
#include "platform/Applications.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace fw {

class AppNames {
public:
    // The applications that names come from. With none installed every id is unknown.
    static void setApplications(std::shared_ptr<const Applications> applications);
    static std::shared_ptr<const Applications> applications();

    // The installed application's name; the id itself when no application has it.
    static QString displayName(const QString& id);
    // The same from the given applications (none: the id itself).
    static QString displayName(const Applications* applications, const QString& id);
    // True when a's name sorts before b's (localised, case-insensitive); equal names: false.
    static bool displayNameOrder(const QString& a, const QString& b);
    // "Name + Name · Name": the apps of each region that exists in the tree, columns left to
    // right and top to bottom within a column. Nothing when no region has apps.
    static std::optional<QString> summary(const RegionTree& tree, const std::optional<SnapLayout::AppMap>& apps);
};

// One name per id, in order (displayName of each).
QStringList appNames(const QStringList& ids);

} // namespace fw
