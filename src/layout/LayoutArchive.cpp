// Encoding and strict decoding of layout files, with the bounds on names and sizes and the merge of
// imported layouts.
#include "layout/LayoutArchive.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextBoundaryFinder>
#include <QUuid>

#include <cmath>

namespace fw {

namespace {

// The user-facing messages, character for character.
const char* const kCountToExport = "Choose between 1 and 128 layouts to export.";
const char* const kInvalidRegionsToExport = "A layout has invalid regions.";
const char* const kBadName = "Layout names must be 1\u201360 characters without control characters.";
const char* const kTooLargeToExport = "This layout file is too large.";
const char* const kTooLargeToImport = "Layout files must be no larger than 1 MB.";
const char* const kNotALayoutFile = "This is not a Framewell layout file.";
const char* const kUnsupportedVersion =
    "This layout file uses an unsupported version. Try a newer version of Framewell.";
const char* const kLayoutCount = "A layout file must contain between 1 and 128 layouts.";
const char* const kMissingName = "A layout is missing its name.";
const char* const kBadNesting = "A layout tree is invalid or too deeply nested.";
const char* const kBadSplit = "Splits must specify columns or rows and a ratio between 0.08 and 0.92.";
const char* const kBadRegion = "Regions must have unique integer numbers from 0 to 15.";
const char* const kInvalidTree = "A layout contains duplicate or invalid regions.";

[[noreturn]] void refuse(const char* message)
{
    throw LayoutArchive::ArchiveError(QString::fromUtf8(message));
}

// A JSON number that is finite; Booleans and strings of digits do not count.
std::optional<double> number(const QJsonValue& v)
{
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (!std::isfinite(d))
        return std::nullopt;
    return d;
}

const QString kFormat = QStringLiteral("format");
const QString kVersion = QStringLiteral("version");
const QString kLayouts = QStringLiteral("layouts");
const QString kName = QStringLiteral("name");
const QString kTree = QStringLiteral("tree");
const QString kRegion = QStringLiteral("region");
const QString kAxis = QStringLiteral("axis");
const QString kRatio = QStringLiteral("ratio");
const QString kFirst = QStringLiteral("first");
const QString kSecond = QStringLiteral("second");
const QString kColumns = QStringLiteral("columns");
const QString kRows = QStringLiteral("rows");

} // namespace

LayoutArchive::ArchiveError::ArchiveError(QString message)
    : message_(std::move(message)), utf8_(message_.toStdString())
{
}

LayoutArchive::JsonError::JsonError(QJsonParseError error)
    : error_(error), utf8_(error.errorString().toStdString())
{
}

// --- Text rules ---

qsizetype LayoutArchive::characterCount(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

QString LayoutArchive::leadingCharacters(const QString& text, qsizetype count)
{
    if (count <= 0)
        return {};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype next = finder.toNextBoundary();
        if (next == -1)
            return text;
        end = next;
    }
    return text.left(end);
}

bool LayoutArchive::containsControlCharacter(const QString& text)
{
    for (const char32_t c : text.toUcs4()) {
        const QChar::Category category = QChar::category(c);
        if (category == QChar::Other_Control || category == QChar::Other_Format)
            return true;
    }
    return false;
}

bool LayoutArchive::fitsNameBounds(const QString& text)
{
    // The encoded length first, stopping as soon as it is over: every UTF-16 unit takes at
    // least one UTF-8 byte, so the character walk below never sees more than maxNameBytes
    // units.
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (u < 0x80) {
            bytes += 1;
        } else if (u < 0x800) {
            bytes += 2;
        } else if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            bytes += 4;
            ++i;
        } else {
            bytes += 3;
        }
        if (bytes > maxNameBytes)
            return false;
    }

    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    int characters = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; start = end, end = finder.toNextBoundary()) {
        if (++characters > maxNameLength)
            return false;
        int codePoints = 0;
        for (qsizetype i = start; i < end; ++i)
            codePoints += text.at(i).isLowSurrogate() && i > start && text.at(i - 1).isHighSurrogate() ? 0 : 1;
        if (codePoints > maxCodePointsPerCharacter)
            return false;
    }
    return true;
}

QString LayoutArchive::isValidName(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty() || !fitsNameBounds(trimmed) || containsControlCharacter(trimmed))
        refuse(kBadName);
    return trimmed;
}

// --- Export ---

QJsonObject LayoutArchive::node(const RegionTree& tree)
{
    if (tree.isLeaf())
        return QJsonObject{{kRegion, QJsonValue(qint64(tree.region()))}};
    return QJsonObject{
        {kAxis, tree.axis() == SplitAxis::horizontal ? kColumns : kRows},
        {kRatio, tree.ratio()},
        {kFirst, node(tree.first())},
        {kSecond, node(tree.second())},
    };
}

QByteArray LayoutArchive::encode(const std::vector<SnapLayout>& layouts)
{
    if (layouts.empty() || layouts.size() > size_t(maxLayouts))
        refuse(kCountToExport);
    QJsonArray entries;
    for (const SnapLayout& layout : layouts) {
        if (!layout.tree.isValid())
            refuse(kInvalidRegionsToExport);
        const QString name = isValidName(layout.name);
        entries.append(QJsonObject{{kName, name}, {kTree, node(layout.tree)}});
    }
    const QJsonObject document{
        {kFormat, formatIdentifier()},
        {kVersion, 1},
        {kLayouts, entries},
    };
    // QJsonObject keeps its keys sorted, so the output is key-sorted.
    QByteArray bytes = QJsonDocument(document).toJson(QJsonDocument::Indented);
    if (bytes.size() > maxBytes)
        refuse(kTooLargeToExport);
    return bytes;
}

