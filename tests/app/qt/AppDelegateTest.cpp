// The whole program over the simulated platform, offscreen and in virtual time: the real
// application delegate starts, places the focused window through its hot key and the picker
// and another through a title-bar drag, shows a stack's badge and switcher,
// runs menu commands, follows display and workspace changes, opens again when relaunched, and
// quits leaving nothing registered; the launch sequence's order, first-run windows, lost
// permission alert and command-line options.
#include "app/qt/AppDelegate.h"

#include "app/qt/StatusMenuView.h"
#include "base/Log.h"
#include "layout/ScreenGeometry.h"
#include "onboarding/ProductInfo.h"
#include "onboarding/TourPages.h"
#include "onboarding/WhatsNew.h"
#include "onboarding/qt/TourWindow.h"
#include "onboarding/qt/WelcomeVideoView.h"
#include "onboarding/qt/WelcomeWindow.h"
#include "onboarding/qt/WhatsNewWindow.h"
#include "overlay/OverlayStyle.h"
#include "overlay/OverlayView.h"
#include "overlay/OverlayWindow.h"
#include "overlay/WindowThumbnailButton.h"
#include "platform/sim/SimPlatform.h"
#include "stacks/StackMapPlan.h"
#include "stacks/StackPickerPlan.h"
#include "stacks/StackPresenter.h"

#include <QAction>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <gtest/gtest.h>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace fw {
namespace {

const ScreenInfo kLeft{u"LEFT"_qs, u"Left"_qs, Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1050), true};
const ScreenInfo kRight{u"RIGHT"_qs, u"Right"_qs, Rect(1920, 0, 1280, 1024), Rect(1920, 0, 1280, 1024), false};
constexpr std::uint32_t CtrlAlt = StoredCtrl | StoredAlt;

class SilentPlayer final : public VideoPlayer {
public:
    explicit SilentPlayer(int& plays) : plays_(plays) {}
    void play() override { ++plays_; }
    void stop() override {}
    bool ready() const override { return true; }
    QWidget* surface() override { return new QWidget; }

private:
    int& plays_;
};

