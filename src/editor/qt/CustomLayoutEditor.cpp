// The custom layout editor window: builds its header, canvas, app list and buttons, and hands saves and
// deletions to its owner; the rules it shows come from CustomLayoutRules.
#include "editor/qt/CustomLayoutEditor.h"

#include "editor/CanvasGeometry.h"
#include "editor/CustomLayoutRules.h"
#include "editor/qt/CustomLayoutCanvas.h"
#include "editor/qt/ApplicationChooser.h"
#include "editor/qt/FileDialogs.h"
#include "editor/qt/LayoutDiagram.h"
#include "overlay/ActionButton.h"
#include "overlay/TextFit.h"
#include "overlay/AppIcon.h"
#include "overlay/OverlayStyle.h"
#include "overlay/PopupEscape.h"
#include "snap/AppNames.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QUrl>

namespace fw {

namespace {

QRect frame(int x, int y, int w, int h) { return fromBottomLeft(x, y, w, h, CustomLayoutEditor::contentHeight); }

} // namespace

CustomLayoutEditor::CustomLayoutEditor(const std::vector<SnapLayout>& starters, const std::optional<SnapLayout>& current,
                                       const QString& displayName, const std::optional<SnapLayout>& editing,
                                       QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint),
      editing_(editing), identifier_(editing ? editing->id : editor::newIdentifier()),
      starters_(editor::starters(editing, starters))
{
    const auto content = editor::initialContent(editing, current);
    canvas_ = new CustomLayoutCanvas(content.tree, frame(24, 190, 732, 310), this);
    canvas_->setApps(content.apps);

    setWindowTitle(editor::windowTitle(editing, displayName));
    setFixedSize(contentWidth, contentHeight);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    buildHeader(starters_);
    buildApps();
    buildButtons();
    setTabOrder();
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { cancel_->performAction(); });
    // Escape on the open "Start from" list or apps menu closes only that.
    keepEscapeForPopups(this);

    startMenu_->setCurrentIndex(editor::starterIndex(starters_, canvas_->draft.tree));
    QPointer<CustomLayoutEditor> self(this);
    canvas_->onChange = [self] {
        if (self)
            self->statusUpdate();
    };
    statusUpdate();
    // Each button takes the room its text needs at the editor's font; the window grows when a
    // row needs more.
    widenKeepingRightHalf(this, fitButtonsToText(this));
    nameField_->setFocus(Qt::OtherFocusReason);
}

CustomLayoutEditor::~CustomLayoutEditor()
{
    // The canvas may call back while children are torn down.
    if (canvas_)
        canvas_->onChange = nullptr;
}

ActionButton* CustomLayoutEditor::button(const QString& title, const QRect& at, void (CustomLayoutEditor::*action)())
{
    QPointer<CustomLayoutEditor> self(this);
    auto* b = new ActionButton(title, [self, action] {
        if (self)
            (self.data()->*action)();
    }, this);
    b->setGeometry(at);
    return b;
}

void CustomLayoutEditor::buildHeader(const std::vector<SnapLayout>& starters)
{
    makeLabel(editor::heading(editing_), 21, QFont::DemiBold, StyleColor::label, this)->setGeometry(frame(24, 580, 500, 28));
    makeLabel(QStringLiteral("Name"), 13, QFont::Normal, StyleColor::label, this)->setGeometry(frame(24, 541, 44, 20));
    nameField_ = new QLineEdit(editing_ ? editing_->name : QStringLiteral("My Layout"), this);
    nameField_->setGeometry(frame(72, 538, 280, 26));
    nameField_->setAccessibleName(QStringLiteral("Custom layout name"));
    makeLabel(QStringLiteral("Start from"), 13, QFont::Normal, StyleColor::label, this)->setGeometry(frame(404, 542, 76, 20));
    startMenu_ = new QComboBox(this);
    startMenu_->setGeometry(frame(484, 538, 270, 28));
    startMenu_->setIconSize(QSize(36, 22));
    for (const SnapLayout& starter : starters)
        startMenu_->addItem(QIcon(layoutDiagramImage(starter)), starter.name);
    connect(startMenu_, &QComboBox::activated, this, [this] { changeStarter(); });
    // A click selects; the split buttons under the canvas split the selected region.
    makeLabel(QStringLiteral("Click a region to select it, then split it below. Drag a divider to resize; double-click it for 50/50."), 12,
              QFont::Normal, StyleColor::secondaryLabel, this)
        ->setGeometry(frame(24, 509, 732, 20));
}

