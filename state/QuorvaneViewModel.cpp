#include "QuorvaneViewModel.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <set>
#include <system_error>
#include <utility>

#include <malloc.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include "FilePaths.h"
#include "QtConversions.h"
#include "RenamePipeline.h"
#include "SettingsWriteFailures.h"
#include "Unicode.h"

using QtConversions::toQString;
using QtConversions::toStdString;

namespace {

// Alerts list this many names, then how many more there are.
constexpr std::size_t listedNamesLimit = 5;
// The engine reports every 50 files; the window needs far fewer updates than that on a long batch.
constexpr auto progressInterval = std::chrono::milliseconds(50);
// Lists shorter than this are freed where they are dropped; handing them to the worker costs more.
constexpr std::size_t retireThreshold = 10000;

/// "• name" lines for the first few names, then "…and N more" when there are more.
QString bulletList(const std::vector<std::string> &names)
{
    QStringList lines;
    for (std::size_t i = 0; i < std::min(names.size(), listedNamesLimit); ++i)
        lines.append(QStringLiteral("• ") + toQString(names[i]));
    QString text = lines.join(QLatin1Char('\n'));
    if (names.size() > listedNamesLimit)
        text += QCoreApplication::translate("QuorvaneViewModel", "\n…and ")
            + QString::number(names.size() - listedNamesLimit)
            + QCoreApplication::translate("QuorvaneViewModel", " more");
    return text;
}

// What a failed rename's reason means to the user: empty for a permission refused or a file in use (the cause the
// alert names by default), otherwise a short cause. The reasons are the system's texts for errno values.
QString causeOf(const std::string &reason)
{
    std::string systemText = reason;
    if (reason.rfind("renamed to ", 0) == 0) {
        if (reason.find("because the new name appeared") != std::string::npos)
            return QCoreApplication::translate("QuorvaneViewModel", "a file with the new name already exists");
        const std::size_t colon = reason.find(": ");
        systemText = colon == std::string::npos ? std::string() : reason.substr(colon + 2);
    }
    const auto is = [&systemText](std::initializer_list<int> codes) {
        return std::any_of(codes.begin(), codes.end(),
            [&systemText](int code) { return systemText == std::generic_category().message(code); });
    };
    if (systemText.empty() || is({ EACCES, EPERM, EBUSY, ETXTBSY }))
        return {};
    if (is({ EEXIST, ENOTEMPTY }))
        return QCoreApplication::translate("QuorvaneViewModel", "a file with the new name already exists");
    if (is({ ENAMETOOLONG }))
        return QCoreApplication::translate("QuorvaneViewModel", "file name too long");
    if (is({ EROFS }))
        return QCoreApplication::translate("QuorvaneViewModel", "read-only file system");
    if (is({ ENOSPC, EDQUOT }))
        return QCoreApplication::translate("QuorvaneViewModel", "no space left on device");
    if (is({ ENOENT }))
        return QCoreApplication::translate("QuorvaneViewModel", "the file is no longer there");
    QString text = toQString(systemText);
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}

QString fileCount(std::size_t count)
{
    return QString::number(count)
        + (count == 1 ? QCoreApplication::translate("QuorvaneViewModel", " file")
                      : QCoreApplication::translate("QuorvaneViewModel", " files"));
}

/// The alert of a batch with failures. The first sentence names the cause when all failures share one (a permission
/// refused or a file in use by default); with several causes, each line carries its own.
QString renameFailureMessage(const std::vector<RenameBatchRunner::Failure> &failures)
{
    std::vector<QString> causes;
    causes.reserve(failures.size());
    for (const auto &failure : failures)
        causes.push_back(causeOf(failure.reason));
    const bool oneCause = std::all_of(causes.begin(), causes.end(), [&](const QString &c) { return c == causes[0]; });
    std::vector<std::string> names;
    names.reserve(failures.size());
    for (std::size_t i = 0; i < failures.size(); ++i) {
        const auto &failure = failures[i];
        std::string line = failure.name;
        // A file caught under its hidden temporary name is no longer where the user would look for it.
        if (failure.reason.rfind("renamed to ", 0) == 0)
            line += " (" + failure.reason + ")";
        else if (!oneCause)
            line += " ("
                + toStdString(causes[i].isEmpty()
                        ? QCoreApplication::translate("QuorvaneViewModel", "permission denied or in use")
                        : causes[i])
                + ")";
        names.push_back(std::move(line));
    }
    const QString cause = !oneCause ? QString()
        : causes[0].isEmpty()
        ? QCoreApplication::translate("QuorvaneViewModel", " (permission denied or the file may be in use)")
        : QStringLiteral(" (") + causes[0] + QLatin1Char(')');
    return fileCount(failures.size()) + QCoreApplication::translate("QuorvaneViewModel", " could not be renamed")
        + cause + QStringLiteral(":\n") + bulletList(names);
}

} // namespace

