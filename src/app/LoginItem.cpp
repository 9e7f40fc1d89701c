// Start at Login: writes or removes framewell.desktop in the user's autostart folder, atomically.
#include "app/LoginItem.h"

#include "base/AtomicFile.h"
#include "base/XdgDirs.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace fw {

namespace {

constexpr qint64 maxEntryBytes = 64 * 1024;

} // namespace

LoginItem::LoginItem(QString autostartDir, QString executable)
    : dir_(std::move(autostartDir)), executable_(std::move(executable))
{
}

QString LoginItem::defaultDirectory()
{
    return xdgConfigHome() + QStringLiteral("/autostart");
}

QString LoginItem::path() const { return dir_ + u'/' + fileName; }

bool LoginItem::enabled() const
{
    // A FIFO or a device in its place is no entry the desktop starts, and must not be opened
    // to find that out (a FIFO would hold the program until someone writes to it).
    const FileRead entry = readRegularFile(path(), maxEntryBytes);
    if (!entry.ok())
        return false;
    bool inEntry = false;
    for (const QByteArray& raw : entry.data.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry)
            continue;
        const QByteArray compact = QByteArray(line).replace(' ', "");
        if (compact == "Hidden=true" || compact == "X-GNOME-Autostart-enabled=false")
            return false;
    }
    return true;
}

std::optional<QString> LoginItem::setEnabled(bool on)
{
    if (on) {
        if (executable_.contains(u'\n') || executable_.contains(u'\r'))
            return QStringLiteral("The program’s path holds a line break.");
        QString error;
        if (!writeFileAtomically(path(), entryText(executable_), &error))
            return error;
        return std::nullopt;
    }
    QFile file(path());
    if (!file.exists() || file.remove())
        return std::nullopt;
    return file.errorString();
}

QString LoginItem::execArgument(const QString& executable)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9/._+-]+$"));
    QString arg = executable;
    if (!plain.match(arg).hasMatch()) {
        QString quoted = QStringLiteral("\"");
        for (QChar c : arg) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                quoted += u'\\';
            quoted += c;
        }
        arg = quoted + u'"';
    }
    // The value as a desktop entry's string: backslashes doubled; percent signs are field
    // codes unless doubled.
    return arg.replace(u'\\', QStringLiteral("\\\\")).replace(u'%', QStringLiteral("%%"));
}

QByteArray LoginItem::entryText(const QString& executable)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Framewell\n"
                          "Comment=A place for every window\n"
                          "Exec=%1\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execArgument(executable))
        .toUtf8();
}

} // namespace fw
