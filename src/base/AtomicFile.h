#pragma once
// Durable whole-file replacement: a crash or a full disk at any moment leaves either the old
// contents or the new ones under the path, never a mix.

#include <QByteArray>
#include <QString>

namespace fw {

// Writes data to a temporary file beside `path`, syncs it, renames it over `path` and syncs
// the directory. Creates missing parent directories. On failure the old file is untouched,
// the temporary file is removed and `error` (when given) says why.
bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr);

} // namespace fw
