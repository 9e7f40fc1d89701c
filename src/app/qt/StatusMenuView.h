#pragma once
// The tray's menu. The menu is whole before anyone opens it: the shell renders it at start and
// again whenever what it shows may have changed, and each time it opens it asks for the
// program's state once more. Each render builds the menu's data (StatusMenuModel) and rebuilds
// the menu only when that data changed, so a tray host that reads the menu over D-Bus
// (StatusNotifier) gets the whole menu at any time and hears of each change; the two display submenus,
// whose rows draw layout diagrams, are kept under their signature and only refreshed (their
// check marks) while it stays the same; every diagram is drawn the first time its item shows,
// so a display of many layouts costs little beyond what is on screen. A chosen item hands its
// command and payload back.
// An opening soon after one that rendered, with nothing done since, renders nothing: a host may
// say the menu opens thousands of times at once. Each item carries its key, which a
// StatusNotifier host shows beside it. The menu's icon in the tray (icon()) is made once a tray
// host is known to be there; without one the program stays reachable by its hot keys and by
// being launched again.
//
//   StatusMenuView tray;
//   tray.onOpen = [&] { return commands.menuWillOpen(); };
//   tray.onClose = [&] { commands.menuDidClose(); };
//   tray.onCommand = [&](MenuCommand c, const MenuPayload& p) { commands.perform(c, p); };
//   tray.icon().join();   // once a tray host is there

#include "app/StatusMenuModel.h"
#include "app/qt/StatusTrayIcon.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QMenu;

namespace fw {

class LayoutMenuRow;

class StatusMenuView : public QObject {
    Q_OBJECT
public:
    StatusMenuView();
    ~StatusMenuView() override;

    std::function<StatusMenuState()> onOpen;
    std::function<void()> onClose;
    std::function<void(MenuCommand, const MenuPayload&)> onCommand;

    // What the menu shows may have changed: its next opening renders.
    void changed();
    // The menu's icon in the tray.
    StatusTrayIcon& icon() { return icon_; }

    // Rebuilds the menu from the state, as opening it does, when what it shows changed.
    void render(StatusMenuState state);
    // How often the whole menu was built.
    int menuBuilds() const { return menuBuilds_; }
    // Builds the display submenus of the state into their caches ahead of the next opening;
    // nothing while the menu is open.
    void prebuild(StatusMenuState state);
    bool menuOpen() const;
    // Closes the menu and its submenus.
    void closeMenu();

    QMenu* menu() const { return root_.get(); }
    // The action reached by following the titles through the submenus; null when none.
    QAction* action(const QStringList& path) const;
    // The cached display submenus and how often each was built.
    QMenu* chooseLayoutMenu() const;
    QMenu* switchLayoutMenu() const;
    int displayMenuBuilds() const { return displayBuilds_; }

    // "light" or "dark": the palette diagrams are drawn in.
    static QString appearance();
    // What the menu shows for an item: its title, then its key label after a tab. The key is
    // not in the action's text, which a D-Bus tray exports as the item's label.
    static QString shownText(const QAction* action);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Cached {
        QString signature;
        std::unique_ptr<QMenu> menu;
    };
    void fill(QMenu* menu, const Menu& model);
    QAction* addItem(QMenu* menu, const MenuItem& item);
    QAction* addRow(QMenu* menu, const MenuItem& item);
    // A submenu of `parent`: a cached display submenu, else a new child of the parent.
    QMenu* submenuFor(QMenu* parent, const MenuItem& item);
    QMenu* cachedMenu(Cached& cache, const Menu& model);
    static bool refreshStates(QMenu* menu, const Menu& model);

    std::unique_ptr<QMenu> root_;
    StatusTrayIcon icon_;
    Cached choose_, switch_;
    int displayBuilds_ = 0;
    QString digest_;                        // of the menu built last
    int menuBuilds_ = 0;
    // Openings this soon after a render, with nothing done between, render nothing.
    static constexpr std::chrono::milliseconds kOpeningsMerged{100};
    QElapsedTimer renderedAt_;   // the last opening that rendered
};

} // namespace fw
