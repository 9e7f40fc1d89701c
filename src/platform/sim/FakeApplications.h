#pragma once
// In-memory applications for tests: entries are added and removed by the test.

#include "platform/Applications.h"

#include <map>

namespace fw {

class FakeApplications final : public Applications {
public:
    // Adds or replaces the application with entry.id.
    void add(ApplicationEntry entry);
    void add(const QString& id, const QString& name, const QString& icon = {});
    void remove(const QString& id);
    // How many lookups by id were answered (hits and misses).
    int lookups() const { return lookups_; }

    std::optional<ApplicationEntry> entry(const QString& id) const override;
    std::vector<ApplicationEntry> installed() const override;
    QStringList folders() const override { return folders_; }
    void setFolders(QStringList folders) { folders_ = std::move(folders); }

private:
    std::map<QString, ApplicationEntry> entries_;
    QStringList folders_;
    mutable int lookups_ = 0;
};

} // namespace fw
