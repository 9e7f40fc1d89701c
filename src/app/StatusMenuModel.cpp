// Builds the status menu as data from a snapshot of the program's state: items, commands, key labels,
// the display layout submenus and their signatures.
#include "app/StatusMenuModel.h"

#include "layout/LayoutArchive.h"
#include "layout/ScreenGeometry.h"
#include "onboarding/WelcomeContent.h"
#include "snap/AppNames.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <unordered_map>

namespace fw {

namespace {

MenuItem command(const QString& title, MenuCommand cmd, bool enabled = true)
{
    MenuItem item;
    item.title = title;
    item.command = cmd;
    item.enabled = enabled;
    return item;
}

MenuItem separator(bool hidden = false)
{
    MenuItem item;
    item.kind = MenuItem::Kind::separator;
    item.hidden = hidden;
    return item;
}

MenuItem header(const QString& title)
{
    MenuItem item;
    item.kind = MenuItem::Kind::header;
    item.title = title;
    item.enabled = false;
    return item;
}

MenuItem holder(const QString& title, const QString& symbol, Menu submenu, bool enabled = true)
{
    MenuItem item = command(title, MenuCommand::none, enabled);
    item.symbol = symbol;
    item.submenu = std::make_shared<Menu>(std::move(submenu));
    return item;
}

// The key the action's items offer: its combination as the state has it (the default when the
// state leaves it out); none when turned off or another program holds it.
std::optional<KeyCombo> offeredCombo(const StatusMenuState& state, ShortcutAction action)
{
    if (state.takenKeys.count(action))
        return std::nullopt;
    const auto it = state.combos.find(action);
    return it == state.combos.end() ? std::optional<KeyCombo>(KeyCombo::defaultFor(action)) : it->second;
}

MenuItem shortcutItem(const StatusMenuState& state, const QString& title, MenuCommand cmd, ShortcutAction action,
                      bool enabled)
{
    MenuItem item = command(title, cmd, enabled);
    item.keyLabel = keyEquivalentLabel(offeredCombo(state, action));
    return item;
}

MenuItem toggle(const QString& title, MenuCommand cmd, bool checked, bool enabled)
{
    MenuItem item = command(title, cmd, enabled);
    item.checked = checked;
    item.checkable = true;
    return item;
}

// The top of the menu: what asks for the user's attention.
void addAttentionItems(Menu& menu, const StatusMenuState& state)
{
    MenuItem control = command(QStringLiteral("Enable Window Control…"), MenuCommand::showWelcome);
    control.symbol = QStringLiteral("hand.raised");
    control.hidden = state.windowControl;

    MenuItem tiling = command(QStringLiteral("Turn Off Desktop Tiling…"), MenuCommand::openTilingSettings);
    tiling.symbol = QStringLiteral("exclamationmark.triangle");
    const auto sentence = desktopTilingSentence(state.edgeTiling, state.topTiling);
    tiling.hidden = !sentence;
    tiling.toolTip = sentence.value_or(QString());

    MenuItem resume = command(QStringLiteral("Resume Snapping"), MenuCommand::togglePause);
    resume.symbol = QStringLiteral("play.circle");
    resume.hidden = !state.paused;

    const bool allHidden = control.hidden && tiling.hidden && resume.hidden;
    menu.items.push_back(std::move(control));
    menu.items.push_back(std::move(tiling));
    menu.items.push_back(std::move(resume));
    menu.items.push_back(separator(allHidden));
}

// A transition's title, with what it still needs here: without a compositor that blends none is
// drawn (the stacks switch without animation), without window previews only Shuffle is.
QString stackTransitionTitle(StackTransition t, const StatusMenuState& state)
{
    const QString name = title(t);
    if (!state.compositing)
        return name + QStringLiteral(" (needs a compositor with transparency)");
    if (!state.windowPreviews && t != StackTransition::shuffle)
        return name + QStringLiteral(" (needs Window Previews)");
    return name;
}

} // namespace

const MenuItem* Menu::item(const QString& title) const
{
    for (const MenuItem& i : items) {
        if (i.title == title)
            return &i;
    }
    return nullptr;
}

MenuItem* Menu::item(const QString& title) { return const_cast<MenuItem*>(std::as_const(*this).item(title)); }

QString keyEquivalentLabel(const std::optional<KeyCombo>& combo)
{
    if (!combo || combo->key.size() != 1)
        return {};
    return combo->displayString();
}

QString layoutKeyLabel(std::size_t position)
{
    if (position >= 9)
        return {};
    return modifierLabel(StoredCtrl | StoredAlt) + u'+' + QString::number(position + 1);
}

bool isCurrentLayout(const SnapLayout& layout, const std::optional<SnapLayout>& current)
{
    return current && current->id == layout.id && current->tree == layout.tree;
}

QString menuSignature(const QStringList& parts, const std::vector<SnapLayout>& layouts, const QString& appearance)
{
    QJsonArray list;
    for (const SnapLayout& layout : layouts)
        list.append(layout.toJson());
    const QString json = QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact));
    return parts.join(u'|') + u'|' + appearance + u'|' + json;
}

