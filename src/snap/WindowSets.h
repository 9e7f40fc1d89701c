#pragma once
// Sets of windows and the choices made over them alone: the windows whose process has ended,
// the windows whose frame can no longer be read, and an order that puts a set's members first.
// Windows are the same when their process ids and elements are equal.

#include "layout/RegionTree.h"
#include "windows/ManagedWindow.h"
#include "windows/WindowAccess.h"

#include <unordered_set>
#include <utility>

namespace fw {

using WindowSet = std::unordered_set<ManagedWindow>;

// The windows whose process is not one of the given ones.
WindowSet windowsOutside(const std::unordered_set<Pid>& processes, const WindowSet& windows);
// The windows whose frame can no longer be read.
WindowSet vanishedWindows(const WindowSet& windows, const WindowAccess& access);

// Pairs of a number and a window: those whose window is in the set first, then by number.
struct SetMembersFirst {
    const WindowSet& members;
    bool operator()(const std::pair<RegionNumber, ManagedWindow>& a,
                    const std::pair<RegionNumber, ManagedWindow>& b) const
    {
        const bool inA = members.count(a.second), inB = members.count(b.second);
        return inA != inB ? inA : a.first < b.first;
    }
};

} // namespace fw
