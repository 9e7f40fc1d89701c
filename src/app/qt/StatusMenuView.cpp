// The tray's menu: built from StatusMenuModel at start and rebuilt when its data changes, with
// the layout submenus kept under their signature and their diagrams drawn only when shown.
#include "app/qt/StatusMenuView.h"

#include "app/qt/LayoutMenuRow.h"
#include "editor/qt/LayoutDiagram.h"
#include "overlay/OverlayStyle.h"
#include "overlay/Symbols.h"

#include <QApplication>
#include <QImage>
#include <QActionEvent>
#include <QIconEngine>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QPainter>
#include <QStyleOption>
#include <QProxyStyle>
#include <QScreen>
#include <QWidgetAction>

#include <algorithm>
#include <iterator>

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

const char* const kKeyLabel = "fwKeyLabel";

// A menu that draws each item's key label beside it, as it draws an action's shortcut: the
// column as wide as the widest label of the menu. Every item keeps that column free (the style
// measures an item with a tab, even an empty key, with the column beside it), so each one's
// text has the room the menu's width was measured for.
class KeyedMenu final : public QMenu {
public:
    using QMenu::QMenu;

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override
    {
        QMenu::initStyleOption(option, action);
        if (!action || action->isSeparator())
            return;
        option->text = StatusMenuView::shownText(action);
        if (!keysRead_) {
            keys_.clear();
            for (const QAction* other : actions()) {
                if (const QString key = other->property(kKeyLabel).toString(); !key.isEmpty())
                    keys_ << key;
            }
            keysRead_ = true;
        }
        for (const QString& key : keys_)
            option->reservedShortcutWidth = std::max(option->reservedShortcutWidth, option->fontMetrics.horizontalAdvance(key));
        if (!keys_.isEmpty() && !option->text.contains(u'\t'))
            option->text += u'\t';
    }
    void actionEvent(QActionEvent* event) override
    {
        keysRead_ = false;
        QMenu::actionEvent(event);
    }

private:
    // The key labels of the items, read again once the items change.
    mutable QStringList keys_;
    mutable bool keysRead_ = false;
};

QMenu* configured(QMenu* menu)
{
    menu->setToolTipsVisible(true);
    menu->setStyle(menuStyle(false));
    return menu;
}

std::unique_ptr<QMenu> newMenu(const QString& title) { return std::unique_ptr<QMenu>(configured(new KeyedMenu(title))); }

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

// An item's key as a StatusNotifier host shows it beside the item ("shortcut" in the exported
// menu): the key its label names, none for a label that names no single key ("In use
// elsewhere", "Ctrl+Alt+1–9"). A menu's actions never act on their keys themselves: the toolkit
// matches a menu action's key only in a window the menu belongs to, and the tray's menu belongs
// to none; the hot keys and the open menu's Ctrl+Q act instead.
void setKey(QAction* action, const QString& label)
{
    if (label.isEmpty())
        return;
    QString portable = label;
    portable.replace(QLatin1String("Super+"), QLatin1String("Meta+"));
    const QKeySequence key = QKeySequence::fromString(portable, QKeySequence::PortableText);
    if (key.count() == 1 && key[0].key() != Qt::Key_unknown)
        action->setShortcut(key);
}

bool showsDiagrams(const Menu& model)
{
    for (const MenuItem& item : model.items) {
        if (item.diagram)
            return true;
    }
    return false;
}

} // namespace

StatusMenuView::StatusMenuView() : root_(newMenu(QStringLiteral("Framewell"))), icon_(*root_)
{
    connect(root_.get(), &QMenu::aboutToShow, this, [this] {
        // A host may say the menu opens thousands of times in one message, or every moment:
        // an opening soon after the last one, with nothing done between, renders nothing.
        if (renderedAt_.isValid() && !renderedAt_.hasExpired(kOpeningsMerged.count()))
            return;
        renderedAt_.start();
        if (onOpen)
            render(onOpen());
    });
    connect(root_.get(), &QMenu::aboutToHide, this, [this] {
        if (onClose)
            onClose();
    });
    qApp->installEventFilter(this);
}

StatusMenuView::~StatusMenuView() { qApp->removeEventFilter(this); }

void StatusMenuView::changed() { renderedAt_.invalidate(); }

bool StatusMenuView::eventFilter(QObject* watched, QEvent* event)
{
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

QString StatusMenuView::shownText(const QAction* action)
{
    const QString key = action->property(kKeyLabel).toString();
    return key.isEmpty() ? action->text() : action->text() + u'\t' + key;
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
    QString digest = menuDigest(model);
    // Unchanged: the items stay, and so do the ids a D-Bus host knows them by.
    if (digest == digest_ && !root_->isEmpty())
        return;
    digest_ = std::move(digest);
    root_->clear();
    qDeleteAll(root_->findChildren<QMenu*>(Qt::FindDirectChildrenOnly));
    fill(root_.get(), model);
    ++menuBuilds_;
}

void StatusMenuView::prebuild(StatusMenuState state)
{
    if (menuOpen())
        return;
    state.appearance = appearance();
    const int builds = displayBuilds_;
    cachedMenu(choose_, fw::chooseLayoutMenu(state));
    cachedMenu(switch_, fw::switchLayoutMenu(state));
    // A submenu made anew took the old one out of the menu: the next render builds it whole.
    if (displayBuilds_ != builds)
        digest_.clear();
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
        action = new QAction(item.title, menu);
        if (!item.keyLabel.isEmpty())
            action->setProperty(kKeyLabel, item.keyLabel);   // before the menu measures its items
        setKey(action, item.keyLabel);
        menu->addAction(action);
        if (item.kind == MenuItem::Kind::command) {
            connect(action, &QAction::triggered, this, [this, command = item.command, payload = item.payload] {
                changed();
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
        changed();
        if (onCommand)
            onCommand(command, payload);
    };
    action->setDefaultWidget(row);
    action->setText(item.title);
    setKey(action, item.keyLabel);
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
    QMenu* menu = configured(new KeyedMenu(item.submenu->title, parent));
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
