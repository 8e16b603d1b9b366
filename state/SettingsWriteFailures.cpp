#include "SettingsWriteFailures.h"

SettingsWriteFailures &SettingsWriteFailures::instance()
{
    static SettingsWriteFailures failures;
    return failures;
}