/// Carries progress from the worker thread to the main thread: the worker stores the latest count and posts a
/// delivery only when none is waiting and the last one is old enough, so the event queue holds at most one.
struct QuorvaneViewModel::ProgressRelay {
    explicit ProgressRelay(qint64 batchSize)
        : total(batchSize)
    {
    }
    const qint64 total;
    std::atomic<qint64> done { 0 };
    std::atomic<bool> queued { false };
    // Set on the main thread once the batch's result arrived; later deliveries are stale.
    bool finished = false;
    // Worker thread only.
    std::chrono::steady_clock::time_point lastPosted {};
};

QuorvaneViewModel::QuorvaneViewModel(FileAccessService &fileAccess, FileFilterService &filterService,
    FileRenameService &renameService, std::unique_ptr<RenamePresetStore> presetStore, QObject *parent)
    : QObject(parent)
    , m_fileAccess(fileAccess)
    , m_filterService(filterService)
    , m_renameService(renameService)
    , m_presetStore(std::move(presetStore))
    , m_pendingConflictPlans(std::make_shared<const std::vector<RenamePlan>>())
    , m_newestRun(std::make_shared<std::atomic<quint64>>(0))
    , m_files(std::make_shared<const std::vector<FileItem>>())
    , m_filteredFiles(m_files)
    , m_renamePlans(m_pendingConflictPlans)
    , m_statusMessage(QCoreApplication::translate("QuorvaneViewModel", "Ready"))
{
    m_pipelinePool.setMaxThreadCount(1);
    // An idle worker keeps its thread: a run per keystroke would otherwise start a thread each time.
    m_pipelinePool.setExpiryTimeout(-1);
    if (!m_presetStore) {
        m_ownSettings = std::make_unique<SettingsStoreQt>();
        m_presetStore = std::make_unique<RenamePresetStore>(*m_ownSettings);
    }
    // With `this` as the context, the connections end with the view model.
    connect(
        m_presetStore.get(), &RenamePresetStore::presetsAboutToChange, this, &QuorvaneViewModel::presetsAboutToChange);
    connect(m_presetStore.get(), &RenamePresetStore::presetsChanged, this, &QuorvaneViewModel::presetsChanged);
    // The history of earlier runs, kept by the journal store: Undo works after a restart.
    m_undoStack = historyOf(m_journalStore);
    m_canUndo = m_undoStack.canUndo();
    // Any settings write of the process (presets, the last folder, the update check's times) that fails is told
    // once; the change still holds for this session, so the window keeps working.
    connect(
        &SettingsWriteFailures::instance(), &SettingsWriteFailures::writeFailed, this, [this](const QString &reason) {
            if (m_settingsFailureShown)
                return;
            m_settingsFailureShown = true;
            presentError(QCoreApplication::translate("QuorvaneViewModel", "Quorvane could not save its settings: %1")
                             .arg(reason));
        });
}

QuorvaneViewModel::~QuorvaneViewModel()
{
    // The running task uses services the view model does not own and posts to this object; once it has ended,
    // its queued result is discarded together with this object's pending events.
    m_batch.waitForFinished();
    // No run is newer than 0: a running one stops at its next progress report.
    m_newestRun->store(0);
    m_pipelinePool.waitForDone();
}

// Published fields: every assignment announces itself, also with an unchanged value.

QString QuorvaneViewModel::selectedFolder() const
{
    return m_selectedFolderURL ? toQString(*m_selectedFolderURL) : QString();
}

void QuorvaneViewModel::setSelectedFolderURL(std::optional<std::filesystem::path> url)
{
    m_selectedFolderURL = std::move(url);
    Q_EMIT selectedFolderURLChanged();
}

void QuorvaneViewModel::setFiles(FileList files)
{
    FileList old = std::exchange(m_files, std::move(files));
    Q_EMIT filesChanged();
    const std::size_t size = old ? old->size() : 0;
    retire(std::move(old), size);
}

void QuorvaneViewModel::setFilteredFiles(FileList files)
{
    FileList old = std::exchange(m_filteredFiles, std::move(files));
    Q_EMIT filteredFilesChanged();
    const std::size_t size = old ? old->size() : 0;
    retire(std::move(old), size);
}

void QuorvaneViewModel::setRenamePlans(PlanList plans, std::size_t changedCount, bool targetsDistinct)
{
    PlanList old = std::exchange(m_renamePlans, std::move(plans));
    m_changedCount = changedCount;
    m_targetsDistinct = targetsDistinct;
    Q_EMIT renamePlansChanged();
    const std::size_t size = old ? old->size() : 0;
    retire(std::move(old), size);
}

template <typename List> void QuorvaneViewModel::retire(List list, std::size_t size)
{
    // Only the last owner frees; a list still shared (files and the filtered files are often one) stays.
    if (list && list.use_count() == 1 && size > retireThreshold)
        m_pipelinePool.start([list = std::move(list)]() mutable {
            list.reset();
            malloc_trim(0);
        });
}

void QuorvaneViewModel::setIsWorking(bool working)
{
    m_isWorking = working;
    Q_EMIT isWorkingChanged();
}

