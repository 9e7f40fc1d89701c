#pragma once
// Short builders and gtest printers for region trees.

#include "layout/RegionTree.h"

#include <QString>

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

// `characters` user-perceived characters, each an "a" followed by `marks` combining acute
// accents; 60 × 8,000 is a 960 KB name within the character count.
inline QString markedName(int characters, int marks)
{
    QString name;
    for (int i = 0; i < characters; ++i)
        name += QLatin1Char('a') + QString(marks, QChar(0x0301));
    return name;
}

inline void PrintTo(const RegionTree& t, std::ostream* os) { *os << t.description().toStdString(); }
inline void PrintTo(const Rect& r, std::ostream* os) { *os << toString(r).toStdString(); }

} // namespace fw
