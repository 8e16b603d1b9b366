#include "AppVersion.h"

QString AppVersion::shortVersion()
{
    const QString version = QStringLiteral(QUORVANE_SHORT_VERSION);
    return version.isEmpty() ? QStringLiteral("1.0") : version;
}

QString AppVersion::buildNumber()
{
    const QString build = QStringLiteral(QUORVANE_BUILD_NUMBER);
    return build.isEmpty() ? QStringLiteral("1") : build;
}