void QuorvaneViewModel::setActivityMessage(const QString &message)
{
    m_activityMessage = message;
    Q_EMIT activityMessageChanged();
}

void QuorvaneViewModel::setIsProcessing(bool processing)
{
    m_isProcessing = processing;
    Q_EMIT isProcessingChanged();
}

void QuorvaneViewModel::setStatusMessage(const QString &message)
{
    m_statusMessage = message;
    Q_EMIT statusMessageChanged();
}

void QuorvaneViewModel::setShowError(bool show)
{
    m_showError = show;
    Q_EMIT showErrorChanged();
}

void QuorvaneViewModel::setErrorMessage(const QString &message)
{
    m_errorMessage = message;
    Q_EMIT errorMessageChanged();
}

void QuorvaneViewModel::setShowConflictWarning(bool show)
{
    m_showConflictWarning = show;
    Q_EMIT showConflictWarningChanged();
}

void QuorvaneViewModel::setConflictWarningMessage(const QString &message)
{
    m_conflictWarningMessage = message;
    Q_EMIT conflictWarningMessageChanged();
}

void QuorvaneViewModel::setFilterCriteria(FileFilterCriteria criteria)
{
    setApplyArmed(true);
    m_filterCriteria = std::move(criteria);
    Q_EMIT filterCriteriaChanged();
}

void QuorvaneViewModel::setRenameParameters(RenameParameters parameters)
{
    setApplyArmed(true);
    m_renameParameters = std::move(parameters);
    Q_EMIT renameParametersChanged();
    Q_EMIT renameRulesChanged();
}

void QuorvaneViewModel::setIncludeSubfolders(bool include)
{
    setApplyArmed(true);
    m_includeSubfolders = include;
    Q_EMIT includeSubfoldersChanged();
}

void QuorvaneViewModel::setCanUndo(bool canUndo)
{
    m_canUndo = canUndo;
    Q_EMIT canUndoChanged();
}

void QuorvaneViewModel::setApplyArmed(bool armed)
{
    if (armed == m_applyArmed)
        return;
    m_applyArmed = armed;
    Q_EMIT applyArmedChanged();
}

void QuorvaneViewModel::setProgress(qint64 done, qint64 total)
{
    m_progressTotal = total;
    Q_EMIT progressTotalChanged();
    m_progressDone = done;
    Q_EMIT progressDoneChanged();
}

// Loading, filtering and the preview.

void QuorvaneViewModel::loadFolder(const std::filesystem::path &url)
{
    setApplyArmed(true);
    releaseFolderAccess();
    // With scoped access off there is no access scope to open, so nothing can be refused here.
    m_currentAccessingURL = url;
    setSelectedFolderURL(url);
    m_loadingFolder = url;
    requestPipeline(listStage | filterStage | planStage);
}

void QuorvaneViewModel::applyFilters()
{
    if (!m_selectedFolderURL) {
        // Nothing to list or plan: the lists are empty and stay so, at once.
        setFilteredFiles(
            std::make_shared<const std::vector<FileItem>>(RenamePipeline::filter(*m_files, m_filterCriteria)));
        updateRenamePlans();
        setStatusMessage(
            QCoreApplication::translate("QuorvaneViewModel", "%1 items after filtering").arg(m_filteredFiles->size()));
        return;
    }
    requestPipeline(filterStage | planStage);
}

void QuorvaneViewModel::updateRenamePlans()
{
    if (!m_selectedFolderURL) {
        setRenamePlans(std::make_shared<const std::vector<RenamePlan>>(), 0, true);
        return;
    }
    requestPipeline(planStage);
}

RenamePipeline::Planner QuorvaneViewModel::currentPlanner() const
{
    return RenamePipeline::plannerFor(m_renameService, renameRules());
}

/// Everything one worker run needs and makes. The inputs are set on the main thread before the run starts and
/// the results read there after it ended; only the progress fields are shared while it runs.
struct QuorvaneViewModel::PipelineRun {
    quint64 id = 0;
    unsigned stages = 0;
    std::filesystem::path folder;
    bool includeSubfolders = false;
    FileFilterCriteria criteria;
    FileOrder order = FileOrder::name;
    bool ascending = true;
    RenamePipeline::Planner planner;
    FileList files;
    FileList filtered;

    std::optional<Error> listingError;
    std::optional<FolderIdentity> identity;
    std::vector<std::string> leftOutLines;
    FileListing::LeftOut leftOut;
    PlanList plans;
    RenamePipeline::Preview preview;

    enum class Activity { listing, sorting, filtering, planning };
    std::atomic<Activity> activity { Activity::listing };
    std::atomic<qint64> done { 0 };
    std::atomic<qint64> total { 0 };
    std::atomic<bool> queued { false };
    // Worker thread only.
    std::chrono::steady_clock::time_point lastPosted {};
};