namespace {

QString payloadText(const MenuPayload& payload)
{
    if (const auto* text = std::get_if<QString>(&payload))
        return *text;
    if (const auto* list = std::get_if<QStringList>(&payload))
        return list->join(u'/');
    if (const auto* choice = std::get_if<LayoutMenuChoice>(&payload)) {
        const QByteArray layout = QJsonDocument(choice->layout.toJson()).toJson(QJsonDocument::Compact);
        return choice->display + u'@' + toString(choice->displayBounds) + u'=' + QString::fromUtf8(layout);
    }
    return {};
}

void appendDigest(QString& out, const Menu& menu)
{
    out += u'[' + menu.title + u'|' + menu.signature;
    for (const MenuItem& item : menu.items) {
        const QChar flags[] = {QChar(u'0' + int(item.kind)), QChar(item.enabled ? u'e' : u'-'),
                               QChar(item.checked ? u'c' : u'-'), QChar(item.hidden ? u'h' : u'-')};
        out += u'\n' + QString(flags, 4) + u'|' + QString::number(int(item.command)) + u'|' + item.title + u'|'
            + item.keyLabel + u'|' + item.toolTip + u'|' + item.symbol;
        out += u'|' + payloadText(item.payload);
        if (item.diagram)
            out += u'|' + QString::fromUtf8(QJsonDocument(item.diagram->toJson()).toJson(QJsonDocument::Compact));
        if (item.row)
            out += u"|row:"_qs + item.row->name + u'|' + item.row->detail + (item.row->current ? u"|c"_qs : u"|-"_qs);
        if (item.submenu)
            appendDigest(out, *item.submenu);
    }
    out += u']';
}

} // namespace

QString menuDigest(const Menu& menu)
{
    QString out;
    appendDigest(out, menu);
    return out;
}

