#pragma once
// What the layout picker hands to the coordinator: a layout, as an index into the picker's
// layouts, and a region number of that layout (composition mode always uses region 0).

#include "layout/RegionTree.h"

namespace fw {

struct SnapSelection {
    int layoutIndex = 0;
    RegionNumber region = 0;
    friend bool operator==(const SnapSelection&, const SnapSelection&) = default;
};

} // namespace fw