void QuorvaneViewModel::requestPipeline(unsigned stages)
{
    // What a superseded run was to publish is still owed, so the newest run does it too.
    m_owedStages |= stages;
    auto run = std::make_shared<PipelineRun>();
    run->id = ++m_runCount;
    run->stages = m_owedStages;
    run->folder = m_loadingFolder;
    run->includeSubfolders = m_includeSubfolders;
    run->criteria = m_filterCriteria;
    run->order = m_fileOrder;
    run->ascending = m_fileOrderAscending;
    run->planner = currentPlanner();
    run->files = m_files;
    run->filtered = m_filteredFiles;
    m_newestRun->store(run->id);

    setIsWorking(true);
    setActivityMessage((run->stages & listStage) ? QCoreApplication::translate("QuorvaneViewModel", "Listing files…")
                                                 : QCoreApplication::translate("QuorvaneViewModel", "Planning…"));
    // A running batch keeps the progress bar to itself.
    if (!m_isProcessing)
        setProgress(0, 0);

    const std::shared_ptr<std::atomic<quint64>> newest = m_newestRun;
    const FileAccessService &fileAccess = m_fileAccess;
    m_pipelinePool.start([this, run, newest, &fileAccess] {
        // Stores the count, posts it to the main thread now and then, and tells a superseded run to stop.
        const auto report = [this, &run, &newest](PipelineRun::Activity activity, qint64 done, qint64 total) {
            run->activity.store(activity);
            run->done.store(done);
            run->total.store(total);
            const auto now = std::chrono::steady_clock::now();
            if (now - run->lastPosted >= progressInterval && !run->queued.exchange(true)) {
                run->lastPosted = now;
                QMetaObject::invokeMethod(
                    this, [this, run] { deliverPipelineProgress(run); }, Qt::QueuedConnection);
            }
            return newest->load() == run->id;
        };
        const auto current = [&run, &newest] { return newest->load() == run->id; };
        if (!current())
            return;

        if (run->stages & listStage) {
            // Taken before and after listing: a batch runs only in the folder that was listed.
            run->identity = FolderIdentity::of(run->folder);
            Result<FileListing> listing = RenamePipeline::listSorted(
                fileAccess, run->folder, run->includeSubfolders, [&](std::int64_t done, std::int64_t total) {
                    // The count is known once the listing is complete; sorting comes next.
                    return report(
                        total > 0 ? PipelineRun::Activity::sorting : PipelineRun::Activity::listing, done, total);
                });
            if (FolderIdentity::of(run->folder) != run->identity)
                run->identity = FolderIdentity {};
            if (!current())
                return;
            if (listing) {
                run->leftOutLines = listing->leftOutLines();
                run->leftOut = std::move(listing->leftOut);
                if (run->order != FileOrder::name || !run->ascending)
                    sortFiles(listing->files, run->order, run->ascending);
                run->files = std::make_shared<const std::vector<FileItem>>(std::move(listing->files));
            } else {
                run->listingError = listing.error();
            }
        }
        if (!run->listingError) {
            if ((run->stages & sortStage) && !(run->stages & listStage)) {
                report(PipelineRun::Activity::sorting, static_cast<qint64>(run->files->size()), 0);
                std::vector<FileItem> sorted = *run->files;
                sortFiles(sorted, run->order, run->ascending);
                run->files = std::make_shared<const std::vector<FileItem>>(std::move(sorted));
                if (!current())
                    return;
            }
            if (run->stages & filterStage) {
                report(PipelineRun::Activity::filtering, 0, static_cast<qint64>(run->files->size()));
                // A filter that keeps every file keeps them in order: the listing itself serves, at no memory. The
                // empty filter (sizes are never negative) is not even run, as it would copy every record.
                if (run->criteria == FileFilterCriteria {}) {
                    run->filtered = run->files;
                } else {
                    std::vector<FileItem> passed = RenamePipeline::filter(*run->files, run->criteria);
                    run->filtered = passed.size() == run->files->size()
                        ? run->files
                        : std::make_shared<const std::vector<FileItem>>(std::move(passed));
                }
            }
            const auto count = static_cast<qint64>(run->filtered->size());
            if (!report(PipelineRun::Activity::planning, 0, count))
                return;
            run->preview
                = RenamePipeline::plan(run->planner, *run->filtered, [&](std::int64_t done, std::int64_t total) {
                      return report(PipelineRun::Activity::planning, done, total);
                  });
            if (run->preview.stopped || !current())
                return;
            run->plans = std::make_shared<const std::vector<RenamePlan>>(std::move(run->preview.plans));
        }
        // Sort keys and the planner's sets are gone; their pages go back to the system. A small folder's few
        // pages are not worth the walk over the whole heap after every keystroke.
        if (run->files && run->files->size() > retireThreshold)
            malloc_trim(0);
        QMetaObject::invokeMethod(
            this, [this, run] { finishPipeline(run); }, Qt::QueuedConnection);
    });
}

