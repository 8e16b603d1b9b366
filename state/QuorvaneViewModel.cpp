#include "QuorvaneViewModel.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <set>
#include <system_error>
#include <unordered_set>
#include <utility>

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
    , m_statusMessage(QCoreApplication::translate("QuorvaneViewModel", "Ready"))
{
    if (!m_presetStore) {
        m_ownSettings = std::make_unique<SettingsStoreQt>();
        m_presetStore = std::make_unique<RenamePresetStore>(*m_ownSettings);
    }
    // With `this` as the context, the connections end with the view model.
    connect(
        m_presetStore.get(), &RenamePresetStore::presetsAboutToChange, this, &QuorvaneViewModel::presetsAboutToChange);
    connect(m_presetStore.get(), &RenamePresetStore::presetsChanged, this, &QuorvaneViewModel::presetsChanged);
    // The history of earlier runs, kept by the journal store: Undo works after a restart.
    reloadHistory();
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

void QuorvaneViewModel::setFiles(std::vector<FileItem> files)
{
    m_files = std::move(files);
    Q_EMIT filesChanged();
}

void QuorvaneViewModel::setFilteredFiles(std::vector<FileItem> files)
{
    m_filteredFiles = std::move(files);
    Q_EMIT filteredFilesChanged();
}

void QuorvaneViewModel::setRenamePlans(std::vector<RenamePlan> plans)
{
    m_renamePlans = std::move(plans);
    Q_EMIT renamePlansChanged();
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

    // Taken before and after listing: a batch runs only in the folder that was listed.
    m_folderIdentity = FolderIdentity::of(url);
    Result<FileListing> listing = RenamePipeline::listSorted(m_fileAccess, url, m_includeSubfolders);
    if (FolderIdentity::of(url) != m_folderIdentity)
        m_folderIdentity = FolderIdentity {};
    if (!listing) {
        // The previous folder's lists stay, so the window keeps showing something coherent.
        presentError(toQString(listing.error().message));
        return;
    }
    m_listingNotice = QtConversions::toQStringList(listing->leftOutLines()).join(QStringLiteral("; "));
    m_filesNotShown = listing->leftOut.notWritable;
    m_filesNotShownNames = QtConversions::toQStringList(listing->leftOut.notWritableNames);
    if (m_fileOrder != FileOrder::name || !m_fileOrderAscending)
        sortFiles(listing->files, m_fileOrder, m_fileOrderAscending);
    setFiles(std::move(listing->files));
    applyFilters();
    setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "Loaded %1 items").arg(m_files.size()));
}

void QuorvaneViewModel::applyFilters()
{
    // As in updateRenamePlans: the old list's memory is reused; no signal is emitted before it is replaced.
    std::vector<FileItem>().swap(m_filteredFiles);
    setFilteredFiles(RenamePipeline::filter(m_files, m_filterCriteria));
    updateRenamePlans();
    setStatusMessage(
        QCoreApplication::translate("QuorvaneViewModel", "%1 items after filtering").arg(m_filteredFiles.size()));
}

void QuorvaneViewModel::updateRenamePlans()
{
    if (!m_selectedFolderURL) {
        setRenamePlans({});
        return;
    }
    // The old preview goes first, so that its memory serves the new one instead of the heap growing: that cost
    // a third over the planning itself at 100,000 files. No signal is emitted before the list is replaced.
    std::vector<RenamePlan>().swap(m_renamePlans);
    RenamePipeline::Preview preview
        = RenamePipeline::plan(RenamePipeline::plannerFor(m_renameService, renameRules()), m_filteredFiles);
    setRenamePlans(std::move(preview.plans));
    QString notice = m_listingNotice;
    if (const std::string line = preview.timedOutLine(); !line.empty())
        notice += (notice.isEmpty() ? QString() : QStringLiteral("; ")) + toQString(line);
    setNotice(notice);
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

bool QuorvaneViewModel::targetsAreDistinct(const std::vector<RenamePlan> &plans)
{
    return RenamePipeline::targetsAreDistinct(plans);
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
    std::vector<RenamePlan> changed = RenamePipeline::changedPlans(m_renamePlans);
    if (changed.empty()) {
        setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "No changes to apply"));
        return;
    }
    if (!targetsAreDistinct(changed)) {
        const auto count = changed.size();
        m_pendingConflictPlans = std::move(changed);
        setConflictWarningMessage(QString::number(count)
            + QStringLiteral(" files will be renamed.\nSome filenames may collide with existing files on disk.\n"
                             "Quorvane has automatically appended suffixes to resolve most conflicts.\n\n"
                             "Continue with caution?"));
        setShowConflictWarning(true);
        return;
    }
    performRename(std::move(changed), *m_selectedFolderURL);
}

void QuorvaneViewModel::proceedWithPendingRename()
{
    if (m_isProcessing || !m_selectedFolderURL || m_pendingConflictPlans.empty())
        return;
    performRename(m_pendingConflictPlans, *m_selectedFolderURL);
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
    if (m_isProcessing)
        return;
    setIsProcessing(true);
    setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "Renaming..."));
    auto relay = startProgress(static_cast<qint64>(plans.size()));
    auto progress = progressCallback(relay);
    m_batch = QtConcurrent::run(QThreadPool::globalInstance(),
        [this, plans = std::move(plans), folder = std::move(folder), listed = m_folderIdentity, relay, progress] {
            RenameBatchRunner::Outcome outcome = applyJournaled(plans, folder, listed, progress);
            QMetaObject::invokeMethod(
                this,
                [this, outcome = std::move(outcome), folder, relay] {
                    relay->finished = true;
                    finishRename(outcome, folder);
                },
                Qt::QueuedConnection);
        });
}

