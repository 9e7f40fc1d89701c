#pragma once
// What the program says about itself: its version and build, the vendor's web host (a
// build-time setting, FRAMEWELL_VENDOR_HOST, empty unless the build names one: then nothing
// goes to the network) and the addresses on it, and the tagline and motto of the About and
// welcome windows.

#include <QString>
#include <QUrl>

namespace fw {

// The project's version, e.g. "1.18.1": the latest release the What's New notes describe.
QString productVersion();
// The build number (FRAMEWELL_BUILD_NUMBER), as text and as a number (0 when it is none).
QString productBuildText();
qint64 productBuild();

// The vendor's web host name, e.g. "corvellan.example"; empty when the build names none.
QString vendorHost();
// The secure web address of a path on a host (the vendor's by default); empty without a host.
QUrl vendorAddress(const QString& path, const QString& host = vendorHost());

// The one-line tagline (About window and welcome headline) and the maker's motto.
QString productTagline();
QString makerMotto();

} // namespace fw
