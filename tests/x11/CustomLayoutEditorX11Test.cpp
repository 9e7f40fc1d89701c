// The custom layout editor on a real server (openbox): opened for a display through its
// controller, a region split from the keyboard alone, apps from the running xterm and the
// installed entries, saved with a click, and the new layout is among those the picker offers
// for the display. The export panel opens over it with its choice of layouts.
// With FRAMEWELL_SHOTS_DIR set, both are photographed for review.
#include "base/QtClock.h"
#include "base/UserDefaults.h"
#include "editor/qt/ApplicationChooser.h"
#include "editor/qt/CustomLayoutCanvas.h"
#include "editor/qt/CustomLayoutEditor.h"
#include "editor/qt/CustomLayoutEditorController.h"
#include "editor/qt/LayoutFileController.h"
#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "overlay/ActionButton.h"
#include "overlay/AppIcon.h"
#include "overlay/OverlayStyle.h"
#include "platform/x11/X11Screens.h"
#include "platform/x11/X11WindowSystem.h"
#include "platform/x11/XdgApplications.h"
#include "snap/AppNames.h"
#include "windows/RunningApplications.h"
#include "x11/ScreenPhotos.h"
#include "x11/XSession.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace fw {
namespace {

using test::XSession;

void saveShot(const QString& name)
{
    const QString dir = qEnvironmentVariable("FRAMEWELL_SHOTS_DIR");
    if (dir.isEmpty())
        return;
    ASSERT_TRUE(QDir().mkpath(dir));
    EXPECT_TRUE(QGuiApplication::primaryScreen()->grabWindow(0).toImage().save(dir + "/" + name)) << name.toStdString();
}

// An installed application with a round-cornered icon of one colour and a letter.
void installApp(const QString& folder, const QString& id, const QString& name, QColor color, const QString& extra = {})
{
    QImage icon(64, 64, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    {
        QPainter p(&icon);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(color);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(2, 2, 60, 60), 14, 14);
        p.setPen(Qt::white);
        QFont f;
        f.setPixelSize(36);
        f.setBold(true);
        p.setFont(f);
        p.drawText(icon.rect(), Qt::AlignCenter, name.left(1));
    }
    const QString iconPath = folder + "/" + id + ".png";
    ASSERT_TRUE(icon.save(iconPath));
    QFile entry(folder + "/" + id + ".desktop");
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write(("[Desktop Entry]\nType=Application\nName=" + name + "\nIcon=" + iconPath + "\nExec=true\n" + extra).toUtf8());
}

// A session with openbox, four installed applications (one of them the running xterm), the
// real screens and windows, and a layout store in memory.
struct EditorDesktop {
    XSession session;
    std::unique_ptr<test::SessionApp> app;
    std::shared_ptr<XdgApplications> applications;
    std::unique_ptr<X11WindowSystem> windows;
    std::unique_ptr<RunningApplications> running;
    std::unique_ptr<X11Screens> screens;
    QtClock clock;
    MemoryDefaults defaults;
    LayoutStore store{defaults};
    XSession::Client term;
    std::vector<QString> reports;

    // Empty on success, else why not.
    std::string start()
    {
        if (!session.ok())
            return session.error();
        app = std::make_unique<test::SessionApp>(session);
        const QString folder = session.directory() + "/data/applications";
        QDir().mkpath(folder);
        installApp(folder, "xterm", "XTerm", QColor(40, 40, 40), "StartupWMClass=XTerm\n");
        installApp(folder, "org.example.Mail", "Mail", QColor(30, 120, 230));
        installApp(folder, "org.example.Notes", "Notes", QColor(240, 180, 20));
        installApp(folder, "org.example.Files", "Files", QColor(60, 170, 90));
        term = session.startXterm("work", {"-geometry", "80x24+40+40"});
        if (!term.window)
            return session.error();
        applications = std::make_shared<XdgApplications>(QStringList{folder}, "C");
        AppNames::setApplications(applications);
        AppIcon::setApplications(applications);
        windows = std::make_unique<X11WindowSystem>(session.display());
        windows->setApplications(applications.get());
        running = std::make_unique<RunningApplications>(*windows, *applications);
        screens = std::make_unique<X11Screens>();
        return {};
    }
    ~EditorDesktop()
    {
        AppNames::setApplications(nullptr);
        AppIcon::setApplications(nullptr);
        if (term.pid)
            session.stop(term.pid);
    }

