// The editor window: its controls where the design puts them, the "Start from" menu, the
// status line and buttons, the apps menu of each region, the name rule, and what saving and
// deleting hand to the owner.
#include "EditorFixture.h"

#include "editor/qt/ApplicationChooser.h"
#include "editor/qt/CustomLayoutCanvas.h"
#include "editor/qt/CustomLayoutEditor.h"
#include "editor/qt/FileDialogs.h"
#include "overlay/ActionButton.h"
#include "overlay/OverlayStyle.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

namespace fw {
namespace {

using test::EditorFixture;

struct Saved {
    SnapLayout layout;
    bool apply = false;
};

struct Editor : EditorFixture {
    const SnapLayout mine{"user-1", "Mine", H(0.6, L(0), L(1)), SnapLayout::AppMap{{1, {"mail"}}}};
    std::vector<Saved> saves;
    std::vector<SnapLayout> deletions;
    bool answer = true;

    std::unique_ptr<CustomLayoutEditor> make(const std::optional<SnapLayout>& editing,
                                             const std::optional<SnapLayout>& current = std::nullopt)
    {
        auto starters = store.menuLayouts(key, current);
        if (editing)
            starters.push_back(*editing);
        auto editor = std::make_unique<CustomLayoutEditor>(starters, current, "Studio Display", editing);
        editor->onSave = [this](const SnapLayout& l, bool apply) {
            saves.push_back({l, apply});
            return answer;
        };
        editor->onDelete = [this](const SnapLayout& l) {
            deletions.push_back(l);
            return answer;
        };
        return editor;
    }

    static QAction* item(CustomLayoutEditor& e, const QString& title)
    {
        for (QAction* a : e.appMenu()->menu()->actions())
            if (a->text() == title)
                return a;
        return nullptr;
    }
    static QStringList items(CustomLayoutEditor& e)
    {
        QStringList out;
        for (QAction* a : e.appMenu()->menu()->actions())
            out << (a->isSeparator() ? QStringLiteral("—") : a->text() + (a->isChecked() ? QStringLiteral("*") : QString()));
        return out;
    }
};

TEST_F(Editor, ControlsStandWhereTheDesignPutsThemTopToBottom)
{
    auto e = make(mine);
    EXPECT_EQ(e->windowTitle(), "Edit Layout — Studio Display");
    EXPECT_EQ(e->size(), QSize(780, 620));
    EXPECT_EQ(e->minimumSize(), e->maximumSize());
    EXPECT_EQ(e->nameField()->geometry(), QRect(72, 56, 280, 26));
    EXPECT_EQ(e->canvas()->geometry(), QRect(24, 120, 732, 310));
    EXPECT_EQ(e->saveApplyButton()->geometry(), QRect(606, 564, 148, 32));

    // Reading down the window: heading, name, hint, canvas, apps row, edit buttons, status,
    // bottom buttons.
    const auto top = [&](const QString& text) {
        for (QWidget* w : e->findChildren<QWidget*>()) {
            const auto* label = qobject_cast<OverlayLabel*>(w);
            const auto* button = qobject_cast<QAbstractButton*>(w);
            if ((label && label->text() == text) || (button && button->text() == text))
                return w->y();
        }
        ADD_FAILURE() << text.toStdString();
        return -1;
    };
    // The hint says what the editor does, whole: a click selects, the buttons split.
    const QString hint = "Click a region to select it, then split it below. Drag a divider to resize; double-click it for 50/50.";
    for (OverlayLabel* label : e->findChildren<OverlayLabel*>()) {
        if (label->text() == hint) {
            EXPECT_EQ(label->shownText(), hint) << "cut";
        }
    }
    const std::vector<int> order{top("Edit “Mine”"), e->nameField()->y(), top(hint),
                                 e->canvas()->y(), e->appMenu()->y(), top("Split left / right"), e->message()->y(),
                                 top("Delete Layout…")};
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()) && std::adjacent_find(order.begin(), order.end()) == order.end());
    EXPECT_EQ(top("Save Changes"), top("Cancel"));

