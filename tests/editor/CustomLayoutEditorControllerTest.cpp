// Opening the editor for a display and what its saves and deletions do to the layout store:
// one editor at a time, the display's layouts as starting points, apply only when allowed and
// only on a connected display, one report per refusal.
#include "EditorFixture.h"

#include "editor/qt/CustomLayoutCanvas.h"
#include "editor/qt/CustomLayoutEditor.h"
#include "editor/qt/CustomLayoutEditorController.h"
#include "overlay/ActionButton.h"

#include <QComboBox>
#include <QLineEdit>

namespace fw {
namespace {

using test::EditorFixture;

struct Controller : EditorFixture {
    CustomLayoutEditorController editors{store, screens, clock};
    std::optional<SnapLayout> applied;
    std::vector<std::pair<SnapLayout, QString>> applications;
    bool allowed = true;
    int drags = 0;

    void SetUp() override
    {
        EditorFixture::SetUp();
        editors.appliedLayout = [this](const QString&) { return applied; };
        editors.cancelDrag = [this] { ++drags; };
        editors.actions.canApply = [this] { return allowed; };
        editors.actions.apply = [this](const SnapLayout& l, const ScreenInfo& s) { applications.emplace_back(l, s.key); };
        editors.actions.report = [this](const QString& text) { reports.push_back(text); };
    }
};

TEST_F(Controller, OneEditorPerRequestStartingFromTheDisplaysLayouts)
{
    applied = SnapLayout{"thirds", "Thirds", H(0.33, L(0), H(0.5, L(1), L(2))), std::nullopt};
    editors.createCustomLayout(key);
    CustomLayoutEditor* first = editors.editor();
    ASSERT_TRUE(first);
    EXPECT_EQ(drags, 1);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowTitle(), "Create Custom Layout — Studio Display");
    EXPECT_EQ(first->canvas()->draft.tree, applied->tree);
    EXPECT_EQ(first->startMenu()->itemText(first->startMenu()->currentIndex()), "Thirds");
    // Centred on the display's visible frame with its frame: the title bar is guessed before a
    // window manager frames the window.
    EXPECT_NEAR(first->frameGeometry().center().x(), 960, 3) << "centred on the visible frame";
    EXPECT_NEAR(first->frameGeometry().center().y(), 555, 20) << "centred on the visible frame";

    editors.createCustomLayout(key);
    EXPECT_EQ(editors.editor(), first) << "the open new-layout editor is brought forward";
    EXPECT_EQ(drags, 1);

    const SnapLayout mine{"user-7", "Mine", H(0.5, L(0), L(1)), std::nullopt};
    ASSERT_TRUE(store.upsertCustom(mine, key));
    editors.editCustomLayout(key, mine);
    EXPECT_NE(editors.editor(), first);
    EXPECT_EQ(editors.editor()->editing(), mine);
    editors.editCustomLayout(key, mine);
    EXPECT_EQ(editors.editor()->editing(), mine);
    EXPECT_EQ(drags, 2);

    // A new layout for another display while this display's is open: an editor of its own,
    // bound to that display, never the first one brought back.
    screens.list.push_back({u"DISPLAY-B"_qs, u"Side Display"_qs, Rect(1920, 0, 1280, 1024), Rect(1920, 0, 1280, 1024), false});
    editors.createCustomLayout(key);
    CustomLayoutEditor* onA = editors.editor();
    editors.createCustomLayout(u"DISPLAY-B"_qs);
    EXPECT_NE(editors.editor(), onA);
    EXPECT_EQ(editors.displayKey(), u"DISPLAY-B"_qs);
    EXPECT_EQ(editors.editor()->windowTitle(), "Create Custom Layout — Side Display");
    CustomLayoutEditor* onB = editors.editor();
    editors.createCustomLayout(u"DISPLAY-B"_qs);
    EXPECT_EQ(editors.editor(), onB) << "the same one again";
    EXPECT_EQ(drags, 4);
}

TEST_F(Controller, SavingStoresAppliesWhenAllowedAndDeletingReports)
{
    editors.createCustomLayout(key);
    CustomLayoutEditor* e = editors.editor();
    e->nameField()->setText("Focus");

    allowed = false;
    e->saveApplyButton()->click();
    EXPECT_EQ(reports, std::vector<QString>{"Resume snapping before applying a layout. You can still save it."});
    EXPECT_TRUE(store.customLayouts(key).empty());
    EXPECT_TRUE(e->isVisible());

    allowed = true;
    screens.list.clear();
    e->saveApplyButton()->click();
    EXPECT_EQ(reports.back(), "Reconnect the target display to apply. You can still save the layout.");
    EXPECT_TRUE(store.customLayouts(key).empty());

    // Saving alone works on a disconnected display.
    e->saveButton()->click();
    ASSERT_EQ(store.customLayouts(key).size(), 1u);
    EXPECT_FALSE(e->isVisible());
    EXPECT_TRUE(applications.empty());
    const SnapLayout saved = store.customLayouts(key).front();
    EXPECT_EQ(saved.name, "Focus");

    screens = test::FakeScreens();
    editors.editCustomLayout(key, saved);
    e = editors.editor();
    e->leftRight()->click();
    e->saveApplyButton()->click();
    ASSERT_EQ(applications.size(), 1u);
    EXPECT_EQ(applications[0].second, key);
    EXPECT_EQ(applications[0].first.id, saved.id);
    EXPECT_EQ(store.customLayouts(key).size(), 1u) << "replaced, not added";
    EXPECT_EQ(store.customLayouts(key).front().tree.regionNumbers().size(), 3u);
    const auto reportsBefore = reports.size();

    // Deleting a layout that is stored reports it; one already gone says so, and the editor
    // closes either way.
    EXPECT_TRUE(editors.actions.remove(saved, key));
    EXPECT_EQ(reports.back(), "Deleted “Focus”.");
    EXPECT_TRUE(editors.actions.remove(saved, key));
    EXPECT_EQ(reports.back(), "“Focus” was already deleted.");
    EXPECT_EQ(reports.size(), reportsBefore + 2);
}

} // namespace
} // namespace fw
