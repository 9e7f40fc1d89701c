#pragma once
// The layout store's stored form: three keys of user defaults, read back leniently and written
// whole on every change:
//
//   "layouts.v2"        display key → {layout id → tree}
//   "customLayouts.v1"  display key → [layout]
//   "activeLayouts.v1"  display key → layout
//
// Stored data is read per display and per entry. An entry this version cannot use (a tree it
// does not know, a layout that breaks the store's rules: perhaps one from a newer version) is
// not handed to the store, is logged once per display, and is kept here as it stands: each
// write puts it back where it was. Only what is no entry at all is dropped: a custom layout
// that is not an object or has no id, a duplicate of an id already listed, a display's list or
// tree that is not an object; the store tells the user how many. Past the store's bound a
// display's list is read only to the bound; the rest is kept undecoded and written back after
// the others. Belongs to the main thread.
//
//   LayoutStoreFormat format(defaults, 1000);
//   LayoutStoreFormat::Loaded loaded = format.load();
//   …
//   format.writeCustom(custom);

#include "layout/SnapLayout.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <cstddef>
#include <map>
#include <vector>

namespace fw {

class UserDefaults;

class LayoutStoreFormat {
public:
    static QString savedKey() { return QStringLiteral("layouts.v2"); }
    static QString customKey() { return QStringLiteral("customLayouts.v1"); }
    static QString activeKey() { return QStringLiteral("activeLayouts.v1"); }

    // The rules of what the store holds: any layout a valid tree and a name within
    // LayoutArchive's bounds; a custom layout besides an id beginning "user-" and a name that
    // is not blank (its id unique within its display's list is kept by the lists).
    static bool hasCustomId(const SnapLayout& layout);
    static bool isStorable(const SnapLayout& layout);
    static bool isStorableCustom(const SnapLayout& layout);

    // What the three keys hold that the store can use.
    struct Loaded {
        std::map<QString, std::map<QString, RegionTree>> saved;
        std::map<QString, std::vector<SnapLayout>> custom;
        std::map<QString, SnapLayout> active;   // storable; the store checks them against its lists
        int dropped = 0;                        // custom entries dropped as no entry at all
    };

    // Lists at most `listBound` custom layouts per display.
    LayoutStoreFormat(UserDefaults& defaults, std::size_t listBound) : defaults_(defaults), listBound_(listBound) {}

    // Reads the three keys; writes nothing.
    Loaded load();

    // Each writes its key whole: what the store holds, with the entries kept here in their places.
    void writeTrees(const std::map<QString, std::map<QString, RegionTree>>& saved) const;
    void writeCustom(const std::map<QString, std::vector<SnapLayout>>& custom) const;
    void writeActive(const std::map<QString, SnapLayout>& active) const;

    // Whether the display stores a custom layout with this id that the store does not list.
    bool keepsUnlisted(const QString& display, const QString& id) const;
    // The display's tree for the id was stored anew: the one kept unread goes.
    void forgetTree(const QString& display, const QString& id);
    // The display's active layout was stored anew: the one kept unread goes.
    void forgetActive(const QString& display) { unreadActive_.erase(display); }
    // The display's trees and active layout were reset: those kept unread go.
    void forgetTreesAndActive(const QString& display);
    // The custom layout listed at `position` was deleted: kept entries of its id go (its tree and,
    // as the active layout, its entry) and the others keep their places among the listed ones.
    // True when a kept active layout went (the active key is to be written).
    bool forgetCustom(const QString& display, const QString& id, std::size_t position);

private:
    // A stored custom layout this version cannot use, as it stands, and where it stood: after
    // `before` listed layouts of its display.
    struct KeptEntry {
        std::size_t before = 0;
        QString id;
        QJsonValue value;
    };

    void loadSaved(const QJsonObject& displays, Loaded& loaded);
    void loadCustom(const QString& display, const QJsonArray& entries, Loaded& loaded);
    void loadActive(const QJsonObject& displays, Loaded& loaded);
    static void dropEntry(const QString& display, const QJsonValue& entry, Loaded& loaded);

    UserDefaults& defaults_;
    std::size_t listBound_;
    std::map<QString, QJsonArray> unlisted_;                  // stored entries past the bound, as they stand
    std::map<QString, std::vector<KeptEntry>> unreadCustom_;  // in stored order
    std::map<QString, QJsonObject> unreadTrees_;              // layout id → tree, as stored
    std::map<QString, QJsonValue> unreadActive_;              // active layouts, as stored
};

} // namespace fw