    // No button answers Return or carries an accidental mnemonic; Escape closes.
    for (QPushButton* b : e->findChildren<QPushButton*>()) {
        EXPECT_FALSE(b->autoDefault() || b->isDefault()) << b->text().toStdString();
        EXPECT_TRUE(QKeySequence::mnemonic(b->text()).isEmpty()) << b->text().toStdString();
    }
    EXPECT_EQ(e->saveApplyButton()->text().replace("&&", "&"), "Save & Apply");
    e->show();
    e->activateWindow();
    QApplication::processEvents();
    ASSERT_TRUE(e->isActiveWindow());
    QTest::keyClick(e->nameField(), Qt::Key_Return);
    EXPECT_TRUE(saves.empty());
    EXPECT_TRUE(e->isVisible());
    QTest::keyClick(e->nameField(), Qt::Key_Escape);
    EXPECT_FALSE(e->isVisible());
}

TEST_F(Editor, StartFromListsBlankTheSavedLayoutAndTheRestOnceAndCanBeUndone)
{
    auto e = make(mine);
    QStringList names;
    for (int i = 0; i < e->startMenu()->count(); ++i)
        names << e->startMenu()->itemText(i);
    EXPECT_EQ(names.mid(0, 3), QStringList({"Blank canvas", "Mine (as saved)", SnapLayout::builtIns().front().name}));
    EXPECT_EQ(names.count("Mine"), 0) << "the edited layout is not offered twice";
    EXPECT_EQ(e->startMenu()->currentIndex(), 1) << "the entry with the canvas's tree";
    EXPECT_EQ(e->startMenu()->iconSize(), QSize(36, 22));
    EXPECT_FALSE(e->startMenu()->itemIcon(0).isNull());
    EXPECT_EQ(e->canvas()->apps(), (SnapLayout::AppMap{{1, {"mail"}}}));

    e->startMenu()->setCurrentIndex(0);
    e->changeStarter();
    EXPECT_EQ(e->canvas()->draft.tree, L(0));
    EXPECT_TRUE(e->canvas()->apps().empty());
    EXPECT_TRUE(e->undo()->isEnabled());
    e->changeStarter();
    EXPECT_EQ(e->canvas()->draft.undoTrees.size(), 1u) << "the same tree again adds no step";
    e->undo()->click();
    EXPECT_EQ(e->canvas()->draft.tree, mine.tree);
}

TEST_F(Editor, NewLayoutsStartFromTheCurrentLayoutOrHalvesAndKeepOneId)
{
    const SnapLayout current{"thirds", "Thirds", H(0.33, L(0), H(0.5, L(1), L(2))), std::nullopt};
    auto withCurrent = make(std::nullopt, current);
    EXPECT_EQ(withCurrent->canvas()->draft.tree, current.tree);
    EXPECT_EQ(withCurrent->windowTitle(), "Create Custom Layout — Studio Display");
    EXPECT_FALSE(withCurrent->deleteButton());

    auto e = make(std::nullopt);
    EXPECT_EQ(e->canvas()->draft.tree, SnapLayout::builtIns().front().tree);
    EXPECT_TRUE(QRegularExpression("^user-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$")
                    .match(e->identifier()).hasMatch()) << e->identifier().toStdString();
    answer = false;
    e->saveButton()->click();
    e->saveApplyButton()->click();
    ASSERT_EQ(saves.size(), 2u);
    EXPECT_EQ(saves[0].layout.id, e->identifier());
    EXPECT_EQ(saves[1].layout.id, e->identifier());
    EXPECT_FALSE(saves[0].apply);
    EXPECT_TRUE(saves[1].apply);
    EXPECT_EQ(saves[0].layout.name, "My Layout");
    EXPECT_FALSE(saves[0].layout.apps) << "no apps at all, not an empty map";
}

TEST_F(Editor, NamesNeedOneToSixtyCharactersWithoutControls)
{
    auto e = make(mine);
    const QString thumb = QString::fromUtf8("👍🏽"); // two code points, one character
    const QString length = "Give your layout a name between 1 and 60 characters.";
    const QString rules = QString::fromUtf8("Layout names must be 1–60 characters without control characters.");
    // 60 characters, each an "a" carrying 8,000 combining marks: within the count, over the bounds.
    const QString heavy = (QString("a") + QString(8000, QChar(0x0301))).repeated(60);
    const struct {
        QString text;
        std::optional<QString> saved;
        QString message;
    } cases[] = {
        {thumb.repeated(60), thumb.repeated(60), {}},
        {thumb.repeated(61), std::nullopt, length},
        {"   ", std::nullopt, length},
        {"", std::nullopt, length},
        {"  Focus\n", QStringLiteral("Focus"), {}},
        {"Tab\there", std::nullopt, rules},
        {QStringLiteral("Zero") + QChar(0x200B) + "width", std::nullopt, rules},
        {heavy, std::nullopt, rules},
    };
    for (const auto& c : cases) {
        saves.clear();
        e->nameField()->setText(c.text);
        e->saveButton()->click();
        if (c.saved) {
            ASSERT_EQ(saves.size(), 1u) << c.text.toStdString();
            EXPECT_EQ(saves[0].layout.name, *c.saved);
            EXPECT_EQ(saves[0].layout.id, "user-1") << "editing keeps the id";
        } else {
            EXPECT_TRUE(saves.empty()) << c.text.left(40).toStdString();
            EXPECT_EQ(e->message()->text(), c.message) << c.text.left(40).toStdString();
        }
        e->statusUpdate();
    }
}

