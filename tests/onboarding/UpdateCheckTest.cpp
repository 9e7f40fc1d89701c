// The update check without the network: version comparison, strict decoding of the feed,
// the outcome for an installed version and build on a system version, the system's version
// from os-release, and the alert texts.
#include "onboarding/ProductInfo.h"
#include "onboarding/UpdateCheck.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace fw {
namespace {

using Outcome = UpdateCheck::Outcome;

TEST(UpdateCheck, VersionComparison)
{
    struct Case {
        const char* a;
        const char* b;
        bool newer;
    };
    const Case cases[] = {
        {"1.10", "1.9", true},   {"1.9", "1.10", false},     // numbers, not text
        {"1.2.1", "1.2", true},  {"1.2", "1.2.1", false},
        {"1.2", "1.2.0", false}, {"1.2.0", "1.2", false},    // trailing zeros are equal
        {"2.0b", "2.0", false},  {"2.0", "2.0b", false},     // "0b" counts 0
        {"", "0", false},        {"0", "", false},
        {"1..2", "1.2", false},  {"1.2", ".1.2.", false},    // empty pieces are dropped
        {"1..3", "1.2", true},
        {"+2", "1", true},       {"-1", "0", false},         {"0", "-1", true},
        {"1.18.1", "1.18", true}, {"1.17.4.1", "1.17.4", true}, {"1.17.4.1", "1.17.5", false},
        {"9223372036854775807", "9223372036854775806", true},
        {"9223372036854775808", "1", false},                  // out of range counts 0
        {"1.+", "1.0", false},   {"1. 2", "1.1", false},     // not numbers
    };
    for (const Case& c : cases)
        EXPECT_EQ(UpdateCheck::isNewer(c.a, c.b), c.newer) << c.a << " vs " << c.b;
    EXPECT_EQ(UpdateCheck::versionPieces("-9223372036854775808.7"), (std::vector<qint64>{INT64_MIN, 7}));
}

QJsonObject feed()
{
    return QJsonObject{{"version", "1.18.1"},
                       {"build", 120},
                       {"minimumSystemVersion", "13"},
                       {"page", "https://corvellan.example/framewell/"},
                       {"download", "https://corvellan.example/download/Framewell-1.18.1.deb"},
                       {"notes", "https://corvellan.example/framewell/notes"},
                       {"extra", QJsonObject{{"ignored", true}}}};
}

std::optional<ReleaseInfo> decode(const QJsonObject& o) { return ReleaseInfo::decode(QJsonDocument(o).toJson()); }

TEST(UpdateCheck, FeedDecodingIsStrict)
{
    const auto good = decode(feed());
    ASSERT_TRUE(good);
    EXPECT_EQ(good->version, "1.18.1");
    EXPECT_EQ(good->build, 120);
    EXPECT_EQ(good->minimumSystemVersion, "13");
    EXPECT_EQ(good->page, QUrl("https://corvellan.example/framewell/"));
    EXPECT_EQ(ReleaseInfo::decode(good->encode()), good);

    for (const char* key : {"version", "build", "minimumSystemVersion", "page", "download", "notes"}) {
        QJsonObject o = feed();
        o.remove(key);
        EXPECT_FALSE(decode(o)) << "without " << key;
    }
    const std::vector<std::pair<const char*, QJsonValue>> wrong{
        {"version", 1.18},         {"build", "120"},       {"build", 120.5},
        {"build", 1e19},           {"build", QJsonValue()}, {"minimumSystemVersion", 13},
        {"page", ""},              {"page", "not a url"},  {"page", "file:///etc/passwd"},
        {"download", "javascript:alert(1)"}, {"notes", "https://"}, {"notes", "https://exa mple.org/"},
    };
    for (const auto& [key, value] : wrong) {
        QJsonObject o = feed();
        o.insert(key, value);
        EXPECT_FALSE(decode(o)) << key << " = " << QJsonDocument(QJsonObject{{key, value}}).toJson().toStdString();
    }
    QJsonObject big = feed();
    big.insert("build", 9007199254740993.0 - 1);
    EXPECT_TRUE(decode(big));
    EXPECT_FALSE(ReleaseInfo::decode("<html><body>Not found</body></html>"));
    EXPECT_FALSE(ReleaseInfo::decode("[" + QJsonDocument(feed()).toJson() + "]"));
    EXPECT_FALSE(ReleaseInfo::decode(QJsonDocument(feed()).toJson() + "x"));
    EXPECT_FALSE(ReleaseInfo::decode(""));
    EXPECT_EQ(vendorAddress("/download/framewell.json", "corvellan.example").toString(),
              "https://corvellan.example/download/framewell.json");
    EXPECT_EQ(ReleaseInfo::feedURL(), vendorAddress("/download/framewell.json"));
    EXPECT_TRUE(vendorAddress("/download/framewell.json", "").isEmpty()) << "no host, no address";
}

ReleaseInfo release(const char* version, qint64 build, const char* minimum)
{
    ReleaseInfo r = *decode(feed());
    r.version = version;
    r.build = build;
    r.minimumSystemVersion = minimum;
    return r;
}

TEST(UpdateCheck, OutcomeFromVersionBuildAndSystem)
{
    const auto sys = std::optional<QString>("26.2.0");
    // The same version text with a higher build is newer; a different text that is not newer is not.
    EXPECT_EQ(UpdateCheck::outcome(release("1.18.1", 120, "13"), "1.18.1", 119, sys),
              Outcome::available(release("1.18.1", 120, "13"), "1.18.1"));
    EXPECT_EQ(UpdateCheck::outcome(release("1.18.1", 120, "27"), "1.18.1", 119, sys),
              Outcome::needsNewerSystem(release("1.18.1", 120, "27"), "1.18.1"));
    EXPECT_EQ(UpdateCheck::outcome(release("1.18.1", 120, "13"), "1.18.1", 120, sys), Outcome::upToDate("1.18.1"));
    EXPECT_EQ(UpdateCheck::outcome(release("1.18.0", 999, "13"), "1.18", 1, sys), Outcome::upToDate("1.18"));
    EXPECT_EQ(UpdateCheck::outcome(release("1.18.1", 999, "13"), "1.19", 1, sys), Outcome::upToDate("1.19"));
    EXPECT_EQ(UpdateCheck::outcome(release("1.9", 999, "13"), "1.10", 1, sys), Outcome::upToDate("1.10"));
    EXPECT_EQ(UpdateCheck::outcome(std::nullopt, "1.10", 1, sys), Outcome::unreachable());
    // The system's minimum: 27 on 26.2.0 is too new, 26 on 26.0.0 is met.
    EXPECT_EQ(UpdateCheck::outcome(release("2.0", 1, "27"), "1.18", 1, sys).kind, Outcome::Kind::needsNewerSystem);
    EXPECT_EQ(UpdateCheck::outcome(release("2.0", 1, "26"), "1.18", 1, QString("26.0.0")).kind,
              Outcome::Kind::available);
    EXPECT_EQ(UpdateCheck::outcome(release("2.0", 1, "99"), "1.18", 1, std::nullopt).kind, Outcome::Kind::available)
        << "a system of unknown version is not told it is too old";
}

TEST(UpdateCheck, SystemVersionFromOsRelease)
{
    auto sys = SystemRelease::parse("PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\n"
                                    "VERSION_ID=\"12\"\nID=debian\n");
    EXPECT_EQ(sys.name, "Debian GNU/Linux");
    EXPECT_EQ(sys.version, "12.0.0");
    EXPECT_EQ(SystemRelease::parse("NAME='Ubuntu'\nVERSION_ID=22.04\n").version, "22.4.0");
    EXPECT_EQ(SystemRelease::parse("VERSION_ID=\"1.2.3.4\"").version, "1.2.3");
    EXPECT_EQ(SystemRelease::parse("# VERSION_ID=9\nNAME=\"Say \\\"hi\\\"\"").name, "Say \"hi\"");
    const auto rolling = SystemRelease::parse("NAME=\"Arch Linux\"\nBUILD_ID=rolling\n");
    EXPECT_FALSE(rolling.version);
    EXPECT_EQ(SystemRelease::parse("").name, "Linux");

    QTemporaryDir dir;
    QFile f(dir.filePath("os-release"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("NAME=Testix\nVERSION_ID=3.1\n");
    f.close();
    const auto read = SystemRelease::read({dir.filePath("missing"), f.fileName()});
    EXPECT_EQ(read.name, "Testix");
    EXPECT_EQ(read.version, "3.1.0");
    EXPECT_FALSE(SystemRelease::read({dir.filePath("missing")}).version);
}

TEST(UpdateCheck, AlertTexts)
{
    const QString host = "corvellan.example";
    auto t = UpdateCheck::alertText(Outcome::upToDate("1.18"), host, "Debian GNU/Linux");
    EXPECT_EQ(t.message, "Framewell is up to date");
    EXPECT_EQ(t.informative, "You have 1.18, the latest version.");
    EXPECT_EQ(t.buttons, QStringList({"OK"}));
    EXPECT_FALSE(t.link);

    const ReleaseInfo r = release("1.19", 130, "13");
    t = UpdateCheck::alertText(Outcome::available(r, "0"), host, "Debian GNU/Linux");
    EXPECT_EQ(t.message, "Framewell 1.19 is available");
    EXPECT_EQ(t.informative, "You have 0. Download the new version from corvellan.example, then install it in place "
                             "of this one.");
    EXPECT_EQ(t.buttons, QStringList({"Download", "Later"}));
    EXPECT_EQ(t.link, r.page);

    t = UpdateCheck::alertText(Outcome::needsNewerSystem(r, "1.18"), host, "Debian GNU/Linux");
    EXPECT_EQ(t.message, "Framewell 1.19 needs Debian GNU/Linux 13");
    EXPECT_EQ(t.informative, "You have 1.18, which is the latest version for this computer.");
    EXPECT_EQ(t.buttons, QStringList({"OK"}));
    EXPECT_FALSE(t.link);

    t = UpdateCheck::alertText(Outcome::unreachable(), host, "Debian GNU/Linux");
    EXPECT_EQ(t.message, "Couldn’t check for updates");
    EXPECT_EQ(t.informative, "corvellan.example couldn’t be reached. Check your internet connection and try again.");
    EXPECT_EQ(t.buttons, QStringList({"OK"}));

    t = UpdateCheck::alertText(Outcome::noSource(), "", "Debian GNU/Linux");
    EXPECT_EQ(t.message, "Framewell can’t check for updates");
    EXPECT_EQ(t.informative, "This build of Framewell has no update source. Update it the way you installed it: "
                             "through your package manager, or by building a newer version.");
    EXPECT_EQ(t.buttons, QStringList({"OK"}));
    EXPECT_FALSE(t.link);
}

} // namespace
} // namespace fw
