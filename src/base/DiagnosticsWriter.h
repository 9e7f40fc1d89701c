#pragma once
// Diagnostic state files: pretty-printed JSON in a folder of the user's own ($XDG_RUNTIME_DIR/
// framewell, else $XDG_STATE_HOME/framewell; the folder 0700, each file 0600), each written
// whole so a reader never sees half a file. Never a shared folder: the names are fixed.

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace fw {

// Writes obj to diagnosticsDirectory()/fileName, replacing the old file atomically. fileName
// must be a plain file name (no directories, not "." or ".."). False on any failure, also when
// the folder cannot be made or is not a folder of this user's (a link the user made to one is
// that folder). Why is logged once while writes keep failing for the same reason.
bool writeDiagnostics(const QString& fileName, const QJsonObject& obj);

// The bytes writeDiagnostics writes for obj: pretty-printed JSON, keys sorted.
QByteArray diagnosticsBytes(const QJsonObject& obj);
// Writes bytes made by diagnosticsBytes, as writeDiagnostics does; for callers that compare
// a document with the last one written before writing it.
bool writeDiagnosticsBytes(const QString& fileName, const QByteArray& bytes);

// Where writeDiagnostics puts fileName.
QString diagnosticsPath(const QString& fileName);
// The folder: $XDG_RUNTIME_DIR/framewell when the runtime folder exists, else
// $XDG_STATE_HOME/framewell.
QString diagnosticsDirectory();

} // namespace fw
