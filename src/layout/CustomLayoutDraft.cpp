// The custom layout editor's working tree with undo and redo and the selection kept valid.
#include "layout/CustomLayoutDraft.h"

namespace fw {

CustomLayoutDraft::CustomLayoutDraft(RegionTree t, RegionNumber selected)
    : tree(std::move(t)), selectedRegion(selected)
{
    recheckSelection();
}

void CustomLayoutDraft::recheckSelection()
{
    if (tree.containsRegion(selectedRegion))
        return;
    if (auto lowest = lowestRegion(tree.unitRects(Rect(0, 0, 1, 1))))
        selectedRegion = *lowest;
}

void CustomLayoutDraft::commit(const RegionTree& newTree)
{
    if (!newTree.isValid() || newTree == tree)
        return;
    undoTrees.push_back(tree);
    if (undoTrees.size() > maxUndo)
        undoTrees.erase(undoTrees.begin(), undoTrees.end() - maxUndo);
    redoTrees.clear();
    tree = newTree;
    recheckSelection();
}

void CustomLayoutDraft::split(SplitAxis axis)
{
    if (!tree.containsRegion(selectedRegion))
        return;
    RegionNumber fresh = 0;
    while (fresh <= 15 && tree.containsRegion(fresh))
        ++fresh;
    if (fresh > 15)
        return;
    const Rect unit = tree.unitRects(Rect(0, 0, 1, 1)).at(selectedRegion);
    const double extent = axis == SplitAxis::horizontal ? unit.width() : unit.height();
    if (!(extent >= 0.16))
        return;
    commit(tree.replacing(selectedRegion, RegionTree::split(axis, 0.5, RegionTree::leaf(selectedRegion),
                                                            RegionTree::leaf(fresh))));
}

void CustomLayoutDraft::undo()
{
    if (undoTrees.empty())
        return;
    RegionTree previous = undoTrees.back();
    undoTrees.pop_back();
    redoTrees.push_back(tree);
    tree = std::move(previous);
    recheckSelection();
}

void CustomLayoutDraft::redo()
{
    if (redoTrees.empty())
        return;
    RegionTree next = redoTrees.back();
    redoTrees.pop_back();
    undoTrees.push_back(tree);
    tree = std::move(next);
    recheckSelection();
}

} // namespace fw
