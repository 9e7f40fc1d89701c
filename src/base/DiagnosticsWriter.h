#pragma once
// Diagnostic state files: pretty-printed JSON in the temporary directory (temporaryFolder(),
// which honours TMPDIR), each written whole so a reader never sees half a file.

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace fw {

// Writes obj to temporaryFolder()/fileName, replacing the old file atomically. fileName must
// be a plain file name (no directories, not "." or ".."). False on any failure, also when the
// temporary directory does not exist.
bool writeDiagnostics(const QString& fileName, const QJsonObject& obj);

// The bytes writeDiagnostics writes for obj: pretty-printed JSON, keys sorted.
QByteArray diagnosticsBytes(const QJsonObject& obj);
// Writes bytes made by diagnosticsBytes, as writeDiagnostics does; for callers that compare
// a document with the last one written before writing it.
bool writeDiagnosticsBytes(const QString& fileName, const QByteArray& bytes);

// Where writeDiagnostics puts fileName.
QString diagnosticsPath(const QString& fileName);

} // namespace fw
