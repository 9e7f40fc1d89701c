#pragma once
// A layout: an identified, named region tree, optionally with the apps that belong in each
// region. Identified by `id` in lists and pickers.

#include "layout/RegionTree.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <vector>

namespace fw {

struct SnapLayout {
    // Region number → application ids, the first in front.
    using AppMap = std::map<RegionNumber, QStringList>;

    QString id;   // built-in ids are fixed; custom ids begin with "user-"
    QString name; // shown to the user
    RegionTree tree;
    std::optional<AppMap> apps; // absent (not merely empty) for built-ins and layouts without apps

    // id, name and tree equal; apps absent in both or present in both and equal.
    friend bool operator==(const SnapLayout&, const SnapLayout&) = default;
    // A layout the user made (or imported), not a built-in.
    bool isCustom() const { return id.startsWith(u"user-"); }

    // The eight built-in layouts, in the order every list and picker shows them. Made once.
    static const std::vector<SnapLayout>& builtIns();
    // The built-in layout with this id; null when none has it.
    static const SnapLayout* builtInWithId(const QString& id);

    // {"id":…, "name":…, "tree":…} plus "apps" {"<region>":[…]} only when present.
    QJsonObject toJson() const;
    // Needs "id", "name" and "tree"; "apps" is read leniently (a list or a single text per
    // region) and never fails the layout. Does not check the tree's validity.
    static Decoded<SnapLayout> fromJson(const QJsonValue& json);
};

} // namespace fw