class ProgramTest : public ::testing::Test {
protected:
    ProgramTest()
    {
        savedTmp_ = qgetenv("TMPDIR");
        savedRuntime_ = qgetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", dir.path().toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
        sim.desktop.addScreen(kLeft);
        sim.desktop.addScreen(kRight);
        notes = sim.desktop.addWindow({.pid = 100, .title = u"Notes"_qs, .frame = Rect(100, 100, 700, 500)});
        mail = sim.desktop.addWindow(
            {.pid = 200, .title = u"Mail"_qs, .frame = Rect(2000, 100, 700, 500), .titleBar = 28});
        sim.desktop.setFocus(notes);
    }
    ~ProgramTest() override
    {
        delegate.reset();
        qputenv("TMPDIR", savedTmp_);
        if (savedRuntime_.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", savedRuntime_);
    }
    // A user who has opened the program before.
    void openedBefore()
    {
        sim.defaults.setValue(u"hasOpened"_qs, true);
        sim.defaults.setValue(u"welcomeVideoShown"_qs, true);
        sim.defaults.setValue(u"lastSeenVersion"_qs, productVersion());
    }
    AppDelegate& start(const QStringList& arguments = {})
    {
        delegate = std::make_unique<AppDelegate>(sim.platform(), arguments);
        delegate->setLoginItem(LoginItem(dir.path() + u"/autostart"_qs, u"/usr/bin/framewell"_qs));
        delegate->runAlert = [this](QMessageBox& box) -> QAbstractButton* {
            alerts << box.text();
            return nullptr;
        };
        delegate->quitApplication = [this] { delegate->terminate(); };
        delegate->onWelcomeCreated = [this](WelcomeWindowController& welcome) {
            welcome.makePlayer = [this](const QUrl&) { return std::make_unique<SilentPlayer>(videoPlays); };
            welcome.setVideoSource(videoSource);
        };
        delegate->launch();
        return *delegate;
    }
    // Opens the tray menu, as a click on the icon does, and chooses the item at the path.
    void choose(const QStringList& path)
    {
        QMenu* menu = delegate->tray()->menu();
        emit menu->aboutToShow();
        QAction* action = delegate->tray()->action(path);
        ASSERT_TRUE(action) << path.join(u" > "_qs).toStdString();
        ASSERT_TRUE(action->isEnabled()) << path.join(u" > "_qs).toStdString();
        action->trigger();
        emit menu->aboutToHide();
    }
    std::vector<std::uint32_t> registered() const { return sim.hotKeys.registeredIds(); }
    bool registeredId(std::uint32_t id) const
    {
        const auto ids = registered();
        return std::find(ids.begin(), ids.end(), id) != ids.end();
    }
    // Everything the program registered with the desktop.
    QStringList registrations() const
    {
        QStringList out;
        if (!registered().empty())
            out << u"hot keys"_qs;
        if (sim.hotKeys.hasHandler())
            out << u"hot-key handler"_qs;
        if (const_cast<sim::SimDesktop&>(sim.desktop).mouse().running())
            out << u"mouse monitor"_qs;
        if (sim.buttonGrabs.running())
            out << u"button grabs"_qs;
        if (sim.scrollTap.installed())
            out << u"scroll tap"_qs;
        if (sim.desktop.hasChangeHandler())
            out << u"display observer"_qs;
        if (sim.workspaces.watching())
            out << u"workspace observer"_qs;
        if (sim.desktop.hasActivationHandler())
            out << u"activation observer"_qs;
        return out;
    }

    // The titles of the stacks' panels on screen.
    static QStringList stackPanels()
    {
        QStringList out;
        for (const OverlayWindow* panel : OverlayWindow::allPanels()) {
            if (panel->isOrderedIn() && panel->title().startsWith(u"Framewell stack"_qs))
                out << panel->title();
        }
        return out;
    }

    QTemporaryDir dir;
    sim::SimPlatform sim;
    WindowId notes = 0, mail = 0;
    std::unique_ptr<AppDelegate> delegate;
    QStringList alerts;
    int videoPlays = 0;
    QUrl videoSource = QUrl::fromLocalFile(u"/nonexistent/welcome.mp4"_qs);   // none: no video
    log::Capture logs;

private:
    QByteArray savedTmp_;
    QByteArray savedRuntime_;
};

TEST_F(ProgramTest, StartPlaceTheFocusedWindowPauseAndQuitLeavingNothingRegistered)
{
    openedBefore();
    ShortcutStore(sim.defaults).setMouseTrigger(MouseTrigger{3, 0}, ShortcutAction::stack);
    AppDelegate& app = start();
    EXPECT_EQ(registrations(), (QStringList{u"hot keys"_qs, u"hot-key handler"_qs, u"mouse monitor"_qs,
                                            u"button grabs"_qs, u"display observer"_qs, u"workspace observer"_qs,
                                            u"activation observer"_qs}));
    for (std::uint32_t id : {1u, 2u, 3u, 5u, 6u, 7u, 8u, 9u, 101u, 109u})
        EXPECT_TRUE(registeredId(id)) << id;
    EXPECT_FALSE(registeredId(4));
    EXPECT_TRUE(logs.contains(u"Framewell started"_qs));
    EXPECT_FALSE(logs.messages(LogCategory::App).join(u"\n"_qs).contains(u"accessibility"_qs));
    EXPECT_FALSE(app.welcome());

    const Rect notesFrame = sim.desktop.window(notes)->frame;
    // Ctrl+Alt+P: the picker for the focused window, with Escape registered while it shows;
    // Return places the window in the first layout's region, and the interaction ends.
    ASSERT_TRUE(sim.hotKeys.press(35, CtrlAlt));
    ASSERT_TRUE(app.overlay().pickerView);
    EXPECT_TRUE(registeredId(4));
    QTest::keyClick(app.overlay().pickerView, Qt::Key_Return);
    sim.clock.advance(std::chrono::seconds(2));
    const auto group = app.coordinator().groups().find(u"LEFT"_qs);
    ASSERT_NE(group, app.coordinator().groups().end());
    ASSERT_EQ(group->second.windows.size(), 1u);
    const auto& [region, placed] = *group->second.windows.begin();
    EXPECT_EQ(placed.element, notes);
    EXPECT_EQ(sim.desktop.window(notes)->frame, regionFrames(group->second.layout, kLeft).at(region));
    EXPECT_FALSE(registeredId(4));

    // A title-bar drag of the other window to the top centre of the right display: the
    // picker drops down there, and the release over "Halves" region 1 places it.
    const Rect mailFrame = sim.desktop.window(mail)->frame;
    const Point grab{2350, 110};
    auto dragTo = [&](const Point& at) {
        sim.desktop.place(mail, mailFrame.offsetBy(at.x - grab.x, at.y - grab.y));
        sim.clock.advance(20ms);
        sim.desktop.mouse().drag(at);
    };
    sim.desktop.mouse().press(grab);
    dragTo({2360, 140});
    dragTo({2560, 10});
    ASSERT_TRUE(app.overlay().picker && app.overlay().pickerView);
    const Rect panel = app.overlay().picker->frame();
    const Rect button = app.overlay().pickerView->geometry().cards.front().regions.at(1);
    const Point over{panel.minX() + button.midX(), panel.minY() + button.midY()};
    dragTo(over);
    sim.desktop.mouse().release(over);
    sim.clock.advance(std::chrono::seconds(2));
    EXPECT_EQ(sim.desktop.window(mail)->frame, regionFrames(SnapLayout::builtIns().front(), kRight).at(1));
    EXPECT_EQ(app.coordinator().groups().at(u"RIGHT"_qs).windows.at(1).element, mail);

    // A window opened over the placed one forms a stack with it: Ctrl+Alt+] brings the mail
    // back to the front.
    const WindowId draft = sim.desktop.addWindow(
        {.pid = 300, .title = u"Draft"_qs, .frame = sim.desktop.window(mail)->frame, .titleBar = 28});
    sim.desktop.setFocus(draft);
    sim.clock.advance(std::chrono::seconds(2));
    auto front = [&] {
        for (WindowId id : sim.desktop.stacking()) {
            if (id == mail || id == draft)
                return id;
        }
        return WindowId(0);
    };
    ASSERT_EQ(front(), draft);
    EXPECT_TRUE(sim.hotKeys.press(30, CtrlAlt));
    sim.clock.advance(std::chrono::seconds(2));
    EXPECT_EQ(front(), mail);
    // The stack wears its badge; the menu's setting takes it down and brings it back.
    EXPECT_EQ(stackPanels(), QStringList{u"Framewell stack badge"_qs});
    choose({u"Window Stacks"_qs, u"Show Stack Badges"_qs});
    sim.clock.advance(std::chrono::seconds(2));
    EXPECT_EQ(stackPanels(), QStringList());
    EXPECT_FALSE(sim.defaults.boolValue(u"stackBadgesEnabled"_qs, true));
    choose({u"Window Stacks"_qs, u"Show Stack Badges"_qs});
    sim.clock.advance(std::chrono::seconds(2));
    EXPECT_EQ(stackPanels(), QStringList{u"Framewell stack badge"_qs});

    // The menu: pause, and every hot key is ignored while paused; the stall log runs only while
    // the menu is open.
    choose({u"Pause Snapping"_qs});
    EXPECT_TRUE(app.commands().paused());
    EXPECT_FALSE(app.menuStalls().observing());
    emit app.tray()->menu()->aboutToShow();   // the next opening shows the pause
    EXPECT_TRUE(app.menuStalls().observing());
    EXPECT_TRUE(app.tray()->action({u"Pause Snapping"_qs})->isChecked());
    EXPECT_TRUE(app.tray()->action({u"Resume Snapping"_qs})->isVisible());
    emit app.tray()->menu()->aboutToHide();
    EXPECT_TRUE(sim.hotKeys.press(35, CtrlAlt));
    EXPECT_FALSE(app.overlay().pickerView);
    choose({u"Resume Snapping"_qs});
    EXPECT_FALSE(app.commands().paused());
    // The coordinator's restore, from the menu: the focused window goes back to its frame from
    // before it was placed and leaves the display's layout.
    sim.desktop.setFocus(notes);
    choose({u"Restore Focused Window"_qs});
    sim.clock.advance(std::chrono::seconds(2));
    EXPECT_EQ(sim.desktop.window(notes)->frame, notesFrame);
    EXPECT_TRUE(app.coordinator().groups().at(u"LEFT"_qs).windows.empty());
    choose({u"Start at Login"_qs});
    EXPECT_TRUE(QFile::exists(dir.path() + u"/autostart/framewell.desktop"_qs));

    // The stack's switcher from the menu takes the scroll wheel while it is up; quitting
    // closes it and every panel.
    sim.desktop.setFocus(mail);
    choose({u"Window Stacks"_qs, u"Show Window Stack…"_qs});
    ASSERT_TRUE(app.stacks().presenter()->switcherOpen());
    EXPECT_TRUE(sim.scrollTap.installed());
    choose({u"Quit Framewell"_qs});
    EXPECT_TRUE(app.terminated());
    EXPECT_EQ(registrations(), QStringList());
    EXPECT_EQ(stackPanels(), QStringList());
    EXPECT_FALSE(WindowThumbnailButton::appIconLookup());
}

// Cards come many at a time: their icons read the installed entries and the window list once,
// again for a window that was not there and after a while.
TEST_F(ProgramTest, CardIconsOfOneShowingReadTheWindowListOnce)
{
    openedBefore();
    const QString png = dir.path() + u"/editor.png"_qs;
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(png));
    sim.applications->add(u"org.example.Editor"_qs, u"Editor"_qs, png);
    const WindowId draft = sim.desktop.addWindow(
        {.pid = 300, .title = u"Draft"_qs, .appClass = u"Editor"_qs, .frame = Rect(300, 300, 400, 300)});
    start();
    const auto& icon = WindowThumbnailButton::appIconLookup();
    ASSERT_TRUE(icon);
    sim.desktop.resetCounters();
    for (int card = 0; card < 12; ++card) {
        EXPECT_TRUE(icon(draft));
        EXPECT_FALSE(icon(notes)) << "no entry for Notes";
    }
    EXPECT_EQ(sim.desktop.snapshotCount(), 1);
    // (The program reads the list for its own reasons too: only the lookups' reads are counted.)
    const WindowId other = sim.desktop.addWindow(
        {.pid = 400, .title = u"Other"_qs, .appClass = u"Editor"_qs, .frame = Rect(900, 300, 400, 300)});
    int reads = sim.desktop.snapshotCount();
    EXPECT_TRUE(icon(other));
    EXPECT_TRUE(icon(draft));
    EXPECT_EQ(sim.desktop.snapshotCount(), reads + 1);
    sim.applications->remove(u"org.example.Editor"_qs);
    EXPECT_TRUE(icon(draft)) << "kept for a while";
    sim.clock.advance(std::chrono::seconds(3));
    reads = sim.desktop.snapshotCount();
    EXPECT_FALSE(icon(draft)) << "read again";
    EXPECT_EQ(sim.desktop.snapshotCount(), reads + 1);
}