TEST_F(Editor, StatusAndButtonsFollowTheDraftAndSelectionSurvivesUndoRedo)
{
    auto e = make(std::nullopt, SnapLayout{"one", "One", L(0), std::nullopt});
    EXPECT_EQ(e->message()->text(), "1 regions · Region 1 selected. Saving alone leaves your windows in place.");
    EXPECT_EQ(e->appLabel()->text(), "App in Region 1");
    EXPECT_FALSE(e->merge()->isEnabled());
    EXPECT_FALSE(e->undo()->isEnabled());

    e->leftRight()->click(); // 0 | 1
    test::press(e->canvas(), {600, 100});
    test::release(e->canvas(), {600, 100});
    e->topBottom()->click(); // 0 | (1 over 2), region 1 stays selected
    EXPECT_EQ(e->canvas()->draft.tree, H(0.5, L(0), V(0.5, L(1), L(2))));
    test::press(e->canvas(), {600, 250});
    test::release(e->canvas(), {600, 250});
    EXPECT_EQ(e->message()->text(), "3 regions · Region 3 selected. Saving alone leaves your windows in place.");
    EXPECT_TRUE(e->merge()->isEnabled());

    e->undo()->click(); // region 2 is gone: the lowest is selected
    EXPECT_EQ(e->canvas()->draft.selectedRegion, 0);
    EXPECT_TRUE(e->redo()->isEnabled());
    e->redo()->click();
    EXPECT_EQ(e->canvas()->draft.selectedRegion, 0);
    EXPECT_EQ(e->appLabel()->text(), "App in Region 1");
    EXPECT_FALSE(e->redo()->isEnabled());

    // Sixteen regions: no more splits, whatever the selection.
    RegionTree tree = L(0);
    for (RegionNumber n = 1; n < 16; ++n)
        tree = H(0.5, tree, L(n));
    e->canvas()->draft.commit(tree);
    e->canvas()->changed();
    EXPECT_FALSE(e->leftRight()->isEnabled());
    EXPECT_FALSE(e->topBottom()->isEnabled());
}

TEST_F(Editor, TheAppsMenuOfEachRegionTogglesRunningAppsAndDropsAppsOfMergedRegions)
{
    install("mail", "Mail", Qt::red);
    install("notes", "notes", Qt::blue);
    install("files", "Files");
    auto e = make(mine);
    QStringList running{"notes", "files"};
    e->runningApplications = [&] { return running; };
    e->refreshRunningApplications();
    running << "mail";
    EXPECT_FALSE(item(*e, "Mail"));
    emit e->appMenu()->menu()->aboutToShow(); // the list is asked again as the menu opens
    EXPECT_TRUE(item(*e, "Mail"));

    // Region 1 of "Mine" holds Mail.
    test::press(e->canvas(), {700, 100});
    test::release(e->canvas(), {700, 100});
    EXPECT_EQ(e->appMenu()->text(), "Mail");
    EXPECT_EQ(items(*e), QStringList({"No App", "—", "Files", "Mail*", "notes", "—", "Other App…"}))
        << "sorted by name ignoring case";
    EXPECT_FALSE(item(*e, "Mail")->icon().isNull());
    item(*e, "notes")->trigger();
    item(*e, "Files")->trigger();
    EXPECT_EQ(e->canvas()->apps().at(1), QStringList({"mail", "notes", "files"})) << "in the order picked";
    EXPECT_EQ(e->appMenu()->text(), "Mail, notes, Files");
    item(*e, "Mail")->trigger();
    EXPECT_EQ(e->canvas()->apps().at(1), QStringList({"notes", "files"}));

    // Region 0 has its own list.
    test::press(e->canvas(), {50, 100});
    test::release(e->canvas(), {50, 100});
    EXPECT_EQ(e->appMenu()->text(), "No App");
    EXPECT_EQ(items(*e).first(), "No App*");
    item(*e, "Mail")->trigger();
    item(*e, "Mail")->trigger();
    EXPECT_EQ(e->canvas()->apps().count(0), 0u) << "unpicking the last app removes the region's entry";
    item(*e, "Files")->trigger();
    item(*e, "No App")->trigger();
    EXPECT_EQ(e->canvas()->apps().count(0), 0u);

    // Merging away region 1 drops its apps before anything can save them.
    e->merge()->click();
    EXPECT_EQ(e->canvas()->draft.tree, L(0));
    EXPECT_TRUE(e->canvas()->apps().empty());
    e->saveButton()->click();
    ASSERT_EQ(saves.size(), 1u);
    EXPECT_FALSE(saves[0].layout.apps);

    // The user's own entry beside the system's, of the same name: each row says its file.
    install("org.example.Files", "files");
    running << "org.example.Files";
    emit e->appMenu()->menu()->aboutToShow();
    EXPECT_EQ(items(*e), QStringList({"No App*", "—", "Files — files.desktop", "files — org.example.Files.desktop",
                                      "Mail", "notes", "—", "Other App…"}));
}

