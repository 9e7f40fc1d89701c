// Logging: the categories, the renderer of the unified-log style formats (each conversion
// parsed, then its argument rendered as text, integer or number), and the writer with its
// captures.

#include "base/Log.h"

#include "base/Geometry.h"

#include <QLoggingCategory>
#include <algorithm>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace fw {

namespace {

// Info and above are on by default; debug is off unless QT_LOGGING_RULES turns it on
// (e.g. "orrindale.Framewell.*.debug=true").
Q_LOGGING_CATEGORY(catApp, "orrindale.Framewell.App", QtInfoMsg)
Q_LOGGING_CATEGORY(catMotion, "orrindale.Framewell.Motion", QtInfoMsg)
Q_LOGGING_CATEGORY(catHotKeys, "orrindale.Framewell.HotKeys", QtInfoMsg)
Q_LOGGING_CATEGORY(catWindowAccess, "orrindale.Framewell.WindowAccess", QtInfoMsg)
Q_LOGGING_CATEGORY(catHover, "orrindale.Framewell.Hover", QtInfoMsg)

const QLoggingCategory& qtCategory(LogCategory c)
{
    switch (c) {
    case LogCategory::App: return catApp();
    case LogCategory::Motion: return catMotion();
    case LogCategory::HotKeys: return catHotKeys();
    case LogCategory::WindowAccess: return catWindowAccess();
    case LogCategory::Hover: return catHover();
    }
    return catApp();
}

const char* levelName(LogLevel l)
{
    switch (l) {
    case LogLevel::Debug: return "debug";
    case LogLevel::Info: return "info";
    case LogLevel::Error: return "error";
    }
    return "info";
}

// Guards the capture chain and keeps lines from different threads whole.
std::mutex& logMutex()
{
    static std::mutex m;
    return m;
}

log::Capture* currentCapture = nullptr;

QString textOf(const LogArg& a)
{
    return std::visit(
        [](const auto& v) -> QString {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, QString>)
                return v;
            else if constexpr (std::is_same_v<V, bool>)
                return v ? QStringLiteral("true") : QStringLiteral("false");
            else if constexpr (std::is_same_v<V, double>)
                return formatNumber(v);
            else
                return QString::number(v);
        },
        a.value);
}

long long integerOf(const LogArg& a, bool& ok)
{
    ok = true;
    return std::visit(
        [&ok](const auto& v) -> long long {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, QString>)
                return v.trimmed().toLongLong(&ok);
            else if constexpr (std::is_same_v<V, double>) {
                if (!(v >= -9.2e18 && v <= 9.2e18)) { // NaN, infinities and out-of-range values
                    ok = false;
                    return 0;
                }
                return static_cast<long long>(v);
            } else
                return static_cast<long long>(v);
        },
        a.value);
}

double doubleOf(const LogArg& a, bool& ok)
{
    ok = true;
    return std::visit(
        [&ok](const auto& v) -> double {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, QString>)
                return v.trimmed().toDouble(&ok);
            else
                return static_cast<double>(v);
        },
        a.value);
}

bool truthOf(const LogArg& a)
{
    return std::visit(
        [](const auto& v) -> bool {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, QString>)
                return !v.isEmpty() && v != QLatin1String("0") && v.compare(QLatin1String("false"), Qt::CaseInsensitive) != 0;
            else
                return v != 0;
        },
        a.value);
}

bool isFlag(char c) { return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// printf with a conversion assembled only from validated flags, width and precision.
QString printfOne(const std::string& conversion, long long v)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, conversion.c_str(), v);
    return QString::fromLatin1(buf);
}

QString printfOne(const std::string& conversion, double v)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, conversion.c_str(), v);
    return QString::fromLatin1(buf);
}

// One conversion as a format writes it: %{modifiers}, flags, width, .precision, length,
// conversion.
struct Conversion {
    QString modifiers;
    std::string flags;
    std::string width;
    std::string precision;
    bool hasPrecision = false;
    char conv = 0;