// --- Import ---

QString LayoutArchive::tooLargeToImportMessage() { return QString::fromUtf8(kTooLargeToImport); }

std::vector<SnapLayout> LayoutArchive::decode(const QByteArray& data)
{
    if (data.size() > maxBytes)
        refuse(kTooLargeToImport);

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        throw JsonError(parseError);

    if (!document.isObject())
        refuse(kNotALayoutFile);
    const QJsonObject top = document.object();
    const QJsonValue format = top.value(kFormat);
    if (!format.isString() || format.toString() != formatIdentifier())
        refuse(kNotALayoutFile);

    const auto version = number(top.value(kVersion));
    if (!version || *version != 1.0)
        refuse(kUnsupportedVersion);

    const QJsonValue layoutsValue = top.value(kLayouts);
    if (!layoutsValue.isArray())
        refuse(kLayoutCount);
    const QJsonArray entries = layoutsValue.toArray();
    if (entries.isEmpty() || entries.size() > maxLayouts)
        refuse(kLayoutCount);
    for (const QJsonValue& entry : entries) {
        if (!entry.isObject())
            refuse(kLayoutCount);
    }

    std::vector<SnapLayout> layouts;
    layouts.reserve(size_t(entries.size()));
    for (const QJsonValue& entry : entries)
        layouts.push_back(layout(entry.toObject()));
    return layouts;
}

SnapLayout LayoutArchive::layout(const QJsonObject& object)
{
    const QJsonValue nameValue = object.value(kName);
    if (!nameValue.isString())
        refuse(kMissingName);
    const QString name = isValidName(nameValue.toString());

    int count = 0;
    RegionTree parsed = tree(object.value(kTree), 0, count);
    if (!parsed.isValid())
        refuse(kInvalidTree);

    return SnapLayout{importedId(name, parsed), name, std::move(parsed), std::nullopt};
}

RegionTree LayoutArchive::tree(const QJsonValue& value, int depth, int& count)
{
    ++count;
    if (depth > maxDepth || count > maxNodes)
        refuse(kBadNesting);
    if (!value.isObject())
        refuse(kBadNesting);
    const QJsonObject object = value.toObject();

    if (object.contains(kRegion)) {
        const auto region = number(object.value(kRegion));
        if (!region || std::floor(*region) != *region || *region < 0 || *region > 15)
            refuse(kBadRegion);
        if (object.contains(kAxis) || object.contains(kRatio) || object.contains(kFirst)
            || object.contains(kSecond))
            refuse(kBadRegion);
        return RegionTree::leaf(RegionNumber(*region));
    }

    if (object.isEmpty())
        refuse(kBadSplit);
    const QJsonValue axisValue = object.value(kAxis);
    if (!axisValue.isString())
        refuse(kBadSplit);
    const QString axisText = axisValue.toString();
    if (axisText != kColumns && axisText != kRows)
        refuse(kBadSplit);
    const auto ratio = number(object.value(kRatio));
    if (!ratio || *ratio < 0.08 || *ratio > 0.92)
        refuse(kBadSplit);

    RegionTree first = tree(object.value(kFirst), depth + 1, count);
    RegionTree second = tree(object.value(kSecond), depth + 1, count);
    return RegionTree::split(axisText == kColumns ? SplitAxis::horizontal : SplitAxis::vertical, *ratio,
                             std::move(first), std::move(second));
}

QString LayoutArchive::importedId(const QString& trimmedName, const RegionTree& tree)
{
    const QJsonObject canonical{{kName, trimmedName}, {kTree, node(tree)}};
    const QByteArray bytes = QJsonDocument(canonical).toJson(QJsonDocument::Compact);
    const QByteArray digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    return QStringLiteral("user-import-") + QString::fromLatin1(digest.toHex());
}

// --- Merge ---

LayoutArchive::MergeResult LayoutArchive::merge(const std::vector<SnapLayout>& imported,
                                                const std::vector<SnapLayout>& existing)
{
    MergeResult result;
    result.layouts = existing;
    auto& list = result.layouts;

    for (const SnapLayout& incoming : imported) {
        const bool duplicate = std::any_of(list.begin(), list.end(), [&](const SnapLayout& l) {
            return (l.id == incoming.id || l.name == incoming.name) && l.tree == incoming.tree;
        });
        if (duplicate) {
            ++result.skipped;
            continue;
        }

        const auto nameTaken = [&](const QString& candidate) {
            return std::any_of(list.begin(), list.end(), [&](const SnapLayout& l) {
                return l.name.compare(candidate, Qt::CaseInsensitive) == 0;
            });
        };
        QString name = incoming.name;
        for (int clash = 1; nameTaken(name); ++clash) {
            const QString suffix = clash == 1 ? QStringLiteral(" (imported)")
                                              : QStringLiteral(" (imported %1)").arg(clash);
            name = leadingCharacters(incoming.name, maxNameLength - suffix.size()) + suffix;
        }

        QString id = incoming.id;
        if (std::any_of(list.begin(), list.end(), [&](const SnapLayout& l) { return l.id == id; }))
            id = QStringLiteral("user-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();

        list.push_back(SnapLayout{id, name, incoming.tree, std::nullopt});
        ++result.added;
    }
    return result;
}

} // namespace fw