// "Other App…" lists the applications a launcher shows, by name and icon, filters them as the
// user types and adds the chosen one's desktop-entry id once.
TEST_F(Editor, OtherAppChoosesAnInstalledApplicationByNameOnce)
{
    install("org.kde.konsole", "Konsole");
    install("firefox-esr", "Firefox ESR", Qt::red);
    apps->add("xterm", "XTerm");   // no icon: the placeholder tile stands in
    ApplicationEntry helper;
    helper.id = "helper";
    helper.name = "Background Helper";
    helper.listed = false;
    apps->add(helper);
    auto e = make(std::nullopt);

    // Runs the chooser as the user would: types, then Return, or Escape when `typed` is empty.
    const auto choose = [&](const QString& typed, QStringList* shown = nullptr) {
        QTimer::singleShot(0, [&] {
            auto* chooser = qobject_cast<ApplicationChooser*>(QApplication::activeModalWidget());
            ASSERT_TRUE(chooser);
            EXPECT_EQ(chooser->windowTitle(), "Choose an App");
            EXPECT_EQ(chooser->messageLabel()->text(), "Choose an app to add to region 1.");
            EXPECT_EQ(chooser->shownNames(), QStringList({"Firefox ESR", "Konsole", "XTerm"}))
                << "by name, without what launchers leave out";
            for (int i = 0; i < chooser->list()->count(); ++i)
                EXPECT_FALSE(chooser->list()->item(i)->icon().isNull()) << i;
            if (typed.isEmpty()) {
                QTest::keyClick(chooser->searchField(), Qt::Key_Escape);
                return;
            }
            QTest::keyClicks(chooser->searchField(), typed);
            if (shown)
                *shown = chooser->shownNames();
            QTest::keyClick(chooser->searchField(), Qt::Key_Return);
            if (chooser->isVisible()) {   // nothing to add: Return does nothing
                EXPECT_FALSE(chooser->addButton()->isEnabled());
                QTest::keyClick(chooser->searchField(), Qt::Key_Escape);
            }
        });
        e->chooseApp(CustomLayoutEditor::otherAppTag);
    };
    QStringList shown;
    choose("kon", &shown);
    EXPECT_EQ(shown, QStringList({"Konsole"}));
    EXPECT_EQ(e->canvas()->apps().at(0), QStringList({"org.kde.konsole"}));
    choose("KONSOLE");
    EXPECT_EQ(e->canvas()->apps().at(0), QStringList({"org.kde.konsole"})) << "already in the list";
    choose("");
    EXPECT_EQ(e->canvas()->apps().at(0), QStringList({"org.kde.konsole"})) << "cancelled";
    choose("esr fire", &shown);
    EXPECT_EQ(shown, QStringList({"Firefox ESR"})) << "every word, in any order";
    EXPECT_EQ(e->canvas()->apps().at(0), QStringList({"org.kde.konsole", "firefox-esr"}));
    choose("no such app", &shown);
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(e->canvas()->apps().at(0), QStringList({"org.kde.konsole", "firefox-esr"})) << "nothing to add";

    // Down in the search field moves through the list as it shows.
    const test::StockButtonIcons stockIcons;
    ApplicationChooser chooser(apps->installed(), QString());
    chooser.show();
    // One button style in the row: no stock icon beside Cancel.
    for (auto* box : chooser.findChildren<QDialogButtonBox*>())
        for (QAbstractButton* b : box->buttons()) {
            EXPECT_TRUE(b->icon().isNull()) << b->text().toStdString();
        }
    QTest::keyClicks(chooser.searchField(), "e");
    EXPECT_EQ(chooser.shownNames(), QStringList({"Firefox ESR", "Konsole", "XTerm"}));
    QTest::keyClick(chooser.searchField(), Qt::Key_Down);
    QTest::keyClick(chooser.searchField(), Qt::Key_Return);
    EXPECT_EQ(chooser.chosen(), std::optional<QString>("org.kde.konsole"));
}