    // A conversion this renderer takes, with at most three digits of width and precision.
    bool usable() const
    {
        const bool known = std::string_view("sSdiuxXofFeEgGc@p").find(conv) != std::string_view::npos;
        return known && width.size() <= 3 && precision.size() <= 3;
    }
    bool hasMod(const char* m) const
    {
        for (const auto& s : modifiers.split(QLatin1Char(','), Qt::SkipEmptyParts))
            if (s.trimmed() == QLatin1String(m))
                return true;
        return false;
    }
    // The printf conversion without length and conversion letter: validated parts only.
    std::string base() const { return "%" + flags + width + (hasPrecision ? "." + precision : std::string()); }
};

// The conversion that starts at f[i] (just after its '%'), with i moved past it; nothing when
// the format ends first or a '{' is never closed.
std::optional<Conversion> parseConversion(const std::string& f, std::size_t& i)
{
    Conversion c;
    if (i < f.size() && f[i] == '{') {
        const auto close = f.find('}', i);
        if (close == std::string::npos)
            return std::nullopt;
        c.modifiers = QString::fromUtf8(f.data() + i + 1, qsizetype(close - i - 1));
        i = close + 1;
    }
    while (i < f.size() && isFlag(f[i]))
        c.flags += f[i++];
    while (i < f.size() && isDigit(f[i]))
        c.width += f[i++];
    if (i < f.size() && f[i] == '.') {
        c.hasPrecision = true;
        ++i;
        while (i < f.size() && isDigit(f[i]))
            c.precision += f[i++];
    }
    while (i < f.size() && (f[i] == 'l' || f[i] == 'h' || f[i] == 'q' || f[i] == 'z' || f[i] == 'j' || f[i] == 't' || f[i] == 'L'))
        ++i;
    if (i >= f.size())
        return std::nullopt;
    c.conv = f[i++];
    return c;
}

// %s and its kin: the text clipped (a path to its own bound), then cut to the precision and
// padded to the width.
QString renderText(const Conversion& c, const LogArg& arg)
{
    QString t = log::clipped(textOf(arg), c.hasMod("path") ? log::maxPathLength : log::maxValueLength);
    if (c.hasPrecision)
        t.truncate(c.precision.empty() ? 0 : std::stoi(c.precision));
    if (!c.width.empty()) {
        const int w = std::stoi(c.width);
        t = c.flags.find('-') != std::string::npos ? t.leftJustified(w) : t.rightJustified(w);
    }
    return t;
}

// %d and its kin, %{bool}d and %{BOOL}d, and %c.
QString renderInteger(const Conversion& c, const LogArg& arg)
{
    if (c.hasMod("bool") || c.hasMod("BOOL")) {
        const bool b = truthOf(arg);
        return c.hasMod("BOOL") ? (b ? QStringLiteral("YES") : QStringLiteral("NO"))
                                : (b ? QStringLiteral("true") : QStringLiteral("false"));
    }
    bool ok = false;
    const long long v = integerOf(arg, ok);
    if (!ok)
        return log::clipped(textOf(arg)); // not a number: show it as it is rather than a made-up 0
    if (c.conv == 'c')
        return QChar(char32_t(v)).isPrint() ? QString(QChar(char32_t(v))) : QString::number(v);
    const char conv = c.conv == 'i' ? 'd' : c.conv;
    return printfOne(c.base() + "ll" + conv, v);
}

// %f %F %e %E %g %G.
QString renderNumber(const Conversion& c, const LogArg& arg)
{
    bool ok = false;
    const double v = doubleOf(arg, ok);
    if (!ok)
        return log::clipped(textOf(arg));
    return printfOne(c.base() + c.conv, v);
}

QString renderArg(const Conversion& c, const LogArg& arg)
{
    switch (c.conv) {
    case 's':
    case 'S':
    case '@':
    case 'p':
        return renderText(c, arg);
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 'o':
    case 'c':
        return renderInteger(c, arg);
    default:
        return renderNumber(c, arg);
    }
}

} // namespace

