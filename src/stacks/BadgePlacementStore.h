#pragma once
// Where the user moved stack badges: per display key, the slot a stack occupied and the spot
// of its badge relative to that slot, so that whichever window of the stack is in front shows
// the badge in the same place, also after a restart. A lookup finds the stored slot that
// overlaps the query most (at least 0.6 of their union) and lets it follow a drifting stack.
// At most 64 spots per display; every change is written to "badgePlacements.v2" at once.
// A stored entry that does not read back is dropped alone. Main thread only.

#include "base/Geometry.h"

#include <QString>
#include <map>
#include <optional>
#include <vector>

namespace fw {

class UserDefaults;

struct BadgePlacement {
    bool fromRight = false;   // dx counts from the slot's right edge
    double dx = 0;            // badge left edge from the slot's left (or right) edge
    double dy = 0;            // badge top edge below the slot's top edge

    friend bool operator==(const BadgePlacement&, const BadgePlacement&) = default;
};

class BadgePlacementStore {
public:
    static constexpr int maxPerDisplay = 64;
    static constexpr double minimumOverlap = 0.6;
    static inline const QString key = QStringLiteral("badgePlacements.v2");
    static inline const QString legacyKey = QStringLiteral("badgePlacements.v1");

    struct Entry {
        Rect slot;
        BadgePlacement placement;
        friend bool operator==(const Entry&, const Entry&) = default;
    };

    // Removes the legacy key unread and loads the stored spots.
    explicit BadgePlacementStore(UserDefaults& defaults);

    // Intersection over union; 0 when they only touch.
    static double overlap(const Rect& a, const Rect& b);

    std::optional<std::size_t> bestEntry(const QString& display, const Rect& slot) const;
    // The spot for a stack in that slot; a matched entry takes the slot over (and is saved)
    // when it differs.
    std::optional<BadgePlacement> placement(const QString& display, const Rect& slot);
    void setPlacement(const BadgePlacement& placement, const QString& display, const Rect& slot);
    void removePlacement(const QString& display, const Rect& slot);
    void removeAll();
    bool isEmpty() const;

    const std::map<QString, std::vector<Entry>>& stored() const { return stored_; }
    // Entries dropped at load because they did not read back.
    int droppedAtLoad() const { return dropped_; }

private:
    void load();
    void save();

    UserDefaults& defaults_;
    std::map<QString, std::vector<Entry>> stored_;
    int dropped_ = 0;
};

} // namespace fw
