#include "NotificationHub.h"

NotificationHub &NotificationHub::instance()
{
    static NotificationHub hub;
    return hub;
}

void NotificationHub::post(const QString &name)
{
    Q_EMIT posted(name);
}
