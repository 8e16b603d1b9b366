#pragma once

#include <QString>
#include <QStringList>

#include "UpdateInfo.h"

/// The alert that announces a newer release after an automatic check: its texts and its buttons.
struct UpdateAlert final {
    /// The user's answer, one per button.
    enum class Choice { download, skipThisVersion, remindMeLater };

    /// The main text: "Quorvane " + version + " is available".
    QString messageText;
    /// "You are running version " + running version + ".", then "\n\nWhat's New:\n" and the notes when there are.
    QString informativeText;

    /// The buttons' titles in the order they are shown, the first being the default: "Download",
    /// "Skip This Version", "Remind Me Later".
    static QStringList buttonTitles();
    /// The choice that the button at `index` of `buttonTitles()` stands for; out-of-range indexes (an alert
    /// closed without a button) mean "Remind Me Later".
    static Choice choiceForButton(qsizetype index);

    /// The alert for `info` while `currentVersion` runs. Empty notes count as none.
    static UpdateAlert forRelease(const UpdateInfo &info, const QString &currentVersion);

    friend bool operator==(const UpdateAlert &, const UpdateAlert &) = default;
};
