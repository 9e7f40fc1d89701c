// The tray icon and its menu: rebuilt from StatusMenuModel each time it opens, with the layout
// submenus kept under their signature and their diagrams drawn only when shown.
#include "app/qt/StatusMenuView.h"

#include "app/qt/LayoutMenuRow.h"
#include "app/qt/StatusIcon.h"
#include "editor/qt/LayoutDiagram.h"
#include "overlay/OverlayStyle.h"
#include "overlay/Symbols.h"

#include <QApplication>
#include <QCursor>
#include <QIconEngine>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QStyleOption>
#include <QProxyStyle>
#include <QSystemTrayIcon>
#include <QWidgetAction>

namespace fw {

namespace {

const QString chooseTitle = QStringLiteral("Choose a Layout");
const QString switchTitle = QStringLiteral("Switch Layout");

// Our menus stay one column however many items they hold: taller than the screen, they scroll
// (Qt would otherwise wrap them into columns over their parent menu). Menus whose items show
// layout diagrams also take icons 30 points wide.
class MenuStyle final : public QProxyStyle {
public:
    explicit MenuStyle(bool diagrams) : diagrams_(diagrams) {}

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (diagrams_ && metric == PM_SmallIconSize)
            return 30;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override
    {
        if (hint == SH_Menu_Scrollable)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }

private:
    bool diagrams_;
};

QStyle* menuStyle(bool diagrams)
{
    static const auto make = [](bool withDiagrams) {
        auto* s = new MenuStyle(withDiagrams);
        s->setParent(qApp);
        return s;
    };
    static MenuStyle* plain = make(false);
    static MenuStyle* diagram = make(true);
    return diagrams ? diagram : plain;
}

QStyle* diagramMenuStyle() { return menuStyle(true); }

QMenu* configured(QMenu* menu)
{
    menu->setToolTipsVisible(true);
    menu->setStyle(menuStyle(false));
    return menu;
}

std::unique_ptr<QMenu> newMenu(const QString& title) { return std::unique_ptr<QMenu>(configured(new QMenu(title))); }

// A layout's diagram as an item's icon, made the first time a menu draws the item: menus of
// many layouts cost little beyond the items on screen.
class DiagramIconEngine final : public QIconEngine {
public:
    explicit DiagramIconEngine(SnapLayout layout) : layout_(std::move(layout)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size() * painter->device()->devicePixelRatio(), mode, state));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        if (diagram_.isNull())
            diagram_ = layoutDiagramImage(layout_);
        QPixmap scaled = diagram_.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (mode != QIcon::Disabled)
            return scaled;
        QStyleOption option;
        option.palette = QGuiApplication::palette();
        return QApplication::style()->generatedIconPixmap(QIcon::Disabled, scaled, &option);
    }
    QIconEngine* clone() const override { return new DiagramIconEngine(*this); }

private:
    SnapLayout layout_;
    QPixmap diagram_;
};

bool showsDiagrams(const Menu& model)
{
    for (const MenuItem& item : model.items) {
        if (item.diagram)
            return true;
    }
    return false;
}

} // namespace

StatusMenuView::StatusMenuView() : root_(newMenu(QStringLiteral("Framewell"))), tray_(std::make_unique<QSystemTrayIcon>())
{
    tray_->setToolTip(QStringLiteral("Framewell — a place for every window"));
    tray_->setContextMenu(root_.get());
    updateIcon();
    connect(tray_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && !root_->isVisible())
            root_->popup(QCursor::pos());
    });
    connect(root_.get(), &QMenu::aboutToShow, this, [this] {
        if (onOpen)
            render(onOpen());
    });
    connect(root_.get(), &QMenu::aboutToHide, this, [this] {
        if (onClose)
            onClose();
    });
    qApp->installEventFilter(this);
}

StatusMenuView::~StatusMenuView()
{
    qApp->removeEventFilter(this);
    tray_->setContextMenu(nullptr);
    tray_->hide();
}

bool StatusMenuView::show()
{
    tray_->show();
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void StatusMenuView::hide() { tray_->hide(); }

void StatusMenuView::setPaused(bool paused)
{
    paused_ = paused;
    updateIcon();
}

void StatusMenuView::updateIcon() { tray_->setIcon(statusIcon(QGuiApplication::palette(), paused_)); }

bool StatusMenuView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
        updateIcon();
    // Ctrl+Q, shown beside Quit, quits while the menu or one of its submenus is open (the
    // open menu holds the keyboard, so no shortcut of the program's reaches it otherwise).
    if (event->type() == QEvent::KeyPress && menuOpen() && watched == QApplication::activePopupWidget()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Q && (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
            closeMenu();
            if (onCommand)
                onCommand(MenuCommand::quit, {});
            return true;
        }
    }
    return false;
}

QString StatusMenuView::appearance()
{
    return isDark(QGuiApplication::palette()) ? QStringLiteral("dark") : QStringLiteral("light");
}

bool StatusMenuView::menuOpen() const { return root_->isVisible(); }

void StatusMenuView::closeMenu()
{
    for (QWidget* popup = QApplication::activePopupWidget(); popup; popup = QApplication::activePopupWidget())
        popup->close();
    root_->hide();
}

