#include "base/AtomicFile.h"
#include "base/DiagnosticsWriter.h"
#include "base/Log.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace fw;

namespace {

// Points the temporary directory (TMPDIR) at a fresh directory for one test.
class TempDirScope {
public:
    TempDirScope() : saved_(qgetenv("TMPDIR")) { qputenv("TMPDIR", QFile::encodeName(dir_.path())); }
    ~TempDirScope()
    {
        if (saved_.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", saved_);
    }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QByteArray saved_;
};

} // namespace

TEST(DiagnosticsWriter, WritesPrettyJsonIntoTheTemporaryDirectoryReplacingTheOldFile)
{
    TempDirScope tmp;
    EXPECT_EQ(diagnosticsPath("Framewell-drag-state.json"), tmp.path() + "/Framewell-drag-state.json");
    ASSERT_TRUE(writeDiagnostics("Framewell-drag-state.json", QJsonObject{{"phase", "drag"}, {"count", 1}}));
    ASSERT_TRUE(writeDiagnostics("Framewell-drag-state.json", QJsonObject{{"phase", "drop"}}));
    QFile f(tmp.path() + "/Framewell-drag-state.json");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("\n    \"phase\": \"drop\"")); // indented
    EXPECT_EQ(QJsonDocument::fromJson(text).object(), (QJsonObject{{"phase", "drop"}}));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Framewell-drag-state.json"});
}

TEST(DiagnosticsWriter, RefusesNamesOutsideTheTemporaryDirectoryAndReportsFailures)
{
    TempDirScope tmp;
    log::Capture capture;
    for (const char* bad : {"", ".", "..", "../escape.json", "sub/x.json", "/etc/x.json"})
        EXPECT_FALSE(writeDiagnostics(bad, QJsonObject{})) << bad;
    EXPECT_TRUE(QDir(tmp.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_EQ(capture.messages(LogCategory::App).size(), 6);

    // A directory where the file should go cannot be replaced: failure, directory untouched.
    QDir(tmp.path()).mkpath("Framewell-stack-state.json/keep");
    EXPECT_FALSE(writeDiagnostics("Framewell-stack-state.json", QJsonObject{{"a", 1}}));
    EXPECT_TRUE(QFileInfo(tmp.path() + "/Framewell-stack-state.json/keep").isDir());
}

TEST(DiagnosticsWriter, AMissingTemporaryDirectoryFailsTheWriteInsteadOfUsingTheWorkingDirectory)
{
    TempDirScope tmp;
    log::Capture capture;
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(tmp.path());
    qputenv("TMPDIR", QFile::encodeName(tmp.path() + "/gone"));
    EXPECT_FALSE(writeDiagnostics("Framewell-drag-state.json", QJsonObject{{"a", 1}}));
    QDir::setCurrent(cwd);
    EXPECT_TRUE(QDir(tmp.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_EQ(capture.messages(LogCategory::App).size(), 1);
}

TEST(AtomicFile, KeepsTheModeOfTheFileItReplaces)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("layouts.json");
    QString error;
    ASSERT_TRUE(writeFileAtomically(path, "one", &error)) << error.toStdString();
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    ASSERT_TRUE(writeFileAtomically(path, "two", &error)) << error.toStdString();
    struct stat st{};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "two");

    EXPECT_FALSE(writeFileAtomically(tmp.path() + "/", "x", &error));
    EXPECT_FALSE(error.isEmpty());
}
