#pragma once

#include <QMainWindow>

#include "UpdateChecker.h"

class ContentView;
class QAction;
class QuorvaneViewModel;

/// The one window of the application, titled "Quorvane": the content view and the menus. The "File" menu holds
/// the folder and rename commands and Quit; the "Help" menu posts "QVShowAbout" and "QVCheckForUpdates" on the
/// notification hub. The commands' enabled states follow the view model as it changes. Right after a batch is
/// applied, Ctrl+Z undoes it even while a text field has the focus (a field would otherwise take the keystroke
/// and undo its own typing), until the user types in a field again. Closing the window quits the application.
class MainWindow final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    /// A window over `viewModel` (not owned; must outlive it); `prompter`, `settings` and `aboutUpdateOptions` are
    /// handed to the content view for its About sheets.
    MainWindow(QuorvaneViewModel &viewModel, UpdatePrompter &prompter, SettingsStore &settings,
        UpdateChecker::Options aboutUpdateOptions, QWidget *parent = nullptr);
    ~MainWindow() override;

    ContentView &contentView() const { return *m_contentView; }
    /// Whether Ctrl+Z takes back the batch just applied wherever the focus is: from the end of an applied batch
    /// until the user types in a field, an undo runs or the batch is otherwise superseded.
    bool undoesBatchFromAnyField() const { return m_undoFromAnyField; }

    bool eventFilter(QObject *watched, QEvent *event) override;

Q_SIGNALS:
    /// Emitted once, the first time the window is shown.
    void firstShown();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void updateCommandStates();
    /// After a batch: Ctrl+Z means the batch, and the text fields forget what was typed before it.
    void armUndoFromAnyField();

    QuorvaneViewModel &m_viewModel;
    ContentView *m_contentView;
    QAction *m_refreshAction = nullptr;
    QAction *m_previewAction = nullptr;
    QAction *m_applyAction = nullptr;
    QAction *m_undoAction = nullptr;
    bool m_shown = false;
    bool m_undoFromAnyField = false;
};
