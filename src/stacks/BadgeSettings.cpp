// The badge settings, read once and written through.
#include "stacks/BadgeSettings.h"

#include "base/UserDefaults.h"

namespace fw::stacks {

BadgeSettings::BadgeSettings(UserDefaults& defaults)
    : defaults_(defaults), enabled_(defaults.boolValue(QStringLiteral("stackBadgesEnabled"), true)),
      onEdge_(defaults.boolValue(QStringLiteral("stackBadgesOnEdge"), true)),
      autoPlace_(defaults.boolValue(QStringLiteral("stackBadgesAutoPlace"), true)), placements_(defaults)
{
}

void BadgeSettings::setEnabled(bool enabled)
{
    enabled_ = enabled;
    defaults_.setValue(QStringLiteral("stackBadgesEnabled"), enabled);
}

void BadgeSettings::setOnEdge(bool onEdge)
{
    onEdge_ = onEdge;
    defaults_.setValue(QStringLiteral("stackBadgesOnEdge"), onEdge);
}

} // namespace fw::stacks
