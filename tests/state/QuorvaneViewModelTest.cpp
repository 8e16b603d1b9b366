#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QMetaMethod>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "FileAccessService.h"
#include "FileFilterService.h"
#include "FileRenameService.h"
#include "PhotoMetadataService.h"
#include "QtConversions.h"
#include "QuorvaneViewModel.h"
#include "RenamePresetStore.h"
#include "SettingsStoreQt.h"
#include "TestDir.h"

using QtConversions::toQString;

namespace {

const QString bullet = QStringLiteral("• ");

// Counts the view model's signals and remembers whether any came from a thread other than the main one.
class ThreadWatch final : public QObject {
    Q_OBJECT

public:
    explicit ThreadWatch(QObject *watched)
    {
        const QMetaObject &meta = *watched->metaObject();
        const QMetaMethod slot = metaObject()->method(metaObject()->indexOfSlot("signalled()"));
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
            if (meta.method(i).methodType() == QMetaMethod::Signal)
                connect(watched, meta.method(i), this, slot, Qt::DirectConnection);
        }
    }
    int count = 0;
    int offMainThread = 0;

public Q_SLOTS:
    void signalled()
    {
        ++count;
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            ++offMainThread;
    }
};

// The services the composition root builds, over the real disk, and a view model with the default preset store.
struct Fixture {
    FileAccessService fileAccess;
    FileFilterService filterService;
    FileAccessService renameFileSystem;
    PhotoMetadataService metadata;
    FileRenameService renameService { renameFileSystem, metadata };
    std::unique_ptr<QuorvaneViewModel> model = makeModel();
    ThreadWatch watch { model.get() };

    std::unique_ptr<QuorvaneViewModel> makeModel()
    {
        return std::make_unique<QuorvaneViewModel>(fileAccess, filterService, renameService);
    }
    QuorvaneViewModel &operator*() { return *model; }
    QuorvaneViewModel *operator->() { return model.get(); }
};

QStringList namesOf(const std::vector<FileItem> &files)
{
    QStringList names;
    for (const FileItem &file : files)
        names.append(toQString(file.name));
    return names;
}

QStringList newNamesOf(const std::vector<RenamePlan> &plans)
{
    QStringList names;
    for (const RenamePlan &plan : plans)
        names.append(toQString(plan.newName));
    return names;
}

QStringList sortedEntries(const std::filesystem::path &folder)
{
    QStringList names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.append(toQString(entry.path().filename().string()));
    names.sort();
    return names;
}

void setPrefix(QuorvaneViewModel &model, const std::string &prefix)
{
    RenameParameters parameters = model.renameParameters();
    parameters.strategy = RenameStrategy::prefix;
    parameters.prefixText = prefix;
    model.setRenameParameters(parameters);
    model.updateRenamePlans();
}

QStringList strings(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts)
        list.append(QString::fromUtf8(text));
    return list;
}

QString pathIn(const TestDir &dir, const char *name)
{
    return toQString(dir.path() / name);
}

// Every status the line showed, in order, from the moment of the call.
class StatusTrail final {
public:
    explicit StatusTrail(QuorvaneViewModel &model)
        : m_model(model)
    {
        QObject::connect(&model, &QuorvaneViewModel::statusMessageChanged, &model,
            [this] { m_statuses.append(m_model.statusMessage()); });
    }
    const QStringList &statuses() const { return m_statuses; }

private:
    QuorvaneViewModel &m_model;
    QStringList m_statuses;
};

bool waitUntilIdle(QuorvaneViewModel &model)
{
    return QTest::qWaitFor([&] { return !model.isProcessing(); }, 60000);
}

} // namespace

class QuorvaneViewModelTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void startsEmptyAndLoadsSorted();
    void loadFailureKeepsPreviousLists();
    void everyAssignmentAnnounces();
    void applyReportsOutcome_data();
    void applyReportsOutcome();
    void nothingToApply();
    void withoutFolder();
    void undoFailureIsRetried();
    void historyKeepsTenBatches();
    void dragReorders_data();
    void dragReorders();
    void dragKeepsHiddenFilesInPlace();
    void dragComparesPathsCanonically();
    void presetsSurviveRestart();
    void presetApplyReloadsOnlyForSubfolders();
    void smallOperations();
    void targetsAreDistinct_data();
    void targetsAreDistinct();
    void largeApplyKeepsMainThreadResponsive();
    void secondBatchIsRefusedWhileOneRuns();
    void destroyedWhileBatchRuns();

