#pragma once

#include <QPointer>
#include <QWidget>

#include "UpdateChecker.h"

class AboutView;
class QMessageBox;
class QSplitter;
class QuorvaneViewModel;

/// The main window's content: the settings sidebar and the detail pane side by side in a splitter, the view
/// model's "Error" and "Conflicts Detected" alerts, and the About sheet. On its first appearance it reopens the
/// last folder. It observes "QVShowAbout" and "QVCheckForUpdates" on the notification hub and, one event-loop
/// turn after the latter, posts "QVPerformUpdateCheck" for the sheet it opened. Main thread only.
class ContentView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ContentView)

public:
    /// Content over `viewModel` (not owned; must outlive it). About sheets build their update checkers from
    /// `prompter`, `settings` (neither owned; both must outlive this view) and `aboutUpdateOptions`.
    ContentView(QuorvaneViewModel &viewModel, UpdatePrompter &prompter, SettingsStore &settings,
        UpdateChecker::Options aboutUpdateOptions, QWidget *parent = nullptr);
    ~ContentView() override;

    /// Whether the About sheet is requested. Setting it opens the sheet (window-modal, not blocking) or closes
    /// it; closing the sheet sets it back to false.
    bool showAbout() const { return m_showAbout; }
    void setShowAbout(bool show);
    /// The open About sheet, or null.
    AboutView *aboutView() const;

    /// Asks the user for a folder and loads it; a cancelled chooser keeps what was shown.
    void chooseFolder();

Q_SIGNALS:
    /// Emitted after `showAbout` changed value.
    void showAboutChanged();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void syncErrorAlert();
    void syncConflictAlert();
    void restoreLastFolder();
    /// At start: asks what to do about a batch that was cut short ("Finish Renaming", "Undo the Renamed Files",
    /// "Later").
    void askAboutInterruptedBatch();

    QuorvaneViewModel &m_viewModel;
    UpdatePrompter &m_prompter;
    SettingsStore &m_settings;
    UpdateChecker::Options m_aboutUpdateOptions;
    QSplitter *m_splitter;
    bool m_showAbout = false;
    bool m_appeared = false;
    QPointer<AboutView> m_aboutView;
    QPointer<QMessageBox> m_errorAlert;
    QPointer<QMessageBox> m_conflictAlert;
};
