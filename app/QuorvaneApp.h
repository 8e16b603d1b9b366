#pragma once

#include <memory>

#include "FileAccessService.h"
#include "FileFilterService.h"
#include "FileRenameService.h"
#include "FolderChooserRequest.h"
#include "MessageBoxUpdatePrompter.h"
#include "SettingsStoreQt.h"
#include "UpdateChecker.h"

class MainWindow;
class QApplication;
class QuorvaneViewModel;

/// The application: the composition root that builds the services, the view model and the update checker once,
/// the main window over them, and the automatic update check five seconds after the window first appears.
/// Closing the window quits the application. Main thread only; the QApplication must exist first.
class QuorvaneApp final {
public:
    /// What a run may replace; the defaults are the real desktop.
    struct Options {
        /// Asks the user for a folder; empty means the QFileDialog-based chooser.
        FolderChooser folderChooser;
        /// The update checkers' settings (the automatic one and those of the About sheets).
        UpdateChecker::Options updateOptions = UpdateChecker::Options::fromBuildSettings();
    };

    /// Names the application and organisation "Quorvane", selects the "Adwaita" icon theme and sets the window
    /// icon. Call once, before building a QuorvaneApp.
    static void configureApplication(QApplication &application);

    /// Builds, in order: the view model's folder access (with the chooser and the settings store), the filter,
    /// the rename engine's own folder access, the shared photo metadata reader, the rename service, the view
    /// model, the update checker and the (hidden) main window.
    explicit QuorvaneApp(Options options);
    /// The application with the real desktop's chooser and the build's update server.
    QuorvaneApp();
    ~QuorvaneApp();
    QuorvaneApp(const QuorvaneApp &) = delete;
    QuorvaneApp &operator=(const QuorvaneApp &) = delete;

    /// Shows the main window; its first appearance restores the last folder and schedules the automatic check.
    void show();

    MainWindow &mainWindow() const { return *m_window; }
    QuorvaneViewModel &viewModel() const { return *m_viewModel; }
    UpdateChecker &updateChecker() const { return *m_updateChecker; }

private:
    SettingsStoreQt m_settings;
    FileAccessService m_fileAccess;
    FileFilterService m_filterService;
    FileAccessService m_renameFileAccess;
    FileRenameService m_renameService;
    std::unique_ptr<QuorvaneViewModel> m_viewModel;
    MessageBoxUpdatePrompter m_prompter;
    std::unique_ptr<UpdateChecker> m_updateChecker;
    // Last, so that the window and its sheets go before everything they use.
    std::unique_ptr<MainWindow> m_window;
};