void QuorvaneViewModel::finishRename(const RenameBatchRunner::Outcome &outcome, const std::filesystem::path &folder)
{
    setProgress(m_progressTotal, m_progressTotal);
    const auto &entries = outcome.renamed;
    const auto &failures = outcome.failures;
    reloadHistory();
    setCanUndo(m_undoStack.canUndo());
    loadFolder(folder);
    if (outcome.error && failures.empty()) {
        setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "Renamed %1 items").arg(entries.size()));
        presentError(toQString(*outcome.error));
    } else if (!failures.empty()) {
        setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "Renamed %1, %2 failed")
                             .arg(entries.size())
                             .arg(failures.size()));
        presentError(renameFailureMessage(failures));
    } else {
        setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "Renamed %1 items").arg(entries.size()));
    }
    // The reload above re-armed Apply; the preview now shows the next round, which a second click would apply.
    setApplyArmed(entries.empty());
    setIsProcessing(false);
    m_pendingConflictPlans.clear();
}

void QuorvaneViewModel::undoLastRename()
{
    if (m_isProcessing)
        return;
    if (!m_selectedFolderURL) {
        presentError(QCoreApplication::translate("QuorvaneViewModel", "No folder selected."));
        return;
    }
    reloadHistory();
    std::optional<FileUndoService::Batch> batch = m_undoStack.pop();
    if (!batch)
        return;
    setIsProcessing(true);
    setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "Undoing last rename..."));
    auto relay = startProgress(static_cast<qint64>(batch->size()));
    auto progress = progressCallback(relay);
    m_batch = QtConcurrent::run(QThreadPool::globalInstance(), [this, folder = *m_selectedFolderURL, relay, progress] {
        RenameBatchRunner::Outcome outcome = undoJournaled(progress);
        QMetaObject::invokeMethod(
            this,
            [this, outcome = std::move(outcome), folder, relay] {
                relay->finished = true;
                finishUndo(outcome, folder);
            },
            Qt::QueuedConnection);
    });
}

void QuorvaneViewModel::finishUndo(const RenameBatchRunner::Outcome &outcome, const std::filesystem::path &folder)
{
    setProgress(m_progressTotal, m_progressTotal);
    const auto &failed = outcome.failures;
    const auto restoredCount = static_cast<qint64>(outcome.renamed.size());
    // What could not be restored stays in the journal's history as its newest entry.
    reloadHistory();
    setCanUndo(m_undoStack.canUndo());
    loadFolder(folder);
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
    const std::string dragged = Unicode::toNFD(toStdString(draggedPath));
    const std::string target = Unicode::toNFD(toStdString(targetPath));
    const auto indexOf = [this](const std::string &path) -> std::optional<std::size_t> {
        for (std::size_t i = 0; i < m_filteredFiles.size(); ++i) {
            if (Unicode::toNFD(m_filteredFiles[i].url.text()) == path)
                return i;
        }
        return std::nullopt;
    };
    const auto from = indexOf(dragged);
    const auto to = indexOf(target);
    if (!from || !to || *from == *to)
        return;

    std::vector<FileItem> reordered = m_filteredFiles;
    FileItem moved = std::move(reordered[*from]);
    reordered.erase(reordered.begin() + static_cast<std::ptrdiff_t>(*from));
    reordered.insert(reordered.begin() + static_cast<std::ptrdiff_t>(*to), std::move(moved));

    // The filtered entries are copies of entries of `files`, so their path bytes identify them exactly.
    std::unordered_set<std::string> visible;
    visible.reserve(m_filteredFiles.size());
    for (const FileItem &item : m_filteredFiles)
        visible.insert(item.url.text());
    std::vector<FileItem> rebuilt = m_files;
    auto next = reordered.begin();
    for (FileItem &item : rebuilt) {
        if (next != reordered.end() && visible.contains(item.url.text()))
            item = *next++;
    }
    setApplyArmed(true);
    setFiles(std::move(rebuilt));
    setFilteredFiles(std::move(reordered));
    updateRenamePlans();
}

void QuorvaneViewModel::moveFileToEnd(const QString &draggedPath)
{
    if (m_filteredFiles.empty())
        return;
    const QString last = toQString(m_filteredFiles.back().url.text());
    if (RenamePipeline::canonicallyEqual(toStdString(last), toStdString(draggedPath)))
        return;
    moveFile(draggedPath, last);
}

void QuorvaneViewModel::saveCurrentAsPreset(const QString &name)
{
    // A std::set is already in plain ascending byte order, which for UTF-8 is code point order.
    const QStringList extensions = QtConversions::toQStringList(m_filterCriteria.includeExtensions);
    m_presetStore->savePreset(name, renameRules(), m_includeSubfolders, extensions);
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
    if (m_includeSubfolders != wasIncludingSubfolders && m_selectedFolderURL)
        loadFolder(*m_selectedFolderURL);
    else
        applyFilters();
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
    std::vector<FileItem> files = m_files;
    sortFiles(files, order, ascending);
    setApplyArmed(true);
    setFiles(std::move(files));
    applyFilters();
}

void QuorvaneViewModel::openSelectedFolder()
{
    if (m_selectedFolderURL)
        Q_EMIT openFolderRequested(toQString(*m_selectedFolderURL));
}
