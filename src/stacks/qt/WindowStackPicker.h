#pragma once
// The stack switcher's content: "Window Stack" with the member count, previous and next
// buttons, an optional Layouts row, and a scrolling area of window cards (a grid grouped by
// section, or the stack map of a span stack with its window-set button). A click on a card
// brings that window forward; digits 1–9 click a card, the arrows move the focus, B brings a
// span's covered windows forward, Return or Space click the focused card, Escape closes.
// Resting the pointer on a card reports a peek. Fixed size, built once; thumbnails arrive
// card by card. Every action is a closure its anchor fills.

#include "overlay/WindowThumbnailButton.h"
#include "stacks/qt/SwitcherButtons.h"
#include "stacks/StackPickerPlan.h"
#include "stacks/SwitcherKeys.h"
#include "stacks/SwitcherPresenter.h"

#include <QPointer>
#include <QWidget>
#include <unordered_map>
#include <vector>

class QAbstractButton;
class QScrollArea;

namespace fw {

class OverlayLabel;

class WindowStackPicker : public QWidget {
    Q_OBJECT
public:
    explicit WindowStackPicker(PickerContent content, QWidget* parent = nullptr);
    ~WindowStackPicker() override;

    // Slots filled after creation.
    std::function<void()> close;
    std::function<void(int)> cycle;
    std::function<void(const std::vector<ManagedWindow>&)> peek;
    std::function<void(const ManagedWindow&)> stretch;

    void setThumbnail(const Thumbnail& image, const ManagedWindow& window);
    void markCurrent(const std::optional<ManagedWindow>& front);

    // Handles a key as the switcher does; false when it passes on.
    bool handleKey(int key, Qt::KeyboardModifiers modifiers);

    const StackPickerPlan& plan() const { return plan_; }
    const std::unordered_map<ManagedWindow, WindowThumbnailButton*>& choices() const { return choices_; }
    const std::vector<WindowThumbnailButton*>& orderedChoices() const { return ordered_; }
    const std::vector<QAbstractButton*>& layoutButtons() const { return layoutButtons_; }
    WindowSetButton* setChoice() const { return setChoice_; }
    ActionButton* arrowButton(int i) const { return arrows_[i]; }
    ActionButton* previewsButton() const { return previewsButton_; }
    OverlayLabel* titleLabel() const { return title_; }
    OverlayLabel* countLabel() const { return count_; }
    QScrollArea* scrollView() const { return scroll_; }
    QWidget* documentView() const { return document_; }
    const std::vector<OverlayLabel*>& sectionLabels() const { return sectionLabels_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildHeader(const PickerContent& content);
    void buildCards(const PickerContent& content);
    WindowThumbnailButton* makeCard(const ManagedWindow& window, const PickerContent& content);
    void addStretchButton(WindowThumbnailButton* card, const QString& text);
    void buildSetButton(const PickerContent& content);
    void moveFocus(FocusMove move);
    void clickFocusedOrFirst();
    WindowThumbnailButton* focusedCard() const;

    const StackPickerPlan plan_;
    std::function<void()> sendToBack_;
    std::unordered_map<ManagedWindow, WindowThumbnailButton*> choices_;
    std::vector<WindowThumbnailButton*> ordered_;
    std::vector<QAbstractButton*> layoutButtons_;
    std::vector<OverlayLabel*> sectionLabels_;
    QPointer<WindowSetButton> setChoice_;
    ActionButton* arrows_[2] = {nullptr, nullptr};
    ActionButton* previewsButton_ = nullptr;
    OverlayLabel* title_ = nullptr;
    OverlayLabel* count_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QWidget* document_ = nullptr;
};

} // namespace fw
