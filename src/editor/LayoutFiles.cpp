// Export and import of layout files: the layouts offered for export, the atomic write, the bounded
// read of a regular file, the hand-over to the layout store and the one-line report of each outcome.
#include "editor/LayoutFiles.h"

#include "base/AtomicFile.h"
#include "layout/LayoutArchive.h"
#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"

#include <QFileInfo>

#include <algorithm>

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

// What is wrong with a file that does not parse, in a user's words.
QString jsonFault(const QByteArray& data, const QJsonParseError& error)
{
    qsizetype end = data.size();
    while (end > 0 && QChar::isSpace(uchar(data[end - 1])))
        --end;
    if (end == 0)
        return QStringLiteral("it is empty");
    switch (error.error) {
    case QJsonParseError::UnterminatedObject:
    case QJsonParseError::UnterminatedArray:
    case QJsonParseError::UnterminatedString:
        return QStringLiteral("it is cut short");
    case QJsonParseError::IllegalUTF8String:
        return QStringLiteral("it holds bytes that aren’t text");
    case QJsonParseError::DeepNesting:
        return QStringLiteral("it is nested too deeply");
    case QJsonParseError::DocumentTooLarge:
        return QStringLiteral("it is too large");
    default:
        break;
    }
    if (error.offset >= end)
        return QStringLiteral("it is cut short");
    const qsizetype line = data.left(std::max(0, error.offset)).count('\n') + 1;
    return QStringLiteral("it is damaged at line %1").arg(line);
}

} // namespace

QString unreadableFileMessage(const QString& fileName, const QByteArray& data, const QJsonParseError& error)
{
    return QStringLiteral("“%1” isn’t a layout file Framewell can read: %2.").arg(fileName, jsonFault(data, error));
}

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
    FileRead file = readRegularFile(path, LayoutArchive::maxBytes);
    const QString name = QFileInfo(path).fileName();
    switch (file.status) {
    case FileRead::Status::ok:
        return std::move(file.data);
    case FileRead::Status::tooLarge:
        return LayoutArchive::tooLargeToImportMessage();
    case FileRead::Status::absent:
    case FileRead::Status::notRegular:
        return regularFileMessage();
    case FileRead::Status::failed:
        break;
    }
    return QStringLiteral("“%1” can’t be read (%2).").arg(name, file.problem);
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
    const QByteArray& data = std::get<QByteArray>(read);
    try {
        layouts = LayoutArchive::decode(data);
    } catch (const LayoutArchive::ArchiveError& error) {
        return failure + error.description();
    } catch (const LayoutArchive::JsonError& error) {
        return failure + unreadableFileMessage(QFileInfo(path).fileName(), data, error.error());
    }
    const auto result = store.importLayouts(layouts, displayKey);
    if (result.refused > 0)
        return failure + LayoutStore::fullMessage(screenName);
    QString report = QStringLiteral("Imported ") + QString::number(result.added) + plural(result.added)
        + QStringLiteral(" for ") + screenName + QStringLiteral(".");
    if (result.skipped > 0)
        report += QStringLiteral(" %1 already present.").arg(result.skipped);
    return report + QStringLiteral(" Choose a Layout to apply one.");
}

} // namespace fw::layoutfiles