Menu statusMenu(const StatusMenuState& state)
{
    Menu menu;
    addAttentionItems(menu, state);
    menu.items.push_back(shortcutItem(state, QStringLiteral("Place Focused Window…"), MenuCommand::placeFocusedWindow,
                                      ShortcutAction::place, true));
    MenuItem choose = holder(QStringLiteral("Choose a Layout"), QStringLiteral("rectangle.split.3x1"),
                             chooseLayoutMenu(state));
    choose.command = MenuCommand::chooseLayout;
    menu.items.push_back(std::move(choose));
    menu.items.push_back(shortcutItem(state, QStringLiteral("Adjust Shared Dividers"), MenuCommand::adjustLayout,
                                      ShortcutAction::adjust, true));
    menu.items.push_back(shortcutItem(state, QStringLiteral("Restore Focused Window"), MenuCommand::restoreWindow,
                                      ShortcutAction::restore, true));
    menu.items.push_back(separator());
    menu.items.push_back(holder(QStringLiteral("Window Stacks"), QStringLiteral("square.stack"),
                                windowStacksMenu(state), state.stacks.available));
    menu.items.push_back(holder(QStringLiteral("Switch Layout"), QStringLiteral("square.2.layers.3d"),
                                switchLayoutMenu(state)));
    menu.items.push_back(separator());
    menu.items.push_back(toggle(QStringLiteral("Pause Snapping"), MenuCommand::togglePause, state.paused, true));
    menu.items.push_back(toggle(QStringLiteral("Start at Login"), MenuCommand::toggleLogin, state.startAtLogin, true));
    if (!state.startAtLoginMissing.isEmpty())
        menu.items.back().toolTip = QStringLiteral("The login entry starts %1, which is gone. Choose Start at Login "
                                                   "to start this Framewell instead.")
                                        .arg(state.startAtLoginMissing);
    MenuItem previews = command(QStringLiteral("Enable Window Previews…"), MenuCommand::enableThumbnails);
    previews.hidden = state.windowPreviews;
    menu.items.push_back(std::move(previews));
    menu.items.push_back(command(QStringLiteral("Shortcuts…"), MenuCommand::showShortcuts));
    menu.items.push_back(separator());
    menu.items.push_back(command(QStringLiteral("Getting Started…"), MenuCommand::showWelcome));
    menu.items.push_back(command(QStringLiteral("Take the Tour…"), MenuCommand::showTour));
    menu.items.push_back(command(QStringLiteral("Check for Updates…"), MenuCommand::checkForUpdates));
    menu.items.push_back(command(QStringLiteral("About Framewell"), MenuCommand::showAbout));
    MenuItem quit = command(QStringLiteral("Quit Framewell"), MenuCommand::quit);
    quit.keyLabel = QStringLiteral("Ctrl+Q");
    menu.items.push_back(std::move(quit));
    return menu;
}

Menu windowStacksMenu(const StatusMenuState& state)
{
    const auto& stacks = state.stacks;
    const bool live = stacks.available;
    const bool drawn = live && stacks.presented;
    Menu menu{QStringLiteral("Window Stacks"), {}, {}};
    menu.items.push_back(shortcutItem(state, QStringLiteral("Show Window Stack…"), MenuCommand::showWindowStack,
                                      ShortcutAction::stack, drawn));
    menu.items.push_back(shortcutItem(state, QStringLiteral("Next Window"), MenuCommand::nextInStack,
                                      ShortcutAction::next, live));
    menu.items.push_back(shortcutItem(state, QStringLiteral("Previous Window"), MenuCommand::previousInStack,
                                      ShortcutAction::previous, live));
    menu.items.push_back(shortcutItem(state, QStringLiteral("Move Spanning Window Behind"),
                                      MenuCommand::sendFocusedSpanToBack, ShortcutAction::sendToBack, live));
    menu.items.push_back(separator());
    Menu transitions{QStringLiteral("Transition"), {}, {}};
    for (StackTransition t : allStackTransitions) {
        MenuItem item = toggle(stackTransitionTitle(t, state), MenuCommand::chooseTransition, t == stacks.transition, live);
        item.payload = rawValue(t);
        transitions.items.push_back(std::move(item));
    }
    menu.items.push_back(holder(QStringLiteral("Transition"), {}, std::move(transitions), live));
    menu.items.push_back(toggle(QStringLiteral("Use Window Stacks"), MenuCommand::toggleStacks, stacks.enabled, live));
    menu.items.push_back(
        toggle(QStringLiteral("Show Stack Badges"), MenuCommand::toggleBadges, stacks.badges.enabled, drawn));
    MenuItem autoPlace = toggle(QStringLiteral("Place Badges Automatically"), MenuCommand::toggleBadgeAutoPlace,
                                stacks.badges.autoPlace, drawn);
    autoPlace.toolTip = QStringLiteral("Put each stack’s badge in an empty part of the title bar, tab strip or "
                                       "toolbar, away from the window’s controls");
    menu.items.push_back(std::move(autoPlace));
    MenuItem onEdge = toggle(QStringLiteral("Badges on Window Edge"), MenuCommand::toggleBadgesOnEdge,
                             stacks.badges.onEdge, drawn);
    onEdge.toolTip = QStringLiteral("Stand each stack’s badge on its window’s left edge, between windows, instead "
                                    "of in the title bar");
    menu.items.push_back(std::move(onEdge));
    MenuItem reset = command(stacks.badges.autoPlace ? QStringLiteral("Place All Badges Automatically")
                                                     : QStringLiteral("Move All Badges Back to the Title Bar"),
                             MenuCommand::resetAllBadges, drawn);
    reset.hidden = !stacks.movedBadges;
    menu.items.push_back(std::move(reset));
    return menu;
}

