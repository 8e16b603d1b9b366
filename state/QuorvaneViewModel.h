#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QFuture>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include "FileAccessService.h"
#include "FileFilterCriteria.h"
#include "FileFilterService.h"
#include "FileItem.h"
#include "FileSorting.h"
#include "FileRenameService.h"
#include "FileUndoService.h"
#include "RenameParameters.h"
#include "RenamePipeline.h"
#include "RenamePlan.h"
#include "RenamePreset.h"
#include "RenameRule.h"
#include "RenameBatchRunner.h"
#include "RenameJournal.h"
#include "RenamePresetStore.h"
#include "SettingsStoreQt.h"

/// Everything the main window shows, and every operation the user can start: loading a folder, filtering,
/// the live rename preview, applying and undoing batches, drag reordering and presets.
///
/// Threads: the view model lives on the main thread and every operation must be called there. Published fields
/// change only on the main thread, and each assignment emits its change signal, also when the value is the same.
/// Listing, sorting, filtering and planning run on a worker thread of the view model's own, the renaming of an
/// apply or undo on Qt's global thread pool; results and progress come back to the main thread as queued calls.
/// `loadFolder`, `applyFilters` and `updateRenamePlans` return at once: `isWorking` is true until their result
/// is published, in the order the synchronous steps would publish it. A request made meanwhile supersedes the
/// running one (which stops early), and the newest request's result also carries the stages of those it
/// superseded, so a keystroke never brings back an older preview.
class QuorvaneViewModel final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuorvaneViewModel)

    Q_PROPERTY(QString selectedFolder READ selectedFolder NOTIFY selectedFolderURLChanged)
    Q_PROPERTY(bool isProcessing READ isProcessing NOTIFY isProcessingChanged)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(QString notice READ notice NOTIFY noticeChanged)
    Q_PROPERTY(bool showError READ showError WRITE setShowError NOTIFY showErrorChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(bool showConflictWarning READ showConflictWarning WRITE setShowConflictWarning NOTIFY
            showConflictWarningChanged)
    Q_PROPERTY(QString conflictWarningMessage READ conflictWarningMessage NOTIFY conflictWarningMessageChanged)
    Q_PROPERTY(bool includeSubfolders READ includeSubfolders WRITE setIncludeSubfolders NOTIFY includeSubfoldersChanged)
    Q_PROPERTY(bool canUndo READ canUndo NOTIFY canUndoChanged)
    Q_PROPERTY(bool applyArmed READ applyArmed NOTIFY applyArmedChanged)
    Q_PROPERTY(qint64 progressDone READ progressDone NOTIFY progressDoneChanged)
    Q_PROPERTY(qint64 progressTotal READ progressTotal NOTIFY progressTotalChanged)
    Q_PROPERTY(bool isWorking READ isWorking NOTIFY isWorkingChanged)
    Q_PROPERTY(QString activityMessage READ activityMessage NOTIFY activityMessageChanged)

public:
    /// A view model over the given services (not owned; they must outlive it). When `presetStore` is null, the
    /// view model builds one over the application's settings file under `RenamePresetStore::defaultStorageKey`. Starts
    /// with no folder, empty lists, the status "Ready" and an empty undo history of ten batches; loads nothing.
    QuorvaneViewModel(FileAccessService &fileAccess, FileFilterService &filterService, FileRenameService &renameService,
        std::unique_ptr<RenamePresetStore> presetStore = nullptr, QObject *parent = nullptr);
    /// Waits for a running apply or undo to finish (the services it uses are not owned); its result is dropped.
    ~QuorvaneViewModel() override;

    // Published fields.

    /// The folder being shown; set at the start of every load and never cleared.
    const std::optional<std::filesystem::path> &selectedFolderURL() const { return m_selectedFolderURL; }
    /// The selected folder's path, empty when none is selected.
    QString selectedFolder() const;
    /// The folder's files in display order: sorted by name at load, reordered by dragging.
    const std::vector<FileItem> &files() const { return *m_files; }
    /// The files that passed the filter when it last ran, in the order of `files`.
    const std::vector<FileItem> &filteredFiles() const { return *m_filteredFiles; }
    /// The preview: one plan per filtered file, in the same order.
    const std::vector<RenamePlan> &renamePlans() const { return *m_renamePlans; }
    /// True while an apply or undo runs; no other batch can start meanwhile.
    bool isProcessing() const { return m_isProcessing; }
    QString statusMessage() const { return m_statusMessage; }
    /// What the last listing and preview could not use and why, one cause per part, joined by "; " ("3 files left
    /// out: not writable; 12 names left unchanged: the pattern took too long"); empty when nothing was left out.
    /// Set with every preview.
    QString notice() const { return m_notice; }
    /// How many files the last listing left out because they cannot be renamed (not writable: read-only, locked),
    /// and the first few of their paths relative to the folder. Set by every load that lists, before
    /// `filteredFilesChanged`.
    qint64 filesNotShown() const { return m_filesNotShown; }
    const QStringList &filesNotShownNames() const { return m_filesNotShownNames; }
    /// Whether the error alert is up; the alert sets it back to false when dismissed.
    bool showError() const { return m_showError; }
    void setShowError(bool show);
    QString errorMessage() const { return m_errorMessage; }
    /// Whether the conflict alert is up; the alert sets it back to false when answered.
    bool showConflictWarning() const { return m_showConflictWarning; }
    void setShowConflictWarning(bool show);
    QString conflictWarningMessage() const { return m_conflictWarningMessage; }
    /// The filter in force. Setting it changes nothing else until `applyFilters()` is called.
    const FileFilterCriteria &filterCriteria() const { return m_filterCriteria; }
    void setFilterCriteria(FileFilterCriteria criteria);
    /// The rename settings in force. Setting them changes nothing else until `updateRenamePlans()` is called.
    /// They are the settings of the rule being edited (`editedRuleIndex`) of `renameRules`.
    const RenameParameters &renameParameters() const { return m_renameParameters; }
    void setRenameParameters(RenameParameters parameters);
    /// The rules of the batch in order, the edited one holding `renameParameters`. Never empty.
    RenameRuleList renameRules() const;
    /// The position of the rule whose settings `renameParameters` shows and edits.
    int editedRuleIndex() const { return m_editedRuleIndex; }
    /// Takes a whole rule list (an empty one becomes one disabled rule with the default settings, which changes
    /// no name) and edits its rule at `editedIndex` (kept inside the list). Changes nothing else until
    /// `updateRenamePlans()` is called.
    void setRenameRules(RenameRuleList rules, int editedIndex = 0);
    /// Whether subfolders are listed too. Setting it does not reload; `toggleIncludeSubfolders()` does.
    bool includeSubfolders() const { return m_includeSubfolders; }
    void setIncludeSubfolders(bool include);
    /// Whether the undo history held a batch at the end of the last apply or undo.
    bool canUndo() const { return m_canUndo; }
    /// False from the end of a batch that renamed something until a setting, the filter, the subfolder switch or
    /// the order changes, the folder is listed again or another one is loaded (an undo also re-arms): the preview
    /// then already shows the next round, and one more click must not rename every file again. `applyRename()`
    /// does nothing meanwhile.
    bool applyArmed() const { return m_applyArmed; }
    /// Files handled so far by the running (or last) apply, undo, listing or planning, and the size of that work
    /// (0 while a listing cannot know it yet). Updated at most about twenty times a second while work runs, and
    /// once more at the end of a batch.
    qint64 progressDone() const { return m_progressDone; }
    qint64 progressTotal() const { return m_progressTotal; }
    /// True from a load, filter or preview request until its result is published; the preview is then not the
    /// one of the current settings, so an apply does nothing meanwhile.
    bool isWorking() const { return m_isWorking; }
    /// What the worker is doing while `isWorking` ("Listing files… 12000", "Planning 5000 of 100000…"); empty
    /// otherwise.
    QString activityMessage() const { return m_activityMessage; }

    // Services and history.

    /// The folder listing service; the views use its `chooseFolder` and `restoreLastFolder`.
    FileAccessService &fileAccess() const { return m_fileAccess; }
    /// The saved presets; the views read `presets` and call `deletePreset` on it.
    RenamePresetStore &presetStore() const { return *m_presetStore; }
    /// The undo history, newest batch last.
    const FileUndoService &undoStack() const { return m_undoStack; }
    /// The preview whose changed plans wait for the user's answer to the conflict alert (shared with the preview,
    /// not copied); empty when none wait.
    const std::vector<RenamePlan> &pendingConflictPlans() const { return *m_pendingConflictPlans; }

    // Loading, filtering and the preview.

    /// Sets `selectedFolderURL` to `url` at once, then lists it (with subfolders when `includeSubfolders`),
    /// sorts by name, filters and plans on the worker; the status then reads "Loaded N items". When the folder
    /// cannot be listed, the error alert shows the reason and the three lists keep their contents, while
    /// `selectedFolderURL` already names `url`.
    void loadFolder(const std::filesystem::path &url);
    /// Recomputes `filteredFiles` and the preview from `files` on the worker; the status then reads "N items after
    /// filtering". Without a folder it runs at once.
    Q_INVOKABLE void applyFilters();
    /// Recomputes `renamePlans` from `filteredFiles` on the worker (at once and empty without a folder). Leaves the
    /// status alone.
    Q_INVOKABLE void updateRenamePlans();
    /// Shows `message` in the error alert and sets the status to "Error". The first failed settings write of the
    /// process during the view model's life comes here too ("Quorvane could not save its settings: <reason>").
    void presentError(const QString &message);
    /// Forgets the folder whose access the view model holds (bookkeeping only on Linux).
    Q_INVOKABLE void releaseFolderAccess();

    // Applying and undoing.

    /// Applies the preview's changed plans, after the conflict alert when two of them share a target. Does
    /// nothing at all while a batch runs.
    Q_INVOKABLE void applyRename();
    /// The conflict alert's "Proceed Anyway": runs the pending plans. Does nothing while a batch runs.
    Q_INVOKABLE void proceedWithPendingRename();
    /// Starts renaming `plans` off the main thread and returns at once; on completion records the undo batch,
    /// reloads `folder` and reports. Does nothing while a batch runs.
    void performRename(std::vector<RenamePlan> plans, std::filesystem::path folder);
    /// Undoes the newest batch off the main thread; failed restores go back onto the history. Does nothing while
    /// a batch runs or when the history is empty.
    Q_INVOKABLE void undoLastRename();

    /// "A rename of N files in FOLDER was interrupted." for the oldest batch of the journal store that was cut
    /// short (a crash, a kill, a power cut) and is not running now; empty when there is none.
    Q_INVOKABLE QString interruptedBatchMessage() const;
    /// Finishes (`finish`) or takes back the interrupted batch of `interruptedBatchMessage` off the main thread,
    /// like an apply: busy state, status "Recovered N items", the folder reloaded, failures in the error alert.
    /// Does nothing while a batch runs or when there is no interrupted batch.
    Q_INVOKABLE void recoverInterruptedBatch(bool finish);

    /// Whether a plan changes the name, comparing the names under canonical equivalence.
    static bool changesName(const RenamePlan &plan);

    // Reordering, presets and the small operations.

    /// The dragged file takes the target's place among the filtered files; files hidden by the filter keep
    /// their positions. Paths compare under canonical equivalence. Unknown paths, or the same file, do nothing.
    Q_INVOKABLE void moveFile(const QString &draggedPath, const QString &targetPath);
    /// The dragged file becomes the last filtered file.
    Q_INVOKABLE void moveFileToEnd(const QString &draggedPath);
    /// Saves the rename settings, the subfolder switch, the included extensions (sorted) and the numbering order as
    /// a preset.
    Q_INVOKABLE void saveCurrentAsPreset(const QString &name);
    /// Takes the preset's settings and numbering order; lists the folder again only when the subfolder switch
    /// changes (and sorts the files again when only the order does).
    void applyPreset(const RenamePreset &preset);
    /// Chooses the strategy (a date name also keeps the extension from now on) and replans.
    void selectStrategy(RenameStrategy strategy);
    /// Edits the rule at `index` (ignored outside the list); the preview does not change.
    Q_INVOKABLE void selectRule(int index);
    /// Adds a rule with the default settings and `strategy` after the last one, edits it and replans.
    void addRule(RenameStrategy strategy);
    /// Removes the rule at `index` unless it is the only one; the rule after it (or the new last one) is edited
    /// when it was; replans.
    Q_INVOKABLE void removeRule(int index);
    /// Moves the rule at `from` to position `to` (both kept inside the list; the edited rule stays edited) and
    /// replans. The same position or one outside the list does nothing.
    Q_INVOKABLE void moveRule(int from, int to);
    /// Switches the rule at `index` on or off and replans.
    Q_INVOKABLE void setRuleEnabled(int index, bool enabled);
    /// Inverts the subfolder switch and reloads the selected folder, if any.
    Q_INVOKABLE void toggleIncludeSubfolders();
    /// Inverts the regular-expression switch and replans.
    Q_INVOKABLE void toggleRegularExpression();
    /// Takes the include extensions from the text typed by the user ("png, jpg") and filters again.
    Q_INVOKABLE void setIncludeExtensions(const QString &text);
    /// The order files are numbered in (and listed): by name, ascending, until the user chooses another. A
    /// choice sorts the files on the worker, then filters and plans (published like `applyFilters`), and at every
    /// load; dragging still reorders on top of it.
    FileOrder fileOrder() const { return m_fileOrder; }
    bool fileOrderAscending() const { return m_fileOrderAscending; }
    void setFileOrder(FileOrder order, bool ascending);
    /// Asks the platform to show the selected folder in the file browser, through `openFolderRequested`;
    /// nothing without a folder.
    Q_INVOKABLE void openSelectedFolder();

Q_SIGNALS:
    void selectedFolderURLChanged();
    void filesChanged();
    void filteredFilesChanged();
    void renamePlansChanged();
    void isProcessingChanged();
    void statusMessageChanged();
    void noticeChanged();
    void showErrorChanged();
    void errorMessageChanged();
    void showConflictWarningChanged();
    void conflictWarningMessageChanged();
    void filterCriteriaChanged();
    void renameParametersChanged();
    /// The rule list or the edited rule changed (also announced with every change of `renameParameters`).
    void renameRulesChanged();
    void includeSubfoldersChanged();
    void canUndoChanged();
    void applyArmedChanged();
    void fileOrderChanged();
    void progressDoneChanged();
    void progressTotalChanged();
    void isWorkingChanged();
    void activityMessageChanged();
    /// Forwarded from the preset store: its list is about to change / has changed.
    void presetsAboutToChange();
    void presetsChanged();
    /// The folder at `path` should be opened in the platform's file browser (the window connects this to the
    /// desktop services, which this layer does not link).
    void openFolderRequested(const QString &path);

private:
    struct ProgressRelay;
    /// One run of the worker: its inputs, what it reports while it runs, and its results.
    struct PipelineRun;
    using FileList = std::shared_ptr<const std::vector<FileItem>>;
    using PlanList = std::shared_ptr<const std::vector<RenamePlan>>;
    /// The stages of a run. A run also performs the stages of the runs it supersedes, whose results are dropped.
    enum Stage : unsigned { listStage = 1, sortStage = 2, filterStage = 4, planStage = 8 };
    /// What a batch hands back to the main thread: its outcome and the undo history read after it, both made on
    /// the batch's thread (a history of a million steps takes seconds to read).
    struct BatchResult {
        RenameBatchRunner::Outcome outcome;
        FileUndoService history;
    };
    using BatchResultPointer = std::shared_ptr<BatchResult>;

    void setSelectedFolderURL(std::optional<std::filesystem::path> url);
    void setFiles(FileList files);
    void setFilteredFiles(FileList files);
    void setRenamePlans(PlanList plans, std::size_t changedCount, bool targetsDistinct);
    void setIsWorking(bool working);
    void setActivityMessage(const QString &message);
    void setIsProcessing(bool processing);
    void setStatusMessage(const QString &message);
    void setNotice(const QString &notice);
    void setErrorMessage(const QString &message);
    void setConflictWarningMessage(const QString &message);
    void setCanUndo(bool canUndo);
    void setApplyArmed(bool armed);
    void setProgress(qint64 done, qint64 total);

    std::shared_ptr<ProgressRelay> startProgress(qint64 total);
    FileRenameService::ProgressCallback progressCallback(const std::shared_ptr<ProgressRelay> &relay);
    void deliverProgress(const std::shared_ptr<ProgressRelay> &relay);
    /// The rename settings bound into the planning stage.
    RenamePipeline::Planner currentPlanner() const;
    /// Starts a worker run of `stages` (plus those still owed by a superseded run) over the current settings.
    void requestPipeline(unsigned stages);
    /// On the main thread: publishes a run's results, unless a newer run superseded it.
    void finishPipeline(const std::shared_ptr<PipelineRun> &run);
    void deliverPipelineProgress(const std::shared_ptr<PipelineRun> &run);
    /// Runs `step` once the pending worker run has published its results (at once when none is pending).
    void afterPipeline(std::function<void()> step);
    /// Hands a list no longer shown to the worker, so that freeing a large one does not hold the main thread.
    template <typename List> void retire(List list, std::size_t size);
    /// Starts renaming off the main thread; `onlyChanged` leaves out the plans that change no name.
    void startRename(PlanList plans, bool onlyChanged, std::int64_t count, std::filesystem::path folder);
    void finishRename(BatchResultPointer result, const std::filesystem::path &folder);
    void reportRename(const BatchResult &result);
    void finishUndo(BatchResultPointer result, const std::filesystem::path &folder);
    void reportUndo(const BatchResult &result);
    /// Runs on the batch's thread: the outcome and the history as the batch left it.
    BatchResultPointer batchResult(RenameBatchRunner::Outcome outcome) const;
    /// The undo history as the journal store keeps it across restarts; callable on any thread.
    static FileUndoService historyOf(const RenameJournalStore &store);
    /// Takes the history a batch read, frees the old one off the main thread and publishes `canUndo`.
    void adoptHistory(FileUndoService history);
    /// After a batch: the history adopted, the folder reloaded, then `report` run and the result freed off the
    /// main thread.
    void finishBatch(BatchResultPointer result, const std::filesystem::path &folder,
        void (QuorvaneViewModel::*report)(const BatchResult &));
    /// Runs on the worker thread: the plans as one journaled batch in `folder`.
    RenameBatchRunner::Outcome applyJournaled(const std::vector<RenamePlan> &plans, const std::filesystem::path &folder,
        std::optional<FolderIdentity> listed, const FileRenameService::ProgressCallback &progress);
    /// Runs on the worker thread: the newest entry of the history taken back (nothing done when it is empty).
    RenameBatchRunner::Outcome undoJournaled(const FileRenameService::ProgressCallback &progress);

    FileAccessService &m_fileAccess;
    FileFilterService &m_filterService;
    FileRenameService &m_renameService;
    // Declared before the store built over it, so that it is destroyed after the store.
    std::unique_ptr<SettingsStoreQt> m_ownSettings;
    std::unique_ptr<RenamePresetStore> m_presetStore;
    FileUndoService m_undoStack;
    // Every batch runs under a journal here; the undo history above mirrors its history.
    RenameJournalStore m_journalStore;
    std::optional<FolderIdentity> m_folderIdentity;
    std::optional<std::filesystem::path> m_currentAccessingURL;
    PlanList m_pendingConflictPlans;
    std::size_t m_pendingConflictCount = 0;
    QFuture<void> m_batch;

    // The worker: one thread, so runs and the freeing of retired lists take turns.
    QThreadPool m_pipelinePool;
    // The id of the newest run; older runs read it to stop early.
    std::shared_ptr<std::atomic<quint64>> m_newestRun;
    quint64 m_runCount = 0;
    unsigned m_owedStages = 0;
    std::filesystem::path m_loadingFolder;
    std::vector<std::function<void()>> m_afterPipeline;
    bool m_isWorking = false;
    QString m_activityMessage;

    std::optional<std::filesystem::path> m_selectedFolderURL;
    // Shared with the worker, which reads them while the main thread shows them; never changed in place.
    FileList m_files;
    FileList m_filteredFiles;
    PlanList m_renamePlans;
    std::size_t m_changedCount = 0;
    bool m_targetsDistinct = true;
    bool m_isProcessing = false;
    QString m_statusMessage;
    QString m_notice;
    // The listing's part of the notice, kept until the next load.
    QString m_listingNotice;
    qint64 m_filesNotShown = 0;
    QStringList m_filesNotShownNames;
    bool m_showError = false;
    QString m_errorMessage;
    bool m_showConflictWarning = false;
    QString m_conflictWarningMessage;
    FileFilterCriteria m_filterCriteria;
    RenameParameters m_renameParameters;
    // The rule list; the edited rule's settings are kept in m_renameParameters, not here.
    RenameRuleList m_renameRules = singleRule(RenameParameters {});
    int m_editedRuleIndex = 0;
    bool m_includeSubfolders = false;
    bool m_canUndo = false;
    bool m_applyArmed = true;
    FileOrder m_fileOrder = FileOrder::name;
    bool m_fileOrderAscending = true;
    qint64 m_progressDone = 0;
    qint64 m_progressTotal = 0;
    bool m_settingsFailureShown = false;
};