private:
    QTemporaryDir m_config;
};

void QuorvaneViewModelTest::initTestCase()
{
    QVERIFY(m_config.isValid());
    // The default preset store writes the application's settings file: keep it in a temporary folder.
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
}

void QuorvaneViewModelTest::init()
{
    QFile::remove(m_config.filePath(QStringLiteral("Quorvane/Quorvane.conf")));
}

void QuorvaneViewModelTest::startsEmptyAndLoadsSorted()
{
    Fixture f;
    QCOMPARE(f->statusMessage(), QStringLiteral("Ready"));
    QVERIFY(!f->selectedFolderURL());
    QVERIFY(!f->isProcessing() && !f->canUndo() && !f->showError());
    QCOMPARE(f->filterCriteria().maxSize, std::numeric_limits<std::int64_t>::max());

    // Without a folder the preview stays empty whatever the settings.
    setPrefix(*f, "x_");
    f->applyFilters();
    QCOMPARE(f->statusMessage(), QStringLiteral("0 items after filtering"));
    QVERIFY(f->renamePlans().empty());

    TestDir empty;
    f->loadFolder(empty.path());
    QCOMPARE(f->statusMessage(), QStringLiteral("Loaded 0 items"));
    QVERIFY(f->files().empty() && f->renamePlans().empty());

    TestDir dir;
    dir.createFile("b.txt");
    f->loadFolder(dir.path());
    QCOMPARE(f->statusMessage(), QStringLiteral("Loaded 1 items"));
    dir.createFile("A.txt");
    dir.createFile("c.txt");
    f->loadFolder(dir.path());
    QCOMPARE(f->statusMessage(), QStringLiteral("Loaded 3 items"));
    QCOMPARE(f->selectedFolder(), toQString(dir.path()));
    QCOMPARE(namesOf(f->files()), strings({ "A.txt", "b.txt", "c.txt" }));
    QCOMPARE(newNamesOf(f->renamePlans()), strings({ "x_A.txt", "x_b.txt", "x_c.txt" }));
}

void QuorvaneViewModelTest::loadFailureKeepsPreviousLists()
{
    Fixture f;
    TestDir dir;
    dir.createFile("one.txt");
    dir.createFile("two.txt");
    setPrefix(*f, "p_");
    f->loadFolder(dir.path());
    const auto files = f->files();
    const auto plans = f->renamePlans();

    const auto missing = dir.path() / "gone";
    f->loadFolder(missing);
    QCOMPARE(f->errorMessage(), QStringLiteral("Cannot access the selected folder."));
    QVERIFY(f->showError());
    QCOMPARE(f->statusMessage(), QStringLiteral("Error"));
    QCOMPARE(f->selectedFolder(), toQString(missing));
    QVERIFY(f->files() == files);
    QVERIFY(f->filteredFiles() == files);
    QVERIFY(f->renamePlans() == plans);
}

void QuorvaneViewModelTest::everyAssignmentAnnounces()
{
    Fixture f;
    QSignalSpy showError(f.model.get(), &QuorvaneViewModel::showErrorChanged);
    f->setShowError(false);
    f->setShowError(false);
    QCOMPARE(showError.count(), 2);

    TestDir dir;
    dir.createFile("a.txt");
    QSignalSpy folder(f.model.get(), &QuorvaneViewModel::selectedFolderURLChanged);
    QSignalSpy files(f.model.get(), &QuorvaneViewModel::filesChanged);
    QSignalSpy filtered(f.model.get(), &QuorvaneViewModel::filteredFilesChanged);
    QSignalSpy plans(f.model.get(), &QuorvaneViewModel::renamePlansChanged);
    QSignalSpy canUndo(f.model.get(), &QuorvaneViewModel::canUndoChanged);
    f->loadFolder(dir.path());
    f->loadFolder(dir.path());
    QCOMPARE(folder.count(), 2);
    QCOMPARE(files.count(), 2);
    QCOMPARE(filtered.count(), 2);
    QCOMPARE(plans.count(), 2);
    // Loading leaves the undo state alone.
    QCOMPARE(canUndo.count(), 0);

    // A filter change through the binding does nothing until the filter runs.
    FileFilterCriteria criteria = f->filterCriteria();
    criteria.searchText = "zzz";
    f->setFilterCriteria(criteria);
    QCOMPARE(f->filteredFiles().size(), std::size_t(1));
    f->applyFilters();
    QVERIFY(f->filteredFiles().empty());
    QCOMPARE(f->statusMessage(), QStringLiteral("0 items after filtering"));
}