Menu layoutChoiceMenu(const std::vector<SnapLayout>& layouts, const std::optional<SnapLayout>& current,
                      const QString& display, const QString& displayName, bool enabled, MenuCommand cmd,
                      const Rect& displayBounds)
{
    Menu menu{QStringLiteral("Choose a Layout"), {}, {}};
    menu.items.push_back(header(displayName));
    menu.items.push_back(header(enabled ? QStringLiteral("Arrange windows · standard proportions")
                                        : QStringLiteral("Layout placement is unavailable")));
    menu.items.push_back(separator());
    bool adjustedHeader = false;
    // A custom layout's reference is the first listed with its id: found in one pass, however
    // many layouts the display has.
    std::unordered_map<QString, const SnapLayout*> firstWithId;
    for (const SnapLayout& layout : layouts)
        firstWithId.emplace(layout.id, &layout);
    for (const SnapLayout& layout : layouts) {
        const bool custom = layout.isCustom();
        const SnapLayout* reference = custom ? firstWithId[layout.id] : SnapLayout::builtInWithId(layout.id);
        const bool adjusted = !reference || !(reference->tree == layout.tree);
        if (adjusted && !adjustedHeader) {
            menu.items.push_back(separator());
            menu.items.push_back(header(QStringLiteral("Adjusted proportions")));
            adjustedHeader = true;
        }
        MenuItem item = command(adjusted ? QStringLiteral("Adjusted: ") + layout.name : layout.name, cmd, enabled);
        item.payload = LayoutMenuChoice{layout, display, displayBounds};
        item.checked = isCurrentLayout(layout, current);
        const auto summary = AppNames::summary(layout.tree, layout.apps);
        const auto regions = layout.tree.unitRects(Rect(0, 0, 1, 1)).size();
        item.toolTip = summary ? QStringLiteral("Arrange %1: %2, with your other windows in the rest.")
                                     .arg(displayName, *summary)
                               : QStringLiteral("Arrange windows on %1 into %2 regions.").arg(displayName).arg(regions);
        const QString detail = summary ? *summary
            : adjusted                 ? QStringLiteral("Adjusted proportions")
            : custom                   ? QStringLiteral("Custom layout")
                                       : QStringLiteral("Standard proportions");
        item.row = LayoutRow{layout, item.title, detail, item.checked};
        menu.items.push_back(std::move(item));
    }
    return menu;
}

