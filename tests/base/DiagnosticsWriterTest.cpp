#include "base/AtomicFile.h"
#include "base/DiagnosticsWriter.h"
#include "base/Log.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace fw;

namespace {

// Points the runtime folder (XDG_RUNTIME_DIR) and the temporary one (TMPDIR) at a fresh
// directory for one test.
class TempDirScope {
public:
    TempDirScope() : saved_(qgetenv("TMPDIR")), savedRuntime_(qgetenv("XDG_RUNTIME_DIR"))
    {
        qputenv("TMPDIR", QFile::encodeName(dir_.path()));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir_.path()));
    }
    ~TempDirScope()
    {
        restore("TMPDIR", saved_);
        restore("XDG_RUNTIME_DIR", savedRuntime_);
    }
    QString path() const { return dir_.path(); }
    // The diagnostics folder inside it.
    QString files() const { return dir_.path() + "/framewell"; }

private:
    static void restore(const char* name, const QByteArray& value)
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    QTemporaryDir dir_;
    QByteArray saved_, savedRuntime_;
};

mode_t modeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

} // namespace

TEST(DiagnosticsWriter, WritesPrettyJsonIntoAPrivateFolderOfTheUserReplacingTheOldFile)
{
    TempDirScope tmp;
    EXPECT_EQ(diagnosticsPath("Framewell-drag-state.json"), tmp.files() + "/Framewell-drag-state.json");
    ASSERT_TRUE(writeDiagnostics("Framewell-drag-state.json", QJsonObject{{"phase", "drag"}, {"count", 1}}));
    ASSERT_TRUE(writeDiagnostics("Framewell-drag-state.json", QJsonObject{{"phase", "drop"}}));
    QFile f(tmp.files() + "/Framewell-drag-state.json");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("\n    \"phase\": \"drop\"")); // indented
    EXPECT_EQ(QJsonDocument::fromJson(text).object(), (QJsonObject{{"phase", "drop"}}));
    EXPECT_EQ(QDir(tmp.files()).entryList(QDir::Files | QDir::Hidden), QStringList{"Framewell-drag-state.json"});
    // Nobody else's to read: the folder 0700, the file 0600; nothing in the shared folder.
    EXPECT_EQ(modeOf(tmp.files()), mode_t(0700));
    EXPECT_EQ(modeOf(f.fileName()), mode_t(0600));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});

    // An existing folder open to others is closed.
    ASSERT_EQ(::chmod(QFile::encodeName(tmp.files()).constData(), 0755), 0);
    ASSERT_TRUE(writeDiagnostics("Framewell-stack-state.json", QJsonObject{{"a", 1}}));
    EXPECT_EQ(modeOf(tmp.files()), mode_t(0700));

    // Without a runtime folder: the state folder.
    QTemporaryDir state;
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.path() + "/deeper/state"));
    EXPECT_EQ(diagnosticsDirectory(), state.path() + "/deeper/state/framewell");
    EXPECT_TRUE(writeDiagnostics("Framewell-drag-state.json", QJsonObject{{"a", 1}}));
    EXPECT_TRUE(QFile::exists(state.path() + "/deeper/state/framewell/Framewell-drag-state.json"));
    qunsetenv("XDG_STATE_HOME");
}

TEST(DiagnosticsWriter, RefusesNamesOutsideItsFolderAndFoldersNotItsOwn)
{
    TempDirScope tmp;
    log::Capture capture;
    for (const char* bad : {"", ".", "..", "../escape.json", "sub/x.json", "/etc/x.json"})
        EXPECT_FALSE(writeDiagnostics(bad, QJsonObject{})) << bad;
    EXPECT_TRUE(QDir(tmp.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_EQ(capture.messages(LogCategory::App).size(), 6);

    // A directory where the file should go cannot be replaced: failure, directory untouched.
    QDir(tmp.files()).mkpath("Framewell-stack-state.json/keep");
    EXPECT_FALSE(writeDiagnostics("Framewell-stack-state.json", QJsonObject{{"a", 1}}));
    EXPECT_TRUE(QFileInfo(tmp.files() + "/Framewell-stack-state.json/keep").isDir());

    // A link the user made to a folder of theirs is that folder: written there, closed to others.
    QTemporaryDir elsewhere;
    QTemporaryDir runtime;
    const QString link = runtime.path() + "/framewell";
    ASSERT_TRUE(QFile::link(elsewhere.path(), link));
    ASSERT_EQ(::chmod(QFile::encodeName(elsewhere.path()).constData(), 0755), 0);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    EXPECT_TRUE(writeDiagnostics("Framewell-drag-state.json", QJsonObject{{"a", 1}}));
    EXPECT_TRUE(QFile::exists(elsewhere.path() + "/Framewell-drag-state.json"));
    EXPECT_EQ(modeOf(elsewhere.path()), mode_t(0700));
    EXPECT_TRUE(QFileInfo(link).isSymLink());

    // A link to another user's folder (root's, to a user), or one another user made, is
    // refused, what it leads to untouched; the refusal is logged once however often the state
    // is written, and again once it changed.
    QTemporaryDir theirs;
    ASSERT_TRUE(QFile::remove(link));
    ASSERT_TRUE(QFile::link(::geteuid() == 0 ? theirs.path() : QStringLiteral("/"), link));
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(theirs.path()).constData(), 65534, 65534), 0);
    }
    capture.clear();
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(writeDiagnostics("Framewell-drag-state.json", QJsonObject{{"a", i}}));
    EXPECT_EQ(capture.messages(LogCategory::App),
              QStringList{"Diagnostics not written: the folder " + link + " belongs to another user"});
    EXPECT_TRUE(QDir(theirs.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(theirs.path()).constData(), 0, 0), 0);
        ASSERT_TRUE(QFile::remove(link));
        ASSERT_TRUE(QFile::link(elsewhere.path(), link));
        ASSERT_EQ(::lchown(QFile::encodeName(link).constData(), 65534, 65534), 0);
        capture.clear();
        EXPECT_FALSE(writeDiagnostics("Framewell-drag-state.json", QJsonObject{{"a", 1}}));
        EXPECT_FALSE(writeDiagnostics("Framewell-drag-state.json", QJsonObject{{"a", 2}}));
        EXPECT_EQ(capture.messages(LogCategory::App), QStringList{"Diagnostics not written: " + link + " is a link another user made"});
        EXPECT_EQ(QDir(elsewhere.path()).entryList(QDir::Files), QStringList{"Framewell-drag-state.json"});
    }
}

TEST(DiagnosticsWriter, AFolderThatCannotBeMadeFailsTheWriteInsteadOfUsingTheWorkingDirectory)
{
    TempDirScope tmp;
    log::Capture capture;
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(tmp.path());
    QFile blocker(tmp.path() + "/framewell");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(writeDiagnostics("Framewell-drag-state.json", QJsonObject{{"a", 1}}));
    QDir::setCurrent(cwd);
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"framewell"});
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
