// The view model's side of the rename journal: batches run under it, the undo history read from it (so it
// survives a restart), and the recovery of a batch that was cut short.

#include "QuorvaneViewModel.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include "QtConversions.h"
#include "RenameBatchRunner.h"

using namespace QtConversions;

FileUndoService QuorvaneViewModel::historyOf(const RenameJournalStore &store)
{
    FileUndoService history;
    for (const auto &entry : store.history()) {
        // Only the newest batch, the one an undo takes next, is read with its steps; the older ones are mirrored
        // by their size, which is all that is shown of them.
        const std::vector<JournalStep> &steps = entry.batch.steps;
        if (steps.empty()) {
            history.push(FileUndoService::Batch::ofSize(entry.steps.size()));
            continue;
        }
        FileUndoService::Batch batch(entry.batch.folder.native());
        std::size_t bytes = 0;
        for (const std::size_t index : entry.steps)
            bytes += index < steps.size() ? steps[index].to.size() + steps[index].from.size() : 0;
        batch.reserve(entry.steps.size(), bytes);
        for (const std::size_t index : entry.steps) {
            if (index < steps.size())
                batch.append(steps[index].to, steps[index].from);
        }
        history.push(std::move(batch));
    }
    return history;
}

RenameBatchRunner::Outcome QuorvaneViewModel::applyJournaled(const std::vector<RenamePlan> &plans,
    const std::filesystem::path &folder, std::optional<FolderIdentity> listed,
    const FileRenameService::ProgressCallback &progress)
{
    RenameBatchRunner runner(m_journalStore, m_renameService.metadata());
    return runner.apply(folder, listed, plans, progress);
}

RenameBatchRunner::Outcome QuorvaneViewModel::undoJournaled(const FileRenameService::ProgressCallback &progress)
{
    auto history = m_journalStore.history();
    if (history.empty())
        return {};
    RenameBatchRunner runner(m_journalStore, m_renameService.metadata());
    return runner.undo(std::move(history.back()), progress);
}

QString QuorvaneViewModel::interruptedBatchMessage() const
{
    const auto interrupted = m_journalStore.interrupted();
    return interrupted.empty() ? QString() : toQString(RenameBatchRunner::interruptedMessage(interrupted.front()));
}

void QuorvaneViewModel::recoverInterruptedBatch(bool finish)
{
    if (m_isProcessing)
        return;
    const auto interrupted = m_journalStore.interrupted();
    if (interrupted.empty())
        return;
    setIsProcessing(true);
    setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "Recovering..."));
    m_batch = QtConcurrent::run(QThreadPool::globalInstance(), [this, record = interrupted.front(), finish] {
        RenameBatchRunner runner(m_journalStore, m_renameService.metadata());
        auto outcome = runner.recover(
            record, finish ? RenameBatchRunner::Direction::finish : RenameBatchRunner::Direction::undo);
        QMetaObject::invokeMethod(
            this,
            [this, outcome = std::move(outcome), history = historyOf(m_journalStore)]() mutable {
                adoptHistory(std::move(history));
                if (m_selectedFolderURL)
                    loadFolder(*m_selectedFolderURL);
                afterPipeline([this, outcome] {
                    setStatusMessage(QCoreApplication::translate("QuorvaneViewModel", "Recovered %1 items")
                                         .arg(outcome.renamedCount));
                    if (outcome.error) {
                        presentError(toQString(*outcome.error));
                    } else if (!outcome.failures.empty()) {
                        QString message = QString::number(outcome.failures.size())
                            + QCoreApplication::translate("QuorvaneViewModel", " files could not be recovered:");
                        for (const auto &failure : outcome.failures)
                            message += QStringLiteral("\n• ") + toQString(failure.name) + QStringLiteral(": ")
                                + toQString(failure.reason);
                        presentError(message);
                    }
                    setIsProcessing(false);
                });
            },
            Qt::QueuedConnection);
    });
}
