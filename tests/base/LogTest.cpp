#include "base/Log.h"

#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

using namespace fw;

TEST(LogRender, DesignFormatsRenderAsTheyStand)
{
    EXPECT_EQ(log::render("Geometry rejected by %{public}s: requested %{public}s, actual %{public}s",
                  {"Terminal", "{{0, 0}, {800, 600}}", "unavailable"}),
        "Geometry rejected by Terminal: requested {{0, 0}, {800, 600}}, actual unavailable");
    EXPECT_EQ(log::render("%{public}s %{public}s %{public}s%{public}s: %ld ms total, %ld frames, app writes %ld ms, slowest %ld ms",
                  {"Notes", "move", "spring", " (refused)", 240L, 15L, 31L, 4L}),
        "Notes move spring (refused): 240 ms total, 15 frames, app writes 31 ms, slowest 4 ms");
    EXPECT_EQ(log::render("Framewell started; accessibility=%{bool}d", {true}), "Framewell started; accessibility=true");
    EXPECT_EQ(log::render("accessibility=%{bool}d", {0}), "accessibility=false");
    EXPECT_EQ(log::render("ratio %.1f, raw %f, big %lld, small %d", {0.25, 1.5, 1LL << 40, -3}),
        "ratio 0.2, raw 1.500000, big 1099511627776, small -3");
    EXPECT_EQ(log::render("100%% done %{public}@", {"x"}), "100% done x");
    EXPECT_EQ(log::render("unicode %{public}s – ok", {QStringLiteral("Fenêtre ×2")}), "unicode Fenêtre ×2 – ok");
}

TEST(LogRender, BadFormatsAndArgumentsNeverCrashOrInventValues)
{
    // Missing arguments are marked, extra ones ignored.
    EXPECT_EQ(log::render("%ld of %ld", {3}), "3 of <missing>");
    EXPECT_EQ(log::render("plain", {1, 2}), "plain");
    // A number given as text is used; text where a number is due is shown, not turned into 0.
    EXPECT_EQ(log::render("%ld ms", {QStringLiteral("12")}), "12 ms");
    EXPECT_EQ(log::render("%ld ms", {"soon"}), "soon ms");
    EXPECT_EQ(log::render("%.1f", {"n/a"}), "n/a");
    EXPECT_EQ(log::render("%ld", {2.9}), "2");
    EXPECT_EQ(log::render("%ld", {std::numeric_limits<double>::infinity()}), "inf");
    EXPECT_EQ(log::render("%{public}s/%s/%s", {7, 2.5, std::string("std")}), "7/2.5/std");
    // Unfinished or unknown conversions stay as written.
    EXPECT_EQ(log::render("50%", {}), "50%");
    EXPECT_EQ(log::render("a %{public", {"x"}), "a %{public");
    EXPECT_EQ(log::render("%k and %d", {5}), "%k and 5");
    // Absurd widths are not passed on to printf.
    EXPECT_EQ(log::render("%99999d", {1}), "%99999d");
    EXPECT_EQ(log::render("[%5s|%-3d]", {"ab", 7}), "[   ab|7  ]");
    EXPECT_EQ(log::render(nullptr, {1}), "");
}

// Values from files and other programs can be any length; a line shows a bounded part of each
// and says how long it was, so no line grows with its input.
TEST(LogRender, LongValuesAreCutAndTheirLengthTold)
{
    const QString id = QString(20000, u'a');
    const QString line = log::render("%{public}s isn't installed (%s)", {id, QStringLiteral("short")});
    EXPECT_LT(line.size(), log::maxValueLength + 80);
    EXPECT_TRUE(line.startsWith(QString(log::maxValueLength, u'a') + u"… (20000 characters) isn't installed"_qs))
        << line.left(400).toStdString();
    EXPECT_TRUE(line.endsWith(u"(short)"_qs));
    // A character of two code units is never cut in half.
    const QString emoji = QString(log::maxValueLength - 1, u'a') + QString::fromUtf8("😀") + u"tail"_qs;
    EXPECT_EQ(log::clipped(emoji), QString(log::maxValueLength - 1, u'a') + u"… (%1 characters)"_qs.arg(emoji.size()));
}

TEST(LogCapture, InnermostCaptureGetsEntriesAndOuterResumesAfterIt)
{
    EXPECT_EQ(categoryName(LogCategory::WindowAccess), "orrindale.Framewell.WindowAccess");
    EXPECT_EQ(categoryName(LogCategory::Hover), "orrindale.Framewell.Hover");

    log::Capture outer;
    log::info(LogCategory::App, "one %ld", 1);
    {
        log::Capture inner;
        EXPECT_TRUE(log::enabled(LogCategory::Motion, LogLevel::Debug));
        log::debug(LogCategory::Motion, "two %{public}s", "x");
        ASSERT_EQ(inner.entries().size(), 1u);
        EXPECT_EQ(inner.entries()[0].level, LogLevel::Debug);
        EXPECT_EQ(inner.messages(LogCategory::Motion), QStringList{"two x"});
        EXPECT_TRUE(inner.messages(LogCategory::App).isEmpty());
    }
    log::error(LogCategory::HotKeys, "three");
    EXPECT_EQ(outer.entries().size(), 2u);
    EXPECT_TRUE(outer.contains("one 1"));
    EXPECT_TRUE(outer.contains("three"));
    EXPECT_FALSE(outer.contains("two x"));
}

TEST(LogOutput, WritesOneLinePerEntryToStderrWithCategoryAndLevel)
{
    if (!qEnvironmentVariableIsEmpty("QT_LOGGING_RULES") || !qEnvironmentVariableIsEmpty("QT_LOGGING_CONF"))
        GTEST_SKIP() << "logging rules from the environment override the ones this test sets";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("stderr.txt");
    std::fflush(stderr);
    const int saved = ::dup(2);
    FILE* f = std::fopen(QFile::encodeName(path).constData(), "w");
    ASSERT_NE(f, nullptr);
    ::dup2(::fileno(f), 2);
    {
        log::Capture quiet(/*silence=*/false);
        log::info(LogCategory::Motion, "Group of %ld (%{public}s)", 2, "a, b");
        log::error(LogCategory::App, "two\nlines");
        log::debug(LogCategory::Hover, "hidden unless debug is enabled");
        EXPECT_EQ(quiet.entries().size(), 3u);
        // Logging rules (as QT_LOGGING_RULES sets them) switch levels per category.
        QLoggingCategory::setFilterRules("orrindale.Framewell.Hover.debug=true\norrindale.Framewell.App.info=false");
        log::debug(LogCategory::Hover, "shown %d", 1);
        log::info(LogCategory::App, "App info is off");
        QLoggingCategory::setFilterRules(QString());
        log::debug(LogCategory::Hover, "hidden again");
        {
            log::Capture silent; // the innermost capture silences; nothing reaches stderr
            log::error(LogCategory::App, "captured only");
        }
    }
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    std::fclose(f);

    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(out.readAll());
    EXPECT_EQ(text,
        "orrindale.Framewell.Motion info: Group of 2 (a, b)\n"
        "orrindale.Framewell.App error: two\\nlines\n"
        "orrindale.Framewell.Hover debug: shown 1\n");
}
