// In-memory applications for tests: added, removed and looked up by id; launches are recorded
// and run the test's scripted action, for installed applications only.
#include "platform/sim/FakeApplications.h"

namespace fw {

void FakeApplications::add(ApplicationEntry entry)
{
    QString id = entry.id;
    entries_[id] = std::move(entry);
}

void FakeApplications::add(const QString& id, const QString& name, const QString& icon)
{
    ApplicationEntry e;
    e.id = id;
    e.name = name;
    e.icon = icon;
    e.path = u"/fake/applications/"_qs + id + u".desktop"_qs;
    add(std::move(e));
}

void FakeApplications::remove(const QString& id) { entries_.erase(id); }

std::optional<ApplicationEntry> FakeApplications::entry(const QString& id) const
{
    auto it = entries_.find(id);
    if (it == entries_.end())
        return std::nullopt;
    return it->second;
}

bool FakeApplications::launch(const QString& id) const
{
    if (!entries_.count(id))
        return false;
    launched_ << id;
    running_.insert(id);
    if (const auto action = actions_.find(id); action != actions_.end() && action->second) {
        const auto run = action->second;
        run();
    }
    return true;
}

std::optional<ProcessLaunch> FakeApplications::launchOf(Pid pid) const
{
    const auto it = launches_.find(pid);
    if (it == launches_.end() || !entries_.count(it->second.id))
        return std::nullopt;
    return it->second;
}

std::vector<ApplicationEntry> FakeApplications::installed() const
{
    std::vector<ApplicationEntry> out;
    for (const auto& [id, e] : entries_)
        out.push_back(e);
    return out;
}

} // namespace fw