void CustomLayoutEditor::buildApps()
{
    appLabel_ = makeLabel(QString(), 13, QFont::Normal, StyleColor::label, this);
    appLabel_->setGeometry(frame(24, 152, 148, 20));
    // Return and keypad Enter open the list as Space does.
    appMenu_ = new ActionButton(QString(), {}, this);
    appMenu_->setFocusPolicy(Qt::StrongFocus);
    appMenu_->setGeometry(frame(176, 147, 300, 28));
    appMenu_->setAccessibleName(QStringLiteral("App for the selected region"));
    makeLabel(QStringLiteral("Pick several to stack them, first in front."), 12, QFont::Normal, StyleColor::secondaryLabel, this)
        ->setGeometry(frame(488, 152, 268, 20));
}

void CustomLayoutEditor::buildButtons()
{
    leftRight_ = button(QStringLiteral("Split left / right"), frame(24, 104, 148, 32), &CustomLayoutEditor::splitColumns);
    topBottom_ = button(QStringLiteral("Split top / bottom"), frame(184, 104, 156, 32), &CustomLayoutEditor::splitRows);
    merge_ = button(QStringLiteral("Merge pair"), frame(352, 104, 114, 32), &CustomLayoutEditor::mergePair);
    undo_ = button(QStringLiteral("Undo"), frame(578, 104, 82, 32), &CustomLayoutEditor::undoStep);
    redo_ = button(QStringLiteral("Redo"), frame(672, 104, 82, 32), &CustomLayoutEditor::redoStep);
    message_ = makeLabel(QString(), 12, QFont::Normal, StyleColor::secondaryLabel, this);
    message_->setGeometry(frame(24, 75, 730, 20));
    cancel_ = button(QStringLiteral("Cancel"), frame(24, 24, 90, 32), &CustomLayoutEditor::cancel);
    if (editing_)
        delete_ = button(QStringLiteral("Delete Layout…"), frame(126, 24, 140, 32), &CustomLayoutEditor::confirmDelete);
    save_ = button(editor::saveTitle(editing_), frame(458, 24, 134, 32), &CustomLayoutEditor::saveOnly);
    // "&&" shows one "&" instead of marking a mnemonic.
    saveApply_ = button(QStringLiteral("Save && Apply"), frame(606, 24, 148, 32), &CustomLayoutEditor::saveAndApply);
}