void QuorvaneViewModel::deliverPipelineProgress(const std::shared_ptr<PipelineRun> &run)
{
    run->queued.store(false);
    if (run->id != m_runCount)
        return;
    const qint64 done = run->done.load();
    const qint64 total = run->total.load();
    switch (run->activity.load()) {
    case PipelineRun::Activity::listing:
        setActivityMessage(QCoreApplication::translate("QuorvaneViewModel", "Listing files… %1").arg(done));
        break;
    case PipelineRun::Activity::sorting:
        setActivityMessage(QCoreApplication::translate("QuorvaneViewModel", "Sorting %1 files…").arg(done));
        break;
    case PipelineRun::Activity::filtering:
        setActivityMessage(QCoreApplication::translate("QuorvaneViewModel", "Filtering %1 files…").arg(total));
        break;
    case PipelineRun::Activity::planning:
        setActivityMessage(QCoreApplication::translate("QuorvaneViewModel", "Planning %1 of %2…").arg(done).arg(total));
        break;
    }
    if (!m_isProcessing)
        setProgress(done, total);
}

void QuorvaneViewModel::finishPipeline(const std::shared_ptr<PipelineRun> &run)
{
    // A newer run is on its way and will publish this run's stages too.
    if (run->id != m_runCount)
        return;
    m_owedStages = 0;
    const bool loaded = (run->stages & listStage) != 0;
    if (loaded)
        m_folderIdentity = run->identity;
    if (run->listingError) {
        // The previous folder's lists stay, so the window keeps showing something coherent.
        setActivityMessage(QString());
        setIsWorking(false);
        presentError(toQString(run->listingError->message));
    } else {
        if (loaded) {
            m_listingNotice = QtConversions::toQStringList(run->leftOutLines).join(QStringLiteral("; "));
            m_filesNotShown = run->leftOut.notWritable;
            m_filesNotShownNames = QtConversions::toQStringList(run->leftOut.notWritableNames);
        }
        if (loaded || (run->stages & sortStage))
            setFiles(run->files);
        if (run->stages & filterStage)
            setFilteredFiles(run->filtered);
        setRenamePlans(std::move(run->plans), run->preview.changedCount, run->preview.targetsDistinct);
        QString notice = m_listingNotice;
        if (const std::string line = run->preview.timedOutLine(); !line.empty())
            notice += (notice.isEmpty() ? QString() : QStringLiteral("; ")) + toQString(line);
        setNotice(notice);
        // The run's own inputs go with it; they may be the only owners of a large superseded list.
        run->files.reset();
        run->filtered.reset();
        setActivityMessage(QString());
        setIsWorking(false);
        if (run->stages & filterStage)
            setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "%1 items after filtering")
                                 .arg(m_filteredFiles->size()));
        if (loaded)
            setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "Loaded %1 items").arg(m_files->size()));
    }
    std::vector<std::function<void()>> steps = std::move(m_afterPipeline);
    m_afterPipeline.clear();
    for (const auto &step : steps)
        step();
}

void QuorvaneViewModel::afterPipeline(std::function<void()> step)
{
    if (m_owedStages == 0)
        step();
    else
        m_afterPipeline.push_back(std::move(step));
}

void QuorvaneViewModel::setNotice(const QString &notice)
{
    m_notice = notice;
    Q_EMIT noticeChanged();
}

void QuorvaneViewModel::presentError(const QString &message)
{
    setErrorMessage(message);
    setShowError(true);
    setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "Error"));
}

void QuorvaneViewModel::releaseFolderAccess()
{
    // No access scope is ever opened while scoped access is off; only the record is cleared.
    m_currentAccessingURL.reset();
}

// Applying and undoing.

bool QuorvaneViewModel::changesName(const RenamePlan &plan)
{
    return RenamePipeline::changesName(plan);
}

void QuorvaneViewModel::applyRename()
{
    // Two batches over the same files at once could rename a file twice or lose it from the history.
    if (m_isProcessing || !m_applyArmed)
        return;
    if (!m_selectedFolderURL) {
        presentError(QCoreApplication::translate("QuorvaneViewModel", "Please select a folder first."));
        return;
    }
    // The preview shown is not the one of the current settings yet.
    if (m_isWorking)
        return;
    // Counted and checked by the worker with the preview, so that a large one is not walked again here.
    if (m_changedCount == 0) {
        setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "No changes to apply"));
        return;
    }
    if (!m_targetsDistinct) {
        // The preview itself waits for the answer; the worker leaves out its unchanged plans when it runs.
        m_pendingConflictPlans = m_renamePlans;
        m_pendingConflictCount = m_changedCount;
        setConflictWarningMessage(QString::number(m_changedCount)
            + QStringLiteral(" files will be renamed.\nSome filenames may collide with existing files on disk.\n"
                             "Quorvane has automatically appended suffixes to resolve most conflicts.\n\n"
                             "Continue with caution?"));
        setShowConflictWarning(true);
        return;
    }
    startRename(m_renamePlans, true, static_cast<std::int64_t>(m_changedCount), *m_selectedFolderURL);
}

void QuorvaneViewModel::proceedWithPendingRename()
{
    if (m_isProcessing || !m_selectedFolderURL || m_pendingConflictCount == 0)
        return;
    startRename(m_pendingConflictPlans, true, static_cast<std::int64_t>(m_pendingConflictCount), *m_selectedFolderURL);
}

