// The program's version and build, the vendor host and its addresses, and the About texts.
#include "onboarding/ProductInfo.h"

#ifndef FRAMEWELL_VERSION
#define FRAMEWELL_VERSION "0"
#endif
#ifndef FRAMEWELL_BUILD
#define FRAMEWELL_BUILD "0"
#endif
#ifndef FRAMEWELL_VENDOR_HOST
#define FRAMEWELL_VENDOR_HOST ""
#endif

namespace fw {

QString productVersion() { return QStringLiteral(FRAMEWELL_VERSION); }

QString productBuildText() { return QStringLiteral(FRAMEWELL_BUILD); }

qint64 productBuild()
{
    bool ok = false;
    const qint64 n = productBuildText().toLongLong(&ok);
    return ok ? n : 0;
}

QString vendorHost() { return QStringLiteral(FRAMEWELL_VENDOR_HOST); }

QUrl vendorAddress(const QString& path, const QString& host)
{
    if (host.isEmpty())
        return {};
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(host);
    url.setPath(path);
    return url;
}

QString productTagline() { return QStringLiteral("Every window in its place."); }

QString makerMotto() { return QStringLiteral("Small tools, made with care."); }

} // namespace fw
