#pragma once
// Diagnostic state files: pretty-printed JSON in the temporary directory (QDir::tempPath(),
// which honours TMPDIR), each written whole so a reader never sees half a file.

#include <QJsonObject>
#include <QString>

namespace fw {

// Writes obj to QDir::tempPath()/fileName, replacing the old file atomically. fileName must
// be a plain file name (no directories, not "." or ".."). False on any failure.
bool writeDiagnostics(const QString& fileName, const QJsonObject& obj);

// Where writeDiagnostics puts fileName.
QString diagnosticsPath(const QString& fileName);

} // namespace fw