std::shared_ptr<QuorvaneViewModel::ProgressRelay> QuorvaneViewModel::startProgress(qint64 total)
{
    setProgress(0, total);
    return std::make_shared<ProgressRelay>(total);
}

FileRenameService::ProgressCallback QuorvaneViewModel::progressCallback(const std::shared_ptr<ProgressRelay> &relay)
{
    // Runs on the worker thread: it touches only the relay and posts to the main thread.
    return [this, relay](std::int64_t done, std::int64_t total) {
        relay->done.store(done);
        const auto now = std::chrono::steady_clock::now();
        if (done != total && now - relay->lastPosted < progressInterval)
            return;
        // A delivery already waiting will read the count just stored.
        if (relay->queued.exchange(true))
            return;
        relay->lastPosted = now;
        QMetaObject::invokeMethod(
            this, [this, relay] { deliverProgress(relay); }, Qt::QueuedConnection);
    };
}

void QuorvaneViewModel::deliverProgress(const std::shared_ptr<ProgressRelay> &relay)
{
    // Cleared before reading, so that a count stored meanwhile either is read now or posts a new delivery.
    relay->queued.store(false);
    if (relay->finished)
        return;
    setProgress(relay->done.load(), relay->total);
}

void QuorvaneViewModel::performRename(std::vector<RenamePlan> plans, std::filesystem::path folder)
{
    const auto count = static_cast<std::int64_t>(plans.size());
    startRename(std::make_shared<const std::vector<RenamePlan>>(std::move(plans)), false, count, std::move(folder));
}

void QuorvaneViewModel::startRename(PlanList plans, bool onlyChanged, std::int64_t count, std::filesystem::path folder)
{
    if (m_isProcessing)
        return;
    setIsProcessing(true);
    setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "Renaming..."));
    auto relay = startProgress(count);
    auto progress = progressCallback(relay);
    m_batch = QtConcurrent::run(QThreadPool::globalInstance(),
        [this, plans = std::move(plans), onlyChanged, folder = std::move(folder), listed = m_folderIdentity, relay,
            progress] {
            // A preview where every plan changes a name (the usual case) is applied as it is, without a copy.
            const bool copy = onlyChanged && std::any_of(plans->begin(), plans->end(), [](const RenamePlan &plan) {
                return !RenamePipeline::changesName(plan);
            });
            auto result
                = batchResult(copy ? applyJournaled(RenamePipeline::changedPlans(*plans), folder, listed, progress)
                                   : applyJournaled(*plans, folder, listed, progress));
            QMetaObject::invokeMethod(
                this,
                [this, result = std::move(result), folder, relay]() mutable {
                    relay->finished = true;
                    finishRename(std::move(result), folder);
                },
                Qt::QueuedConnection);
        });
}

void QuorvaneViewModel::finishRename(BatchResultPointer result, const std::filesystem::path &folder)
{
    finishBatch(std::move(result), folder, &QuorvaneViewModel::reportRename);
}

void QuorvaneViewModel::finishBatch(BatchResultPointer result, const std::filesystem::path &folder,
    void (QuorvaneViewModel::*report)(const BatchResult &))
{
    setProgress(m_progressTotal, m_progressTotal);
    // What could not be restored by an undo stays in the journal's history as its newest entry.
    adoptHistory(std::move(result->history));
    // The lists shown describe the folder as it was before the batch. A large folder's would stay in memory beside
    // the new ones the reload builds, two generations of every record and plan at once; they are dropped first
    // (and freed by the worker before it lists), and the window shows empty lists, working, until the reload's
    // result arrives. Apply stays disabled meanwhile, as the batch still counts as running.
    if (m_files->size() >= retireThreshold || m_renamePlans->size() >= retireThreshold) {
        auto none = std::make_shared<const std::vector<RenamePlan>>();
        if (m_pendingConflictPlans == m_renamePlans)
            m_pendingConflictPlans = none;
        setFiles(std::make_shared<const std::vector<FileItem>>());
        setFilteredFiles(m_files);
        setRenamePlans(std::move(none), 0, true);
    }
    loadFolder(folder);
    // The report follows the reloaded folder, as it would if the reload held the main thread.
    afterPipeline([this, result = std::move(result), report]() mutable {
        (this->*report)(*result);
        const std::size_t size = result->outcome.failures.size();
        retire(std::move(result), size);
    });
}

QuorvaneViewModel::BatchResultPointer QuorvaneViewModel::batchResult(RenameBatchRunner::Outcome outcome) const
{
    auto result = std::make_shared<BatchResult>();
    result->outcome = std::move(outcome);
    result->history = historyOf(m_journalStore);
    // The batch's lists are gone; their pages go back to the system rather than waiting in the allocator.
    malloc_trim(0);
    return result;
}

