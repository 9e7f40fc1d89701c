// One-time tips: each shown once per user, recorded in the "tipsShown.v1" user default.
#include "onboarding/Tips.h"

#include <QJsonArray>

#include <algorithm>
#include <set>

namespace fw {

QString rawValue(Tip tip)
{
    switch (tip) {
    case Tip::badge:
        return QStringLiteral("badge");
    case Tip::dropMenu:
        return QStringLiteral("dropMenu");
    case Tip::switcher:
        return QStringLiteral("switcher");
    case Tip::span:
        return QStringLiteral("span");
    case Tip::ownLayouts:
        return QStringLiteral("ownLayouts");
    }
    return {};
}

std::optional<Tip> tipFromRawValue(const QString& raw)
{
    for (Tip t : allTips)
        if (rawValue(t) == raw)
            return t;
    return std::nullopt;
}

QString tipText(Tip tip, bool badgesOnEdge, const CommandShortcuts* shortcuts)
{
    switch (tip) {
    case Tip::badge:
        if (!badgesOnEdge)
            return QStringLiteral("This window has others stacked behind it. Their icons show in the badge in its "
                                  "title bar; move closer and click one to bring it forward.");
        return QStringLiteral("This window has others stacked behind it. Their icons show in the badge on its "
                              "left edge (in its title bar when Badges on Window Edge is off); move closer and "
                              "click one to bring it forward.");
    case Tip::dropMenu:
        return QStringLiteral("Drag onto a tile to choose what happens: add to the stack, take a half, rejoin a "
                              "split, or swap. Release anywhere else to leave the window where it is.");
    case Tip::switcher: {
        const QString key = shortcutLabel(shortcuts, kStackCommand);
        return QStringLiteral("Scroll to flip through the stack without closing it. From the keyboard, ")
            + (key.isEmpty() ? QString() : key + QStringLiteral(" opens it and ")) + QStringLiteral("1–9 pick a card.");
    }
    case Tip::span: {
        const QString key = shortcutLabel(shortcuts, kSendToBackCommand);
        return QStringLiteral("This window spans regions; the windows it covers are stacked behind it.")
            + (key.isEmpty() ? QString() : u' ' + key + QStringLiteral(" sends it to the back."));
    }
    case Tip::ownLayouts: {
        const QString keys = layoutKeysLabel(shortcuts);
        return QStringLiteral("Make this arrangement yours: Choose a Layout → Create Custom Layout… lets you pick "
                              "the apps for each spot, and ")
            + (keys.isEmpty() ? QStringLiteral("Switch Layout switches") : keys + QStringLiteral(" switch"))
            + QStringLiteral(" between your layouts.");
    }
    }
    return {};
}

namespace {

// The stored array when it holds text only; empty otherwise.
std::vector<QString> shownRecord(const UserDefaults& defaults)
{
    const auto value = defaults.value(tipsShownKey);
    if (!value || !value->isArray())
        return {};
    std::vector<QString> out;
    for (const QJsonValue& v : value->toArray()) {
        if (!v.isString())
            return {};
        out.push_back(v.toString());
    }
    return out;
}

// Byte-wise order of the UTF-8 texts.
struct Utf8Less {
    bool operator()(const QString& a, const QString& b) const { return a.toUtf8() < b.toUtf8(); }
};

} // namespace

std::optional<QString> textIfUnseen(Tip tip, UserDefaults& defaults, bool badgesOnEdge,
                                    const CommandShortcuts* shortcuts)
{
    const auto record = shownRecord(defaults);
    std::set<QString, Utf8Less> shown(record.begin(), record.end());
    if (!shown.insert(rawValue(tip)).second)
        return std::nullopt;
    QJsonArray sorted;
    for (const QString& v : shown)
        sorted.append(v);
    defaults.setValue(tipsShownKey, sorted);
    return tipText(tip, badgesOnEdge, shortcuts);
}

void TipPresenter::showTip(Tip tip)
{
    // Without a place to show it, the tip is not spent either.
    if ((paused && paused()) || !showNotice)
        return;
    if (const auto text = textIfUnseen(tip, defaults_, !badgesOnEdge || badgesOnEdge()))
        showNotice(notice(*text), noticeSeconds);
}

QString TipPresenter::notice(const QString& text) { return QStringLiteral("Tip · ") + text; }

} // namespace fw
