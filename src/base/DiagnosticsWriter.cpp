// Writes a diagnostic JSON file atomically into the temporary directory, refusing names with paths.
#include "base/DiagnosticsWriter.h"

#include "base/AtomicFile.h"
#include "base/Log.h"
#include "base/XdgDirs.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

namespace fw {

namespace {

bool isPlainFileName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

} // namespace

QString diagnosticsPath(const QString& fileName) { return QDir(temporaryFolder()).filePath(fileName); }

QByteArray diagnosticsBytes(const QJsonObject& obj) { return QJsonDocument(obj).toJson(QJsonDocument::Indented); }

bool writeDiagnostics(const QString& fileName, const QJsonObject& obj)
{
    return writeDiagnosticsBytes(fileName, diagnosticsBytes(obj));
}

bool writeDiagnosticsBytes(const QString& fileName, const QByteArray& bytes)
{
    if (!isPlainFileName(fileName)) {
        log::error(LogCategory::App, "Diagnostics not written: invalid file name \"%{public}s\"", fileName);
        return false;
    }
    // A temporary directory that does not exist comes back empty, which would name the
    // working directory.
    if (const QString dir = temporaryFolder(); !QFileInfo(dir).isDir()) {
        log::error(LogCategory::App, "Diagnostics not written: the temporary directory %{public}s does not exist", dir);
        return false;
    }
    QString error;
    if (!writeFileAtomically(diagnosticsPath(fileName), bytes, &error)) {
        log::error(LogCategory::App, "Diagnostics not written: %{public}s", error);
        return false;
    }
    return true;
}

} // namespace fw
