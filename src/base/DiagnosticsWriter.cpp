#include "base/DiagnosticsWriter.h"

#include "base/AtomicFile.h"
#include "base/Log.h"

#include <QDir>
#include <QJsonDocument>

namespace fw {

namespace {

bool isPlainFileName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

} // namespace

QString diagnosticsPath(const QString& fileName) { return QDir(QDir::tempPath()).filePath(fileName); }

bool writeDiagnostics(const QString& fileName, const QJsonObject& obj)
{
    if (!isPlainFileName(fileName)) {
        log::error(LogCategory::App, "Diagnostics not written: invalid file name \"%{public}s\"", fileName);
        return false;
    }
    QString error;
    if (!writeFileAtomically(diagnosticsPath(fileName), QJsonDocument(obj).toJson(QJsonDocument::Indented), &error)) {
        log::error(LogCategory::App, "Diagnostics not written: %{public}s", error);
        return false;
    }
    return true;
}

} // namespace fw
