#pragma once
// JSON helpers shared by the stores and file formats.
//
// Qt's own writer (QJsonDocument::toJson) already emits object keys in sorted order, since
// QJsonObject keeps its keys sorted; use it for pretty-printed files, and orderedJson where a
// file's keys must stand in a given order. canonicalJson is for
// bytes that must be identical whenever the values are equal (digests, ids): compact, keys
// sorted by UTF-16 code units, numbers in one normal form.

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>

namespace fw {

// Compact JSON text of any value (scalars too). Numbers: integral values within ±2^53 as
// integers ("1" for both 1 and 1.0, "0" for -0), others in the shortest form that reads back
// exactly; NaN and infinities (not representable in JSON) as null. Strings are UTF-8 with
// only '"', '\\' and control characters escaped.
QByteArray canonicalJson(const QJsonValue& value);

// Pretty-printed JSON (four-space indents) whose objects, at every depth, list the keys named
// in `order` first and in that order, then their other keys sorted: for files whose readers
// expect an order that QJsonObject does not keep. Numbers and strings as canonicalJson writes
// them.
QByteArray orderedJson(const QJsonObject& object, const QStringList& order);

} // namespace fw