void CustomLayoutEditor::setTabOrder()
{
    std::vector<QWidget*> chain{nameField_, startMenu_, canvas_, appMenu_, leftRight_, topBottom_, merge_,
                                undo_, redo_, cancel_, delete_, save_, saveApply_};
    QWidget* previous = nullptr;
    for (QWidget* w : chain) {
        if (!w)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

// --- Editing buttons ---

void CustomLayoutEditor::splitColumns()
{
    canvas_->draft.split(SplitAxis::horizontal);
    canvas_->changed();
}

void CustomLayoutEditor::splitRows()
{
    canvas_->draft.split(SplitAxis::vertical);
    canvas_->changed();
}

void CustomLayoutEditor::mergePair()
{
    if (const auto merged = canvas_->draft.tree.mergingPair(canvas_->draft.selectedRegion))
        canvas_->draft.commit(*merged);
    canvas_->changed();
}

void CustomLayoutEditor::undoStep()
{
    canvas_->draft.undo();
    canvas_->changed();
}

void CustomLayoutEditor::redoStep()
{
    canvas_->draft.redo();
    canvas_->changed();
}

void CustomLayoutEditor::changeStarter()
{
    const int index = startMenu_->currentIndex();
    if (index < 0 || index >= int(starters_.size()))
        return;
    const SnapLayout& starter = starters_[std::size_t(index)];
    canvas_->setApps(starter.apps.value_or(SnapLayout::AppMap{}));
    canvas_->draft.commit(starter.tree);
    canvas_->changed();
}

// --- Status and apps ---

void CustomLayoutEditor::statusUpdate()
{
    const auto& draft = canvas_->draft;
    const auto status = editor::status(draft);
    leftRight_->setEnabled(status.leftRight);
    topBottom_->setEnabled(status.topBottom);
    merge_->setEnabled(status.merge);
    undo_->setEnabled(status.undo);
    redo_->setEnabled(status.redo);
    message_->setText(status.message);
    const auto kept = editor::keepingRegions(canvas_->apps(), draft.tree);
    if (kept != canvas_->apps())
        canvas_->setApps(kept);
    appLabel_->setText(status.appLabel);
    rebuildAppMenu();
}

void CustomLayoutEditor::refreshRunningApplications()
{
    running_ = runningApplications ? runningApplications() : QStringList();
    rebuildAppMenu();
}

void CustomLayoutEditor::rebuildAppMenu()
{
    // A new menu each time: the old one may be the sender of the choice being handled.
    auto* menu = new QMenu(appMenu_);
    // At least as wide as the button it drops from.
    menu->setMinimumWidth(appMenu_->width());
    fillAppMenu(menu);
    QPointer<CustomLayoutEditor> self(this);
    connect(menu, &QMenu::triggered, this, [self](QAction* action) {
        if (self)
            self->chooseApp(action->data().toInt());
    });
    // Applications started or quit since the last change show up when the menu opens.
    connect(menu, &QMenu::aboutToShow, this, [self, menu] {
        if (!self)
            return;
        self->running_ = self->runningApplications ? self->runningApplications() : QStringList();
        menu->clear();
        self->fillAppMenu(menu);
    });
    QMenu* old = appMenu_->menu();
    appMenu_->setMenu(menu);
    if (old)
        old->deleteLater();
}

void CustomLayoutEditor::fillAppMenu(QMenu* menu)
{
    const auto& apps = canvas_->apps();
    const auto found = apps.find(canvas_->draft.selectedRegion);
    const QStringList current = found == apps.end() ? QStringList() : found->second;
    const auto model = editor::appMenu(current, running_);

    menuAppIds_.clear();
    const auto add = [menu](const QString& title, int tag, bool on) {
        QAction* action = menu->addAction(title);
        action->setData(tag);
        action->setCheckable(true);
        action->setChecked(on);
        return action;
    };
    add(QStringLiteral("No App"), noAppTag, model.noAppOn);
    menu->addSeparator();
    for (const auto& item : model.items) {
        QAction* action = add(item.name, int(menuAppIds_.size()), item.on);
        if (const auto icon = AppIcon::icon(item.id))
            action->setIcon(*icon);
        menuAppIds_ << item.id;
    }
    menu->addSeparator();
    menu->addAction(QStringLiteral("Other App…"))->setData(otherAppTag);
    appMenu_->setText(model.title);
}

void CustomLayoutEditor::chooseApp(int tag)
{
    const RegionNumber region = canvas_->draft.selectedRegion;
    if (tag == otherAppTag) {
        if (const auto id = chooseOtherApp(region))
            canvas_->setApps(editor::addedApp(canvas_->apps(), region, *id));
    } else if (tag == noAppTag) {
        auto apps = canvas_->apps();
        apps.erase(region);
        canvas_->setApps(apps);
    } else if (tag >= 0 && tag < menuAppIds_.size()) {
        canvas_->setApps(editor::toggledApp(canvas_->apps(), region, menuAppIds_[tag]));
    }
    statusUpdate();
}

std::optional<QString> CustomLayoutEditor::chooseOtherApp(RegionNumber region)
{
    const auto applications = AppNames::applications();
    ApplicationChooser chooser(applications ? applications->installed() : std::vector<ApplicationEntry>(),
                               QStringLiteral("Choose an app to add to region %1.").arg(canvas::shownNumber(canvas_->draft.tree, region)), this);
    chooser.setTerminalInstalled(!applications || applications->hasTerminal());
    if (chooser.exec() != QDialog::Accepted || !applications)
        return std::nullopt;
    const auto id = chooser.chosen();
    if (!id || !applications->entry(*id))
        return std::nullopt;
    return id;
}

// --- Save and delete ---

void CustomLayoutEditor::save(bool apply)
{
    auto result = editor::savedLayout(identifier_, nameField_->text(), canvas_->draft.tree, canvas_->apps());
    if (const QString* error = std::get_if<QString>(&result)) {
        message_->setText(*error);
        return;
    }
    if (onSave && onSave(std::get<SnapLayout>(result), apply))
        close();
}

QMessageBox* CustomLayoutEditor::deleteConfirmation() const
{
    return confirmation_ && confirmation_->isVisible() ? confirmation_.data() : nullptr;
}

void CustomLayoutEditor::confirmDelete()
{
    if (!editing_ || deleteConfirmation())
        return;
    auto* alert = new QMessageBox(this);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    alert->setIcon(QMessageBox::Warning);
    alert->setText(editor::deleteQuestion(*editing_));
    alert->setInformativeText(QStringLiteral("Windows arranged with it stay where they are."));
    QPushButton* remove = alert->addButton(QStringLiteral("Delete"), QMessageBox::DestructiveRole);
    QPushButton* keep = alert->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    for (QPushButton* b : {remove, keep})
        b->setAutoDefault(false);
    alert->setEscapeButton(keep);
    confirmation_ = alert;
    QPointer<CustomLayoutEditor> self(this);
    connect(alert, &QMessageBox::buttonClicked, this, [self, remove](QAbstractButton* clicked) {
        if (!self || clicked != remove || !self->onDelete || !self->editing_)
            return;
        if (self->onDelete(*self->editing_))
            self->close();
    });
    alert->open();
}

} // namespace fw
