#include "base/Json.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace fw {

namespace {

void appendString(QByteArray& out, const QString& s)
{
    out += '"';
    const QByteArray utf8 = s.toUtf8();
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += ch;
            }
        }
    }
    out += '"';
}

void appendNumber(QByteArray& out, double v)
{
    if (!std::isfinite(v)) {
        out += "null";
        return;
    }
    char buf[64];
    std::to_chars_result res;
    if (v == std::trunc(v) && std::abs(v) <= 9007199254740992.0)
        res = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(v)); // folds -0 too
    else
        res = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, qsizetype(res.ptr - buf));
}

void append(QByteArray& out, const QJsonValue& v)
{
    switch (v.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined: out += "null"; break;
    case QJsonValue::Bool: out += v.toBool() ? "true" : "false"; break;
    case QJsonValue::Double: appendNumber(out, v.toDouble()); break;
    case QJsonValue::String: appendString(out, v.toString()); break;
    case QJsonValue::Array: {
        out += '[';
        bool first = true;
        for (const QJsonValue& e : v.toArray()) {
            if (!first)
                out += ',';
            first = false;
            append(out, e);
        }
        out += ']';
        break;
    }
    case QJsonValue::Object: {
        const QJsonObject o = v.toObject();
        QStringList keys = o.keys();
        std::sort(keys.begin(), keys.end(), [](const QString& a, const QString& b) { return a.compare(b) < 0; });
        out += '{';
        bool first = true;
        for (const QString& k : keys) {
            if (!first)
                out += ',';
            first = false;
            appendString(out, k);
            out += ':';
            append(out, o.value(k));
        }
        out += '}';
        break;
    }
    }
}

} // namespace

QByteArray canonicalJson(const QJsonValue& value)
{
    QByteArray out;
    append(out, value);
    return out;
}

} // namespace fw
