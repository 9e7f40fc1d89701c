#pragma once
// A picker view wired as the coordinator wires it, for widget tests: its hovers and keys go to
// a picker session, which decides the selection and hands it back to be drawn; clicks and
// Return are recorded as choices. The session's selection is the one a test reads;
// litSelection reads what the view draws.

#include "overlay/OverlayView.h"
#include "snap/PickerSession.h"

#include <QPointer>
#include <vector>

namespace fw::test {

struct PickerOwner {
    PickerSession session;
    std::vector<PickerKey> keys;                           // every key intent reported
    std::vector<std::optional<SnapSelection>> hovers;      // every hover reported
    std::vector<std::optional<SnapSelection>> handed;      // every selection handed back to draw
    std::vector<SnapSelection> chosen;                     // clicks and Return

    void attach(OverlayView& v)
    {
        session.pickerLayouts = v.layouts();
        session.choosingComposition = v.wholeComposition();
        view = &v;
        v.onHover = [this](std::optional<SnapSelection> s) {
            hovers.push_back(s);
            select(s);
        };
        v.onKey = [this](PickerKey k) {
            keys.push_back(k);
            if (k.kind != PickerKey::choose) {
                if (const auto next = session.selectionAfter(k))
                    select(next);
            } else if (const auto choice = session.keyChoice()) {
                chosen.push_back(*choice);
            }
        };
        v.onChoose = [this](SnapSelection s) { chosen.push_back(s); };
    }
    // The session takes a selection and the view draws it.
    void select(const std::optional<SnapSelection>& s)
    {
        session.selection = s;
        handed.push_back(s);
        if (view)
            view->showSelection(s);
    }

    QPointer<OverlayView> view;
};

// The button the view draws lit (its card's in composition mode); nothing when none is.
inline std::optional<SnapSelection> litSelection(const OverlayView& view)
{
    for (const auto& [sel, button] : view.regionButtons())
        if (button->highlightedRegion)
            return sel;
    for (const auto& [index, button] : view.compositionButtons())
        if (button->highlightedComposition)
            return SnapSelection{index, 0};
    return std::nullopt;
}

} // namespace fw::test
