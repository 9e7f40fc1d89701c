#pragma once
// Whole small files, read and written safely. A read takes a regular file only, never blocks
// and never goes past its bound: a FIFO, a device, a directory or a link to one is refused from
// its status before it is opened, and the opened file is checked again (the path may change in
// between). A write replaces the file atomically: a crash or a full disk at any moment leaves
// either the old contents or the new ones under the path, never a mix, and no temporary file.
//
//   const FileRead entry = readRegularFile(path, 64 * 1024);
//   if (entry.ok()) parse(entry.data); else if (!entry.absent()) log(entry.problem);

#include <QByteArray>
#include <QString>

namespace fw {

struct FileRead {
    enum class Status {
        ok,          // data holds the whole file
        absent,      // nothing at the path
        notRegular,  // a directory, FIFO, device, socket, or a link to one or to nothing
        tooLarge,    // larger than the bound, by its status or while it was read
        failed,      // the system refused (permissions, I/O)
    };
    Status status = Status::failed;
    QByteArray data;
    QString problem;   // why it was not read, as a phrase ("it is a FIFO"); empty when ok

    bool ok() const { return status == Status::ok; }
    bool absent() const { return status == Status::absent; }
};

// Reads the file at `path` when it is a regular file of at most maxBytes; a link is followed,
// to a regular file only. Reads one chunk past the bound at most, for a file that grows.
FileRead readRegularFile(const QString& path, qint64 maxBytes);
// The same answer by the file's status alone, reading nothing (`data` stays empty): for a file
// another library will open.
FileRead checkRegularFile(const QString& path, qint64 maxBytes);

// What a write does with a symbolic link at the path: replace the link itself with the new
// file, or write the file the link leads to and keep the link (a dotfile manager's link). Only
// files under the user's own folders may follow links: in a shared folder a planted link would
// turn the write onto another file.
enum class LinkAtPath { replace, writeTarget };

// The file a write through a link at `path` lands on: the end of the chain of links (relative
// targets taken from each link's folder), or `path` itself when it is no link. A chain too long
// to follow ends where it stops; a write then fails on it.
QString linkChainEnd(const QString& path);

// Writes data to a temporary file beside the file written, syncs it, renames it over that file
// and syncs the directory. Creates missing parent directories (those a link leads into, in the
// home folder only). The temporary file has no name until the rename (O_TMPFILE), so a write cut
// short leaves nothing; where the file system has no such files it is named
// ".<name>.tmp-<random>" and locked while it is written. On failure the old file is untouched,
// the temporary file is removed, `error` (when given) says why and `errorNumber` (when given)
// holds the system's error (errno).
bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr,
                         LinkAtPath link = LinkAtPath::replace, int* errorNumber = nullptr);

// Removes, from the folder, the temporary files that writes of ours cut short left there (a
// process killed between naming its file and the rename, or on a file system without unnamed
// files): regular files of this user with one name, named as ours (for files whose names
// start with prefix only, in a folder others write in too), that no write holds. A start
// calls it for the folders it writes in. Returns how many were removed.
int removeLeftoverTemporaryFiles(const QString& dir, const QString& prefix = {});

} // namespace fw
