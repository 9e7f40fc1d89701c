// Icon-theme lookups of our own: index.theme files and icon files read as bounded regular files,
// the theme's folders learnt once per run, and Qt's icon loader kept to the built-in icons.
#include "overlay/ThemeIcons.h"

#include "base/AtomicFile.h"
#include "base/Log.h"
#include "base/XdgDirs.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

namespace fw {

namespace {

constexpr qint64 maxIndexBytes = 256 * 1024;
constexpr int maxParents = 8;       // themes followed through Inherits
constexpr int maxFilesPerIcon = 6;  // sizes of one icon read
constexpr int scalableSide = 128;   // a scalable icon is drawn at this side

// A folder of a theme that exists on disk, with the size its icons have.
struct IconFolder {
    QString path;
    int size = 0;
    bool scalable = false;
};

struct Theme {
    QStringList parents;
    std::vector<IconFolder> folders;
};

std::map<QString, Theme>& themes()
{
    static std::map<QString, Theme> learnt;
    return learnt;
}

// Names no theme has: a drawing asks for them again and again, each time a walk of the folders.
std::set<QString>& missing()
{
    static std::set<QString> names;
    return names;
}

using Sections = std::map<QString, std::map<QString, QString>>;

// Says why a file of a theme was not read, once per file for the run: an icon that is not
// found is looked up again at every drawing.
void logRefusal(const char* what, const QString& path, const QString& problem)
{
    static std::set<QString> told;
    if (told.size() < 256 && told.insert(path).second)
        log::error(LogCategory::App, "%{public}s %{public}s not read: %{public}s", QString::fromLatin1(what), path, problem);
}

Sections parseIndex(const QByteArray& data)
{
    Sections sections;
    QString section;
    for (const QByteArray& raw : data.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']'))
            section = line.mid(1, line.size() - 2);
        else if (const qsizetype eq = line.indexOf(u'='); eq > 0 && !line.startsWith(u'#'))
            sections[section][line.left(eq).trimmed()] = line.mid(eq + 1).trimmed();
    }
    return sections;
}

// The first index.theme of the theme in the base folders that is a readable file; one that is
// not (a FIFO, a device, too large) is passed over and logged.
std::optional<Sections> readIndex(const QString& name)
{
    for (const QString& base : ThemeIcons::baseDirectories()) {
        const QString path = base + u'/' + name + QStringLiteral("/index.theme");
        const FileRead index = readRegularFile(path, maxIndexBytes);
        if (index.ok())
            return parseIndex(index.data);
        if (!index.absent())
            logRefusal("Icon theme index", path, index.problem);
    }
    return std::nullopt;
}

const Theme& theme(const QString& name)
{
    auto& learnt = themes();
    if (auto it = learnt.find(name); it != learnt.end())
        return it->second;
    Theme t;
    if (const auto index = readIndex(name)) {
        const auto head = index->find(QStringLiteral("Icon Theme"));
        const auto field = [&](const QString& key) {
            return head == index->end() ? QString() : head->second.count(key) ? head->second.at(key) : QString();
        };
        t.parents = field(QStringLiteral("Inherits")).split(u',', Qt::SkipEmptyParts);
        for (const QString& dir : field(QStringLiteral("Directories")).split(u',', Qt::SkipEmptyParts)) {
            const auto section = index->find(dir.trimmed());
            const auto get = [&](const char* key) {
                return section == index->end() ? QString() : section->second.count(QLatin1String(key)) ? section->second.at(QLatin1String(key)) : QString();
            };
            if (get("Scale").toInt() > 1)
                continue;
            const int size = get("Size").toInt();
            const bool scalable = get("Type") == u"Scalable"_qs;
            for (const QString& base : ThemeIcons::baseDirectories()) {
                const QString path = base + u'/' + name + u'/' + dir.trimmed();
                if (QFileInfo(path).isDir())
                    t.folders.push_back({path, size, scalable});
            }
        }
    }
    return learnt.emplace(name, std::move(t)).first->second;
}

// The themes looked in, in order: the current one, its parents (breadth first), then hicolor.
QStringList themeChain()
{
    QStringList chain;
    QStringList next{QIcon::themeName()};
    while (!next.isEmpty() && chain.size() < maxParents) {
        const QString name = next.takeFirst().trimmed();
        if (name.isEmpty() || name.contains(u'/') || chain.contains(name))
            continue;
        chain << name;
        next << theme(name).parents;
    }
    chain.removeAll(u"hicolor"_qs);
    chain << u"hicolor"_qs;
    return chain;
}

std::optional<QImage> decode(const QByteArray& data, const QByteArray& format)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAllocationLimit(64);
    if (format == "svg" || format == "svgz") {
        QSize size = reader.size();
        if (size.isValid())
            reader.setScaledSize(size.scaled(scalableSide, scalableSide, Qt::KeepAspectRatio));
    }
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return image;
}

// The icon made of these files, largest first: one of each size, at most maxFilesPerIcon, each
// read with its bound; a file that cannot be read or decoded leaves its size to the next one.
std::optional<QIcon> iconOf(std::vector<IconFolder> files)
{
    std::stable_sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.size > b.size; });
    QIcon icon;
    std::set<int> sizes;
    for (const IconFolder& file : files) {
        if (sizes.size() >= std::size_t(maxFilesPerIcon) || sizes.count(file.size))
            continue;
        const FileRead read = readRegularFile(file.path, ThemeIcons::maxIconBytes);
        if (!read.ok()) {
            logRefusal("Icon", file.path, read.problem);
            continue;
        }
        if (const auto image = decode(read.data, QFileInfo(file.path).suffix().toLower().toLatin1())) {
            icon.addPixmap(QPixmap::fromImage(*image));
            sizes.insert(file.size);
        }
    }
    if (icon.isNull())
        return std::nullopt;
    return icon;
}

} // namespace

QStringList ThemeIcons::baseDirectories()
{
    QStringList bases{homeFolder() + QStringLiteral("/.icons")};
    for (const QString& dir : QStringList{xdgDataHome()} + xdgDataDirs()) {
        if (!bases.contains(QDir::cleanPath(dir + QStringLiteral("/icons"))))
            bases << QDir::cleanPath(dir + QStringLiteral("/icons"));
    }
    return bases;
}

std::optional<QIcon> ThemeIcons::find(const QString& name)
{
    if (name.isEmpty() || name.contains(u'/') || missing().count(name))
        return std::nullopt;
    for (const QString& themeName : themeChain()) {
        // Every file of the icon in this theme; a scalable one counts as the largest.
        std::vector<IconFolder> found;
        for (const IconFolder& folder : theme(themeName).folders) {
            for (const char* ext : {".png", ".svg", ".xpm"}) {
                const QString path = folder.path + u'/' + name + QLatin1String(ext);
                if (QFileInfo::exists(path))
                    found.push_back({path, folder.scalable ? 1 << 20 : folder.size, folder.scalable});
            }
        }
        if (auto icon = iconOf(std::move(found)))
            return icon;
    }
    if (missing().size() < 1024)
        missing().insert(name);
    return std::nullopt;
}

std::optional<QIcon> ThemeIcons::fromFile(const QString& path) { return iconOf({{path, 0, false}}); }

void ThemeIcons::keepQtOffIconThemes()
{
    QIcon::setThemeSearchPaths({QStringLiteral(":/icons")});
    QIcon::setFallbackSearchPaths({});
}

void ThemeIcons::reset()
{
    themes().clear();
    missing().clear();
}

} // namespace fw
