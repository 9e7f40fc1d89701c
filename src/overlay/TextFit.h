#pragma once
// Buttons laid out from their fonts: a window places its buttons where its design puts them,
// then each grows to what its text needs at the font it has (a large system font), never
// narrower than designed. A button keeps the edge its design anchors it by (left half: its
// left edge; right half: its right edge; centred: its centre) and its vertical centre; buttons
// of one row then make room for each other, and a label that a grown button would cover ends
// before it. The extra width a row still needs is returned, for a window that can grow.
//
//   buildButtons();
//   if (const int extra = fitButtonsToText(window); extra > 0) growBy(extra);

class QAbstractButton;
class QWidget;

namespace fw {

// Fits the buttons that are direct children of `container`; the width the widest row lacks
// (0 when every row fits).
int fitButtonsToText(QWidget* container);
// Grows one button to its text at its font, keeping the edge its place in its parent anchors.
void growToText(QAbstractButton* button);
// Widens `container` by `extra` (its fixed width), moving what stands in its right half along
// with its right edge.
void widenKeepingRightHalf(QWidget* container, int extra);

} // namespace fw
