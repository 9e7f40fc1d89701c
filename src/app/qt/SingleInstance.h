#pragma once
// One running copy per user. The first copy holds a lock file and listens on a local socket,
// both in $XDG_RUNTIME_DIR (else the temporary directory, in a folder named with the user id).
// A later copy finds the lock held, asks the running copy to open again (its Getting Started
// window) and ends with status 0. A lock left by a process that no longer runs is taken over.
//
//   SingleInstance instance;
//   if (instance.claim() == SingleInstance::Claim::another) return 0;   // told the first copy
//   instance.onReopen = [&] { delegate.reopen(); };

#include <QLockFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;

namespace fw {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Claim {
        first,     // this copy runs; it listens for later copies
        another,   // another copy runs and was asked to open again
        failed,    // neither could be decided (no writable folder); this copy runs without the guard
    };

    // dir: where the lock and the socket live; the per-user default when empty.
    explicit SingleInstance(QString dir = {});
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR, else <temp>/framewell-<uid>.
    static QString defaultDirectory();
    QString lockPath() const;
    QString socketPath() const;

    Claim claim();
    // Called on the main thread when a later copy asks this one to open again.
    std::function<void()> onReopen;

private:
    bool listen();
    // Asks the running copy to open again: true once the request is written to it.
    bool askRunningCopy(int remainingMs) const;

    QString dir_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
};

} // namespace fw