void QuorvaneViewModel::adoptHistory(FileUndoService history)
{
    auto old = std::make_shared<FileUndoService>(std::exchange(m_undoStack, std::move(history)));
    std::size_t size = 0;
    for (const auto &batch : old->stack())
        size += batch.size();
    retire(std::move(old), size);
    setCanUndo(m_undoStack.canUndo());
}

void QuorvaneViewModel::reportRename(const BatchResult &result)
{
    const RenameBatchRunner::Outcome &outcome = result.outcome;
    const std::size_t renamed = result.outcome.renamedCount;
    const auto &failures = outcome.failures;
    if (outcome.error && failures.empty()) {
        setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "Renamed %1 items").arg(renamed));
        presentError(toQString(*outcome.error));
    } else if (!failures.empty()) {
        setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "Renamed %1, %2 failed")
                             .arg(renamed)
                             .arg(failures.size()));
        presentError(renameFailureMessage(failures));
    } else {
        setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "Renamed %1 items").arg(renamed));
    }
    // The reload above re-armed Apply; the preview now shows the next round, which a second click would apply.
    setApplyArmed(renamed == 0);
    setIsProcessing(false);
    m_pendingConflictPlans = std::make_shared<const std::vector<RenamePlan>>();
    m_pendingConflictCount = 0;
}

void QuorvaneViewModel::undoLastRename()
{
    if (m_isProcessing)
        return;
    if (!m_selectedFolderURL) {
        presentError(QCoreApplication::translate("QuorvaneViewModel", "No folder selected."));
        return;
    }
    // The history as the last batch (or the start) left it; the worker reads the journal's newest entry again
    // and takes that back, so that reading a large history never holds the main thread.
    if (!m_undoStack.canUndo())
        return;
    setIsProcessing(true);
    setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "Undoing last rename..."));
    auto relay = startProgress(static_cast<qint64>(m_undoStack.stack().back().size()));
    auto progress = progressCallback(relay);
    m_batch = QtConcurrent::run(QThreadPool::globalInstance(), [this, folder = *m_selectedFolderURL, relay, progress] {
        auto result = batchResult(undoJournaled(progress));
        QMetaObject::invokeMethod(
            this,
            [this, result = std::move(result), folder, relay]() mutable {
                relay->finished = true;
                finishUndo(std::move(result), folder);
            },
            Qt::QueuedConnection);
    });
}

void QuorvaneViewModel::finishUndo(BatchResultPointer result, const std::filesystem::path &folder)
{
    finishBatch(std::move(result), folder, &QuorvaneViewModel::reportUndo);
}

void QuorvaneViewModel::reportUndo(const BatchResult &result)
{
    const RenameBatchRunner::Outcome &outcome = result.outcome;
    const auto &failed = outcome.failures;
    const auto restoredCount = static_cast<qint64>(result.outcome.renamedCount);
    if (outcome.error && failed.empty()) {
        setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "Reverted %1 items").arg(restoredCount));
        presentError(toQString(*outcome.error));
    } else if (!failed.empty()) {
        setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "Reverted %1, %2 could not be restored")
                             .arg(restoredCount)
                             .arg(failed.size()));
        // Listed in the order the undo tried them, under the names the files still have.
        std::vector<std::string> names;
        names.reserve(failed.size());
        for (const auto &failure : failed)
            names.push_back(FilePaths::lastComponent(failure.name));
        presentError(fileCount(failed.size())
            + QStringLiteral(" could not be restored (the original name may be in use or the file is locked). "
                             "They remain available for another Undo attempt:\n")
            + bulletList(names));
    } else {
        setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "Reverted %1 items").arg(restoredCount));
    }
    setIsProcessing(false);
}

// Reordering, presets and the small operations.

