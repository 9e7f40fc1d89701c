#pragma once
// The window in which the user creates a custom layout for one display, or edits or deletes
// one: a name, a "Start from" menu, the canvas, split / merge / undo / redo, the apps of the
// selected region, a status line, and cancel, delete, save and save-and-apply. It stores
// nothing itself: saving and deleting go to the owner through onSave and onDelete, whose true
// answer closes the window. Fixed size 780 × 620; closing only hides it. Escape cancels unless
// a popup of the window is open (then it closes only that), and no button takes Return.

#include "layout/SnapLayout.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QLineEdit;
class QMenu;
class QMessageBox;
class QPushButton;

namespace fw {

class ActionButton;
class CustomLayoutCanvas;
class OverlayLabel;

class CustomLayoutEditor : public QWidget {
    Q_OBJECT
public:
    static constexpr int contentWidth = 780;
    static constexpr int contentHeight = 620;
    // Tags of the apps menu's fixed items.
    static constexpr int otherAppTag = -1;
    static constexpr int noAppTag = -2;

    // `starters`: the display's layouts in menu order; `current`: the display's applied layout;
    // `editing`: the custom layout to edit, none to create one. Built, not shown.
    CustomLayoutEditor(const std::vector<SnapLayout>& starters, const std::optional<SnapLayout>& current,
                       const QString& displayName, const std::optional<SnapLayout>& editing,
                       QWidget* parent = nullptr);
    ~CustomLayoutEditor() override;

    // The finished layout and whether to apply it; true closes the window.
    std::function<bool(const SnapLayout&, bool)> onSave;
    // `editing` as handed in, after the user confirmed; true closes the window.
    std::function<bool(const SnapLayout&)> onDelete;
    // The ids of the running applications, offered in the apps menu: asked when the menu
    // opens and by refreshRunningApplications(), not at every change. Unset: none.
    std::function<QStringList()> runningApplications;

    CustomLayoutCanvas* canvas() const { return canvas_; }
    QLineEdit* nameField() const { return nameField_; }
    OverlayLabel* message() const { return message_; }
    OverlayLabel* appLabel() const { return appLabel_; }
    QComboBox* startMenu() const { return startMenu_; }
    QPushButton* appMenu() const { return appMenu_; }
    const std::optional<SnapLayout>& editing() const { return editing_; }
    const QString& identifier() const { return identifier_; }
    const std::vector<SnapLayout>& starters() const { return starters_; }
    ActionButton* leftRight() const { return leftRight_; }
    ActionButton* topBottom() const { return topBottom_; }
    ActionButton* merge() const { return merge_; }
    ActionButton* undo() const { return undo_; }
    ActionButton* redo() const { return redo_; }
    ActionButton* cancelButton() const { return cancel_; }
    ActionButton* deleteButton() const { return delete_; } // null when creating
    ActionButton* saveButton() const { return save_; }
    ActionButton* saveApplyButton() const { return saveApply_; }
    // The delete confirmation while it is open.
    QMessageBox* deleteConfirmation() const;

    // The "Start from" menu's action for its selected index.
    void changeStarter();
    // The apps menu's action for an item's tag, on the selected region.
    void chooseApp(int tag);
    // Buttons, status line, the apps of vanished regions, the apps label and menu.
    void statusUpdate();
    // Asks for the running applications again and rebuilds the apps menu.
    void refreshRunningApplications();
    void save(bool apply);
    // Shows the delete confirmation on the window; its "Delete" calls onDelete.
    void confirmDelete();

private:
    void splitColumns();
    void splitRows();
    void mergePair();
    void undoStep();
    void redoStep();
    void cancel() { close(); }
    void saveOnly() { save(false); }
    void saveAndApply() { save(true); }
    void buildHeader(const std::vector<SnapLayout>& starters);
    void buildApps();
    void buildButtons();
    void setTabOrder();
    void rebuildAppMenu();
    void fillAppMenu(QMenu* menu);
    std::optional<QString> chooseOtherApp(RegionNumber region);
    ActionButton* button(const QString& title, const QRect& frame, void (CustomLayoutEditor::*action)());

    std::optional<SnapLayout> editing_;
    QString identifier_;
    std::vector<SnapLayout> starters_;
    CustomLayoutCanvas* canvas_ = nullptr;
    QLineEdit* nameField_ = nullptr;
    OverlayLabel* message_ = nullptr;
    QComboBox* startMenu_ = nullptr;
    ActionButton* leftRight_ = nullptr;
    ActionButton* topBottom_ = nullptr;
    ActionButton* merge_ = nullptr;
    ActionButton* undo_ = nullptr;
    ActionButton* redo_ = nullptr;
    ActionButton* cancel_ = nullptr;
    ActionButton* delete_ = nullptr;
    ActionButton* save_ = nullptr;
    ActionButton* saveApply_ = nullptr;
    OverlayLabel* appLabel_ = nullptr;
    QPushButton* appMenu_ = nullptr;
    QStringList menuAppIds_;
    QStringList running_;
    QPointer<QMessageBox> confirmation_;
};

} // namespace fw
