#include "editor/LayoutFiles.h"

#include "base/AtomicFile.h"
#include "layout/LayoutArchive.h"
#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fw::layoutfiles {

namespace {

QString plural(int count) { return count == 1 ? QStringLiteral(" layout") : QStringLiteral(" layouts"); }

bool isUnchangedBuiltIn(const SnapLayout& layout)
{
    const auto& builtIns = SnapLayout::builtIns();
    return std::any_of(builtIns.begin(), builtIns.end(), [&](const SnapLayout& b) {
        return b.id == layout.id && b.tree == layout.tree;
    });
}

bool isRegular(int fd)
{
    struct stat st{};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// Reads up to `limit` bytes; stops early at the end of the file or at an error.
QByteArray readAtMost(int fd, qsizetype limit)
{
    QByteArray data(limit, Qt::Uninitialized);
    qsizetype got = 0;
    while (got < limit) {
        const ssize_t n = ::read(fd, data.data() + got, size_t(limit - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += n;
    }
    data.truncate(got);
    return data;
}

} // namespace

std::vector<ExportChoice> exportChoices(const LayoutStore& store, const QString& displayKey,
                                        const std::optional<SnapLayout>& current)
{
    std::vector<ExportChoice> choices;
    const auto custom = store.customLayouts(displayKey);
    if (!custom.empty())
        choices.push_back({QStringLiteral("All saved custom layouts (%1)").arg(custom.size()), custom});
    if (current)
        choices.push_back({QStringLiteral("Current composition — ") + current->name, {*current}});
    for (const SnapLayout& layout : store.menuLayouts(displayKey, current)) {
        const bool plain = layout.id.startsWith(QLatin1String("user-")) || isUnchangedBuiltIn(layout);
        choices.push_back({plain ? layout.name : QStringLiteral("Adjusted: ") + layout.name, {layout}});
    }
    return choices;
}

QString defaultFileName() { return QStringLiteral("Framewell Layouts.framewell.json"); }

QString exportMessage(const QString& screenName)
{
    return QStringLiteral("Choose layouts from ") + screenName + QStringLiteral(" to use on another computer.");
}

QString importMessage(const QString& screenName)
{
    return QStringLiteral("Add layouts to ") + screenName
        + QStringLiteral(". Existing layouts and window positions will be kept.");
}

QString regularFileMessage() { return QStringLiteral("Choose a regular Framewell layout file."); }

QString disconnectedMessage()
{
    return QStringLiteral("The target display disconnected. Reopen Import Layouts on the desired display.");
}

QString exportLayouts(const std::vector<SnapLayout>& layouts, const QString& path)
{
    const QString failure = QStringLiteral("Couldn’t export layouts: ");
    QByteArray data;
    try {
        data = LayoutArchive::encode(layouts);
    } catch (const LayoutArchive::ArchiveError& error) {
        return failure + error.description();
    }
    QString error;
    if (!writeFileAtomically(path, data, &error))
        return failure + error;
    const int count = int(layouts.size());
    return QStringLiteral("Exported ") + QString::number(count) + plural(count) + QStringLiteral(" to ")
        + QFileInfo(path).fileName() + QStringLiteral(".");
}

std::variant<QByteArray, QString> readLayoutFile(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    // Asked before opening: opening some devices has effects of its own.
    struct stat st{};
    if (path.isEmpty() || ::stat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return regularFileMessage();
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return qt_error_string(errno);
    if (!isRegular(fd)) {
        ::close(fd);
        return regularFileMessage();
    }
    QByteArray data = readAtMost(fd, LayoutArchive::maxBytes + 1);
    ::close(fd); // nothing was written: an error here changes nothing
    return data;
}

QString importLayouts(LayoutStore& store, const std::vector<ScreenInfo>& screens, const QString& displayKey,
                      const QString& screenName, const QString& path)
{
    const QString failure = QStringLiteral("Couldn’t import layouts: ");
    const bool connected = std::any_of(screens.begin(), screens.end(),
                                       [&](const ScreenInfo& s) { return fw::displayKey(s) == displayKey; });
    if (!connected)
        return failure + disconnectedMessage();
    auto read = readLayoutFile(path);
    if (const QString* error = std::get_if<QString>(&read))
        return failure + *error;
    std::vector<SnapLayout> layouts;
    try {
        layouts = LayoutArchive::decode(std::get<QByteArray>(read));
    } catch (const LayoutArchive::ArchiveError& error) {
        return failure + error.description();
    } catch (const LayoutArchive::JsonError& error) {
        return failure + error.description();
    }
    const auto result = store.importLayouts(layouts, displayKey);
    QString report = QStringLiteral("Imported ") + QString::number(result.added) + plural(result.added)
        + QStringLiteral(" for ") + screenName + QStringLiteral(".");
    if (result.skipped > 0)
        report += QStringLiteral(" %1 already present.").arg(result.skipped);
    return report + QStringLiteral(" Choose a Layout to apply one.");
}

} // namespace fw::layoutfiles
