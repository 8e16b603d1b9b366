#pragma once

#include <QString>

/// The version texts of this build, fixed when it is configured.
namespace AppVersion {

/// The short version shown to users and compared with the update feed, such as "1.0".
QString shortVersion();
/// The build number, "1" unless the build sets another.
QString buildNumber();

} // namespace AppVersion