void QuorvaneViewModel::moveFile(const QString &draggedPath, const QString &targetPath)
{
    const std::string dragged = toStdString(draggedPath);
    const std::string target = toStdString(targetPath);
    const auto indexOf = [this](const std::string &path) -> std::optional<std::size_t> {
        const std::vector<FileItem> &filtered = *m_filteredFiles;
        // The path as listed is the usual case; only another spelling of it needs every path normalised.
        for (std::size_t i = 0; i < filtered.size(); ++i) {
            if (filtered[i].url.text() == path)
                return i;
        }
        const std::string normalized = Unicode::toNFD(path);
        for (std::size_t i = 0; i < filtered.size(); ++i) {
            if (Unicode::toNFD(filtered[i].url.text()) == normalized)
                return i;
        }
        return std::nullopt;
    };
    const auto from = indexOf(dragged);
    const auto to = indexOf(target);
    if (!from || !to || *from == *to)
        return;

    std::vector<FileItem> reordered = *m_filteredFiles;
    FileItem moved = std::move(reordered[*from]);
    reordered.erase(reordered.begin() + static_cast<std::ptrdiff_t>(*from));
    reordered.insert(reordered.begin() + static_cast<std::ptrdiff_t>(*to), std::move(moved));
    auto reorderedList = std::make_shared<const std::vector<FileItem>>(std::move(reordered));

    // The filtered files are copies of files of `files`, in the same order, and every record has an id of its own:
    // walking both once puts the reordered ones into the places of the visible ones. A filter that keeps every
    // file keeps the one list.
    FileList rebuiltList = reorderedList;
    if (m_files != m_filteredFiles) {
        std::vector<FileItem> rebuilt = *m_files;
        const std::vector<FileItem> &visible = *m_filteredFiles;
        std::size_t next = 0;
        for (FileItem &item : rebuilt) {
            if (next < visible.size() && item.id == visible[next].id)
                item = (*reorderedList)[next++];
        }
        if (next != visible.size())
            return;
        rebuiltList = std::make_shared<const std::vector<FileItem>>(std::move(rebuilt));
    }
    setApplyArmed(true);
    // The preview's rows move at once, with the names they had; the names follow once the worker replanned.
    if (m_renamePlans->size() == m_filteredFiles->size()) {
        std::vector<RenamePlan> plans = *m_renamePlans;
        RenamePlan plan = std::move(plans[*from]);
        plans.erase(plans.begin() + static_cast<std::ptrdiff_t>(*from));
        plans.insert(plans.begin() + static_cast<std::ptrdiff_t>(*to), std::move(plan));
        setRenamePlans(
            std::make_shared<const std::vector<RenamePlan>>(std::move(plans)), m_changedCount, m_targetsDistinct);
    }
    setFiles(std::move(rebuiltList));
    setFilteredFiles(std::move(reorderedList));
    updateRenamePlans();
}

void QuorvaneViewModel::moveFileToEnd(const QString &draggedPath)
{
    // The last file dragged onto itself is no move; moveFile knows it by any spelling.
    if (!m_filteredFiles->empty())
        moveFile(draggedPath, toQString(m_filteredFiles->back().url));
}

void QuorvaneViewModel::saveCurrentAsPreset(const QString &name)
{
    // A std::set is already in plain ascending byte order, which for UTF-8 is code point order.
    const QStringList extensions = QtConversions::toQStringList(m_filterCriteria.includeExtensions);
    m_presetStore->savePreset(name, renameRules(), m_includeSubfolders, extensions, m_fileOrder, m_fileOrderAscending);
}

void QuorvaneViewModel::applyPreset(const RenamePreset &preset)
{
    const bool wasIncludingSubfolders = m_includeSubfolders;
    setRenameRules(preset.ruleList());
    setIncludeSubfolders(preset.includeSubfolders);
    FileFilterCriteria criteria = m_filterCriteria;
    const std::vector<std::string> extensions = QtConversions::toStdStrings(preset.includeExtensions);
    criteria.includeExtensions = std::set<std::string>(extensions.begin(), extensions.end());
    setFilterCriteria(std::move(criteria));
    const bool orderChanges = preset.order != m_fileOrder || preset.orderAscending != m_fileOrderAscending;
    if (m_includeSubfolders != wasIncludingSubfolders && m_selectedFolderURL) {
        // The new listing is sorted in the preset's order.
        if (orderChanges) {
            m_fileOrder = preset.order;
            m_fileOrderAscending = preset.orderAscending;
            Q_EMIT fileOrderChanged();
        }
        loadFolder(*m_selectedFolderURL);
    } else if (orderChanges) {
        setFileOrder(preset.order, preset.orderAscending);
    } else {
        applyFilters();
    }
}

void QuorvaneViewModel::selectStrategy(RenameStrategy strategy)
{
    RenameParameters parameters = m_renameParameters;
    parameters.strategy = strategy;
    if (strategy == RenameStrategy::dateName)
        parameters.preserveExtension = true;
    setRenameParameters(std::move(parameters));
    updateRenamePlans();
}

void QuorvaneViewModel::toggleIncludeSubfolders()
{
    setIncludeSubfolders(!m_includeSubfolders);
    if (m_selectedFolderURL)
        loadFolder(*m_selectedFolderURL);
}

void QuorvaneViewModel::toggleRegularExpression()
{
    RenameParameters parameters = m_renameParameters;
    parameters.useRegularExpression = !parameters.useRegularExpression;
    setRenameParameters(std::move(parameters));
    updateRenamePlans();
}

void QuorvaneViewModel::setIncludeExtensions(const QString &text)
{
    FileFilterCriteria criteria = m_filterCriteria;
    criteria.includeExtensions = FileFilterService::parseExtensionList(toStdString(text));
    setFilterCriteria(std::move(criteria));
    applyFilters();
}

void QuorvaneViewModel::setFileOrder(FileOrder order, bool ascending)
{
    m_fileOrder = order;
    m_fileOrderAscending = ascending;
    Q_EMIT fileOrderChanged();
    setApplyArmed(true);
    if (!m_selectedFolderURL) {
        applyFilters();
        return;
    }
    requestPipeline(sortStage | filterStage | planStage);
}

void QuorvaneViewModel::openSelectedFolder()
{
    if (m_selectedFolderURL)
        Q_EMIT openFolderRequested(toQString(*m_selectedFolderURL));
}