void QuorvaneViewModelTest::applyReportsOutcome_data()
{
    QTest::addColumn<int>("fileCount");
    QTest::addColumn<int>("obstacles");
    QTest::addColumn<QStringList>("trail");
    QTest::addColumn<QString>("message");

    QTest::newRow("all succeed") << 3 << 0
                                 << strings({ "Renaming...", "3 items after filtering", "Loaded 3 items",
                                        "Renamed 3 items" })
                                 << QString();
    QTest::newRow("one fails") << 3 << 1
                               << strings({ "Renaming...", "4 items after filtering", "Loaded 4 items",
                                      "Renamed 2, 1 failed", "Error" })
                               << QStringLiteral("1 file could not be renamed (permission denied or the file may be in "
                                                 "use):\n• f0.txt");
    QTest::newRow("all fail") << 2 << 2
                              << strings({ "Renaming...", "4 items after filtering", "Loaded 4 items",
                                     "Renamed 0, 2 failed", "Error" })
                              << QStringLiteral("2 files could not be renamed (permission denied or the file may be "
                                                "in use):\n• f0.txt\n• f1.txt");
    QTest::newRow("seven fail") << 8 << 7
                                << strings({ "Renaming...", "15 items after filtering", "Loaded 15 items",
                                       "Renamed 1, 7 failed", "Error" })
                                << QStringLiteral("7 files could not be renamed (permission denied or the file may be "
                                                  "in use):\n• f0.txt\n• f1.txt\n• f2.txt\n• f3.txt\n• f4.txt\n"
                                                  "…and 2 more");
}

void QuorvaneViewModelTest::applyReportsOutcome()
{
    QFETCH(int, fileCount);
    QFETCH(int, obstacles);
    QFETCH(QStringList, trail);
    QFETCH(QString, message);

    Fixture f;
    TestDir dir;
    for (int i = 0; i < fileCount; ++i)
        dir.createFile("f" + std::to_string(i) + ".txt", "original");
    f->loadFolder(dir.path());
    setPrefix(*f, "p_");
    // Targets that appear after planning make those renames fail.
    for (int i = 0; i < obstacles; ++i)
        dir.createFile("p_f" + std::to_string(i) + ".txt", "obstacle");

    StatusTrail statuses(*f);
    QSignalSpy processing(f.model.get(), &QuorvaneViewModel::isProcessingChanged);
    f->applyRename();
    QVERIFY(f->isProcessing());
    QVERIFY(waitUntilIdle(*f));
    QCOMPARE(processing.count(), 2);
    QCOMPARE(statuses.statuses(), trail);
    QCOMPARE(f->errorMessage(), message);
    QCOMPARE(f->showError(), !message.isEmpty());
    QVERIFY(f->pendingConflictPlans().empty());

    // A batch in which nothing succeeded leaves the history as it was.
    const auto succeeded = static_cast<std::size_t>(fileCount - obstacles);
    QCOMPARE(f->undoStack().depth(), succeeded > 0 ? 1 : 0);
    if (succeeded > 0)
        QCOMPARE(f->undoStack().stack().back().size(), succeeded);
    QCOMPARE(f->canUndo(), succeeded > 0);
    for (int i = 0; i < fileCount; ++i) {
        const std::string index = std::to_string(i);
        if (i < obstacles) {
            QCOMPARE(dir.read("f" + index + ".txt"), std::string("original"));
            QCOMPARE(dir.read("p_f" + index + ".txt"), std::string("obstacle"));
        } else {
            QVERIFY(!std::filesystem::exists(dir.path() / ("f" + index + ".txt")));
            QCOMPARE(dir.read("p_f" + index + ".txt"), std::string("original"));
        }
    }
    // The folder was listed again after the batch.
    QCOMPARE(f->files().size(), static_cast<std::size_t>(fileCount + obstacles));
    QCOMPARE(f->progressDone(), qint64(fileCount));
    QCOMPARE(f->progressTotal(), qint64(fileCount));
    QCOMPARE(f.watch.offMainThread, 0);
}

