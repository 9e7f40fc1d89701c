// Pretty, ordered and canonical JSON writers for stores and file formats.
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

// The keys of an object: those named in `order` first, in that order, then the rest sorted.
QStringList keysInOrder(const QJsonObject& o, const QStringList& order)
{
    QStringList keys;
    for (const QString& k : order)
        if (o.contains(k))
            keys << k;
    for (const QString& k : o.keys())
        if (!order.contains(k))
            keys << k;
    return keys;
}

void appendIndented(QByteArray& out, const QJsonValue& v, const QStringList& order, int depth)
{
    const QByteArray inner(4 * (depth + 1), ' '), closing(4 * depth, ' ');
    if (v.isArray()) {
        const QJsonArray a = v.toArray();
        out += a.isEmpty() ? "[" : "[\n";
        for (qsizetype i = 0; i < a.size(); ++i) {
            out += inner;
            appendIndented(out, a.at(i), order, depth + 1);
            out += i + 1 < a.size() ? ",\n" : "\n";
        }
        out += a.isEmpty() ? QByteArray("]") : closing + ']';
    } else if (v.isObject()) {
        const QJsonObject o = v.toObject();
        const QStringList keys = keysInOrder(o, order);
        out += keys.isEmpty() ? "{" : "{\n";
        for (qsizetype i = 0; i < keys.size(); ++i) {
            out += inner;
            appendString(out, keys[i]);
            out += ": ";
            appendIndented(out, o.value(keys[i]), order, depth + 1);
            out += i + 1 < keys.size() ? ",\n" : "\n";
        }
        out += keys.isEmpty() ? QByteArray("}") : closing + '}';
    } else {
        append(out, v);
    }
}

} // namespace

QByteArray orderedJson(const QJsonObject& object, const QStringList& order)
{
    QByteArray out;
    appendIndented(out, object, order, 0);
    out += '\n';
    return out;
}

QByteArray canonicalJson(const QJsonValue& value)
{
    QByteArray out;
    append(out, value);
    return out;
}

} // namespace fw
