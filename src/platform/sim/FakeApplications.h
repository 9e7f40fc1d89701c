#pragma once
// In-memory applications for tests: entries are added and removed by the test. Launching an
// installed application records its id and runs what the test scripted for it (a window that
// appears later, two windows, nothing). The test says which entry started a process.

#include "platform/Applications.h"

#include <functional>
#include <map>
#include <set>

namespace fw {

class FakeApplications final : public Applications {
public:
    // Adds or replaces the application with entry.id.
    void add(ApplicationEntry entry);
    void add(const QString& id, const QString& name, const QString& icon = {});
    void remove(const QString& id);

    std::optional<ApplicationEntry> entry(const QString& id) const override;
    std::vector<ApplicationEntry> installed() const override;
    bool launch(const QString& id) const override;
    std::optional<ProcessLaunch> launchOf(Pid pid) const override;
    // A launch runs from its start until the test ends it (the time limit is not looked at).
    bool launchRunning(const QString& id, std::chrono::nanoseconds) const override { return running_.count(id) > 0; }
    // The process was started from this entry (as the launch records or its environment tell).
    void setLaunch(Pid pid, ProcessLaunch launch) { launches_[pid] = std::move(launch); }
    // The names the process's program goes by.
    void setProgramNames(Pid pid, QStringList names) { programs_[pid] = std::move(names); }
    QStringList programNames(Pid pid) const override
    {
        const auto it = programs_.find(pid);
        return it == programs_.end() ? QStringList() : it->second;
    }

    // What launching the application does besides being recorded.
    void onLaunch(const QString& id, std::function<void()> action) { actions_[id] = std::move(action); }
    // The ids launched, in order (only installed ones start).
    const QStringList& launched() const { return launched_; }
    QStringList folders() const override { return folders_; }

private:
    std::map<QString, ApplicationEntry> entries_;
    QStringList folders_;
    std::map<QString, std::function<void()>> actions_;
    mutable QStringList launched_;
    std::map<Pid, ProcessLaunch> launches_;
    std::map<Pid, QStringList> programs_;
    mutable std::set<QString> running_;
};

} // namespace fw