void QuorvaneViewModelTest::nothingToApply()
{
    Fixture f;
    TestDir dir;
    dir.createFile("plain.txt");
    // A decomposed "é" on disk: planning writes the new name precomposed, which is the same name.
    dir.createFile("caf\x65\xCC\x81.txt");
    f->loadFolder(dir.path());
    setPrefix(*f, "");
    QCOMPARE(f->renamePlans().size(), std::size_t(2));
    QVERIFY(f->renamePlans()[0].newName != f->renamePlans()[0].originalName
        || f->renamePlans()[1].newName != f->renamePlans()[1].originalName);

    QSignalSpy processing(f.model.get(), &QuorvaneViewModel::isProcessingChanged);
    f->applyRename();
    QCOMPARE(f->statusMessage(), QStringLiteral("No changes to apply"));
    QVERIFY(!f->showError());
    QCOMPARE(processing.count(), 0);
    QCOMPARE(sortedEntries(dir.path()), strings({ "cafe\xCC\x81.txt", "plain.txt" }));
}

void QuorvaneViewModelTest::withoutFolder()
{
    Fixture f;
    f->applyRename();
    QCOMPARE(f->errorMessage(), QStringLiteral("Please select a folder first."));
    QCOMPARE(f->statusMessage(), QStringLiteral("Error"));

    // An empty history does nothing at all.
    TestDir dir;
    dir.createFile("a.txt");
    f->loadFolder(dir.path());
    QSignalSpy anyStatus(f.model.get(), &QuorvaneViewModel::statusMessageChanged);
    QSignalSpy processing(f.model.get(), &QuorvaneViewModel::isProcessingChanged);
    f->undoLastRename();
    QCOMPARE(anyStatus.count(), 0);
    QCOMPARE(processing.count(), 0);
}

void QuorvaneViewModelTest::undoFailureIsRetried()
{
    Fixture f;
    TestDir dir;
    for (const char *name : { "a.txt", "b.txt", "c.txt" })
        dir.createFile(name, name);
    f->loadFolder(dir.path());
    setPrefix(*f, "p_");
    f->applyRename();
    QVERIFY(waitUntilIdle(*f));
    QCOMPARE(f->statusMessage(), QStringLiteral("Renamed 3 items"));

    const auto obstacle = dir.createFile("a.txt", "obstacle");
    StatusTrail statuses(*f);
    f->undoLastRename();
    QVERIFY(f->isProcessing());
    QVERIFY(waitUntilIdle(*f));
    QCOMPARE(statuses.statuses(),
        strings({ "Undoing last rename...", "4 items after filtering", "Loaded 4 items",
            "Reverted 2, 1 could not be restored", "Error" }));
    QCOMPARE(f->errorMessage(),
        QStringLiteral("1 file could not be restored (the original name may be in use or the file is locked). They "
                       "remain available for another Undo attempt:\n• p_a.txt"));
    QVERIFY(f->canUndo());
    QCOMPARE(f->undoStack().depth(), 1);
    const auto &batch = f->undoStack().stack().back();
    QCOMPARE(batch.size(), std::size_t(1));
    QCOMPARE(toQString(batch[0].renamedURL), pathIn(dir, "p_a.txt"));
    QCOMPARE(dir.read("b.txt"), std::string("b.txt"));

    std::filesystem::remove(obstacle);
    f->undoLastRename();
    QVERIFY(waitUntilIdle(*f));
    QCOMPARE(f->statusMessage(), QStringLiteral("Reverted 1 items"));
    QVERIFY(!f->canUndo());
    QCOMPARE(sortedEntries(dir.path()), strings({ "a.txt", "b.txt", "c.txt" }));
    QCOMPARE(dir.read("a.txt"), std::string("a.txt"));
    QCOMPARE(f.watch.offMainThread, 0);
}

