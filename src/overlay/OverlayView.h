#pragma once
// The layout picker: one card per layout in a grid. In region mode a card is a miniature of
// the layout whose regions are buttons; in composition mode a card is one button that applies
// the whole layout with its apps. The view reports intents: the region under the pointer
// through onHover, a click through onChoose, the keys (arrows, digits, Return, Enter) through
// onKey. It holds no selection: its owner decides one and hands it to showSelection, which
// only draws it. It decides nothing about placement.
//
// The pointer is followed whether or not a button is held: every child of the view tracks it
// and passes its moves on, so hovering a region reports it once, leaving every region reports
// nothing, and keys and pointer move the selection in turn (the later one wins).
//
// Geometry is top-left (y downward), in points, laid out by PickerGeometry. Hit tests use the
// exact fractional frames of the buttons, so the gaps between region buttons belong to no
// region. A card's widgets are made when the card first comes into view (or is selected): a
// picker of a thousand layouts makes only the few dozen cards on screen.

#include "base/Geometry.h"
#include "layout/SnapLayout.h"
#include "overlay/PickerButtons.h"
#include "snap/PickerGeometry.h"
#include "snap/PickerKeys.h"
#include "snap/SnapSelection.h"

#include <QIcon>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace fw {

class ActionButton;
class OverlayWindow;

class OverlayView : public QWidget {
    Q_OBJECT
public:
    // Layout id → (region → icon of the application whose window occupies it).
    using Occupants = std::map<QString, std::map<RegionNumber, QIcon>>;

    OverlayView(std::vector<SnapLayout> layouts, std::optional<QString> currentLayout, bool wholeComposition,
                bool dragging, const Occupants& occupants, double width, QWidget* parent = nullptr);

    const std::vector<SnapLayout>& layouts() const { return layouts_; }
    bool wholeComposition() const { return wholeComposition_; }
    const PickerGeometry& geometry() const { return geometry_; }

    std::function<void(SnapSelection)> onChoose;
    std::function<void()> onCreate;
    std::function<void(const SnapLayout&)> onEdit;
    std::function<void(std::optional<SnapSelection>)> onHover;
    std::function<void(PickerKey)> onKey;

    // The display's own layouts by id → their layout key's number (Ctrl+Alt+1 … 9, from 1),
    // which their region cards show instead of a picker digit.
    void setLayoutKeys(std::map<QString, int> keys);
    // A region card's name line: "3  Three columns" for the first nine other cards (the digit
    // that selects it), "Ctrl+Alt+1  Dev" for an own layout with a key, else the bare name.
    QString cardTitle(int index) const;

    // Makes the widgets of the cards reaching into [top, bottom] (view points) that have none
    // yet. The view makes those of its first firstBuildHeight points itself; its panel makes
    // the others as it scrolls.
    static constexpr double firstBuildHeight = 1200;
    void buildCards(double top, double bottom);
    int builtCardCount() const { return int(std::count(built_.begin(), built_.end(), true)); }

    // Of the cards made so far (every accessor below):
    // In card order; within a card, ascending region number. Empty in composition mode.
    const std::vector<std::pair<SnapSelection, RegionButton*>>& regionButtons() const { return regionButtons_; }
    // In card order. Empty in region mode.
    const std::vector<std::pair<int, CompositionButton*>>& compositionButtons() const { return compositionButtons_; }
    const std::map<int, LayoutCardPlatter*>& platters() const { return platters_; }
    OverlayLabel* titleLabel() const { return title_; }
    OverlayLabel* subtitle() const { return subtitle_; }
    QWidget* cancelHint() const { return cancelHint_; }
    ActionButton* createButton() const { return createButton_; }
    // Region mode: each card's name and second line (nullptr when it has none), by layout index.
    OverlayLabel* cardName(int index) const;
    OverlayLabel* cardDetail(int index) const;
    // Composition mode: the Edit button of a custom layout's card, by layout index.
    ActionButton* editButton(int index) const;

    // The selection under a point in view coordinates; nothing in gaps and outside cards.
    std::optional<SnapSelection> selection(const QPointF& point) const;
    // Draws the selection its owner decided on every button and card (nothing: none lit).
    void showSelection(const std::optional<SnapSelection>& selection);

protected:
    void childEvent(QChildEvent*) override;
    void hideEvent(QHideEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void leaveEvent(QEvent*) override;
    void paintEvent(QPaintEvent*) override;

private:
    void buildCard(int index);
    void buildCompositionCard(const PickerCard& card);
    void buildRegionCard(const PickerCard& card);
    // The intent of a picker key; nothing for the keys the view passes on.
    static std::optional<PickerKey> keyIntent(int key);
    // Reports what the pointer is over when that changed since the last report.
    void reportHover(const std::optional<SnapSelection>& s);
    // Scrolls the panel's scroll view, when the view is in one, to show a child of the view.
    void scrollIntoView(QWidget* child);

    std::vector<SnapLayout> layouts_;
    bool wholeComposition_;
    PickerGeometry geometry_;
    std::optional<QString> currentLayout_;
    Occupants occupants_;
    std::map<QString, int> layoutKeys_;
    std::vector<bool> built_;   // by layout index
    std::vector<std::pair<int, CompositionButton*>> compositionButtons_;
    std::vector<std::pair<SnapSelection, RegionButton*>> regionButtons_;
    std::map<int, LayoutCardPlatter*> platters_;
    std::map<int, OverlayLabel*> cardNames_;
    std::map<int, OverlayLabel*> cardDetails_;
    std::map<int, ActionButton*> editButtons_;
    OverlayLabel* title_ = nullptr;
    OverlayLabel* subtitle_ = nullptr;
    QWidget* cancelHint_ = nullptr;
    ActionButton* createButton_ = nullptr;
    // What is lit: the owner's selection as last handed over.
    std::optional<SnapSelection> drawn_;
    // The hover last reported (unset: none since the view showed or the keys last chose), and
    // where the pointer last was: a move to the same place is Qt's own, after a scroll or a
    // new card, not the hand's.
    std::optional<std::optional<SnapSelection>> reported_;
    std::optional<QPointF> lastPointer_;
};

// --- Hosting the picker on a display (its width and frame: PickerGeometry.h) ---

// The panel that shows a picker view: titled "Choose a Layout", level 101, a glass card of
// corner radius 26 holding the view (in a vertical scroll view when the view is taller than
// the panel). Interactive and key-capable unless a drag is under way.
std::unique_ptr<OverlayWindow> makePickerPanel(OverlayView* view, const Rect& visibleFrame, bool dragging);
// Shows it: during a drag in front without the keyboard; otherwise as the key window with
// the view holding the keyboard focus.
void showPickerPanel(OverlayWindow& panel, OverlayView& view, bool dragging);

} // namespace fw