TEST_F(ProgramTest, FirstLaunchThenALaunchThatLostWindowControl)
{
    sim.desktop.setWindowControlGranted(false);
    sim.defaults.setValue(u"layers.v1"_qs, QJsonValue(u"old"_qs));
    sim.defaults.clearWriteLog();
    AppDelegate& first = start();
    // The welcome window with its video once; no alert, no What's New.
    ASSERT_TRUE(first.welcome());
    EXPECT_TRUE(first.welcome()->window()->isVisible());
    EXPECT_EQ(videoPlays, 1);
    EXPECT_FALSE(first.whatsNew());
    QStringList written;
    for (const auto& w : sim.defaults.writeLog())
        written << w.key + (w.value ? QString() : u" removed"_qs);
    EXPECT_EQ(written, (QStringList{u"welcomeVideoShown"_qs, u"lastSeenVersion"_qs, u"hasOpened"_qs,
                                    u"layers.v1 removed"_qs}));
    EXPECT_TRUE(logs.contains(u"Framewell started; no window control"_qs));
    sim.clock.advance(Duration::zero());
    EXPECT_TRUE(alerts.isEmpty());
    // Without window control, the place key opens the welcome window instead of a notice.
    first.welcome()->close();
    sim.hotKeys.press(35, CtrlAlt);
    EXPECT_TRUE(first.welcome()->window()->isVisible());
    delegate.reset();

    // The grant was had, then lost: the welcome window, and the alert on the next turn.
    sim.defaults.setValue(ShellCommands::hadWindowControlKey, true);
    AppDelegate& second = start();
    EXPECT_TRUE(second.welcome()->window()->isVisible());
    EXPECT_EQ(videoPlays, 1);
    EXPECT_TRUE(alerts.isEmpty());
    sim.clock.advance(Duration::zero());
    EXPECT_EQ(alerts, QStringList{u"Framewell lost window control"_qs});
    delegate.reset();

    // Granted again, opened before: no welcome unless asked for.
    sim.desktop.setWindowControlGranted(true);
    EXPECT_FALSE(start().welcome());
    delegate.reset();
    EXPECT_TRUE(start({u"--welcome"_qs}).welcome());
    delegate.reset();

    // After an update, Getting Started asked for keeps the notes for the next launch: they are
    // marked seen only when shown, and then open at the newest note.
    sim.defaults.setValue(WhatsNew::lastSeenKey, u"1.9"_qs);
    AppDelegate& welcomed = start({u"--welcome"_qs});
    EXPECT_FALSE(welcomed.whatsNew());
    EXPECT_EQ(sim.defaults.value(WhatsNew::lastSeenKey).value_or(QJsonValue()).toString(), u"1.9"_qs)
        << "skipped yet marked seen";
    delegate.reset();
    AppDelegate& updated = start();
    ASSERT_TRUE(updated.whatsNew());
    QTextBrowser* notes = updated.whatsNew()->notes();
    EXPECT_TRUE(notes->isVisible());
    QCoreApplication::processEvents();
    EXPECT_GT(notes->verticalScrollBar()->maximum(), 0) << "the notes since 1.9 are longer than the view";
    EXPECT_EQ(notes->verticalScrollBar()->value(), 0) << "opens at the top, with the newest note";
    EXPECT_TRUE(notes->toPlainText().startsWith(u"Version "_qs + productVersion()));
    EXPECT_EQ(sim.defaults.value(WhatsNew::lastSeenKey).value_or(QJsonValue()).toString(), productVersion());
    delegate.reset();

    // A fresh profile on a build with no video: Getting Started on its page, and the video
    // left to be shown by a build that has one.
    for (const QString& key : {u"hasOpened"_qs, u"welcomeVideoShown"_qs, u"lastSeenVersion"_qs})
        sim.defaults.remove(key);
    videoSource = QUrl();
    const int plays = videoPlays;
    AppDelegate& bare = start();
    ASSERT_TRUE(bare.welcome());
    EXPECT_TRUE(bare.welcome()->window()->isVisible());
    EXPECT_FALSE(bare.welcome()->video());
    EXPECT_EQ(videoPlays, plays);
    EXPECT_FALSE(sim.defaults.value(u"welcomeVideoShown"_qs)) << "marked shown without playing";
}

