#pragma once
// The per-display layout store: for every display key, the adjusted tree of each layout
// whose dividers the user moved, the layout active on the display and the display's custom
// layouts. Every change is written to user defaults at once, so nothing is saved at exit; the
// keys, and how entries this version cannot use are kept as they stand, are LayoutStoreFormat's.
// Custom layouts dropped while loading (no entry at all) are told to the user once (setReport).
//
// The store is the one owner of a custom layout's name and apps: the active layout follows a
// rename, a custom layout the display does not store (a deleted one) is never active, and
// whoever holds a copy (an applied group) follows through current() when customLayoutsChanged
// calls.
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
#include "layout/LayoutStoreFormat.h"
#include "layout/SnapLayout.h"

#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace fw {

class UserDefaults;

class LayoutStore {
public:
    static QString savedKey() { return LayoutStoreFormat::savedKey(); }
    static QString customKey() { return LayoutStoreFormat::customKey(); }
    static QString activeKey() { return LayoutStoreFormat::activeKey(); }
    static QString cornerCustomId() { return QStringLiteral("corner-custom"); }
    static QString cornerCustomName() { return QStringLiteral("Custom corner layout"); }
    static constexpr int maxCustomLayouts = 1000;
    // The refusal shown for a layout that does not fit: "<display> already has 1,000 custom layouts, …".
    static QString fullMessage(const QString& displayName);

    // The notice for custom layouts dropped while loading.
    static QString droppedMessage(int count);

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

    // A layout as held elsewhere (an applied group, a return position) brought in line with
    // the display's custom layouts: a custom layout takes its stored name, and its stored apps
    // where its regions are the stored layout's; nothing once it was deleted. Any other layout
    // (built in, the corner layout, or one the store never had) comes back unchanged.
    std::optional<SnapLayout> current(const SnapLayout& held, const QString& display) const;

    // Called after a display's custom layouts changed (stored, renamed, deleted, imported).
    std::function<void(const QString& display)> customLayoutsChanged;

    // Where the store tells the user what it dropped while loading: one notice, when set (the
    // list is then written without the dropped entries, so it is told once).
    void setReport(const std::function<void(const QString&)>& report);

    // The layout with the tree the display holds for its id, when that tree has the same
    // region numbers as the layout's own; otherwise the layout unchanged.
    SnapLayout adjusted(const SnapLayout& layout, const QString& display) const;

    // Writes "activeLayouts.v1" unless the tree is invalid, the name beyond the bounds, the
    // layout a custom layout the display does not store (a deleted one), or already active.
    void setActive(const SnapLayout& layout, const QString& display);
    // Records the layout's tree as the display's adjusted tree for its id and makes it
    // active; writes "layouts.v2" only when the stored tree changed. Nothing for a custom
    // layout the display does not store.
    void save(const SnapLayout& layout, const QString& display);
    // Forgets the display's adjusted trees and active layout; always writes both keys.
    void reset(const QString& display);
    // Adds or replaces a custom layout (the active layout of that id takes its name, and its
    // apps where the regions agree); false (nothing changes) for an id not beginning
    // "user-", an invalid tree, a name beyond the name bounds (over 60 characters, counted
    // untrimmed), a blank name, or a new layout on a display that has maxCustomLayouts.
    bool upsertCustom(const SnapLayout& layout, const QString& display);
    // Whether upsertCustom has room for the layout: it replaces one, or the display has fewer
    // than maxCustomLayouts.
    bool hasRoomFor(const SnapLayout& layout, const QString& display) const;
    // Removes it with its adjusted tree and as the active layout; false when the display has
    // no custom layout with that id.
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
    // Takes what the stored keys hold; an active custom layout the display no longer stores is
    // left out.
    void load();
    // Not a custom layout, or one the display stores.
    bool isKnown(const SnapLayout& layout, const QString& display) const;
    void changed(const QString& display);

    LayoutStoreFormat format_;
    std::map<QString, std::map<QString, RegionTree>> saved_;
    std::map<QString, SnapLayout> active_;
    std::map<QString, std::vector<SnapLayout>> custom_;
    int dropped_ = 0;                                         // custom entries dropped, untold
    std::map<QString, std::set<QString>> deleted_;            // custom layout ids deleted in this run
};

} // namespace fw
