// Start at Login: writes or removes framewell.desktop in the user's autostart folder, atomically.
#include "app/LoginItem.h"

#include "base/AtomicFile.h"
#include "base/XdgDirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace fw {

namespace {

constexpr qint64 maxEntryBytes = 64 * 1024;

// The program of an Exec value: its first argument, unquoted and unescaped.
QString execProgram(const QString& value)
{
    QString v = value;
    v.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
    v.replace(QStringLiteral("%%"), QStringLiteral("%"));
    if (!v.startsWith(u'"'))
        return v.section(u' ', 0, 0, QString::SectionSkipEmpty);
    QString out;
    for (qsizetype i = 1; i < v.size(); ++i) {
        if (v[i] == u'\\' && i + 1 < v.size()) {
            out += v[++i];
            continue;
        }
        if (v[i] == u'"')
            break;
        out += v[i];
    }
    return out;
}

bool runnable(const QString& program)
{
    if (program.isEmpty())
        return false;
    if (!program.contains(u'/'))
        return !QStandardPaths::findExecutable(program).isEmpty();
    const QFileInfo info(program);
    return info.isFile() && info.isExecutable();
}

// The entry's keys in its [Desktop Entry] group.
std::optional<std::vector<std::pair<QByteArray, QByteArray>>> entryKeys(const QString& path)
{
    const FileRead entry = readRegularFile(path, maxEntryBytes);
    if (!entry.ok())
        return std::nullopt;
    std::vector<std::pair<QByteArray, QByteArray>> keys;
    bool inEntry = false;
    for (const QByteArray& raw : entry.data.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (inEntry && eq > 0)
            keys.emplace_back(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return keys;
}

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
    const auto keys = entryKeys(path());
    if (!keys)
        return false;
    QString exec;
    for (const auto& [key, value] : *keys) {
        if ((key == "Hidden" && value == "true") || (key == "X-GNOME-Autostart-enabled" && value == "false"))
            return false;
        if (key == "Exec")
            exec = QString::fromUtf8(value);
    }
    return runnable(execProgram(exec));
}

QString LoginItem::missingProgram() const
{
    const auto keys = entryKeys(path());
    if (!keys)
        return {};
    for (const auto& [key, value] : *keys) {
        if (key == "Exec") {
            const QString program = execProgram(QString::fromUtf8(value));
            return runnable(program) ? QString() : program;
        }
    }
    return {};
}

QString LoginItem::preferredExecutable(const QString& running)
{
    bool inBuildFolder = false;
    QDir dir = QFileInfo(running).absoluteDir();
    for (int depth = 0; depth < 3 && !inBuildFolder; ++depth) {
        inBuildFolder = dir.exists(QStringLiteral("CMakeCache.txt"));
        if (!dir.cdUp())
            break;
    }
    if (!inBuildFolder)
        return running;
    const QString installed = QStandardPaths::findExecutable(QStringLiteral("framewell"));
    return installed.isEmpty() ? running : installed;
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
