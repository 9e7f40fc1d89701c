#pragma once
// Short builders and gtest printers for region trees.

#include "layout/RegionTree.h"

#include <ostream>

namespace fw {

inline RegionTree L(RegionNumber n) { return RegionTree::leaf(n); }
inline RegionTree H(double r, RegionTree a, RegionTree b)
{
    return RegionTree::split(SplitAxis::horizontal, r, std::move(a), std::move(b));
}
inline RegionTree V(double r, RegionTree a, RegionTree b)
{
    return RegionTree::split(SplitAxis::vertical, r, std::move(a), std::move(b));
}

inline void PrintTo(const RegionTree& t, std::ostream* os) { *os << t.description().toStdString(); }
inline void PrintTo(const Rect& r, std::ostream* os) { *os << toString(r).toStdString(); }

} // namespace fw
