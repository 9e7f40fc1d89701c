#pragma once
// The regions that side-by-side split drops produced on each display, kept across restarts in
// the user default "sideSplits.v1": display key → array of arrays of region numbers, each
// inner array ascending. Read once, on first use; written after each addition; never pruned.
// A stored entry that does not read as regions is dropped on its own; the rest loads.

#include "snap/DropActionMenu.h"

#include <QString>
#include <map>
#include <optional>
#include <set>

namespace fw {

class UserDefaults;
struct LayoutGroup;

class SideSplitStore {
public:
    using RegionSet = std::set<RegionNumber>;
    using Splits = std::map<QString, std::set<RegionSet>>;

    static QString key() { return QStringLiteral("sideSplits.v1"); }

    explicit SideSplitStore(UserDefaults& defaults) : defaults_(defaults) {}

    // The map, loaded on first use.
    const Splits& sideSplits();
    // Records the regions of one side-by-side split on the display and writes the store.
    void add(const QString& display, const RegionSet& regions);
    void save();

    // Whether a column fill may rejoin a split on the display: always for a fill that is not
    // side by side; for a side-by-side one only when the display recorded exactly its regions
    // and the display's applied layout (`group`, when it has one) is not a built-in.
    bool isSideSplitFill(const ColumnFill& fill, const QString& display, const LayoutGroup* group);

private:
    Splits load() const;

    UserDefaults& defaults_;
    std::optional<Splits> splits_;
};

} // namespace fw