QString categoryName(LogCategory c) { return QString::fromLatin1(qtCategory(c).categoryName()); }

namespace log {

QString clipped(const QString& value, qsizetype maxLength)
{
    if (value.size() <= maxLength)
        return value;
    qsizetype cut = std::max<qsizetype>(maxLength, 0);
    if (cut > 0 && value[cut - 1].isHighSurrogate())
        --cut; // never half a character
    return value.left(cut) + QStringLiteral("… (%1 characters)").arg(value.size());
}

QString render(const char* format, std::initializer_list<LogArg> args)
{
    QString out;
    if (!format)
        return out;
    auto next = args.begin();
    const std::string f(format);
    std::size_t i = 0;
    std::size_t literalStart = 0;
    auto flushLiteral = [&](std::size_t end) {
        if (end > literalStart)
            out += QString::fromUtf8(f.data() + literalStart, qsizetype(end - literalStart));
    };

    while (i < f.size()) {
        if (f[i] != '%') {
            ++i;
            continue;
        }
        flushLiteral(i);
        const std::size_t start = i++;
        if (i < f.size() && f[i] == '%') {
            out += QLatin1Char('%');
            literalStart = ++i;
            continue;
        }
        const auto conversion = parseConversion(f, i);
        if (!conversion) {
            literalStart = start; // not a conversion: keep the text as written
            break;
        }
        literalStart = i;
        if (!conversion->usable()) {
            out += QString::fromUtf8(f.data() + start, qsizetype(i - start));
            continue;
        }
        if (next == args.end()) {
            out += QStringLiteral("<missing>");
            continue;
        }
        out += renderArg(*conversion, *next++);
    }
    flushLiteral(f.size());
    return out;
}

bool enabled(LogCategory c, LogLevel level)
{
    {
        std::lock_guard lock(logMutex());
        if (currentCapture)
            return true;
    }
    const auto& cat = qtCategory(c);
    switch (level) {
    case LogLevel::Debug: return cat.isDebugEnabled();
    case LogLevel::Info: return cat.isInfoEnabled();
    case LogLevel::Error: return cat.isCriticalEnabled() || cat.isWarningEnabled();
    }
    return true;
}

void write(LogCategory c, LogLevel level, const QString& message)
{
    std::lock_guard lock(logMutex());
    if (Capture* cap = currentCapture) {
        cap->entries_.push_back({c, level, message});
        if (cap->silence_)
            return;
    }
    const auto& cat = qtCategory(c);
    const bool on = level == LogLevel::Debug ? cat.isDebugEnabled()
        : level == LogLevel::Info            ? cat.isInfoEnabled()
                                             : (cat.isCriticalEnabled() || cat.isWarningEnabled());
    if (!on)
        return;
    // One line per entry; embedded line breaks are escaped so a message never spans lines.
    QString text = message;
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    const QByteArray line = QByteArray(cat.categoryName()) + ' ' + levelName(level) + ": " + text.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

Capture::Capture(bool silence) : silence_(silence)
{
    std::lock_guard lock(logMutex());
    previous_ = currentCapture;
    currentCapture = this;
}

Capture::~Capture()
{
    std::lock_guard lock(logMutex());
    // Captures nest like scopes; should one end out of order, unlink it wherever it is.
    if (currentCapture == this) {
        currentCapture = previous_;
        return;
    }
    for (Capture* c = currentCapture; c; c = c->previous_) {
        if (c->previous_ == this) {
            c->previous_ = previous_;
            return;
        }
    }
}

QStringList Capture::messages(LogCategory c) const
{
    QStringList list;
    for (const auto& e : entries_)
        if (e.category == c)
            list << e.message;
    return list;
}

bool Capture::contains(const QString& message) const
{
    for (const auto& e : entries_)
        if (e.message == message)
            return true;
    return false;
}

} // namespace log
} // namespace fw
