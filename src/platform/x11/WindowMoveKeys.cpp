// Window managers' move keys from their settings: GNOME's modifier names and KWin's
// configuration file, read bounded and only when it is a regular file.
#include "platform/x11/WindowMoveKeys.h"

#include "base/LibraryFiles.h"

#include <QFile>
#include <QList>
#include <QRegularExpression>
#include <QStandardPaths>

namespace fw::movekey {

namespace {

constexpr qint64 kMaxSettingsFile = 1 << 20;

bool named(const QString& windowManager, const char* name)
{
    return windowManager.contains(QLatin1String(name), Qt::CaseInsensitive);
}

// KWin names its two choices as Qt does, Meta for the Super key, and takes anything but Meta
// for Alt.
Modifiers fromKwinName(const QByteArray& value) { return value.trimmed() == "Meta" ? ModSuper : ModAlt; }

std::optional<QByteArray> readSettingsFile(const QString& path)
{
    QFile file(path);
    if (blocksOnOpen(path) || file.size() > kMaxSettingsFile || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.read(kMaxSettingsFile);
}

} // namespace

Modifiers fromGnome(const QString& modifier)
{
    static const QRegularExpression names(QStringLiteral("<([^<>]*)>"));
    Modifiers out = 0;
    for (const auto& match : names.globalMatch(modifier)) {
        const QString name = match.captured(1).trimmed().toLower();
        if (name == u"super" || name == u"mod4")
            out |= ModSuper;
        else if (name == u"alt" || name == u"meta" || name == u"mod1")
            out |= ModAlt;
        else if (name == u"control" || name == u"ctrl" || name == u"primary")
            out |= ModControl;
        else if (name == u"shift")
            out |= ModShift;
    }
    return out;
}

std::optional<Modifiers> fromKwinrc(const QByteArray& text)
{
    bool inGroup = false;
    std::optional<Modifiers> out;
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inGroup = line == "[MouseBindings]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inGroup || equals < 0)
            continue;
        // A key may carry KConfig's flags ("CommandAllKey[$i]"); the last statement counts.
        QByteArray key = line.left(equals).trimmed();
        if (const qsizetype flags = key.indexOf('['); flags >= 0)
            key.truncate(flags);
        if (key.trimmed() == "CommandAllKey")
            out = fromKwinName(line.mid(equals + 1));
    }
    return out;
}

std::optional<Modifiers> read(const QString& windowManager,
                              const std::function<std::optional<QString>()>& gnomeModifier)
{
    if (named(windowManager, "kwin")) {
        for (const QString& path : QStandardPaths::locateAll(QStandardPaths::GenericConfigLocation, QStringLiteral("kwinrc"))) {
            const auto text = readSettingsFile(path);
            if (const auto stated = text ? fromKwinrc(*text) : std::nullopt)
                return *stated;
        }
        return ModSuper;
    }
    if (named(windowManager, "metacity") || named(windowManager, "mutter") || named(windowManager, "gnome shell")) {
        if (const auto stated = gnomeModifier ? gnomeModifier() : std::nullopt)
            return fromGnome(*stated);
        return ModSuper;
    }
    return std::nullopt;
}

} // namespace fw::movekey