TEST_F(ProgramTest, OptionsDisplayChangesReopenTipsAndNotices)
{
    openedBefore();
    AppDelegate& app = start({u"framewell"_qs, u"--diagnostics"_qs, u"--preview"_qs});
    // "--preview": the picker on the main display, for no window.
    EXPECT_EQ(app.coordinator().state().picker.pickerScreen(), std::optional<QString>(u"LEFT"_qs));
    EXPECT_FALSE(app.coordinator().state().picker.pickerWindow);
    // "--diagnostics": the launch file with its thirteen keys.
    QFile file(dir.path() + u"/framewell/Framewell-diagnostics.json"_qs);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject diagnostics = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(diagnostics.size(), 13);
    EXPECT_EQ(diagnostics.value(u"screens"_qs).toInt(), 2);
    // The log says where it went, and where the later files go.
    const QString log = logs.messages(LogCategory::App).join(u'\n');
    EXPECT_TRUE(log.contains(u"Diagnostics written to "_qs + file.fileName() + u"; Framewell-drag-state.json"_qs))
        << log.toStdString();
    // Every file it writes is named there.
    for (const QString& name : {u"stack"_qs, u"span"_qs, u"composition"_qs, u"recovery"_qs})
        EXPECT_TRUE(log.contains(u"Framewell-%1-state.json"_qs.arg(name))) << name.toStdString();

    // A display change ends the picker and forgets what was applied.
    sim.desktop.changeScreen(u"RIGHT"_qs, {u"RIGHT"_qs, u"Right"_qs, Rect(1920, 0, 1600, 900), Rect(1920, 0, 1600, 900), false});
    EXPECT_FALSE(app.coordinator().state().picker.pickerScreen());
    EXPECT_FALSE(app.overlay().pickerView);
    EXPECT_FALSE(registeredId(4));
    ASSERT_TRUE(sim.hotKeys.press(35, CtrlAlt));
    EXPECT_TRUE(app.coordinator().state().picker.pickerScreen());
    sim.workspaces.switchWorkspace();
    EXPECT_FALSE(app.coordinator().state().picker.pickerScreen());

    // Launched again: the welcome window, the same one each time.
    app.reopen();
    WelcomeWindowController* welcome = app.welcome();
    ASSERT_TRUE(welcome);
    app.reopen();
    EXPECT_EQ(app.welcome(), welcome);
    EXPECT_TRUE(welcome->window()->isVisible());

    // Tips once, with their prefix; not while paused, when they stay unseen.
    app.commands().togglePause();
    app.coordinator().sinks().sendTip(Tip::dropMenu);
    EXPECT_EQ(app.toast().text(), QString());
    app.commands().togglePause();
    app.coordinator().sinks().sendTip(Tip::dropMenu);
    EXPECT_TRUE(app.toast().text().startsWith(u"Tip · "_qs)) << app.toast().text().toStdString();
    app.log(u"A notice."_qs);
    app.coordinator().sinks().sendTip(Tip::dropMenu);
    EXPECT_EQ(app.toast().text(), u"A notice."_qs);
    EXPECT_TRUE(logs.messages(LogCategory::App).contains(u"A notice."_qs));
    EXPECT_FALSE(logs.messages(LogCategory::App).join(u'\n').contains(u"Tip · "_qs));
}