void QuorvaneViewModelTest::historyKeepsTenBatches()
{
    Fixture f;
    TestDir dir;
    dir.createFile("x.txt");
    f->loadFolder(dir.path());
    setPrefix(*f, "p");
    for (int i = 0; i < 11; ++i) {
        f->updateRenamePlans();
        f->applyRename();
        QVERIFY(waitUntilIdle(*f));
        QCOMPARE(f->statusMessage(), QStringLiteral("Renamed 1 items"));
    }
    QCOMPARE(f->undoStack().depth(), 10);
    for (int i = 0; i < 10; ++i) {
        QVERIFY(f->canUndo());
        f->undoLastRename();
        QVERIFY(waitUntilIdle(*f));
    }
    QVERIFY(!f->canUndo());
    // The oldest batch fell out of the history, so its rename stays.
    QCOMPARE(sortedEntries(dir.path()), strings({ "px.txt" }));
}

void QuorvaneViewModelTest::dragReorders_data()
{
    QTest::addColumn<QString>("dragged");
    QTest::addColumn<QString>("target"); // empty: dropped at the end of the list
    QTest::addColumn<QStringList>("order");

    QTest::newRow("down onto C") << QStringLiteral("A") << QStringLiteral("C") << strings({ "B", "C", "A", "D" });
    QTest::newRow("up onto B") << QStringLiteral("D") << QStringLiteral("B") << strings({ "A", "D", "B", "C" });
    QTest::newRow("onto itself") << QStringLiteral("B") << QStringLiteral("B") << strings({ "A", "B", "C", "D" });
    QTest::newRow("unknown file") << QStringLiteral("Q") << QStringLiteral("B") << strings({ "A", "B", "C", "D" });
    QTest::newRow("B to the end") << QStringLiteral("B") << QStringLiteral("") << strings({ "A", "C", "D", "B" });
    QTest::newRow("last to the end") << QStringLiteral("D") << QStringLiteral("") << strings({ "A", "B", "C", "D" });
}

void QuorvaneViewModelTest::dragReorders()
{
    QFETCH(QString, dragged);
    QFETCH(QString, target);
    QFETCH(QStringList, order);

    Fixture f;
    TestDir dir;
    for (const char *name : { "A", "B", "C", "D" })
        dir.createFile(name);
    RenameParameters parameters;
    parameters.strategy = RenameStrategy::prefixSequence;
    f->setRenameParameters(parameters);
    f->loadFolder(dir.path());

    const bool changes = order != strings({ "A", "B", "C", "D" });
    QSignalSpy files(f.model.get(), &QuorvaneViewModel::filesChanged);
    QSignalSpy plans(f.model.get(), &QuorvaneViewModel::renamePlansChanged);
    QSignalSpy statuses(f.model.get(), &QuorvaneViewModel::statusMessageChanged);
    const QString draggedPath = toQString(dir.path() / dragged.toStdString());
    if (target.isEmpty())
        f->moveFileToEnd(draggedPath);
    else
        f->moveFile(draggedPath, toQString(dir.path() / target.toStdString()));

    QCOMPARE(namesOf(f->files()), order);
    QCOMPARE(namesOf(f->filteredFiles()), order);
    QStringList numbered;
    for (int i = 0; i < order.size(); ++i)
        numbered.append(QStringLiteral("00%1_").arg(i + 1) + order[i]);
    QCOMPARE(newNamesOf(f->renamePlans()), numbered);
    QCOMPARE(files.count(), changes ? 1 : 0);
    QCOMPARE(plans.count(), changes ? 1 : 0);
    QCOMPARE(statuses.count(), 0);
}

void QuorvaneViewModelTest::dragKeepsHiddenFilesInPlace()
{
    Fixture f;
    TestDir dir;
    for (const char *name : { "a.txt", "ax.png", "b.txt", "bx.png", "c.txt" })
        dir.createFile(name);
    f->loadFolder(dir.path());
    f->setIncludeExtensions(QStringLiteral("txt"));
    QCOMPARE(namesOf(f->filteredFiles()), strings({ "a.txt", "b.txt", "c.txt" }));

    f->moveFile(pathIn(dir, "c.txt"), pathIn(dir, "a.txt"));
    QCOMPARE(namesOf(f->files()), strings({ "c.txt", "ax.png", "a.txt", "bx.png", "b.txt" }));
    QCOMPARE(namesOf(f->filteredFiles()), strings({ "c.txt", "a.txt", "b.txt" }));

    // Filtering keeps the dragged order; only a reload sorts by name again.
    f->setIncludeExtensions(QStringLiteral("png"));
    f->setIncludeExtensions(QString());
    QCOMPARE(namesOf(f->filteredFiles()), strings({ "c.txt", "ax.png", "a.txt", "bx.png", "b.txt" }));
    f->loadFolder(dir.path());
    QCOMPARE(namesOf(f->files()), strings({ "a.txt", "ax.png", "b.txt", "bx.png", "c.txt" }));
}