    // Presses a key through XTest and waits for its effect.
    bool key(const char* name, const std::function<bool()>& then)
    {
        return session.run({"xdotool", "key", name}) == 0 && session.waitFor(then);
    }
    // Clicks the widget's centre where the server shows it. A window manager that frames a
    // window after mapping it (fluxbox) moves it before Qt hears so: until Qt's position of
    // the window agrees with the server's, its map of the widget is stale. A window closed over
    // it (the application chooser) stays on the screen until the manager takes its frame down
    // (metacity, when slow), and until then a press there goes to that frame, as a user's would:
    // the press waits until the widget's window is the one under the pointer.
    void click(QWidget* w)
    {
        const xcb_window_t top = xcb_window_t(w->window()->winId());
        const auto agree = [&] {
            const auto server = session.rootPosition(top);
            const QPoint qt = w->window()->mapToGlobal(QPoint(0, 0));
            return server && int(server->x) == qt.x() && int(server->y) == qt.y();
        };
        session.waitFor(agree, 2000);
        const QPoint at = w->mapToGlobal(w->rect().center());
        session.warpPointer(at.x(), at.y());
        EXPECT_TRUE(session.waitFor([&] { return session.topLevelUnderPointer() == session.topLevelOf(top); }))
            << "window " << session.topLevelUnderPointer() << " stayed over " << w->metaObject()->className();
        session.pressButton(1);
        session.releaseButton(1);
    }
    // Lets the windows repaint before a photograph.
    void settle()
    {
        if (!qEnvironmentVariableIsEmpty("FRAMEWELL_SHOTS_DIR"))
            test::waitStill(session);
    }
};

TEST(X11CustomLayoutEditor, SplitFromTheKeyboardSaveAndThePickerOffersIt)
{
    EditorDesktop d;
    const std::string why = d.start();
    ASSERT_TRUE(why.empty()) << why;
    XSession& session = d.session;
    const ScreenInfo screen = d.screens->screens().front();
    const QString key = displayKey(screen);

    CustomLayoutEditorController editors(d.store, *d.screens, d.clock);
    editors.runningApplications = [&] { return d.running->ids(); };
    editors.actions.report = [&](const QString& text) { d.reports.push_back(text); };
    editors.createCustomLayout(key);
    CustomLayoutEditor* editor = editors.editor();
    ASSERT_TRUE(editor);
    // Qt counts the editor active once the window manager names it so, which can come before
    // the server's input focus moves (fluxbox): the keys below go where the focus is.
    const xcb_window_t editorWindow = xcb_window_t(editor->winId());
    ASSERT_TRUE(session.waitFor([&] {
        return editor->isActiveWindow() && session.isViewable(editorWindow)
            && session.topLevelOf(session.inputFocus()) == session.topLevelOf(editorWindow);
    })) << "the editor never took the keyboard";
    const auto frame = session.wmFrame(editorWindow);
    ASSERT_TRUE(frame);
    // Centred as asked; window managers place the frame around the client their own way, by up
    // to its side borders.
    const auto extents = session.frameExtents(editorWindow);
    const double slack = 2 + (extents ? extents->left + extents->right : 0);
    EXPECT_NEAR(frame->midX(), screen.visibleFrame.midX(), slack) << "centred on the display";
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(editor->nameField()));

    // Tab to the canvas, right to region 2, tab past the apps menu to "Split left / right", space.
    CustomLayoutCanvas* canvas = editor->canvas();
    ASSERT_TRUE(d.key("Tab", [&] { return QApplication::focusWidget() == editor->startMenu(); }));
    ASSERT_TRUE(d.key("Tab", [&] { return QApplication::focusWidget() == canvas; }));
    ASSERT_TRUE(d.key("Right", [&] { return canvas->draft.selectedRegion == 1; }));
    ASSERT_TRUE(d.key("Tab", [&] { return QApplication::focusWidget() == editor->appMenu(); }));
    ASSERT_TRUE(d.key("Tab", [&] { return QApplication::focusWidget() == editor->leftRight(); }));
    ASSERT_TRUE(d.key("space", [&] { return canvas->draft.tree.regionNumbers().size() == 3; }));
    EXPECT_EQ(canvas->draft.tree.second().axis(), SplitAxis::horizontal);
    EXPECT_EQ(editor->message()->text(), "3 regions · Region 2 selected. Saving alone leaves your windows in place.");

    // The running xterm is offered by its entry's name; other apps come from their entries.
    QStringList offered;
    for (QAction* a : editor->appMenu()->menu()->actions())
        offered << a->text();
    EXPECT_TRUE(offered.contains("XTerm")) << offered.join(", ").toStdString();
    canvas->setApps({{0, {"xterm", "org.example.Mail", "org.example.Notes"}}, {1, {"org.example.Files"}}, {2, {"org.example.Mail"}}});
    d.settle();
    saveShot("x11-custom-layout-editor.png");