void StatusMenuView::render(StatusMenuState state)
{
    state.appearance = appearance();
    const Menu model = statusMenu(state);
    root_->clear();
    qDeleteAll(root_->findChildren<QMenu*>(Qt::FindDirectChildrenOnly));
    fill(root_.get(), model);
}

void StatusMenuView::prebuild(StatusMenuState state)
{
    if (menuOpen())
        return;
    state.appearance = appearance();
    cachedMenu(choose_, fw::chooseLayoutMenu(state));
    cachedMenu(switch_, fw::switchLayoutMenu(state));
}

void StatusMenuView::fill(QMenu* menu, const Menu& model)
{
    if (showsDiagrams(model))
        menu->setStyle(diagramMenuStyle());
    for (const MenuItem& item : model.items) {
        if (item.kind == MenuItem::Kind::separator) {
            menu->addSeparator()->setVisible(!item.hidden);
            continue;
        }
        QAction* action = item.row ? addRow(menu, item) : addItem(menu, item);
        action->setEnabled(item.enabled);
        action->setVisible(!item.hidden);
        action->setToolTip(item.toolTip);
    }
}

QAction* StatusMenuView::addItem(QMenu* menu, const MenuItem& item)
{
    QAction* action = nullptr;
    if (item.submenu) {
        action = menu->addMenu(submenuFor(menu, item));
        action->setText(item.title);
    } else {
        action = menu->addAction(item.keyLabel.isEmpty() ? item.title : item.title + u'\t' + item.keyLabel);
        if (item.kind == MenuItem::Kind::command) {
            connect(action, &QAction::triggered, this, [this, command = item.command, payload = item.payload] {
                if (onCommand)
                    onCommand(command, payload);
            });
        }
    }
    action->setCheckable(item.checkable || item.checked);
    action->setChecked(item.checked);
    const QColor color = menu->palette().color(QPalette::Active, QPalette::WindowText);
    if (!item.symbol.isEmpty())
        action->setIcon(QIcon(Symbols::image(item.symbol, 16, color, menu->devicePixelRatioF())));
    else if (item.diagram)
        action->setIcon(QIcon(new DiagramIconEngine(*item.diagram)));
    return action;
}

QAction* StatusMenuView::addRow(QMenu* menu, const MenuItem& item)
{
    auto* action = new QWidgetAction(menu);
    auto* row = new LayoutMenuRow(*item.row);
    row->setEnabled(item.enabled);
    row->invoke = [this, command = item.command, payload = item.payload] {
        closeMenu();
        if (onCommand)
            onCommand(command, payload);
    };
    action->setDefaultWidget(row);
    action->setText(item.title);
    // The keys move the menu's active item.
    connect(menu, &QMenu::hovered, row, [row, action](QAction* active) { row->setHighlighted(active == action); });
    menu->addAction(action);
    return action;
}

QMenu* StatusMenuView::submenuFor(QMenu* parent, const MenuItem& item)
{
    if (item.title == chooseTitle && !item.submenu->signature.isEmpty())
        return cachedMenu(choose_, *item.submenu);
    if (item.title == switchTitle && !item.submenu->signature.isEmpty())
        return cachedMenu(switch_, *item.submenu);
    QMenu* menu = configured(new QMenu(item.submenu->title, parent));
    fill(menu, *item.submenu);
    return menu;
}

QMenu* StatusMenuView::cachedMenu(Cached& cache, const Menu& model)
{
    if (cache.menu && cache.signature == model.signature && refreshStates(cache.menu.get(), model))
        return cache.menu.get();
    cache.menu = newMenu(model.title);
    if (model.title == chooseTitle)
        cache.menu->setMinimumWidth(LayoutMenuRow::rowWidth);
    fill(cache.menu.get(), model);
    cache.signature = model.signature;
    ++displayBuilds_;
    return cache.menu.get();
}

bool StatusMenuView::refreshStates(QMenu* menu, const Menu& model)
{
    const QList<QAction*> actions = menu->actions();
    if (actions.size() != qsizetype(model.items.size()))
        return false;
    for (std::size_t i = 0; i < model.items.size(); ++i) {
        const MenuItem& item = model.items[i];
        QAction* action = actions[qsizetype(i)];
        action->setEnabled(item.enabled);
        if (auto* widget = qobject_cast<QWidgetAction*>(action)) {
            if (auto* row = qobject_cast<LayoutMenuRow*>(widget->defaultWidget())) {
                row->setCurrent(item.checked);
                row->setEnabled(item.enabled);
            }
            continue;
        }
        if (!action->menu()) {
            action->setCheckable(item.checked);
            action->setChecked(item.checked);
        }
    }
    return true;
}

QAction* StatusMenuView::action(const QStringList& path) const
{
    QMenu* menu = root_.get();
    QAction* found = nullptr;
    for (const QString& title : path) {
        if (!menu)
            return nullptr;
        found = nullptr;
        for (QAction* a : menu->actions()) {
            if (a->text().section(u'\t', 0, 0) == title) {
                found = a;
                break;
            }
        }
        if (!found)
            return nullptr;
        menu = found->menu();
    }
    return found;
}

QMenu* StatusMenuView::chooseLayoutMenu() const { return choose_.menu.get(); }

QMenu* StatusMenuView::switchLayoutMenu() const { return switch_.menu.get(); }

} // namespace fw