void QuorvaneViewModelTest::dragComparesPathsCanonically()
{
    Fixture f;
    TestDir dir;
    dir.createFile("\xC3\xA9.txt"); // precomposed é
    dir.createFile("f.txt");
    f->loadFolder(dir.path());
    QCOMPARE(namesOf(f->files()), strings({ "\xC3\xA9.txt", "f.txt" }));
    // The drag payload spells the name decomposed.
    f->moveFileToEnd(toQString(dir.path() / "e\xCC\x81.txt"));
    QCOMPARE(namesOf(f->files()), strings({ "f.txt", "\xC3\xA9.txt" }));
    // Letter case counts.
    f->moveFile(pathIn(dir, "F.txt"), toQString(dir.path() / "\xC3\xA9.txt"));
    QCOMPARE(namesOf(f->files()), strings({ "f.txt", "\xC3\xA9.txt" }));
}

void QuorvaneViewModelTest::presetsSurviveRestart()
{
    Fixture f;
    QSignalSpy aboutToChange(f.model.get(), &QuorvaneViewModel::presetsAboutToChange);
    QSignalSpy changed(f.model.get(), &QuorvaneViewModel::presetsChanged);
    setPrefix(*f, "trip_");
    f->setIncludeSubfolders(true);
    f->setIncludeExtensions(QStringLiteral("png, jpg"));
    f->saveCurrentAsPreset(QStringLiteral("  Holiday \n"));
    QCOMPARE(aboutToChange.count(), 1);
    QCOMPARE(changed.count(), 1);

    // A second view model reads the same settings file, as after a restart.
    f.model.reset();
    f.model = f.makeModel();
    const QList<RenamePreset> &presets = f->presetStore().presets();
    QCOMPARE(presets.size(), 1);
    QCOMPARE(presets[0].name, QStringLiteral("Holiday"));
    QCOMPARE(presets[0].includeExtensions, strings({ "jpg", "png" }));
    QVERIFY(presets[0].includeSubfolders);
    QCOMPARE(presets[0].parameters.prefixText, std::string("trip_"));

    // The stored list is under the application's key in the settings file.
    SettingsStoreQt settings(m_config.filePath(QStringLiteral("Quorvane/Quorvane.conf")));
    QVERIFY(settings.bytes("quorvane.renamePresets.v1").has_value());
}

void QuorvaneViewModelTest::presetApplyReloadsOnlyForSubfolders()
{
    Fixture f;
    TestDir dir;
    dir.createFile("top.jpg");
    dir.createFile("top.png");
    dir.createFile("sub/inner.jpg");
    f->loadFolder(dir.path());
    FileFilterCriteria criteria = f->filterCriteria();
    criteria.searchText = "o";
    criteria.caseSensitive = true;
    criteria.excludeExtensions = { "gif" };
    f->setFilterCriteria(criteria);

    RenamePreset preset;
    preset.parameters.strategy = RenameStrategy::suffix;
    preset.parameters.suffixText = "_s";
    preset.includeExtensions = strings({ "jpg" });
    QSignalSpy files(f.model.get(), &QuorvaneViewModel::filesChanged);
    f->applyPreset(preset);
    QCOMPARE(files.count(), 0);
    QCOMPARE(newNamesOf(f->renamePlans()), strings({ "top_s.jpg" }));
    QCOMPARE(f->statusMessage(), QStringLiteral("1 items after filtering"));

    preset.includeSubfolders = true;
    preset.includeExtensions = {};
    f->applyPreset(preset);
    QCOMPARE(files.count(), 1);
    QCOMPARE(f->statusMessage(), QStringLiteral("Loaded 3 items"));
    QCOMPARE(namesOf(f->filteredFiles()), strings({ "top.jpg", "top.png" }));
    QCOMPARE(f->filterCriteria().searchText, std::string("o"));
    QVERIFY(f->filterCriteria().caseSensitive);
    QCOMPARE(f->filterCriteria().excludeExtensions, std::set<std::string>({ "gif" }));
}

