#include <functional>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <QMetaMethod>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "ModelServices.h"
#include "QtConversions.h"
#include "QuorvaneViewModel.h"
#include "RenamePresetStore.h"
#include "SettingsStoreQt.h"

using QtConversions::toQString;

namespace {

// Counts the view model's signals and how many came from a thread other than the main one.
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
        offMainThread += QThread::currentThread() != QCoreApplication::instance()->thread();
    }
};

// The services the composition root builds, over the real disk and a folder of files (each holding its own
// name), and a view model with the default preset store.
struct Fixture : ModelServices {
    std::unique_ptr<QuorvaneViewModel> model = makeModel();
    ThreadWatch watch { model.get() };

    explicit Fixture(std::initializer_list<std::string> names = {})
    {
        for (const std::string &name : names)
            dir.createFile(name, name);
    }
    std::unique_ptr<QuorvaneViewModel> makeModel()
    {
        return std::make_unique<QuorvaneViewModel>(fileAccess, filterService, renameService);
    }
    /// Every use of the model first waits for the worker to publish the newest listing, filter or preview.
    QuorvaneViewModel *operator->()
    {
        if (!settled())
            qFatal("the view model's worker did not settle");
        return model.get();
    }
    QString path(const std::string &name) const { return toQString(dir.path() / name); }
    void setPrefix(const std::string &prefix)
    {
        RenameParameters parameters = model->renameParameters();
        parameters.prefixText = prefix;
        model->setRenameParameters(parameters);
        model->updateRenamePlans();
        settled();
    }
    bool settled() { return ::settled(*model); }
    bool idle()
    {
        return QTest::qWaitFor([this] { return !model->isProcessing() && !model->isWorking(); }, 60000);
    }
    bool runToEnd(void (QuorvaneViewModel::*command)())
    {
        (model.get()->*command)();
        return idle();
    }
    /// The folder's entries, sorted, space-separated.
    QString entries() const
    {
        QStringList names;
        for (const auto &entry : std::filesystem::directory_iterator(dir.path()))
            names.append(toQString(entry.path().filename().string()));
        names.sort();
        return names.join(u' ');
    }
};

QString namesOf(const std::vector<FileItem> &files)
{
    QStringList names;
    for (const FileItem &file : files)
        names.append(toQString(file.name));
    return names.join(u' ');
}

QString newNamesOf(const std::vector<RenamePlan> &plans)
{
    QStringList names;
    for (const RenamePlan &plan : plans)
        names.append(toQString(plan.newName));
    return names.join(u' ');
}

// Every status the line showed, in order, from the moment of construction.
QStringList *statusTrail(QuorvaneViewModel &model)
{
    auto *trail = new QStringList;
    QObject::connect(&model, &QuorvaneViewModel::statusMessageChanged, &model,
        [trail, &model] { trail->append(model.statusMessage()); });
    QObject::connect(&model, &QObject::destroyed, [trail] { delete trail; });
    return trail;
}

} // namespace

class QuorvaneViewModelTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        // The default preset store writes the application's settings file: keep it in a temporary folder.
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }

    void init() { QFile::remove(m_config.filePath(QStringLiteral("Quorvane/Quorvane.conf"))); }

    void startsEmptyAndLoadsSorted()
    {
        Fixture f;
        QCOMPARE(f->statusMessage(), QStringLiteral("Ready"));
        QVERIFY(!f->selectedFolderURL() && !f->isProcessing() && !f->canUndo() && !f->showError());
        // Without a folder the preview stays empty whatever the settings.
        f.setPrefix("x_");
        f->applyFilters();
        // With no folder the (empty) filter runs at once, without the worker.
        QCOMPARE(f.model->statusMessage(), QStringLiteral("0 items after filtering"));
        QVERIFY(f->renamePlans().empty());

        f.dir.createFile("b.txt");
        f->loadFolder(f.dir.path());
        QCOMPARE(f->statusMessage(), QStringLiteral("Loaded 1 items"));
        f.dir.createFile("A.txt");
        f.dir.createFile("c.txt");
        QSignalSpy folder(f.model.get(), &QuorvaneViewModel::selectedFolderURLChanged);
        QSignalSpy plans(f.model.get(), &QuorvaneViewModel::renamePlansChanged);
        QSignalSpy canUndo(f.model.get(), &QuorvaneViewModel::canUndoChanged);
        f->loadFolder(f.dir.path());
        QCOMPARE(f->statusMessage(), QStringLiteral("Loaded 3 items"));
        QCOMPARE(f->selectedFolder(), toQString(f.dir.path()));
        QCOMPARE(namesOf(f->files()), QStringLiteral("A.txt b.txt c.txt"));
        QCOMPARE(newNamesOf(f->renamePlans()), QStringLiteral("x_A.txt x_b.txt x_c.txt"));
        // Every assignment announces itself, even of an equal value; loading leaves the undo state alone.
        QCOMPARE(folder.count(), 1);
        QCOMPARE(plans.count(), 1);
        QCOMPARE(canUndo.count(), 0);

        // A filter change through the binding does nothing until the filter runs.
        FileFilterCriteria criteria = f->filterCriteria();
        criteria.searchText = "zzz";
        f->setFilterCriteria(criteria);
        QCOMPARE(f->filteredFiles().size(), std::size_t(3));
        f->applyFilters();
        QVERIFY(f.model->isWorking()); // a folder's filter runs on the worker, never on the main thread
        QVERIFY(f->filteredFiles().empty());
    }

    void loadFailureKeepsPreviousLists()
    {
        Fixture f { "one.txt", "two.txt" };
        f.setPrefix("p_");
        f->loadFolder(f.dir.path());
        const auto files = f->files();
        const auto plans = f->renamePlans();
        f->loadFolder(f.dir.path() / "gone");
        QCOMPARE(f->errorMessage(), QStringLiteral("Cannot access the selected folder."));
        QVERIFY(f->showError());
        QCOMPARE(f->statusMessage(), QStringLiteral("Error"));
        QCOMPARE(f->selectedFolder(), f.path("gone"));
        QVERIFY(f->files() == files && f->filteredFiles() == files && f->renamePlans() == plans);

        // Without a folder there is nothing to apply.
        Fixture empty;
        empty->applyRename();
        QCOMPARE(empty->errorMessage(), QStringLiteral("Please select a folder first."));
    }

    void applyReportsOutcome_data()
    {
        QTest::addColumn<int>("fileCount");
        QTest::addColumn<int>("obstacles"); // the first files' targets appear after planning
        QTest::addColumn<int>("locked"); // the file made immutable after planning, -1 for none
        QTest::addColumn<QString>("trail");
        QTest::addColumn<QString>("message");
        // The statuses of a batch: the reload after it (the locked file left out), then the outcome.
        const auto row = [](const char *name, int files, int obstacles, int locked, const char *outcome,
                             const std::string &message) {
            const int listed = files + obstacles - (locked < 0 ? 0 : 1);
            QTest::newRow(name) << files << obstacles << locked
                                << QStringLiteral("Renaming...|%1 items after filtering|Loaded %1 items|%2")
                                       .arg(listed)
                                       .arg(QString::fromUtf8(outcome + std::string(message.empty() ? "" : "|Error")))
                                << QString::fromStdString(message);
        };
        const std::string exists = " could not be renamed (a file with the new name already exists):\n";
        row("all succeed", 3, 0, -1, "Renamed 3 items", {});
        row("one fails", 3, 1, -1, "Renamed 2, 1 failed", "1 file" + exists + "• f0.txt");
        row("all fail", 2, 2, -1, "Renamed 0, 2 failed", "2 files" + exists + "• f0.txt\n• f1.txt");
        row("seven fail", 8, 7, -1, "Renamed 1, 7 failed",
            "7 files" + exists + "• f0.txt\n• f1.txt\n• f2.txt\n• f3.txt\n• f4.txt\n…and 2 more");
        row("locked", 3, 0, 2, "Renamed 2, 1 failed",
            "1 file could not be renamed (permission denied or the file may be in use):\n• f2.txt");
        row("two causes", 3, 1, 2, "Renamed 1, 2 failed",
            "2 files could not be renamed:\n• f0.txt (a file with the new name already exists)\n• f2.txt "
            "(permission denied or in use)");
    }

    void applyReportsOutcome()
    {
        QFETCH(int, fileCount);
        QFETCH(int, obstacles);
        QFETCH(int, locked);
        QFETCH(QString, trail);
        QFETCH(QString, message);
        if (locked >= 0 && !canMakeImmutable())
            QSKIP("immutable files are not available here");
        Fixture f;
        for (int i = 0; i < fileCount; ++i)
            f.dir.createFile("f" + std::to_string(i) + ".txt", "original");
        f->loadFolder(f.dir.path());
        f.setPrefix("p_");
        // Targets that appear after planning make those renames fail.
        for (int i = 0; i < obstacles; ++i)
            f.dir.createFile("p_f" + std::to_string(i) + ".txt", "obstacle");
        const auto lockedFile = f.dir.path() / ("f" + std::to_string(locked) + ".txt");
        QVERIFY(locked < 0 || setImmutable(lockedFile, true));

        const QStringList *statuses = statusTrail(*f.model);
        QSignalSpy processing(f.model.get(), &QuorvaneViewModel::isProcessingChanged);
        const bool ran = f.runToEnd(&QuorvaneViewModel::applyRename);
        QVERIFY(locked < 0 || setImmutable(lockedFile, false));
        QVERIFY(ran);
        QCOMPARE(processing.count(), 2);
        QCOMPARE(statuses->join(u'|'), trail);
        QCOMPARE(f->errorMessage(), message);
        QCOMPARE(f->showError(), !message.isEmpty());
        QCOMPARE(f->filesNotShown(), qint64(locked < 0 ? 0 : 1));
        QCOMPARE(f->filesNotShownNames().join(u'|'), locked < 0 ? QString() : QStringLiteral("f2.txt"));

        // A batch in which nothing succeeded leaves the history as it was.
        const auto succeeded = static_cast<std::size_t>(fileCount - obstacles - (locked < 0 ? 0 : 1));
        QCOMPARE(f->canUndo(), succeeded > 0);
        QCOMPARE(f->undoStack().depth(), succeeded > 0 ? 1 : 0);
        if (succeeded > 0)
            QCOMPARE(f->undoStack().stack().back().size(), succeeded);
        for (int i = 0; i < fileCount; ++i) {
            const std::string index = std::to_string(i);
            if (i == locked) {
                QCOMPARE(f.dir.read("f" + index + ".txt"), std::string("original"));
                continue;
            }
            QCOMPARE(f.dir.read("p_f" + index + ".txt"), std::string(i < obstacles ? "obstacle" : "original"));
            QCOMPARE(std::filesystem::exists(f.dir.path() / ("f" + index + ".txt")), i < obstacles);
        }
        // The folder was listed again after the batch.
        QCOMPARE(f->files().size(), static_cast<std::size_t>(fileCount + obstacles - (locked < 0 ? 0 : 1)));
        QCOMPARE(f->progressDone(), qint64(fileCount));
        QCOMPARE(f->progressTotal(), qint64(fileCount));
        QCOMPARE(f.watch.offMainThread, 0);
    }

    void nothingToApply()
    {
        // A decomposed "é" on disk: planning writes the new name precomposed, which is the same name.
        Fixture f { "plain.txt", "caf\x65\xCC\x81.txt" };
        f->loadFolder(f.dir.path());
        QCOMPARE(newNamesOf(f->renamePlans()), QStringLiteral("caf\u00e9.txt plain.txt"));
        QSignalSpy processing(f.model.get(), &QuorvaneViewModel::isProcessingChanged);
        f->applyRename();
        QCOMPARE(f->statusMessage(), QStringLiteral("No changes to apply"));
        QVERIFY(!f->showError());
        QCOMPARE(processing.count(), 0);
        QCOMPARE(f.entries(), QStringLiteral("cafe\u0301.txt plain.txt"));

        // An empty history does nothing at all.
        QSignalSpy anyStatus(f.model.get(), &QuorvaneViewModel::statusMessageChanged);
        f->undoLastRename();
        QCOMPARE(anyStatus.count() + processing.count(), 0);
    }

    void undoFailureIsRetried()
    {
        Fixture f { "a.txt", "b.txt", "c.txt" };
        f->loadFolder(f.dir.path());
        f.setPrefix("p_");
        QVERIFY(f.runToEnd(&QuorvaneViewModel::applyRename));
        QCOMPARE(f->statusMessage(), QStringLiteral("Renamed 3 items"));

        const auto obstacle = f.dir.createFile("a.txt", "obstacle");
        const QStringList *statuses = statusTrail(*f.model);
        QVERIFY(f.runToEnd(&QuorvaneViewModel::undoLastRename));
        QCOMPARE(statuses->join(u'|'),
            QStringLiteral("Undoing last rename...|4 items after filtering|Loaded 4 items|"
                           "Reverted 2, 1 could not be restored|Error"));
        QCOMPARE(f->errorMessage(),
            QStringLiteral("1 file could not be restored (the original name may be in use or the file is locked). They "
                           "remain available for another Undo attempt:\n• p_a.txt"));
        QVERIFY(f->canUndo());
        QCOMPARE(f->undoStack().depth(), 1);
        QCOMPARE(f->undoStack().stack().back().size(), std::size_t(1));
        QCOMPARE(toQString(f->undoStack().stack().back()[0].renamedURL), f.path("p_a.txt"));

        std::filesystem::remove(obstacle);
        QVERIFY(f.runToEnd(&QuorvaneViewModel::undoLastRename));
        QCOMPARE(f->statusMessage(), QStringLiteral("Reverted 1 items"));
        QVERIFY(!f->canUndo());
        QCOMPARE(f.entries(), QStringLiteral("a.txt b.txt c.txt"));
        QCOMPARE(f.dir.read("a.txt"), std::string("a.txt"));
        QCOMPARE(f.watch.offMainThread, 0);
    }

    void ruleListIsEditedInPlaceAndItsBatchUndoneInOneStep()
    {
        Fixture f { "IMG_a_b.JPG", "IMG_c.jpg" };
        f->loadFolder(f.dir.path());
        f.setPrefix("x_");
        const auto edit = [&f](auto change) {
            RenameParameters parameters = f->renameParameters();
            change(parameters);
            f->setRenameParameters(parameters);
            f->updateRenamePlans();
        };
        f->addRule(RenameStrategy::replace);
        edit([](RenameParameters &p) {
            p.searchText = "_";
            p.replaceText = " ";
        });
        f->addRule(RenameStrategy::titleCase);
        QSignalSpy rulesChanged(f.model.get(), &QuorvaneViewModel::renameRulesChanged);
        // Each step: what it did, the edited rule's strategy, and the preview.
        const QList<std::tuple<std::function<void()>, RenameStrategy, QString>> steps {
            { [] {}, RenameStrategy::titleCase, QStringLiteral("X Img A B.JPG X Img C.jpg") },
            // Rules moved above the edited one leave it where it is.
            { [&] {
                 f->moveRule(0, 1);
                 f->moveRule(1, 0);
             },
                RenameStrategy::titleCase, QStringLiteral("X Img A B.JPG X Img C.jpg") },
            { [&] { f->moveRule(2, 0); }, RenameStrategy::titleCase, QStringLiteral("x Img A B.JPG x Img C.jpg") },
            { [&] { f->setRuleEnabled(1, false); }, RenameStrategy::titleCase,
                QStringLiteral("Img A B.JPG Img C.jpg") },
            // And so do rules moved below it.
            { [&] {
                 f->moveRule(1, 2);
                 f->moveRule(2, 1);
             },
                RenameStrategy::titleCase, QStringLiteral("Img A B.JPG Img C.jpg") },
            { [&] { f->selectRule(1); }, RenameStrategy::prefix, QStringLiteral("Img A B.JPG Img C.jpg") },
            { [&] { f->moveRule(7, 0); }, RenameStrategy::prefix, QStringLiteral("Img A B.JPG Img C.jpg") },
            { [&] { f->removeRule(1); }, RenameStrategy::replace, QStringLiteral("Img A B.JPG Img C.jpg") },
            // An index equal to the rule count is refused like any other out of range.
            { [&] {
                 f->removeRule(2);
                 f->moveRule(2, 0);
                 f->moveRule(0, 2);
             },
                RenameStrategy::replace, QStringLiteral("Img A B.JPG Img C.jpg") },
            { [&] { f->setRuleEnabled(0, false); }, RenameStrategy::replace, QStringLiteral("IMG a b.JPG IMG c.jpg") },
        };
        for (const auto &[step, strategy, preview] : steps) {
            step();
            QCOMPARE(f->renameParameters().strategy, strategy);
            QCOMPARE(
                f->renameRules()[static_cast<std::size_t>(f->editedRuleIndex())].parameters, f->renameParameters());
            QCOMPARE(newNamesOf(f->renamePlans()), preview);
        }
        QCOMPARE(rulesChanged.count(), 9);
        QCOMPARE(f->renameRules().size(), std::size_t(2));
        f->removeRule(0);
        f->removeRule(0);
        QCOMPARE(f->renameRules().size(), std::size_t(1));

        QVERIFY(f.runToEnd(&QuorvaneViewModel::applyRename));
        QCOMPARE(f.entries(), QStringLiteral("IMG a b.JPG IMG c.jpg"));
        QCOMPARE(f->undoStack().depth(), 1);
        f->setRenameRules({});
        f->updateRenamePlans();
        QCOMPARE(newNamesOf(f->renamePlans()), QStringLiteral("IMG a b.JPG IMG c.jpg"));
        QVERIFY(f.runToEnd(&QuorvaneViewModel::undoLastRename));
        QCOMPARE(f.entries(), QStringLiteral("IMG_a_b.JPG IMG_c.jpg"));
        QVERIFY(!f->canUndo());
    }

    void dragKeepsHiddenFilesInPlaceAndComparesPathsCanonically()
    {
        Fixture f { "a.txt", "ax.png", "b.txt", "bx.png", "c.txt" };
        f->loadFolder(f.dir.path());
        f->setIncludeExtensions(QStringLiteral("txt"));
        f->moveFile(f.path("c.txt"), f.path("a.txt"));
        QCOMPARE(namesOf(f->files()), QStringLiteral("c.txt ax.png a.txt bx.png b.txt"));
        QCOMPARE(namesOf(f->filteredFiles()), QStringLiteral("c.txt a.txt b.txt"));
        // Filtering keeps the dragged order; only a reload sorts by name again.
        f->setIncludeExtensions(QStringLiteral("png"));
        f->setIncludeExtensions(QString());
        QCOMPARE(namesOf(f->filteredFiles()), QStringLiteral("c.txt ax.png a.txt bx.png b.txt"));
        f->loadFolder(f.dir.path());
        QCOMPARE(namesOf(f->files()), QStringLiteral("a.txt ax.png b.txt bx.png c.txt"));

        // The drag payload may spell a name decomposed; letter case counts.
        Fixture g { "\xC3\xA9.txt", "f.txt" };
        g->loadFolder(g.dir.path());
        g->moveFileToEnd(g.path("e\xCC\x81.txt"));
        QCOMPARE(namesOf(g->files()), QStringLiteral("f.txt \u00e9.txt"));
        g->moveFile(g.path("F.txt"), g.path("\xC3\xA9.txt"));
        QCOMPARE(namesOf(g->files()), QStringLiteral("f.txt \u00e9.txt"));
    }

    void presetsSurviveRestartAndApplyReloadsOnlyForSubfolders()
    {
        Fixture f { "top.jpg", "top.png", "sub/inner.jpg" };
        QSignalSpy aboutToChange(f.model.get(), &QuorvaneViewModel::presetsAboutToChange);
        QSignalSpy changed(f.model.get(), &QuorvaneViewModel::presetsChanged);
        f.setPrefix("trip_");
        f->setIncludeSubfolders(true);
        f->setIncludeExtensions(QStringLiteral("png, jpg"));
        f->setFileOrder(FileOrder::natural, false);
        f->saveCurrentAsPreset(QStringLiteral("  Holiday \n"));
        QCOMPARE(aboutToChange.count() + changed.count(), 2);
        // A second view model reads the same settings file, as after a restart.
        f.model = f.makeModel();
        QCOMPARE(f->presetStore().presets().size(), 1);
        const RenamePreset preset = f->presetStore().presets().first();
        QCOMPARE(preset.name, QStringLiteral("Holiday"));
        QCOMPARE(preset.includeExtensions, QStringList({ QStringLiteral("jpg"), QStringLiteral("png") }));
        QVERIFY(preset.includeSubfolders);
        QCOMPARE(preset.parameters.prefixText, std::string("trip_"));
        QVERIFY(preset.order == FileOrder::natural && !preset.orderAscending);
        QVERIFY(SettingsStoreQt(m_config.filePath(QStringLiteral("Quorvane/Quorvane.conf")))
                    .bytes("quorvane.renamePresets.v1")
                    .has_value());

        // Applying a preset keeps the filter's text and reloads only when the subfolder switch changes.
        f->loadFolder(f.dir.path());
        FileFilterCriteria criteria = f->filterCriteria();
        criteria.searchText = "o";
        criteria.caseSensitive = true;
        f->setFilterCriteria(criteria);
        RenamePreset flat = preset;
        flat.includeSubfolders = false;
        flat.includeExtensions = { QStringLiteral("jpg") };
        flat.order = FileOrder::name;
        flat.orderAscending = true;
        QSignalSpy files(f.model.get(), &QuorvaneViewModel::filesChanged);
        f->applyPreset(flat);
        QVERIFY(f.settled());
        QCOMPARE(files.count(), 0);
        QCOMPARE(newNamesOf(f->renamePlans()), QStringLiteral("trip_top.jpg"));
        QCOMPARE(f->statusMessage(), QStringLiteral("1 items after filtering"));
        f->applyPreset(preset);
        QVERIFY(f.settled());
        QCOMPARE(files.count(), 1);
        QCOMPARE(f->statusMessage(), QStringLiteral("Loaded 3 items"));
        // The new listing comes in the preset's numbering order.
        QCOMPARE(namesOf(f->filteredFiles()), QStringLiteral("top.png top.jpg"));
        QVERIFY(f->fileOrder() == FileOrder::natural && !f->fileOrderAscending());
        QVERIFY(f->filterCriteria().caseSensitive);
    }

    void noticeSaysWhatWasLeftOut()
    {
        if (!canMakeImmutable())
            QSKIP("immutable files are not available here");
        Fixture f { "kept.txt", "locked.txt", std::string(30, 'a') + "b.txt" };
        QVERIFY(setImmutable(f.dir.path() / "locked.txt", true));
        RenameParameters parameters;
        parameters.strategy = RenameStrategy::replace;
        parameters.useRegularExpression = true;
        parameters.searchText = "(a+)+$";
        f->setRenameParameters(parameters);
        f->loadFolder(f.dir.path());
        const QString notice = f->notice();
        QVERIFY(setImmutable(f.dir.path() / "locked.txt", false));
        QCOMPARE(
            notice, QStringLiteral("1 file left out: not writable; 1 name left unchanged: the pattern took too long"));
        QCOMPARE(f->statusMessage(), QStringLiteral("Loaded 2 items"));
    }

    void failedSettingsWriteIsToldOnce()
    {
        if (!canMakeImmutable())
            QSKIP("immutable files are not available here");
        Fixture f;
        f->saveCurrentAsPreset(QStringLiteral("A"));
        const auto file = QtConversions::toPath(m_config.filePath(QStringLiteral("Quorvane/Quorvane.conf")));
        QVERIFY(setImmutable(file, true));
        f->saveCurrentAsPreset(QStringLiteral("B"));
        const bool shown = f->showError();
        const QString message = f->errorMessage();
        f->setShowError(false);
        f->saveCurrentAsPreset(QStringLiteral("C"));
        const bool shownAgain = f->showError();
        QVERIFY(setImmutable(file, false));

        QVERIFY(shown && !shownAgain);
        QCOMPARE(message, QStringLiteral("Quorvane could not save its settings: Operation not permitted"));
        // The window keeps working: the presets exist for this session.
        QCOMPARE(f->presetStore().presets().size(), 3);
    }

    void smallOperations()
    {
        Fixture f { "a1.PNG", "b22.jpg", "c.Jpeg", "d.gif", "sub/e.jpg" };
        QSignalSpy opened(f.model.get(), &QuorvaneViewModel::openFolderRequested);
        f->openSelectedFolder();
        f->toggleIncludeSubfolders();
        QVERIFY(f->includeSubfolders());
        QCOMPARE(f->statusMessage(), QStringLiteral("Ready"));
        f->toggleIncludeSubfolders();
        f->loadFolder(f.dir.path());
        f->openSelectedFolder();
        QCOMPARE(opened.count(), 1);
        QCOMPARE(opened.at(0).at(0).toString(), toQString(f.dir.path()));

        f->setIncludeExtensions(QStringLiteral(" PNG,jpg , ,Jpeg"));
        QCOMPARE(namesOf(f->filteredFiles()), QStringLiteral("a1.PNG b22.jpg c.Jpeg"));
        f->toggleIncludeSubfolders();
        QCOMPARE(f->statusMessage(), QStringLiteral("Loaded 5 items"));
        QCOMPARE(f->filteredFiles().size(), std::size_t(4));
        f->toggleIncludeSubfolders();

        RenameParameters parameters = f->renameParameters();
        parameters.strategy = RenameStrategy::replace;
        parameters.searchText = "[0-9]+";
        parameters.replaceText = "#";
        parameters.preserveExtension = false;
        f->setRenameParameters(parameters);
        f->updateRenamePlans();
        QCOMPARE(newNamesOf(f->renamePlans()), QStringLiteral("a1.PNG b22.jpg c.Jpeg"));
        f->toggleRegularExpression();
        QVERIFY(f->renameParameters().useRegularExpression);
        QCOMPARE(newNamesOf(f->renamePlans()), QStringLiteral("a#.PNG b#.jpg c.Jpeg"));
    }

    void newestRequestWins()
    {
        // Requests made before the worker's results come back: only the newest folder and settings are shown,
        // published once, in the order a synchronous load would publish them; nothing is applied meanwhile.
        Fixture f { "a.txt", "b.txt" };
        TestDir other;
        other.createFile("z.txt", "z");
        const QStringList *statuses = statusTrail(*f.model);
        QSignalSpy files(f.model.get(), &QuorvaneViewModel::filesChanged);
        QSignalSpy plans(f.model.get(), &QuorvaneViewModel::renamePlansChanged);
        QSignalSpy working(f.model.get(), &QuorvaneViewModel::isWorkingChanged);
        f.model->loadFolder(f.dir.path());
        f.model->loadFolder(other.path());
        for (const char *prefix : { "x", "x_", "x__" }) {
            RenameParameters parameters = f.model->renameParameters();
            parameters.prefixText = prefix;
            f.model->setRenameParameters(parameters);
            f.model->updateRenamePlans();
            f.model->applyRename();
        }
        QVERIFY(f.model->isWorking() && !f.model->isProcessing() && f.model->files().empty());
        QCOMPARE(f.model->selectedFolder(), toQString(other.path()));
        QVERIFY(f.settled());
        QCOMPARE(namesOf(f->files()), QStringLiteral("z.txt"));
        QCOMPARE(newNamesOf(f->renamePlans()), QStringLiteral("x__z.txt"));
        QCOMPARE(files.count(), 1);
        QCOMPARE(plans.count(), 1);
        QCOMPARE(working.count(), 6);
        QCOMPARE(statuses->join(u'|'), QStringLiteral("1 items after filtering|Loaded 1 items"));
        QCOMPARE(f.entries(), QStringLiteral("a.txt b.txt"));
        QCOMPARE(other.read("z.txt"), std::string("z"));
        QCOMPARE(f.watch.offMainThread, 0);
    }

    void progressReportsAreThrottled()
    {
        Fixture f;
        for (int i = 0; i < 10000; ++i)
            f.dir.createFile("file" + std::to_string(i) + ".dat");
        f->loadFolder(f.dir.path());
        f.setPrefix("n_");
        QSignalSpy progress(f.model.get(), &QuorvaneViewModel::progressDoneChanged);
        QSignalSpy files(f.model.get(), &QuorvaneViewModel::filesChanged);
        QVERIFY(f.runToEnd(&QuorvaneViewModel::applyRename));
        QCOMPARE(f->statusMessage(), QStringLiteral("Renamed 10000 items"));
        // A folder this large is emptied before its reload, which then shows the renamed files with their next plans.
        QCOMPARE(files.count(), 2);
        QCOMPARE(f->files().size(), std::size_t(10000));
        QCOMPARE(f->renamePlans().size(), std::size_t(10000));
        QVERIFY(f->files().front().name.rfind("n_", 0) == 0 && f->renamePlans().front().newName.rfind("n_n_", 0) == 0);
        QCOMPARE(f->progressDone(), qint64(10000));
        // Far fewer updates than the engine's 200 reports for this batch, and the last one always arrives.
        QVERIFY2(progress.count() < 10000 / 50, qPrintable(QString::number(progress.count())));
        QCOMPARE(f.watch.offMainThread, 0);
    }

    void secondBatchIsRefusedWhileOneRuns()
    {
        Fixture f;
        for (int i = 0; i < 2000; ++i)
            f.dir.createFile("f" + std::to_string(i));
        f->loadFolder(f.dir.path());
        f.setPrefix("p_");
        f->applyRename();
        QVERIFY(f->isProcessing());
        QSignalSpy statuses(f.model.get(), &QuorvaneViewModel::statusMessageChanged);
        QSignalSpy processing(f.model.get(), &QuorvaneViewModel::isProcessingChanged);
        f->applyRename();
        f->proceedWithPendingRename();
        f->undoLastRename();
        QCOMPARE(statuses.count() + processing.count(), 0);
        QVERIFY(f.idle());
        QCOMPARE(f->statusMessage(), QStringLiteral("Renamed 2000 items"));
        QCOMPARE(f->undoStack().depth(), 1);
        QVERIFY(!std::filesystem::exists(f.dir.path() / "p_p_f0"));

        // The preview now shows the next round, armed again once a setting changes. A second undo started while the
        // first runs is refused too, so exactly one batch goes back.
        f.setPrefix("q_");
        QVERIFY(f.runToEnd(&QuorvaneViewModel::applyRename));
        QCOMPARE(f->undoStack().depth(), 2);
        f->undoLastRename();
        QVERIFY(f.runToEnd(&QuorvaneViewModel::undoLastRename));
        QCOMPARE(f->undoStack().depth(), 1);
        QVERIFY(std::filesystem::exists(f.dir.path() / "p_f0"));
        QCOMPARE(f.watch.offMainThread, 0);
    }

    void destroyedWhileBatchRuns()
    {
        Fixture f;
        for (int i = 0; i < 2000; ++i)
            f.dir.createFile("g" + std::to_string(i));
        f->loadFolder(f.dir.path());
        f.setPrefix("q_");
        f->applyRename();
        QVERIFY(f->isProcessing());
        f.model.reset();
        // The queued result and progress deliveries must find nothing to touch.
        QTest::qWait(100);
        QVERIFY(std::filesystem::exists(f.dir.path() / "q_g1999"));
    }

private:
    QTemporaryDir m_config;
};

QTEST_GUILESS_MAIN(QuorvaneViewModelTest)
#include "QuorvaneViewModelTest.moc"
