#include "MessageBoxUpdatePrompter.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QList>
#include <QMessageBox>
#include <QPushButton>

UpdateAlert::Choice MessageBoxUpdatePrompter::askToUpdate(const UpdateAlert &alert)
{
    if (m_window) {
        m_window->raise();
        m_window->activateWindow();
    }
    QMessageBox box(QMessageBox::Information, QStringLiteral("Quorvane"), alert.messageText, QMessageBox::NoButton,
        m_window.data());
    box.setObjectName(QStringLiteral("updateAlert"));
    box.setInformativeText(alert.informativeText);
    const QStringList titles = UpdateAlert::buttonTitles();
    QList<QAbstractButton *> buttons;
    for (qsizetype index = 0; index < titles.size(); ++index) {
        // The last button (remind later) is the one Escape chooses.
        const QMessageBox::ButtonRole role = index == 0 ? QMessageBox::AcceptRole
            : index + 1 == titles.size()                ? QMessageBox::RejectRole
                                                        : QMessageBox::DestructiveRole;
        buttons.append(box.addButton(titles.at(index), role));
    }
    if (!buttons.isEmpty()) {
        box.setDefaultButton(qobject_cast<QPushButton *>(buttons.first()));
        box.setEscapeButton(buttons.last());
    }
    box.exec();
    return UpdateAlert::choiceForButton(buttons.indexOf(box.clickedButton()));
}

void MessageBoxUpdatePrompter::openUrl(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}
