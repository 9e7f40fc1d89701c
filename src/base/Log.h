#pragma once
// Logging under the subsystem "orrindale.Framewell" with fixed categories. Messages are
// written with this program's own format strings ("%{public}s", "%ld", "%{bool}d", "%.1f", …:
// printf's conversions, a string's marked public), each filled in with its argument, to
// stderr. Tests capture them.
//
//   fw::log::info(fw::LogCategory::WindowAccess,
//       "Geometry rejected by %{public}s: requested %{public}s, actual %{public}s",
//       appName, toString(target), actual);

#include <QString>
#include <QStringList>
#include <initializer_list>
#include <string>
#include <variant>
#include <vector>

namespace fw {

enum class LogCategory { App, Motion, HotKeys, WindowAccess, Hover };
enum class LogLevel { Debug, Info, Error };

// "orrindale.Framewell.<Category>"
QString categoryName(LogCategory c);

struct LogArg {
    std::variant<long long, double, bool, QString> value;
    LogArg(int v) : value((long long)v) {}
    LogArg(long v) : value((long long)v) {}
    LogArg(long long v) : value(v) {}
    LogArg(unsigned v) : value((long long)v) {}
    LogArg(unsigned long v) : value((long long)v) {}
    LogArg(unsigned long long v) : value((long long)v) {}
    LogArg(double v) : value(v) {}
    LogArg(bool v) : value(v) {}
    LogArg(const QString& v) : value(v) {}
    LogArg(const char* v) : value(QString::fromUtf8(v)) {}
    LogArg(const std::string& v) : value(QString::fromStdString(v)) {}
};

struct LogEntry {
    LogCategory category;
    LogLevel level;
    QString message;
};

namespace log {

// The most characters of one text value a log line shows. Values from files and other programs
// (an app id, a name, a window's class) can be any length; a longer one is cut to its first
// characters and its length, so that no line grows with its input.
constexpr qsizetype maxValueLength = 300;
// A value marked "path" (%{public,path}s) names a file or folder, or says something of one: it
// is whole up to the longest path the system opens (4096) with a phrase around it, so that no
// home folder is cut from a line that names where something is.
constexpr qsizetype maxPathLength = 4096 + maxValueLength;
// The value as a log line shows it: whole when short enough, else "<first characters>… (N characters)".
QString clipped(const QString& value, qsizetype maxLength = maxValueLength);

// Renders a format with its arguments (text values clipped, paths at maxPathLength): %{public}s
// / %{private}s / %s take text, %d %ld %lld %i %u %lu take integers, %{bool}d renders
// "true"/"false", %f %.Nf %g take numbers, %% is %.
// Missing arguments render as "<missing>"; a mismatched type is converted, never a crash.
QString render(const char* format, std::initializer_list<LogArg> args);

void write(LogCategory c, LogLevel level, const QString& message);

// Whether an entry of this level would be written (QT_LOGGING_RULES decide; debug is off by
// default). Always true while a Capture is active, so tests see every entry.
bool enabled(LogCategory c, LogLevel level);

template<typename... A>
void debug(LogCategory c, const char* format, const A&... a) { write(c, LogLevel::Debug, render(format, {LogArg(a)...})); }
template<typename... A>
void info(LogCategory c, const char* format, const A&... a) { write(c, LogLevel::Info, render(format, {LogArg(a)...})); }
template<typename... A>
void error(LogCategory c, const char* format, const A&... a) { write(c, LogLevel::Error, render(format, {LogArg(a)...})); }

// Captures every entry written while it lives (stderr output continues unless silenced).
class Capture {
public:
    explicit Capture(bool silence = true);
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    const std::vector<LogEntry>& entries() const { return entries_; }
    QStringList messages(LogCategory c) const;
    bool contains(const QString& message) const;
    void clear() { entries_.clear(); }

private:
    friend void write(LogCategory, LogLevel, const QString&);
    std::vector<LogEntry> entries_;
    bool silence_;
    Capture* previous_;
};

} // namespace log
} // namespace fw