Menu chooseLayoutMenu(const StatusMenuState& state)
{
    const DisplayMenuState& d = state.display;
    const Rect bounds = topLeftVisibleFrame(d.screen);
    const bool placeable = !state.paused && state.windowControl;
    Menu menu = layoutChoiceMenu(d.offered, d.applied, d.key, d.screen.name, placeable, MenuCommand::applyMenuLayout,
                                 bounds);
    const auto layoutsCombo = offeredCombo(state, ShortcutAction::layouts);
    std::vector<SnapLayout> signed_ = d.offered;
    signed_.insert(signed_.end(), d.custom.begin(), d.custom.end());
    menu.signature = menuSignature({d.key, d.screen.name, toString(bounds), state.paused ? u"true"_qs : u"false"_qs,
                                    state.windowControl ? u"true"_qs : u"false"_qs,
                                    layoutsCombo ? layoutsCombo->displayString() : u"-"_qs},
                                   signed_, state.appearance);

    menu.items.push_back(separator());
    MenuItem gallery = command(QStringLiteral("Open Layout Gallery…"), MenuCommand::chooseLayout, !state.paused);
    gallery.keyLabel = keyEquivalentLabel(layoutsCombo);
    menu.items.push_back(std::move(gallery));
    MenuItem create = command(QStringLiteral("Create Custom Layout…"), MenuCommand::createCustomLayout);
    create.payload = d.key;
    menu.items.push_back(std::move(create));
    if (!d.custom.empty()) {
        Menu edit{QStringLiteral("Edit Layout"), {}, {}};
        for (const SnapLayout& layout : d.custom) {
            MenuItem item = command(layout.name + u'…', MenuCommand::editCustomLayout);
            item.payload = QStringList{d.key, layout.id};
            item.diagram = layout;
            edit.items.push_back(std::move(item));
        }
        menu.items.push_back(holder(QStringLiteral("Edit Layout"), {}, std::move(edit)));
    }
    for (auto [title, cmd] : {std::pair{QStringLiteral("Import Layouts…"), MenuCommand::importLayouts},
                              std::pair{QStringLiteral("Export Layouts…"), MenuCommand::exportLayouts}}) {
        MenuItem item = command(title, cmd);
        item.payload = d.key;
        menu.items.push_back(std::move(item));
    }
    menu.items.push_back(separator());
    MenuItem reset = command(QStringLiteral("Reset Layouts on ") + d.screen.name + u'…', MenuCommand::resetLayouts);
    reset.payload = d.key;
    menu.items.push_back(std::move(reset));
    return menu;
}

Menu switchLayoutMenu(const StatusMenuState& state)
{
    const DisplayMenuState& d = state.display;
    Menu menu{QStringLiteral("Switch Layout"), {}, {}};
    QStringList taken;
    for (std::size_t position : state.takenLayoutKeys)
        taken.push_back(QString::number(position));
    menu.signature = menuSignature({d.key, d.screen.name, state.paused ? u"true"_qs : u"false"_qs,
                                    state.windowControl ? u"true"_qs : u"false"_qs, taken.join(u',')},
                                   d.custom, state.appearance);
    menu.items.push_back(header(d.custom.empty() ? QStringLiteral("No layouts for %1 yet").arg(d.screen.name)
                                                 : QStringLiteral("Your layouts on %1").arg(d.screen.name)));
    const bool enabled = !state.paused && state.windowControl;
    for (std::size_t i = 0; i < d.custom.size(); ++i) {
        const SnapLayout& layout = d.custom[i];
        MenuItem item = command(layout.name, MenuCommand::chooseLayoutToSwitch, enabled);
        item.keyLabel = state.takenLayoutKeys.count(i) ? QStringLiteral("In use elsewhere") : layoutKeyLabel(i);
        item.payload = QStringList{d.key, layout.id};
        item.checked = d.activeCustom && std::size_t(*d.activeCustom) == i;
        item.diagram = layout;
        item.toolTip = AppNames::summary(layout.tree, layout.apps).value_or(QString());
        menu.items.push_back(std::move(item));
    }
    menu.items.push_back(separator());
    MenuItem create = command(QStringLiteral("Create Custom Layout…"), MenuCommand::createCustomLayout);
    create.payload = d.key;
    menu.items.push_back(std::move(create));
    return menu;
}

} // namespace fw
