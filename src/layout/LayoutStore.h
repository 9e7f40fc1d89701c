#pragma once
// The per-display layout store: for every display key, the adjusted tree of each layout
// whose dividers the user moved, the layout active on the display and the display's custom
// layouts. Every change is written to user defaults at once, so nothing is saved at exit:
//
//   "layouts.v2"        display key → {layout id → tree}
//   "customLayouts.v1"  display key → [layout]
//   "activeLayouts.v1"  display key → layout
//
// Stored data is read per display and per entry: an entry that does not decode or breaks
// the store's rules is dropped silently, and everything else is kept.
//
// A display keeps at most maxCustomLayouts custom layouts. Nobody arranges windows with more
// (a picker screen shows a few dozen); loading them takes milliseconds; and a full display
// at the longest names and largest trees the rules allow (about 5 KB each with the ids made
// here) takes about 5 MB, within the defaults file's 8 MiB. Past the bound a
// load lists only the first ones and logs it, keeping the rest in the stored value as they
// stand (written back untouched, read again once there is room); an import or a new layout
// that would pass it is refused whole and changes nothing.
//
// Invariants: every held tree is valid; every held name keeps LayoutArchive's name bounds
// (so nothing listed is slow to draw); every custom layout has an id beginning "user-", a
// name that is not blank, and an id unique within its display's list.
// Belongs to the main thread.

#include "layout/LayoutArchive.h"
#include "layout/SnapLayout.h"

#include <QJsonArray>
#include <QString>

#include <map>
#include <optional>
#include <vector>

namespace fw {

class UserDefaults;

class LayoutStore {
public:
    static QString savedKey() { return QStringLiteral("layouts.v2"); }
    static QString customKey() { return QStringLiteral("customLayouts.v1"); }
    static QString activeKey() { return QStringLiteral("activeLayouts.v1"); }
    static QString cornerCustomId() { return QStringLiteral("corner-custom"); }
    static QString cornerCustomName() { return QStringLiteral("Custom corner layout"); }
    static constexpr int maxCustomLayouts = 1000;
    // The refusal shown for a layout that does not fit: "<display> already has 1,000 custom layouts, …".
    static QString fullMessage(const QString& displayName);

    // Loads the three keys; writes nothing.
    explicit LayoutStore(UserDefaults& defaults);
    ~LayoutStore();
    LayoutStore(const LayoutStore&) = delete;
    LayoutStore& operator=(const LayoutStore&) = delete;

    // The built-ins as adjusted on the display, the display's corner layout when it has one,
    // then its custom layouts as adjusted.
    std::vector<SnapLayout> layouts(const QString& display) const;
    // The layout menus and the export list: built-ins and custom layouts as stored, then the
    // extra layout (or else the active one) and the corner layout when not already listed
    // with an equal tree.
    std::vector<SnapLayout> menuLayouts(const QString& display,
                                        const std::optional<SnapLayout>& including = std::nullopt) const;
    // Candidates for recognising the layout a display's windows form: the active layout, the
    // full list, the built-ins unadjusted; each distinct layout once.
    std::vector<SnapLayout> choices(const QString& display) const;
    std::optional<SnapLayout> activeLayout(const QString& display) const;
    std::vector<SnapLayout> customLayouts(const QString& display) const;

    // The layout with the tree the display holds for its id, when that tree has the same
    // region numbers as the layout's own; otherwise the layout unchanged.
    SnapLayout adjusted(const SnapLayout& layout, const QString& display) const;

    // Writes "activeLayouts.v1" unless the tree is invalid, the name beyond the bounds or the
    // layout already active.
    void setActive(const SnapLayout& layout, const QString& display);
    // Records the layout's tree as the display's adjusted tree for its id and makes it
    // active; writes "layouts.v2" only when the stored tree changed.
    void save(const SnapLayout& layout, const QString& display);
    // Forgets the display's adjusted trees and active layout; always writes both keys.
    void reset(const QString& display);
    // Adds or replaces a custom layout; false (nothing changes) for an id not beginning
    // "user-", an invalid tree, a name beyond the name bounds (over 60 characters, counted
    // untrimmed), a blank name, or a new layout on a display that has maxCustomLayouts.
    bool upsertCustom(const SnapLayout& layout, const QString& display);
    // Whether upsertCustom has room for the layout: it replaces one, or the display has fewer
    // than maxCustomLayouts.
    bool hasRoomFor(const SnapLayout& layout, const QString& display) const;
    // False when the display has no custom layout with that id.
    bool deleteCustom(const QString& id, const QString& display);

    struct ImportResult {
        std::vector<SnapLayout> layouts; // the display's custom list after the merge
        int added = 0;
        int skipped = 0;
        int refused = 0;                 // new layouts not added: they would pass the bound
    };
    // Merges imported layouts into the display's custom layouts; stores and writes only when
    // at least one was added. Layouts that break the custom-layout rules are left out. When
    // the new ones would take the display past maxCustomLayouts none is added.
    ImportResult importLayouts(const std::vector<SnapLayout>& imported, const QString& display);

    void saveSaved();

private:
    void saveCustom();
    void saveActive();
    void load();
    void loadCustom(const QString& display, const QJsonArray& entries);

    UserDefaults& defaults_;
    std::map<QString, std::map<QString, RegionTree>> saved_;
    std::map<QString, SnapLayout> active_;
    std::map<QString, std::vector<SnapLayout>> custom_;
    std::map<QString, QJsonArray> unlisted_;   // stored entries past the bound, as they stand
};

} // namespace fw
