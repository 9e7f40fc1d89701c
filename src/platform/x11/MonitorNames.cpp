// Display names from EDIDs and connectors: the maker table, the EDID descriptors, twins.
#include "platform/x11/MonitorNames.h"

#include "base/AtomicFile.h"

#include <QHash>
#include <QMap>

#include <cmath>
#include <cstring>

namespace fw {

namespace {

// The names people know makers by; pnp.ids often gives the company's legal name instead
// ("GSM" is "Goldstar Company Ltd" there, "LG" everywhere else).
const QHash<QString, QString>& knownMakers()
{
    static const QHash<QString, QString> makers{
        {u"ACR"_qs, u"Acer"_qs},       {u"ACI"_qs, u"ASUS"_qs},      {u"AUS"_qs, u"ASUS"_qs},
        {u"AOC"_qs, u"AOC"_qs},        {u"APP"_qs, u"Apple"_qs},     {u"AUO"_qs, u"AU Optronics"_qs},
        {u"BNQ"_qs, u"BenQ"_qs},       {u"BOE"_qs, u"BOE"_qs},       {u"CMN"_qs, u"Innolux"_qs},
        {u"DEL"_qs, u"Dell"_qs},       {u"ENC"_qs, u"EIZO"_qs},      {u"FUS"_qs, u"Fujitsu"_qs},
        {u"GBT"_qs, u"Gigabyte"_qs},   {u"GSM"_qs, u"LG"_qs},        {u"HPN"_qs, u"HP"_qs},
        {u"HWP"_qs, u"HP"_qs},         {u"HSD"_qs, u"HannStar"_qs},  {u"IVM"_qs, u"iiyama"_qs},
        {u"IVO"_qs, u"InfoVision"_qs}, {u"LEN"_qs, u"Lenovo"_qs},    {u"LGD"_qs, u"LG Display"_qs},
        {u"MEI"_qs, u"Panasonic"_qs},  {u"MSI"_qs, u"MSI"_qs},       {u"NEC"_qs, u"NEC"_qs},
        {u"PHL"_qs, u"Philips"_qs},    {u"SAM"_qs, u"Samsung"_qs},   {u"SDC"_qs, u"Samsung Display"_qs},
        {u"SHP"_qs, u"Sharp"_qs},      {u"SNY"_qs, u"Sony"_qs},      {u"TSB"_qs, u"Toshiba"_qs},
        {u"VIZ"_qs, u"Vizio"_qs},      {u"VSC"_qs, u"ViewSonic"_qs}, {u"XMI"_qs, u"Xiaomi"_qs},
    };
    return makers;
}

// The system's PNP table (hwdata's pnp.ids, "DEL\tDell Inc." per line), read once.
const QHash<QString, QString>& systemMakers()
{
    static const QHash<QString, QString> makers = [] {
        QHash<QString, QString> out;
        for (const char* path : {"/usr/share/hwdata/pnp.ids", "/usr/share/misc/pnp.ids"}) {
            const FileRead file = readRegularFile(QString::fromLatin1(path), 2 * 1024 * 1024);
            if (!file.ok())
                continue;
            for (const QByteArray& line : file.data.split('\n')) {
                const qsizetype tab = line.indexOf('\t');
                if (tab == 3)
                    out.insert(QString::fromLatin1(line.left(3)), QString::fromUtf8(line.mid(4)).trimmed());
            }
            break;
        }
        return out;
    }();
    return makers;
}

// The monitor-name descriptor's text (tag 0xFC), trimmed; empty when there is none.
QString descriptorName(const QByteArray& edid)
{
    for (int offset : {54, 72, 90, 108}) {
        const auto* d = reinterpret_cast<const unsigned char*>(edid.constData()) + offset;
        if (d[0] != 0 || d[1] != 0 || d[2] != 0 || d[3] != 0xfc)
            continue;
        QByteArray text(reinterpret_cast<const char*>(d + 5), 13);
        if (const qsizetype end = text.indexOf('\n'); end >= 0)
            text.truncate(end);
        return QString::fromLatin1(text).trimmed();
    }
    return {};
}

bool isEdid(const QByteArray& edid)
{
    static const char header[] = {0, char(0xff), char(0xff), char(0xff), char(0xff), char(0xff), char(0xff), 0};
    return edid.size() >= 128 && std::memcmp(edid.constData(), header, 8) == 0;
}

// The generic names virtual servers give their one output say nothing of a monitor.
bool saysNothing(const QString& connector)
{
    return connector.isEmpty() || connector == u"screen"_qs || connector == u"default"_qs;
}

} // namespace

QString monitorMaker(const QString& pnpCode)
{
    if (const auto it = knownMakers().find(pnpCode); it != knownMakers().end())
        return it.value();
    if (const auto it = systemMakers().find(pnpCode); it != systemMakers().end() && !it.value().isEmpty())
        return it.value();
    return pnpCode;
}

QString monitorNameFromEdid(const QByteArray& edid)
{
    if (!isEdid(edid))
        return {};
    const auto* e = reinterpret_cast<const unsigned char*>(edid.constData());
    const unsigned code = (unsigned(e[8]) << 8) | e[9];
    QString pnp;
    for (int shift : {10, 5, 0}) {
        const unsigned letter = (code >> shift) & 0x1f;
        if (letter < 1 || letter > 26)
            return {};
        pnp += QChar(char16_t(u'A' + letter - 1));
    }
    const QString maker = monitorMaker(pnp);
    QString model = descriptorName(edid);
    const qsizetype space = model.indexOf(u' ');
    const QString first = space < 0 ? model : model.left(space);
    if (first.compare(maker, Qt::CaseInsensitive) == 0 || first.compare(pnp, Qt::CaseInsensitive) == 0)
        model = space < 0 ? QString() : model.mid(space + 1).trimmed();
    if (model.isEmpty() && e[21] > 0 && e[22] > 0) {
        const double inches = std::hypot(double(e[21]), double(e[22])) / 2.54;
        model = QString::number(std::lround(inches)) + u'″';
    }
    return model.isEmpty() ? maker : maker + u' ' + model;
}

std::vector<QString> monitorNames(const std::vector<MonitorIdentity>& displays)
{
    std::vector<QString> names;
    QMap<QString, int> count;
    for (std::size_t i = 0; i < displays.size(); ++i) {
        QString name = monitorNameFromEdid(displays[i].edid);
        if (name.isEmpty())
            name = saysNothing(displays[i].connector) ? QStringLiteral("Display %1").arg(i + 1) : displays[i].connector;
        ++count[name];
        names.push_back(name);
    }
    // Twins: each numbered by its place among them.
    QMap<QString, int> seen;
    for (QString& name : names) {
        if (count.value(name) > 1)
            name += QStringLiteral(" (%1)").arg(++seen[name]);
    }
    return names;
}

} // namespace fw
