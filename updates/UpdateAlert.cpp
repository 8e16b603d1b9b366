#include "UpdateAlert.h"

#include <QCoreApplication>

QStringList UpdateAlert::buttonTitles()
{
    return { QCoreApplication::translate("UpdateAlert", "Download"),
        QCoreApplication::translate("UpdateAlert", "Skip This Version"),
        QCoreApplication::translate("UpdateAlert", "Remind Me Later") };
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
    alert.messageText = QCoreApplication::translate("UpdateAlert", "Quorvane ") + info.latestVersion
        + QCoreApplication::translate("UpdateAlert", " is available");
    alert.informativeText
        = QCoreApplication::translate("UpdateAlert", "You are running version ") + currentVersion + u'.';
    if (info.releaseNotes && !info.releaseNotes->isEmpty())
        alert.informativeText += QCoreApplication::translate("UpdateAlert", "\n\nWhat's New:\n") + *info.releaseNotes;
    return alert;
}
