#pragma once
// JSON helpers shared by the stores and file formats.
//
// Qt's own writer (QJsonDocument::toJson) already emits object keys in sorted order, since
// QJsonObject keeps its keys sorted; use it for pretty-printed files. canonicalJson is for
// bytes that must be identical whenever the values are equal (digests, ids): compact, keys
// sorted by UTF-16 code units, numbers in one normal form.

#include <QByteArray>
#include <QJsonValue>

namespace fw {

// Compact JSON text of any value (scalars too). Numbers: integral values within ±2^53 as
// integers ("1" for both 1 and 1.0, "0" for -0), others in the shortest form that reads back
// exactly; NaN and infinities (not representable in JSON) as null. Strings are UTF-8 with
// only '"', '\\' and control characters escaped.
QByteArray canonicalJson(const QJsonValue& value);

} // namespace fw