void QuorvaneViewModelTest::smallOperations()
{
    Fixture f;
    QSignalSpy opened(f.model.get(), &QuorvaneViewModel::openFolderRequested);
    f->openSelectedFolder();
    QCOMPARE(opened.count(), 0);
    f->toggleIncludeSubfolders();
    QVERIFY(f->includeSubfolders());
    QCOMPARE(f->statusMessage(), QStringLiteral("Ready"));
    f->toggleIncludeSubfolders();

    TestDir dir;
    for (const char *name : { "a1.PNG", "b22.jpg", "c.Jpeg", "d.gif", "sub/e.jpg" })
        dir.createFile(name);
    f->loadFolder(dir.path());
    f->openSelectedFolder();
    QCOMPARE(opened.count(), 1);
    QCOMPARE(opened.at(0).at(0).toString(), toQString(dir.path()));

    f->setIncludeExtensions(QStringLiteral(" PNG,jpg , ,Jpeg"));
    QCOMPARE(namesOf(f->filteredFiles()), strings({ "a1.PNG", "b22.jpg", "c.Jpeg" }));
    f->toggleIncludeSubfolders();
    QCOMPARE(f->statusMessage(), QStringLiteral("Loaded 5 items"));
    QCOMPARE(f->filteredFiles().size(), std::size_t(4));
    f->toggleIncludeSubfolders();

    RenameParameters parameters = f->renameParameters();
    parameters.strategy = RenameStrategy::replace;
    parameters.searchText = "[0-9]+";
    parameters.replaceText = "#";
    f->setRenameParameters(parameters);
    f->updateRenamePlans();
    QCOMPARE(newNamesOf(f->renamePlans()), strings({ "a1.PNG", "b22.jpg", "c.Jpeg" }));
    f->toggleRegularExpression();
    QVERIFY(f->renameParameters().useRegularExpression);
    QCOMPARE(newNamesOf(f->renamePlans()), strings({ "a#.PNG", "b#.jpg", "c.Jpeg" }));

    parameters = f->renameParameters();
    parameters.preserveExtension = false;
    f->setRenameParameters(parameters);
    f->selectStrategy(RenameStrategy::dateName);
    QVERIFY(f->renameParameters().preserveExtension);
    f->selectStrategy(RenameStrategy::uppercase);
    QVERIFY(f->renameParameters().preserveExtension);
    QCOMPARE(newNamesOf(f->renamePlans()), strings({ "A1.PNG", "B22.jpg", "C.Jpeg" }));
}

void QuorvaneViewModelTest::targetsAreDistinct_data()
{
    QTest::addColumn<QStringList>("originals");
    QTest::addColumn<QStringList>("targets");
    QTest::addColumn<bool>("distinct");

    QTest::newRow("different") << strings({ "/d/a", "/d/b" }) << strings({ "/d/x", "/d/y" }) << true;
    QTest::newRow("same target") << strings({ "/d/a", "/d/b" }) << strings({ "/d/x", "/d/x" }) << false;
    QTest::newRow("canonical forms") << strings({ "/d/a", "/d/b" }) << strings({ "/d/\xC3\xA9", "/d/e\xCC\x81" })
                                     << false;
    QTest::newRow("letter case") << strings({ "/d/a", "/d/b" }) << strings({ "/d/X", "/d/x" }) << true;
    QTest::newRow("dot segments") << strings({ "/d/a", "/d/b" }) << strings({ "/d/./x", "/d/e/../x" }) << false;
    QTest::newRow("unchanged skipped") << strings({ "/d/x", "/d/b" }) << strings({ "/d/x", "/d/x" }) << true;
}

void QuorvaneViewModelTest::targetsAreDistinct()
{
    QFETCH(QStringList, originals);
    QFETCH(QStringList, targets);
    QFETCH(bool, distinct);

    std::vector<RenamePlan> plans;
    for (int i = 0; i < originals.size(); ++i) {
        RenamePlan plan;
        plan.originalURL = QtConversions::toPath(originals[i]);
        plan.newURL = QtConversions::toPath(targets[i]);
        plan.originalName = plan.originalURL.filename().string();
        plan.newName = plan.newURL.filename().string();
        plans.push_back(plan);
    }
    QCOMPARE(QuorvaneViewModel::targetsAreDistinct(plans), distinct);
}

