// The update check's rules: strict decoding of the release feed, the system's os-release, version
// comparison, the outcome of a check and the alert texts for it.
#include "onboarding/UpdateCheck.h"

#include "base/AtomicFile.h"
#include "onboarding/ProductInfo.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace fw {

namespace {

// A decimal whole number with an optional leading sign, within the 64-bit range.
std::optional<qint64> wholeNumber(QStringView text)
{
    if (text.isEmpty())
        return std::nullopt;
    bool negative = false;
    if (text.front() == u'+' || text.front() == u'-') {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    if (text.isEmpty())
        return std::nullopt;
    const quint64 limit = negative ? quint64(1) << 63 : (quint64(1) << 63) - 1;
    quint64 magnitude = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const quint64 digit = c.unicode() - u'0';
        if (magnitude > (limit - digit) / 10)
            return std::nullopt;
        magnitude = magnitude * 10 + digit;
    }
    return negative ? qint64(0 - magnitude) : qint64(magnitude);
}

std::optional<QString> stringField(const QJsonObject& o, const char* key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isString())
        return std::nullopt;
    return v.toString();
}

std::optional<QUrl> webAddress(const QJsonObject& o, const char* key)
{
    const auto text = stringField(o, key);
    if (!text || text->isEmpty())
        return std::nullopt;
    QUrl url(*text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"https" && scheme != u"http") || url.host().isEmpty())
        return std::nullopt;
    return url;
}

std::optional<qint64> wholeField(const QJsonObject& o, const char* key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isDouble())
        return std::nullopt;
    // toInteger gives its fallback for fractions and values out of range: two fallbacks agree
    // only for a whole number.
    const qint64 a = v.toInteger(0), b = v.toInteger(1);
    if (a != b)
        return std::nullopt;
    return a;
}

// One os-release value: quotes removed, backslash escapes resolved.
QString osReleaseValue(QByteArray raw)
{
    raw = raw.trimmed();
    if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front())
        raw = raw.mid(1, raw.size() - 2);
    QByteArray out;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size())
            ++i;
        out += raw[i];
    }
    return QString::fromUtf8(out);
}

} // namespace

std::vector<qint64> UpdateCheck::versionPieces(const QString& version)
{
    std::vector<qint64> out;
    for (QStringView piece : QStringView(version).split(u'.', Qt::SkipEmptyParts))
        out.push_back(wholeNumber(piece).value_or(0));
    return out;
}

bool UpdateCheck::isNewer(const QString& a, const QString& b)
{
    const auto pa = versionPieces(a), pb = versionPieces(b);
    for (std::size_t i = 0; i < std::max(pa.size(), pb.size()); ++i) {
        const qint64 x = i < pa.size() ? pa[i] : 0;
        const qint64 y = i < pb.size() ? pb[i] : 0;
        if (x != y)
            return x > y;
    }
    return false;
}

std::optional<ReleaseInfo> ReleaseInfo::decode(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    const auto version = stringField(o, "version");
    const auto build = wholeField(o, "build");
    const auto minimum = stringField(o, "minimumSystemVersion");
    const auto page = webAddress(o, "page");
    const auto download = webAddress(o, "download");
    const auto notes = webAddress(o, "notes");
    if (!version || !build || !minimum || !page || !download || !notes)
        return std::nullopt;
    return ReleaseInfo{*version, *build, *minimum, *page, *download, *notes};
}

QByteArray ReleaseInfo::encode() const
{
    const QJsonObject o{{QStringLiteral("version"), version},
                        {QStringLiteral("build"), build},
                        {QStringLiteral("minimumSystemVersion"), minimumSystemVersion},
                        {QStringLiteral("page"), page.toString()},
                        {QStringLiteral("download"), download.toString()},
                        {QStringLiteral("notes"), notes.toString()}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QUrl ReleaseInfo::feedURL()
{
    static const QUrl url = vendorAddress(QStringLiteral("/download/framewell.json"));
    return url;
}

SystemRelease SystemRelease::parse(const QByteArray& osRelease)
{
    SystemRelease out;
    for (const QByteArray& line : osRelease.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0 || line.trimmed().startsWith('#'))
            continue;
        const QByteArray key = line.left(eq).trimmed();
        const QString value = osReleaseValue(line.mid(eq + 1));
        if (key == "NAME" && !value.isEmpty())
            out.name = value;
        else if (key == "VERSION_ID" && !value.isEmpty()) {
            auto pieces = UpdateCheck::versionPieces(value);
            pieces.resize(3, 0);
            out.version = QStringLiteral("%1.%2.%3").arg(pieces[0]).arg(pieces[1]).arg(pieces[2]);
        }
    }
    return out;
}

SystemRelease SystemRelease::read(const QStringList& paths)
{
    for (const QString& path : paths) {
        if (const FileRead file = readRegularFile(path, 64 * 1024); file.ok())
            return parse(file.data);
    }
    return {};
}

UpdateCheck::Outcome UpdateCheck::outcome(const std::optional<ReleaseInfo>& release, const QString& installedVersion,
                                          qint64 installedBuild, const std::optional<QString>& systemVersion)
{
    if (!release)
        return Outcome::unreachable();
    if (!isNewer(release->version, installedVersion)) {
        if (release->version != installedVersion || installedBuild >= release->build)
            return Outcome::upToDate(installedVersion);
    }
    if (systemVersion && isNewer(release->minimumSystemVersion, *systemVersion))
        return Outcome::needsNewerSystem(*release, installedVersion);
    return Outcome::available(*release, installedVersion);
}

UpdateCheck::AlertText UpdateCheck::alertText(const Outcome& o, const QString& host, const QString& systemName)
{
    const QString you = QStringLiteral("You have ") + o.installed;
    switch (o.kind) {
    case Outcome::Kind::upToDate:
        return {QStringLiteral("Framewell is up to date"), you + QStringLiteral(", the latest version."),
                {QStringLiteral("OK")}, std::nullopt};
    case Outcome::Kind::available:
        return {QStringLiteral("Framewell ") + o.release->version + QStringLiteral(" is available"),
                you + QStringLiteral(". Download the new version from ") + host
                    + QStringLiteral(", then install it in place of this one."),
                {QStringLiteral("Download"), QStringLiteral("Later")}, o.release->page};
    case Outcome::Kind::needsNewerSystem:
        return {QStringLiteral("Framewell ") + o.release->version + QStringLiteral(" needs ") + systemName + u' '
                    + o.release->minimumSystemVersion,
                you + QStringLiteral(", which is the latest version for this computer."), {QStringLiteral("OK")},
                std::nullopt};
    case Outcome::Kind::noSource:
        return {QStringLiteral("Framewell can’t check for updates"),
                QStringLiteral("This build of Framewell has no update source. Update it the way you installed "
                               "it: through your package manager, or by building a newer version."),
                {QStringLiteral("OK")}, std::nullopt};
    case Outcome::Kind::unreachable:
        break;
    }
    return {QStringLiteral("Couldn’t check for updates"),
            host + QStringLiteral(" couldn’t be reached. Check your internet connection and try again."),
            {QStringLiteral("OK")}, std::nullopt};
}

} // namespace fw
