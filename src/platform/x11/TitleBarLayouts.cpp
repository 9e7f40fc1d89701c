// Title-bar button layouts of the window managers we meet, read from their settings. Every
// item of a layout takes one place at its end of the title bar; the side of the window's
// buttons is the side with more of close, minimize and maximize (on a tie, the side of close).
#include "platform/x11/TitleBarLayouts.h"

#include <QFile>
#include <QStandardPaths>
#include <QStringList>
#include <QXmlStreamReader>

namespace fw::titlebar {

namespace {

constexpr qint64 kMaxSettingsFile = 1 << 20;

// One end of a title bar: how many items, how many of them window buttons, whether close.
struct End {
    int items = 0, buttons = 0;
    bool close = false;
};

TitleBarButtons fromEnds(const End& left, const End& right)
{
    const bool buttonsLeft = left.buttons > right.buttons || (left.buttons == right.buttons && left.close && !right.close);
    return {left.items, right.items, buttonsLeft};
}

// Letters of xfwm4's and openbox's layouts: `title` divides, `known` are items, `window`
// among them the window's buttons, `close` the close button.
TitleBarButtons fromLetters(const QString& layout, QChar title, const QString& known, const QString& window, QChar close)
{
    End ends[2];
    int side = 0;
    for (const QChar c : layout) {
        if (c == title) {
            side = 1;
            continue;
        }
        if (!known.contains(c))
            continue;
        ends[side].items += 1;
        ends[side].buttons += window.contains(c) ? 1 : 0;
        ends[side].close = ends[side].close || c == close;
    }
    return fromEnds(ends[0], ends[1]);
}

std::optional<QByteArray> readBounded(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || file.size() > kMaxSettingsFile || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.read(kMaxSettingsFile);
}

std::optional<QString> fromFile(const QString& relative, std::optional<QString> (*parse)(const QByteArray&))
{
    const auto data = readBounded(QStandardPaths::locate(QStandardPaths::GenericConfigLocation, relative));
    return data ? parse(*data) : std::nullopt;
}

bool named(const QString& windowManager, const char* name)
{
    return windowManager.contains(QLatin1String(name), Qt::CaseInsensitive);
}

} // namespace

TitleBarButtons fromGnome(const QString& layout)
{
    const QStringList halves = layout.split(QLatin1Char(':'));
    End ends[2];
    for (int side = 0; side < 2 && side < halves.size(); ++side) {
        for (const QString& raw : halves[side].split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString item = raw.trimmed();
            if (item.isEmpty())
                continue;
            ends[side].items += 1;
            const bool button = item == u"close" || item == u"minimize" || item == u"maximize";
            ends[side].buttons += button ? 1 : 0;
            ends[side].close = ends[side].close || item == u"close";
        }
    }
    return fromEnds(ends[0], ends[1]);
}

TitleBarButtons fromXfwm(const QString& layout)
{
    return fromLetters(layout, QLatin1Char('|'), QStringLiteral("OHMCST"), QStringLiteral("HMC"), QLatin1Char('C'));
}

TitleBarButtons fromOpenbox(const QString& layout)
{
    return fromLetters(layout.toUpper(), QLatin1Char('L'), QStringLiteral("NIMCSD"), QStringLiteral("IMC"),
                       QLatin1Char('C'));
}

std::optional<QString> xfwmLayout(const QByteArray& channelXml)
{
    QXmlStreamReader xml(channelXml);
    while (!xml.atEnd() && !xml.hasError()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"property"
            && xml.attributes().value(QStringLiteral("name")) == u"button_layout")
            return xml.attributes().value(QStringLiteral("value")).toString();
    }
    return std::nullopt;
}

std::optional<QString> openboxLayout(const QByteArray& rcXml)
{
    QXmlStreamReader xml(rcXml);
    while (!xml.atEnd() && !xml.hasError()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"titleLayout")
            return xml.readElementText().trimmed();
    }
    return std::nullopt;
}

TitleBarButtons defaultFor(const QString& windowManager)
{
    // Every window manager here draws the window's buttons at the right end by default: the
    // menu or icon alone at the left (openbox "NLIMC", xfwm4 "O|SHMC", metacity
    // "menu:minimize,maximize,close", fluxbox Stick and Minimize Maximize Close; icewm's
    // default theme draws five at the right: rollup, hide, minimize, maximize, close); GNOME's
    // own default is "appmenu:close".
    if (named(windowManager, "gnome shell") || named(windowManager, "mutter"))
        return fromGnome(QStringLiteral("appmenu:close"));
    if (named(windowManager, "xfwm"))
        return fromXfwm(QStringLiteral("O|SHMC"));
    if (named(windowManager, "icewm"))
        return {1, 5, false};
    return {1, 3, false};
}

namespace {

// The layout the window manager's settings state, else its default.
TitleBarButtons stated(const QString& windowManager, const std::function<std::optional<QString>()>& gnomeLayout)
{
    std::optional<QString> layout;
    if (named(windowManager, "openbox"))
        layout = fromFile(QStringLiteral("openbox/rc.xml"), openboxLayout);
    else if (named(windowManager, "xfwm"))
        layout = fromFile(QStringLiteral("xfce4/xfconf/xfce-perchannel-xml/xfwm4.xml"), xfwmLayout);
    else if ((named(windowManager, "metacity") || named(windowManager, "mutter") || named(windowManager, "gnome shell"))
             && gnomeLayout)
        layout = gnomeLayout();
    if (layout && !layout->trimmed().isEmpty()) {
        if (named(windowManager, "openbox"))
            return fromOpenbox(*layout);
        if (named(windowManager, "xfwm"))
            return fromXfwm(*layout);
        return fromGnome(*layout);
    }
    return defaultFor(windowManager);
}

} // namespace

TitleBarButtons read(const QString& windowManager, const std::function<std::optional<QString>()>& gnomeLayout)
{
    TitleBarButtons out = stated(windowManager, gnomeLayout);
    out.titleCentred = named(windowManager, "openbox") || named(windowManager, "xfwm") ||
                       named(windowManager, "metacity") || named(windowManager, "mutter") ||
                       named(windowManager, "gnome shell");
    return out;
}

} // namespace fw::titlebar