void QuorvaneViewModelTest::largeApplyKeepsMainThreadResponsive()
{
    constexpr int count = 10000;
    Fixture f;
    TestDir dir;
    for (int i = 0; i < count; ++i)
        dir.createFile("file" + std::to_string(i) + ".dat");
    f->loadFolder(dir.path());
    setPrefix(*f, "n_");

    int ticksWhileBusy = 0;
    QTimer ticker;
    ticker.setInterval(5);
    connect(&ticker, &QTimer::timeout, this, [&] { ticksWhileBusy += f->isProcessing() ? 1 : 0; });
    ticker.start();
    QSignalSpy progress(f.model.get(), &QuorvaneViewModel::progressDoneChanged);
    f->applyRename();
    QVERIFY(waitUntilIdle(*f));
    ticker.stop();

    QCOMPARE(f->statusMessage(), QStringLiteral("Renamed 10000 items"));
    QVERIFY2(ticksWhileBusy >= 2, qPrintable(QStringLiteral("ticks: %1").arg(ticksWhileBusy)));
    QCOMPARE(f->progressDone(), qint64(count));
    QCOMPARE(f->progressTotal(), qint64(count));
    // Throttled: far fewer updates than the engine's 200 reports for this batch.
    QVERIFY2(progress.count() < count / 50, qPrintable(QString::number(progress.count())));
    QCOMPARE(f->undoStack().stack().back().size(), std::size_t(count));
    QVERIFY(std::filesystem::exists(dir.path() / "n_file9999.dat"));
    QCOMPARE(f.watch.offMainThread, 0);
    QVERIFY(f.watch.count > 0);
}

void QuorvaneViewModelTest::secondBatchIsRefusedWhileOneRuns()
{
    constexpr int count = 2000;
    Fixture f;
    TestDir dir;
    for (int i = 0; i < count; ++i)
        dir.createFile("f" + std::to_string(i));
    f->loadFolder(dir.path());
    setPrefix(*f, "p_");
    f->applyRename();
    QVERIFY(f->isProcessing());
    QSignalSpy statuses(f.model.get(), &QuorvaneViewModel::statusMessageChanged);
    QSignalSpy processing(f.model.get(), &QuorvaneViewModel::isProcessingChanged);
    f->applyRename();
    f->proceedWithPendingRename();
    f->undoLastRename();
    QCOMPARE(statuses.count(), 0);
    QCOMPARE(processing.count(), 0);
    QVERIFY(waitUntilIdle(*f));
    QCOMPARE(f->statusMessage(), QStringLiteral("Renamed 2000 items"));
    QVERIFY(!f->showError());
    QCOMPARE(f->undoStack().depth(), 1);
    QVERIFY(std::filesystem::exists(dir.path() / "p_f0"));
    QVERIFY(!std::filesystem::exists(dir.path() / "p_p_f0"));

    // A second undo started while the first runs is refused too, so exactly one batch goes back.
    f->updateRenamePlans();
    f->applyRename();
    QVERIFY(waitUntilIdle(*f));
    QCOMPARE(f->undoStack().depth(), 2);
    f->undoLastRename();
    f->undoLastRename();
    QVERIFY(waitUntilIdle(*f));
    QCOMPARE(f->undoStack().depth(), 1);
    QVERIFY(std::filesystem::exists(dir.path() / "p_f0"));
    QCOMPARE(f.watch.offMainThread, 0);
}

void QuorvaneViewModelTest::destroyedWhileBatchRuns()
{
    constexpr int count = 2000;
    Fixture f;
    TestDir dir;
    for (int i = 0; i < count; ++i)
        dir.createFile("g" + std::to_string(i));
    f->loadFolder(dir.path());
    setPrefix(*f, "q_");
    f->applyRename();
    QVERIFY(f->isProcessing());
    f.model.reset();
    // The queued result and progress deliveries must find nothing to touch.
    QTest::qWait(100);
    QCOMPARE(sortedEntries(dir.path()).size(), count);
    QVERIFY(std::filesystem::exists(dir.path() / "q_g1999"));
}

QTEST_GUILESS_MAIN(QuorvaneViewModelTest)
#include "QuorvaneViewModelTest.moc"
