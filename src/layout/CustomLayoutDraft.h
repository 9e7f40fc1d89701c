#pragma once
// The custom layout editor's working copy of a tree, with undo and redo.

#include "layout/RegionTree.h"

#include <vector>

namespace fw {

struct CustomLayoutDraft {
    static constexpr std::size_t maxUndo = 100;

    RegionTree tree;
    RegionNumber selectedRegion = 0; // a region of `tree` after every operation
    std::vector<RegionTree> undoTrees; // oldest first, at most maxUndo
    std::vector<RegionTree> redoTrees; // most recently undone last

    CustomLayoutDraft() = default;
    // Starts with empty stacks; a selection that is not a region of the tree becomes its
    // lowest region.
    explicit CustomLayoutDraft(RegionTree tree, RegionNumber selectedRegion = 0);

    // Records a valid tree that differs from the current one; an invalid or equal tree
    // changes nothing.
    void commit(const RegionTree& newTree);
    // Halves the selected region along the axis; the new half gets the smallest free number.
    void split(SplitAxis axis);
    void undo();
    void redo();

    friend bool operator==(const CustomLayoutDraft&, const CustomLayoutDraft&) = default;

private:
    void recheckSelection();
};

} // namespace fw