// Every item of a menu and its submenus as "title|key", and the tool tips that say more.
QStringList menuTexts(const QMenu* menu)
{
    QStringList out;
    for (const QAction* action : menu->actions()) {
        out << action->text() + u'|' + action->property("fwKeyLabel").toString();
        if (action->toolTip() != action->text())
            out << action->toolTip();
        if (action->menu())
            out << menuTexts(action->menu());
    }
    return out;
}

// Every text the window's own labels show.
QStringList labelTexts(const QWidget* window)
{
    QStringList out;
    for (const OverlayLabel* label : window->findChildren<OverlayLabel*>())
        out << label->text();
    return out;
}

// pekwm's stock keys hold Ctrl+Alt+P, S and A, icewm's Ctrl+Alt+B and 1: nothing the program
// shows offers them (the tray's rows, Getting Started, the tour, the tips, the notices, the
// gallery's cards, the switcher's hints), while the keys that work are still named; one notice
// at the start names the actions' keys and where to change them, and the next start does not
// tell it again.
TEST_F(ProgramTest, KeysAnotherProgramHoldsAreOfferedNowhereAndToldOnce)
{
    openedBefore();
    for (std::uint32_t code : {35u, 1u, 0u, 11u, 18u})
        sim.hotKeys.take(code, CtrlAlt);
    AppDelegate& app = start();
    const QString told = u"Ctrl+Alt+P, Ctrl+Alt+A, Ctrl+Alt+S and Ctrl+Alt+B are in use elsewhere, so Framewell "
                         u"can’t use them. Choose other keys in Shortcuts…"_qs;
    EXPECT_EQ(app.toast().text(), told);
    EXPECT_TRUE(logs.messages(LogCategory::App).contains(told));
    const QStringList taken{u"Ctrl+Alt+P"_qs, u"Ctrl+Alt+S"_qs, u"Ctrl+Alt+A"_qs, u"Ctrl+Alt+B"_qs,
                            u"Ctrl+Alt+1"_qs};
    const auto expectNoTakenKey = [&](const QStringList& texts, const char* where) {
        for (const QString& text : texts)
            for (const QString& key : taken)
                EXPECT_FALSE(text.contains(key)) << where << ": " << text.toStdString();
    };

    const QString display = displayKey(kLeft);
    for (const char* id : {"user-work", "user-focus"}) {
        SnapLayout own = SnapLayout::builtIns()[1];
        own.id = QString::fromLatin1(id);
        own.name = own.id.mid(5);
        ASSERT_TRUE(app.coordinator().context().store.upsertCustom(own, display));
    }
    QMenu* menu = app.tray()->menu();
    emit menu->aboutToShow();
    const QStringList tray = menuTexts(menu);
    emit menu->aboutToHide();
    expectNoTakenKey(tray, "tray");
    EXPECT_TRUE(tray.contains(u"Place Focused Window…|"_qs)) << tray.join(u'\n').toStdString();
    EXPECT_TRUE(tray.contains(u"Restore Focused Window|Ctrl+Alt+R"_qs)) << "the keys that work are named";
    EXPECT_TRUE(tray.contains(u"Open Layout Gallery…|Ctrl+Alt+Z"_qs));
    EXPECT_TRUE(tray.contains(u"focus|Ctrl+Alt+2"_qs)) << tray.join(u'\n').toStdString();

    choose({u"Getting Started…"_qs});
    ASSERT_TRUE(app.welcome());
    EXPECT_EQ(app.welcome()->keysLabel()->text(), u"Ctrl+Alt+Z  Layout Gallery"_qs);
    const QStringList welcome = labelTexts(app.welcome()->window());
    expectNoTakenKey(welcome, "Getting Started");
    EXPECT_TRUE(welcome.filter(u"1–9"_qs).isEmpty()) << "the layout keys do not all work";
    app.welcome()->close();

    choose({u"Take the Tour…"_qs});
    ASSERT_TRUE(app.tour());
    QStringList tour;
    for (int page = 0; page < tourPageCount; ++page) {
        app.tour()->show(page);
        tour << app.tour()->bodyLabel()->text();
    }
    expectNoTakenKey(tour, "tour");
    EXPECT_TRUE(tour.filter(u"1–9"_qs).isEmpty());
    EXPECT_EQ(tour.filter(u"The windows underneath stay stacked behind it."_qs).size(), 1);
    app.tour()->window()->close();

    QStringList notices;
    for (Tip tip : {Tip::switcher, Tip::span, Tip::ownLayouts}) {
        app.coordinator().sinks().sendTip(tip);
        notices << app.toast().text();
    }
    choose({u"Adjust Shared Dividers"_qs});
    notices << app.toast().text();
    // The switcher's hints: its button over a span, its layouts row and its arrows.
    notices << WindowSetTexts::make({u"Notes"_qs, u"Mail"_qs}, {u"Browser"_qs}).toolTip;
    const StackPickerPlan plan({.layouts = {u"work"_qs, u"focus"_qs}, .canChooseLayout = true});
    for (const auto& choice : plan.layoutChoices)
        notices << choice.toolTip;
    EXPECT_TRUE(notices.contains(u"Switch to focus (Ctrl+Alt+2)"_qs)) << notices.join(u'\n').toStdString();
    expectNoTakenKey(notices, "notices");
    EXPECT_TRUE(notices.join(u'\n').contains(u"Choose a layout first (Ctrl+Alt+Z)"_qs)) << notices.join(u'\n').toStdString();
    EXPECT_TRUE(notices.join(u'\n').contains(u"From the keyboard, 1–9 pick a card."_qs));

    choose({u"Choose a Layout"_qs, u"Open Layout Gallery…"_qs});
    ASSERT_TRUE(app.overlay().pickerView);
    QStringList cards;
    for (int i = 0; i < int(app.overlay().pickerView->geometry().cards.size()); ++i)
        cards << app.overlay().pickerView->cardTitle(i);
    expectNoTakenKey(cards, "gallery");
    EXPECT_TRUE(cards.contains(u"work"_qs)) << cards.join(u'\n').toStdString();
    EXPECT_TRUE(cards.contains(u"Ctrl+Alt+2  focus"_qs)) << cards.join(u'\n').toStdString();

    // Started again with the same keys taken: not told again.
    delegate.reset();
    AppDelegate& again = start();
    EXPECT_NE(again.toast().text(), told);
    EXPECT_EQ(logs.messages(LogCategory::App).count(told), 1);
}

} // namespace
} // namespace fw
