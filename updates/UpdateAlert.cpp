#include "UpdateAlert.h"

QStringList UpdateAlert::buttonTitles()
{
    return { QStringLiteral("Download"), QStringLiteral("Skip This Version"), QStringLiteral("Remind Me Later") };
}

UpdateAlert::Choice UpdateAlert::choiceForButton(qsizetype index)
{
    switch (index) {
    case 0:
        return Choice::download;
    case 1:
        return Choice::skipThisVersion;
    default:
        return Choice::remindMeLater;
    }
}

UpdateAlert UpdateAlert::forRelease(const UpdateInfo &info, const QString &currentVersion)
{
    UpdateAlert alert;
    alert.messageText = QStringLiteral("Quorvane ") + info.latestVersion + QStringLiteral(" is available");
    alert.informativeText = QStringLiteral("You are running version ") + currentVersion + u'.';
    if (info.releaseNotes && !info.releaseNotes->isEmpty())
        alert.informativeText += QStringLiteral("\n\nWhat's New:\n") + *info.releaseNotes;
    return alert;
}