    // "Other App…" lists the installed applications by name and icon; typed letters filter
    // them and Return adds the one selected to region 2.
    bool chosen = false;
    QTimer::singleShot(0, [&] {
        auto* chooser = qobject_cast<ApplicationChooser*>(QApplication::activeModalWidget());
        ASSERT_TRUE(chooser);
        const xcb_window_t id = xcb_window_t(chooser->winId());
        ASSERT_TRUE(session.waitFor([&] {
            return session.isViewable(id) && QApplication::focusWidget() == chooser->searchField()
                && session.topLevelOf(session.inputFocus()) == session.topLevelOf(id);
        })) << "the chooser never took the keyboard";
        EXPECT_EQ(chooser->shownNames(), QStringList({"Files", "Mail", "Notes", "XTerm"}));
        d.settle();
        saveShot("x11-app-chooser.png");
        ASSERT_TRUE(d.key("n", [&] { return chooser->searchField()->text() == "n"; }));
        ASSERT_TRUE(d.key("o", [&] { return chooser->shownNames() == QStringList{"Notes"}; }))
            << chooser->shownNames().join(", ").toStdString();
        chosen = d.key("Return", [&] { return !chooser->isVisible(); });
    });
    editor->chooseApp(CustomLayoutEditor::otherAppTag);
    EXPECT_TRUE(chosen);
    EXPECT_EQ(canvas->apps().at(1), QStringList({"org.example.Files", "org.example.Notes"}));

    // A click on "Save Layout" stores it for the display and closes the window.
    d.click(editor->saveButton());
    ASSERT_TRUE(session.waitFor([&] { return !editor->isVisible(); })) << "the editor stayed open";
    const auto offeredLayouts = d.store.layouts(key);
    const auto saved = std::find_if(offeredLayouts.begin(), offeredLayouts.end(),
                                    [](const SnapLayout& l) { return l.name == "My Layout"; });
    ASSERT_NE(saved, offeredLayouts.end());
    EXPECT_TRUE(saved->id.startsWith("user-"));
    EXPECT_EQ(saved->tree.regionNumbers().size(), 3u);
    EXPECT_EQ(saved->apps->at(0).first(), "xterm");

    // The export panel offers the new layout among its choices.
    LayoutFileController files(d.store, *d.screens, d.clock, [&](const QString& text) { d.reports.push_back(text); });
    files.exportLayouts(key, std::nullopt);
    QFileDialog* panel = files.filePanel();
    ASSERT_TRUE(panel);
    ASSERT_TRUE(session.waitFor([&] { return session.isViewable(xcb_window_t(panel->winId())); }));
    EXPECT_EQ(files.exportChoiceMenu()->itemText(0), "All saved custom layouts (1)");
    d.settle();
    saveShot("x11-export-panel.png");
    static_cast<QDialog*>(panel)->reject();
    EXPECT_FALSE(files.filePanel());
    files.importLayouts(key);
    panel = files.filePanel();
    ASSERT_TRUE(panel);
    ASSERT_TRUE(session.waitFor([&] { return session.isViewable(xcb_window_t(panel->winId())); }));
    d.settle();
    saveShot("x11-import-panel.png");
    static_cast<QDialog*>(panel)->reject();
    EXPECT_TRUE(d.reports.empty());
}

// Escape goes to the innermost popup of ours first: on the open apps menu (which drops at least
// as wide as its button) and on the open "Start from" list it closes only that; the next Escape
// cancels the editor.
TEST(X11CustomLayoutEditor, EscapeClosesAnOpenPopupBeforeTheEditor)
{
    EditorDesktop d;
    const std::string why = d.start();
    ASSERT_TRUE(why.empty()) << why;
    XSession& session = d.session;
    CustomLayoutEditorController editors(d.store, *d.screens, d.clock);
    editors.createCustomLayout(displayKey(d.screens->screens().front()));
    CustomLayoutEditor* editor = editors.editor();
    ASSERT_TRUE(editor);
    const xcb_window_t editorWindow = xcb_window_t(editor->winId());
    ASSERT_TRUE(session.waitFor([&] {
        return editor->isActiveWindow() && session.topLevelOf(session.inputFocus()) == session.topLevelOf(editorWindow);
    })) << "the editor never took the keyboard";

    // The button runs its menu in a loop of its own, in which the checks run.
    QPushButton* apps = editor->appMenu();
    bool menuClosed = false;
    QMenu* menu = apps->menu();
    ASSERT_TRUE(menu);
    QObject::connect(menu, &QMenu::aboutToShow, menu, [&] {
        QTimer::singleShot(0, [&] {
            ASSERT_TRUE(session.waitFor([&] { return menu->isVisible(); })) << "no apps menu";
            EXPECT_GE(menu->width(), apps->width());
            menuClosed = d.key("Escape", [&] { return !menu->isVisible(); });
        });
    });
    d.click(apps);
    ASSERT_TRUE(session.waitFor([&] { return menuClosed; })) << "the apps menu did not close on Escape";
    EXPECT_TRUE(editor->isVisible());

    QComboBox* starters = editor->startMenu();
    d.click(starters);
    ASSERT_TRUE(session.waitFor([&] { return starters->view()->isVisible(); })) << "the list did not open";
    // The press that closes the list is handled whole before the list is seen closed.
    ASSERT_TRUE(d.key("Escape", [&] { return !starters->view()->isVisible(); }));
    EXPECT_TRUE(editor->isVisible()) << "Escape on the list cancelled the editor";
    EXPECT_TRUE(d.key("Escape", [&] { return !editor->isVisible(); })) << "the second Escape left the editor open";
}

} // namespace
} // namespace fw
