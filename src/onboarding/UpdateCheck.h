#pragma once
// The update check the user runs from the menu: one GET of the release feed on the vendor's
// host, decoded strictly into a ReleaseInfo, then compared with the installed version and
// build and with the running system's version, giving one Outcome that the shell shows as an
// alert. A build without a vendor host has no feed: the check then asks nothing and says so.
// Nothing is stored between checks. The version comparison is also What's New's.
//
//   UpdateCheck updates(clock);
//   updates.check(productVersion(), productBuild(), [&](const UpdateCheck::Outcome& o) {
//       presentUpdateOutcome(o, vendorHost(), updates.systemName());
//   });

#include "base/Clock.h"
#include "base/TaskScope.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QNetworkAccessManager;

namespace fw {

// The release feed's record. Every key is required; a value of the wrong type, a build that is
// not a whole 64-bit number, or an address that is not an absolute http(s) address fails it.
struct ReleaseInfo {
    QString version;
    qint64 build = 0;
    QString minimumSystemVersion;
    QUrl page;       // opened by the alert's "Download"
    QUrl download;
    QUrl notes;

    static std::optional<ReleaseInfo> decode(const QByteArray& json);
    QByteArray encode() const;
    // https://<vendor host>/download/framewell.json; empty when the build names no host.
    static QUrl feedURL();

    friend bool operator==(const ReleaseInfo&, const ReleaseInfo&) = default;
};

// The running system as /etc/os-release names it: NAME ("Linux" when missing) and VERSION_ID
// as major.minor.patch ("12" → "12.0.0"; none when it has no version, as rolling releases).
struct SystemRelease {
    QString name = QStringLiteral("Linux");
    std::optional<QString> version;

    static SystemRelease parse(const QByteArray& osRelease);
    // /etc/os-release, else /usr/lib/os-release; empty of version when neither is readable.
    static SystemRelease read(const QStringList& paths = {QStringLiteral("/etc/os-release"),
                                                          QStringLiteral("/usr/lib/os-release")});
};

class UpdateCheck {
public:
    struct Outcome {
        enum class Kind { upToDate, available, needsNewerSystem, unreachable, noSource };
        Kind kind = Kind::unreachable;
        std::optional<ReleaseInfo> release;   // with available and needsNewerSystem
        QString installed;                    // all but unreachable

        static Outcome upToDate(QString installed) { return {Kind::upToDate, std::nullopt, std::move(installed)}; }
        static Outcome available(ReleaseInfo r, QString installed) { return {Kind::available, std::move(r), std::move(installed)}; }
        static Outcome needsNewerSystem(ReleaseInfo r, QString installed)
        {
            return {Kind::needsNewerSystem, std::move(r), std::move(installed)};
        }
        static Outcome unreachable() { return {}; }
        // This build names no host to ask.
        static Outcome noSource() { return {Kind::noSource, std::nullopt, {}}; }
        friend bool operator==(const Outcome&, const Outcome&) = default;
    };

    // The alert of an outcome: its message, informative text, buttons (first is the default)
    // and the address the first button opens, when it opens one.
    struct AlertText {
        QString message;
        QString informative;
        QStringList buttons;
        std::optional<QUrl> link;
    };

    struct Options {
        QUrl feedUrl = ReleaseInfo::feedURL();
        Duration timeout = std::chrono::seconds(10);
        qint64 maxBytes = 64 * 1024;   // a longer answer is unreachable, never decoded
        std::function<SystemRelease()> system = [] { return SystemRelease::read(); };
    };

    explicit UpdateCheck(Clock& clock) : UpdateCheck(clock, Options{}) {}
    UpdateCheck(Clock& clock, Options options);
    ~UpdateCheck();
    UpdateCheck(const UpdateCheck&) = delete;
    UpdateCheck& operator=(const UpdateCheck&) = delete;

    // One GET of the feed (no cache, no cookies, the time-out through the clock): the record,
    // or nothing on any failure (transport, time-out, status other than 200, too long, bad JSON).
    Task<std::optional<ReleaseInfo>> fetch();
    // Fetches and derives the outcome (noSource at once, without the network, when the feed
    // address is empty); `done` runs unless this object ends first. Checks
    // started while another runs are independent of it.
    void check(const QString& installedVersion, qint64 installedBuild, std::function<void(const Outcome&)> done);
    // The running system's name, for the alert texts.
    QString systemName() const { return options_.system().name; }

    // True when a is a strictly higher dotted version than b: pieces compared as numbers,
    // empty pieces dropped, missing and non-numeric pieces counting 0.
    static bool isNewer(const QString& a, const QString& b);
    // The outcome of a fetched record for the installed version and build on a system of this
    // version (none: unknown, which no minimum exceeds).
    static Outcome outcome(const std::optional<ReleaseInfo>& release, const QString& installedVersion,
                           qint64 installedBuild, const std::optional<QString>& systemVersion);
    static AlertText alertText(const Outcome& outcome, const QString& host, const QString& systemName);

    // The numeric pieces of a dotted version as isNewer reads them.
    static std::vector<qint64> versionPieces(const QString& version);

private:
    Task<void> runCheck(QString installedVersion, qint64 installedBuild, std::function<void(const Outcome&)> done);

    Clock& clock_;
    Options options_;
    std::unique_ptr<QNetworkAccessManager> network_;
    TaskScope tasks_;   // after network_: ends every check before the manager goes
};

} // namespace fw