// Applications of one name (a user's own copy of a system entry) are told apart by their
// comments where those differ, else by their files.
TEST_F(Editor, TheChooserTellsApplicationsOfOneNameApart)
{
    const QString terminal = u"standard terminal emulator for the X window system"_qs;
    const std::vector<ApplicationEntry> installed{
        {.id = u"xterm"_qs, .name = u"XTerm"_qs, .comment = terminal, .path = u"/home/u/xterm.desktop"_qs},
        {.id = u"debian-xterm"_qs, .name = u"XTerm"_qs, .comment = terminal},
        {.id = u"org.example.Tiny"_qs, .name = u"Files"_qs, .comment = u"Browse files"_qs},
        {.id = u"org.example.Big"_qs, .name = u"files"_qs, .comment = u"Manage files"_qs},
        {.id = u"org.kde.konsole"_qs, .name = u"Konsole"_qs, .comment = terminal},
    };
    ApplicationChooser chooser(installed, QString());
    EXPECT_EQ(chooser.shownNames(), QStringList({"files — Manage files", "Files — Browse files", "Konsole",
                                                 "XTerm — debian-xterm.desktop", "XTerm — xterm.desktop"}));
    EXPECT_EQ(chooser.list()->item(4)->toolTip(), terminal + u"\n/home/u/xterm.desktop"_qs);

    // Where no terminal is installed, an application that runs in one says so once selected.
    ApplicationChooser bare({installed[4], {.id = u"vim"_qs, .name = u"Vim"_qs, .terminal = true}}, QString());
    bare.setTerminalInstalled(false);
    EXPECT_TRUE(bare.noteLabel()->isHidden()) << "Konsole is selected";
    bare.list()->setCurrentRow(1);
    EXPECT_FALSE(bare.noteLabel()->isHidden());
    EXPECT_EQ(bare.noteLabel()->text(), u"Vim runs in a terminal, and none is installed, so a layout can’t open it."_qs);
    QTest::keyClicks(bare.searchField(), "kon");
    EXPECT_TRUE(bare.noteLabel()->isHidden());
}

TEST_F(Editor, DeletingAsksFirstAndHandsOnTheLayoutAsItWasOpened)
{
    auto e = make(mine);
    e->show();
    e->leftRight()->click(); // edited state differs from the saved layout
    e->deleteButton()->click();
    QMessageBox* alert = e->deleteConfirmation();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->text(), "Delete “Mine”?");
    EXPECT_EQ(alert->informativeText(), "Windows arranged with it stay where they are.");
    QTest::keyClick(alert, Qt::Key_Return);
    EXPECT_TRUE(deletions.empty()) << "Return deletes nothing";
    ASSERT_TRUE(alert->escapeButton());
    EXPECT_EQ(alert->escapeButton()->text(), "Cancel");
    const auto button = [&](const QString& text) {
        for (QAbstractButton* b : e->deleteConfirmation()->buttons())
            if (b->text() == text)
                return b;
        return static_cast<QAbstractButton*>(nullptr);
    };
    button("Cancel")->click();
    EXPECT_TRUE(deletions.empty());
    EXPECT_FALSE(e->deleteConfirmation());
    EXPECT_TRUE(e->isVisible());

    answer = false;
    e->deleteButton()->click();
    button("Delete")->click();
    ASSERT_EQ(deletions.size(), 1u);
    EXPECT_EQ(deletions[0], mine);
    EXPECT_TRUE(e->isVisible()) << "a refused delete keeps the window";

    answer = true;
    e->deleteButton()->click();
    button("Delete")->click();
    EXPECT_EQ(deletions.size(), 2u);
    EXPECT_FALSE(e->isVisible());
}

} // namespace
} // namespace fw
