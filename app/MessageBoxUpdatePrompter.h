#pragma once

#include <QPointer>
#include <QWidget>

#include "UpdatePrompter.h"

/// The update alert as a QMessageBox over the main window, and web addresses opened through QDesktopServices.
class MessageBoxUpdatePrompter final : public UpdatePrompter {
public:
    /// The window that is raised and that parents the alert; without one the alert has no parent.
    void setWindow(QWidget *window) { m_window = window; }

    /// Raises the window, shows the alert modally and returns the button chosen ("Remind Me Later" when the alert
    /// is closed without one).
    UpdateAlert::Choice askToUpdate(const UpdateAlert &alert) override;
    void openUrl(const QUrl &url) override;

private:
    QPointer<QWidget> m_window;
};
