#pragma once

#include <QDialog>

#include "UpdateChecker.h"

class QLabel;
class QLayout;
class QProgressBar;
class QPushButton;
class QVBoxLayout;
class QWidget;

/// The About sheet: the application's name, tagline and version, and the place where the user checks for updates
/// by hand. It owns its own update checker (a new one per sheet), shows that checker's state and never shows the
/// update alert. While open it answers the "QVPerformUpdateCheck" notification with a manual check, unless one is
/// already running. Escape or "Close" dismisses it (rejected).
class AboutView final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutView)

public:
    /// A sheet whose checker uses `prompter`, `settings` (neither owned; both must outlive the sheet) and
    /// `updateOptions`.
    AboutView(UpdatePrompter &prompter, SettingsStore &settings, UpdateChecker::Options updateOptions,
        QWidget *parent = nullptr);
    ~AboutView() override;

    /// The version as shown: short version + " (" + build + ")".
    static QString versionText();

    /// The sheet's own checker.
    UpdateChecker &updater() const { return *m_updater; }

private:
    QLayout *buildHeader();
    QLayout *buildVersionRow();
    QLayout *buildUpdatesSection();
    QWidget *buildUpdateBox();
    QWidget *buildUpToDateRow();
    QWidget *buildErrorLabel();
    void buildFooter(QVBoxLayout *layout);
    void refresh();

    UpdateChecker *m_updater; // child of this sheet
    QPushButton *m_checkButton;
    QProgressBar *m_spinner;
    QWidget *m_updateBox;
    QLabel *m_availableLabel;
    QLabel *m_notesLabel;
    QWidget *m_upToDateRow;
    QLabel *m_errorLabel;
};
