#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <utime.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDrag>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "DetailView.h"
#include "FileAccessService.h"
#include "FileFilterService.h"
#include "FileRenameService.h"
#include "FileTableModel.h"
#include "PhotoMetadataService.h"
#include "PreviewListView.h"
#include "QtConversions.h"
#include "QuorvaneViewModel.h"
#include "RenamePreviewModel.h"
#include "RenamePreviewView.h"
#include "SavePresetSheet.h"
#include "SidebarView.h"
#include "TestDir.h"

using QtConversions::toQString;

namespace {

// The services the application builds, a view model over them, and the two panes side by side in one window.
struct Window {
    FileAccessService fileAccess;
    FileFilterService filterService;
    FileAccessService renameFileSystem;
    PhotoMetadataService metadata;
    FileRenameService renameService { renameFileSystem, metadata };
    QuorvaneViewModel model { fileAccess, filterService, renameService };
    QWidget window;
    SidebarView *sidebar = new SidebarView(model, &window);
    DetailView *detail = new DetailView(model, &window);

    Window()
    {
        // Presets live in the (test-mode) settings file and outlive a test; every test starts without any.
        while (!model.presetStore().presets().isEmpty())
            model.presetStore().deletePreset(model.presetStore().presets().first().id);
        auto *layout = new QHBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        sidebar->setFixedWidth(320);
        layout->addWidget(sidebar);
        layout->addWidget(detail, 1);
        window.resize(960, 640);
        window.show();
    }

    template <typename T> T *find(const char *name) const
    {
        T *widget = window.findChild<T *>(QString::fromLatin1(name));
        if (widget == nullptr)
            qFatal("no widget named %s", name);
        return widget;
    }
    PreviewListView *list() const { return sidebar->preview()->list(); }
    QAbstractItemModel *preview() const { return list()->model(); }
    QStringList previewColumn(int role) const
    {
        QStringList texts;
        for (int row = 0; row < preview()->rowCount(); ++row)
            texts.append(preview()->index(row, 0).data(role).toString());
        return texts;
    }
    QStringList newNames() const { return previewColumn(RenamePreviewModel::NewNameRole); }
    QStringList oldNames() const { return previewColumn(RenamePreviewModel::OriginalNameRole); }
    void chooseStrategy(const QString &title) const
    {
        for (QAction *action : find<QMenu>("strategyMenu")->actions()) {
            if (action->text() == title) {
                action->trigger();
                return;
            }
        }
        qFatal("no strategy %s", qPrintable(title));
    }
    QPoint rowCenter(int row) const { return list()->visualRect(preview()->index(row, 0)).center(); }
};

QStringList strings(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts)
        list.append(QString::fromUtf8(text));
    return list;
}

// Text dragged over the preview list: enter at one point, then a move to each further point, then (optionally)
// a drop at the last one. Posted moves run after each step, as they would between the platform's drag events.
void dragText(QWidget *viewport, const QString &text, const QList<QPoint> &points, bool drop)
{
    QMimeData mime;
    mime.setText(text);
    const Qt::DropActions actions = Qt::MoveAction | Qt::CopyAction;
    QDragEnterEvent enter(points.first(), actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QCoreApplication::processEvents();
    for (qsizetype i = 1; i < points.size(); ++i) {
        QDragMoveEvent move(points.at(i), actions, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
        QCoreApplication::processEvents();
    }
    if (drop) {
        QDropEvent dropEvent(points.last(), actions, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &dropEvent);
        QCoreApplication::processEvents();
    }
}

// Presses the mouse on a preview row and moves it far enough to start a drag from that row.
void startRowDrag(const Window &window, int row)
{
    QWidget *viewport = window.list()->viewport();
    const QPoint start = window.rowCenter(row);
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, start);
    for (int step = 1; step <= 3; ++step) {
        const QPoint position = start + QPoint(0, step * QApplication::startDragDistance());
        QMouseEvent move(
            QEvent::MouseMove, position, viewport->mapToGlobal(position), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
    }
}

} // namespace

class PanesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        qputenv("TZ", "UTC");
    }

    void strategyMenuShowsTheFieldsOfTheChosenStrategy_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<bool>("preserveToggleShown");
        QTest::newRow("prefix") << QStringLiteral("Add Prefix") << strings({ "prefixField" }) << true;
        QTest::newRow("suffix") << QStringLiteral("Add Suffix") << strings({ "suffixField" }) << true;
        QTest::newRow("replace") << QStringLiteral("Find and Replace")
                                 << strings({ "findField", "replaceField", "regexToggle" }) << true;
        QTest::newRow("prefix sequence") << QStringLiteral("Prefix Sequence Number")
                                         << strings({ "sequenceStart", "sequencePadding", "sequenceSeparator" })
                                         << true;
        QTest::newRow("suffix sequence") << QStringLiteral("Suffix Sequence Number")
                                         << strings({ "sequenceStart", "sequencePadding", "sequenceSeparator" })
                                         << true;
        QTest::newRow("date") << QStringLiteral("Format with Date")
                              << strings({ "dateSourcePicker", "dateFormatPicker", "dateSequenceToggle",
                                     "dateSequenceStart", "datePositionPicker", "captureDateNote" })
                              << false;
        QTest::newRow("uppercase") << QStringLiteral("UPPERCASE") << QStringList() << true;
        QTest::newRow("lowercase") << QStringLiteral("lowercase") << QStringList() << true;
    }

    void strategyMenuShowsTheFieldsOfTheChosenStrategy()
    {
        QFETCH(QString, title);
        QFETCH(QStringList, shown);
        QFETCH(bool, preserveToggleShown);
        Window w;
        w.chooseStrategy(title);

        QCOMPARE(w.find<QPushButton>("strategyButton")->text(), title);
        const QList<QAction *> actions = w.find<QMenu>("strategyMenu")->actions();
        QCOMPARE(actions.size(), 8);
        for (QAction *action : actions)
            QCOMPARE(!action->icon().isNull(), action->text() == title);

        const QStringList every = strings({ "prefixField", "suffixField", "findField", "replaceField", "regexToggle",
            "sequenceStart", "sequencePadding", "sequenceSeparator", "dateSourcePicker", "dateFormatPicker",
            "dateSequenceToggle", "dateSequenceStart", "datePositionPicker", "captureDateNote" });
        for (const QString &name : every) {
            auto *widget = w.window.findChild<QWidget *>(name);
            QVERIFY2(widget != nullptr, qPrintable(name));
            QVERIFY2(widget->isVisible() == shown.contains(name), qPrintable(name));
        }
        QCOMPARE(w.find<QCheckBox>("preserveExtensionToggle")->isVisible(), preserveToggleShown);
    }

    void dateStrategyKeepsTheExtensionAndShowsItsOptionalParts()
    {
        TestDir dir;
        dir.createFile("photo.jpg", "x");
        Window w;
        w.model.loadFolder(dir.path());
        auto *preserve = w.find<QCheckBox>("preserveExtensionToggle");
        preserve->click();
        QVERIFY(!preserve->isChecked());
        QVERIFY(!w.model.renameParameters().preserveExtension);

        w.chooseStrategy(QStringLiteral("Format with Date"));
        QVERIFY(!preserve->isVisible());
        QVERIFY(w.newNames().first().endsWith(QStringLiteral(".jpg")));
        auto *sequenceBox = w.find<QWidget>("dateSequenceBlock");
        auto *note = w.find<QLabel>("captureDateNote");
        QVERIFY(sequenceBox->isVisible());
        QVERIFY(note->isVisible());
        QCOMPARE(note->text(), QStringLiteral("Files without photo metadata use the file's creation date."));

        w.find<QCheckBox>("dateSequenceToggle")->click();
        QVERIFY(!sequenceBox->isVisible());
        QVERIFY(!w.model.renameParameters().dateIncludeSequence);
        auto *source = w.find<QComboBox>("dateSourcePicker");
        QCOMPARE(source->itemText(2), QStringLiteral("Date Modified"));
        source->setCurrentIndex(2);
        Q_EMIT source->activated(2);
        QVERIFY(!note->isVisible());
        QCOMPARE(w.model.renameParameters().dateSource, DateSource::modified);
        auto *format = w.find<QComboBox>("dateFormatPicker");
        QCOMPARE(format->itemText(3), QStringLiteral("2026-09"));

        // Back to another strategy: the toggle reappears, switched on by the date strategy.
        w.chooseStrategy(QStringLiteral("Add Suffix"));
        QVERIFY(preserve->isVisible());
        QVERIFY(preserve->isChecked());
    }

    void sequenceStartStopsAtItsBounds()
    {
        Window w;
        w.chooseStrategy(QStringLiteral("Prefix Sequence Number"));
        auto *start = w.find<QSpinBox>("sequenceStart");
        QCOMPARE(start->text(), QStringLiteral("Start: 1"));
        start->setFocus();
        QTest::keyClick(start, Qt::Key_Down);
        QTest::keyClick(start, Qt::Key_Down);
        QCOMPARE(w.model.renameParameters().sequenceStart, 0);
        start->setValue(9999);
        start->stepUp();
        QCOMPARE(w.model.renameParameters().sequenceStart, 9999);
        QCOMPARE(start->text(), QStringLiteral("Start: 9999"));
        w.find<QToolButton>("sequencePadding0")->click();
        QCOMPARE(w.model.renameParameters().sequencePadding, 1);
    }

    void typingAPrefixUpdatesThePreviewRows()
    {
        TestDir dir;
        dir.createFile("b.txt", "b");
        dir.createFile("a.txt", "a");
        Window w;
        QAbstractItemModelTester tester(w.preview(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(w.sidebar->preview()->showsEmptyState());
        QCOMPARE(w.find<QLabel>("noPreviewLabel")->text(), QStringLiteral("No preview"));
        QVERIFY(w.find<QLabel>("noPreviewLabel")->isVisible());

        w.model.loadFolder(dir.path());
        QVERIFY(!w.sidebar->preview()->showsEmptyState());
        QCOMPARE(w.newNames(), strings({ "a.txt", "b.txt" }));
        QCOMPARE(w.preview()->index(0, 0).data(RenamePreviewModel::ChangesNameRole).toBool(), false);

        QTest::keyClicks(w.find<QLineEdit>("prefixField"), QStringLiteral("x/"));
        QCOMPARE(w.oldNames(), strings({ "a.txt", "b.txt" }));
        QCOMPARE(w.newNames(), strings({ "x-a.txt", "x-b.txt" }));
        QCOMPARE(w.preview()->index(1, 0).data().toString(), QStringLiteral("b.txt → x-b.txt"));
        QCOMPARE(w.preview()->index(1, 0).data(RenamePreviewModel::ChangesNameRole).toBool(), true);
        QTest::keyClick(w.find<QLineEdit>("prefixField"), Qt::Key_Backspace);
        QCOMPARE(w.newNames(), strings({ "xa.txt", "xb.txt" }));
    }

    void clearFilterIsEnabledOnlyByTextOrExtensions()
    {
        TestDir dir;
        dir.createFile("One.png", "1");
        dir.createFile("two.jpg", "2");
        dir.createFile("three.txt", "3");
        Window w;
        w.model.loadFolder(dir.path());
        auto *clear = w.find<QPushButton>("clearFilterButton");
        auto *caseSensitive = w.find<QCheckBox>("caseSensitiveToggle");
        QVERIFY(!clear->isEnabled());
        caseSensitive->click();
        QVERIFY(w.model.filterCriteria().caseSensitive);
        QVERIFY(!clear->isEnabled());

        QTest::keyClicks(w.find<QLineEdit>("searchField"), QStringLiteral("o"));
        QVERIFY(clear->isEnabled());
        QCOMPARE(w.find<QLabel>("fileCountLabel")->text(), QStringLiteral("Files (1)"));
        clear->click();
        QVERIFY(!clear->isEnabled());
        QVERIFY(!caseSensitive->isChecked());
        QCOMPARE(w.find<QLineEdit>("searchField")->text(), QString());
        QCOMPARE(w.find<QLabel>("fileCountLabel")->text(), QStringLiteral("Files (3)"));

        auto *extensions = w.find<QLineEdit>("extensionsField");
        extensions->setFocus();
        QTest::keyClicks(extensions, QStringLiteral("PNG , jpg"));
        QVERIFY(clear->isEnabled());
        QCOMPARE(extensions->text(), QStringLiteral("PNG , jpg"));
        Q_EMIT extensions->editingFinished();
        QCOMPARE(extensions->text(), QStringLiteral("jpg,png"));
        QCOMPARE(w.find<QLabel>("fileCountLabel")->text(), QStringLiteral("Files (2)"));
    }

    void draggingARowOntoAnotherReordersAndRenumbers()
    {
        TestDir dir;
        for (const char *name : { "a.txt", "b.txt", "c.txt", "d.txt" })
            dir.createFile(name, name);
        Window w;
        w.model.loadFolder(dir.path());
        w.chooseStrategy(QStringLiteral("Prefix Sequence Number"));
        QCOMPARE(w.newNames(), strings({ "001_a.txt", "002_b.txt", "003_c.txt", "004_d.txt" }));

        QStringList seenDuringDrag;
        QString payload;
        w.list()->setDragRunner([&](QDrag &drag) {
            payload = drag.mimeData()->text();
            QWidget *viewport = w.list()->viewport();
            // Over its own row nothing moves; entering C's row moves A there at once, before any drop.
            dragText(viewport, payload, { w.rowCenter(0), w.rowCenter(0) + QPoint(3, 0), w.rowCenter(2) }, false);
            seenDuringDrag = w.oldNames();
            // Moving within the row it now occupies changes nothing more, nor does the release.
            dragText(viewport, payload, { w.rowCenter(2), w.rowCenter(2) + QPoint(0, 1) }, true);
        });
        startRowDrag(w, 0);
        QCOMPARE(payload, toQString(dir.path() / "a.txt"));
        QCOMPARE(seenDuringDrag, strings({ "b.txt", "c.txt", "a.txt", "d.txt" }));
        QCOMPARE(w.oldNames(), strings({ "b.txt", "c.txt", "a.txt", "d.txt" }));
        QCOMPARE(w.newNames(), strings({ "001_b.txt", "002_c.txt", "003_a.txt", "004_d.txt" }));
        QVERIFY(!w.list()->draggedPath().has_value());
    }

    void draggingBelowTheRowsMakesTheFileLast()
    {
        TestDir dir;
        for (const char *name : { "a.txt", "b.txt", "c.txt" })
            dir.createFile(name, name);
        Window w;
        w.model.loadFolder(dir.path());
        w.chooseStrategy(QStringLiteral("Suffix Sequence Number"));
        w.list()->setDragRunner([&](QDrag &drag) {
            const QRect last = w.list()->visualRect(w.preview()->index(2, 0));
            dragText(
                w.list()->viewport(), drag.mimeData()->text(), { w.rowCenter(1), last.center() + QPoint(0, 40) }, true);
        });
        startRowDrag(w, 1);
        QCOMPARE(w.oldNames(), strings({ "a.txt", "c.txt", "b.txt" }));
        QCOMPARE(w.newNames(), strings({ "a_001.txt", "c_002.txt", "b_003.txt" }));
    }

    void aDragThatEndsOutsideTheListLeavesNothingBehind()
    {
        TestDir dir;
        for (const char *name : { "a.txt", "b.txt", "c.txt", "d.txt" })
            dir.createFile(name, name);
        Window w;
        w.model.loadFolder(dir.path());
        bool ran = false;
        // The drag leaves the list and ends somewhere else: no drop reaches the list.
        w.list()->setDragRunner([&](QDrag &) {
            ran = true;
            QVERIFY(w.list()->draggedPath().has_value());
        });
        startRowDrag(w, 0);
        QVERIFY(ran);
        QVERIFY(!w.list()->draggedPath().has_value());

        // Later, text from another program passes over the rows and is dropped: it is accepted, nothing moves.
        QMimeData mime;
        mime.setText(QStringLiteral("some text"));
        QDragEnterEvent enter(w.rowCenter(3), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.list()->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        dragText(w.list()->viewport(), QStringLiteral("some text"), { w.rowCenter(3), w.rowCenter(1), w.rowCenter(2) },
            true);
        QCOMPARE(w.oldNames(), strings({ "a.txt", "b.txt", "c.txt", "d.txt" }));
    }

    void savePresetSheetSavesOnReturnAndCancelsOnEscape()
    {
        Window w;
        auto *presetsMenu = w.find<QMenu>("presetsMenu");
        QCOMPARE(presetsMenu->actions().size(), 1);
        QCOMPARE(presetsMenu->actions().first()->text(), QStringLiteral("No Saved Presets"));
        QVERIFY(!presetsMenu->actions().first()->isEnabled());

        w.find<QPushButton>("savePresetButton")->click();
        auto *sheet = w.sidebar->findChild<SavePresetSheet *>();
        QVERIFY(sheet != nullptr && sheet->isVisible() && sheet->isModal());
        QCOMPARE(sheet->nameField()->text(), QStringLiteral("My Preset"));
        QCOMPARE(sheet->saveButton()->text(), QStringLiteral("Save Preset"));
        sheet->nameField()->clear();
        QTest::keyClicks(sheet->nameField(), QStringLiteral("   "));
        QVERIFY(!sheet->saveButton()->isEnabled());
        QTest::keyClick(sheet->nameField(), Qt::Key_Return);
        QVERIFY(sheet->isVisible());
        QVERIFY(w.model.presetStore().presets().isEmpty());
        sheet->nameField()->clear();
        QTest::keyClicks(sheet->nameField(), QStringLiteral(" Mine"));
        QVERIFY(sheet->saveButton()->isEnabled());
        QTest::keyClick(sheet->nameField(), Qt::Key_Return);
        QTRY_VERIFY(w.sidebar->findChild<SavePresetSheet *>() == nullptr);
        QCOMPARE(w.model.presetStore().presets().size(), 1);
        QCOMPARE(w.model.presetStore().presets().first().name, QStringLiteral("Mine"));

        QStringList titles;
        for (QAction *action : presetsMenu->actions())
            titles.append(action->isSeparator() ? QStringLiteral("---") : action->text());
        QCOMPARE(titles, strings({ "Mine", "---", "Delete Preset" }));

        // A second opening starts again from "My Preset"; Escape closes it without saving.
        w.find<QPushButton>("savePresetButton")->click();
        sheet = w.sidebar->findChild<SavePresetSheet *>();
        QVERIFY(sheet != nullptr);
        QCOMPARE(sheet->nameField()->text(), QStringLiteral("My Preset"));
        QTest::keyClick(sheet->nameField(), Qt::Key_Escape);
        QTRY_VERIFY(w.sidebar->findChild<SavePresetSheet *>() == nullptr);
        QCOMPARE(w.model.presetStore().presets().size(), 1);

        // Deleting through the submenu removes it at once.
        auto *deleteMenu = w.find<QMenu>("deletePresetMenu");
        QCOMPARE(deleteMenu->actions().size(), 1);
        deleteMenu->actions().first()->trigger();
        QTRY_VERIFY(w.model.presetStore().presets().isEmpty());
        QCOMPARE(presetsMenu->actions().first()->text(), QStringLiteral("No Saved Presets"));
    }

    void choosingAPresetShowsItsSettings()
    {
        Window w;
        w.chooseStrategy(QStringLiteral("Add Suffix"));
        QTest::keyClicks(w.find<QLineEdit>("suffixField"), QStringLiteral("_v2"));
        w.model.saveCurrentAsPreset(QStringLiteral("Versioned"));
        w.chooseStrategy(QStringLiteral("UPPERCASE"));
        QCOMPARE(w.find<QPushButton>("strategyButton")->text(), QStringLiteral("UPPERCASE"));

        w.find<QMenu>("presetsMenu")->actions().first()->trigger();
        QCOMPARE(w.find<QPushButton>("strategyButton")->text(), QStringLiteral("Add Suffix"));
        QVERIFY(w.find<QLineEdit>("suffixField")->isVisible());
        QCOMPARE(w.find<QLineEdit>("suffixField")->text(), QStringLiteral("_v2"));
    }

    void headerAndEmptyStatesFollowTheFolderAndFilter()
    {
        TestDir dir;
        dir.createFile("a.txt", "a");
        dir.createFile("b.txt", "b");
        dir.createFile("c.md", "c");
        Window w;
        auto *content = w.find<QStackedWidget>("detailContent");
        auto *path = w.find<QPushButton>("folderPathButton");
        QCOMPARE(w.find<QLabel>("fileCountLabel")->text(), QStringLiteral("Files (0)"));
        QCOMPARE(content->currentWidget()->objectName(), QStringLiteral("noFolderState"));
        QCOMPARE(w.find<QLabel>("noFolderTitle")->text(), QStringLiteral("No folder selected"));
        QVERIFY(!path->isVisible());
        QVERIFY(!w.find<QToolButton>("headerRevealButton")->isVisible());
        QVERIFY(!w.find<QToolButton>("revealFolderButton")->isEnabled());
        QCOMPARE(w.find<QPushButton>("folderButton")->text(), QStringLiteral("Select Folder…"));
        QSignalSpy choose(w.detail, &DetailView::chooseFolderRequested);
        w.find<QPushButton>("selectFolderButton")->click();
        QCOMPARE(choose.size(), 1);

        w.model.loadFolder(dir.path());
        QCOMPARE(w.find<QLabel>("fileCountLabel")->text(), QStringLiteral("Files (3)"));
        QCOMPARE(content->currentWidget()->objectName(), QStringLiteral("fileTable"));
        auto *table = w.find<QTableView>("fileTable");
        table->selectRow(1);
        QVERIFY(path->isVisible());
        QCOMPARE(path->text(), toQString(dir.path()));
        QCOMPARE(w.find<QPushButton>("folderButton")->text(), toQString(dir.path().filename()));
        QVERIFY(w.find<QToolButton>("revealFolderButton")->isEnabled());

        auto *caseSensitive = w.find<QCheckBox>("caseSensitiveToggle");
        caseSensitive->click();
        QTest::keyClicks(w.find<QLineEdit>("searchField"), QStringLiteral("A"));
        QCOMPARE(content->currentWidget()->objectName(), QStringLiteral("noMatchState"));
        QCOMPARE(w.find<QLabel>("noMatchTitle")->text(), QStringLiteral("No files match the filter"));
        QCOMPARE(w.find<QLabel>("fileCountLabel")->text(), QStringLiteral("Files (0)"));
        w.find<QPushButton>("emptyClearFilterButton")->click();
        QCOMPARE(content->currentWidget()->objectName(), QStringLiteral("fileTable"));
        // The selected file is selected again once the filter lets it through.
        const QModelIndexList selected = table->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().data().toString(), QStringLiteral("b.txt"));
        QCOMPARE(w.find<QLabel>("fileCountLabel")->text(), QStringLiteral("Files (3)"));
        QVERIFY(!caseSensitive->isChecked());
    }

    void tableShowsKindSizeInDecimalUnitsAndLocalDate()
    {
        TestDir dir;
        dir.createFile("small", std::string(999, 'x'));
        dir.createFile("medium.jpeg", std::string(1500, 'x'));
        dir.createFile("large.JPG", std::string(2'000'000, 'x'));
        const auto when = std::chrono::sys_days(std::chrono::year(2024) / 7 / 14) + std::chrono::hours(18)
            + std::chrono::minutes(30);
        const auto seconds
            = static_cast<time_t>(std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count());
        const utimbuf times { seconds, seconds };
        QCOMPARE(utime((dir.path() / "small").c_str(), &times), 0);
        Window w;
        w.model.loadFolder(dir.path());
        auto *table = w.find<QTableView>("fileTable");
        QAbstractItemModel *model = table->model();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QStringList headers;
        for (int column = 0; column < model->columnCount(); ++column)
            headers.append(model->headerData(column, Qt::Horizontal).toString());
        QCOMPARE(headers, strings({ "Name", "Kind", "Size", "Modified" }));

        QStringList rows;
        for (int row = 0; row < model->rowCount(); ++row) {
            rows.append(model->index(row, FileTableModel::Name).data().toString() + QLatin1Char('|')
                + model->index(row, FileTableModel::Kind).data().toString() + QLatin1Char('|')
                + model->index(row, FileTableModel::Size).data().toString());
        }
        QCOMPARE(rows, strings({ "large.JPG|JPG|2 MB", "medium.jpeg|JPEG|1.5 kB", "small|Unknown|999 bytes" }));
        QVERIFY(!model->index(0, FileTableModel::Name).data(Qt::DecorationRole).value<QIcon>().isNull());
        // The edges of the units, where rounding to one decimal must carry into the next unit.
        QCOMPARE(FileTableModel::formattedSize(1), QStringLiteral("1 byte"));
        QCOMPARE(FileTableModel::formattedSize(1000), QStringLiteral("1 kB"));
        QCOMPARE(FileTableModel::formattedSize(999'949), QStringLiteral("999.9 kB"));
        QCOMPARE(FileTableModel::formattedSize(999'950), QStringLiteral("1 MB"));
        QCOMPARE(FileTableModel::formattedSize(1'234'567'890), QStringLiteral("1.2 GB"));
        const QString modified = model->index(2, FileTableModel::Modified).data().toString();
        QVERIFY2(modified.startsWith(QStringLiteral("Jul 14, 2024 6:30")), qPrintable(modified));
        QVERIFY2(modified.endsWith(QStringLiteral("PM")), qPrintable(modified));
    }

    void mainButtonFollowsThePreviewAndARunningBatch()
    {
        TestDir dir;
        dir.createFile("a.txt", "a");
        dir.createFile("b.txt", "b");
        Window w;
        auto *main = w.find<QPushButton>("applyButton");
        auto *refresh = w.find<QPushButton>("refreshButton");
        auto *undo = w.find<QPushButton>("undoButton");
        auto *progress = w.find<QProgressBar>("progressBar");
        QCOMPARE(main->text(), QStringLiteral("Preview Changes"));
        QVERIFY(!main->isEnabled() && !refresh->isEnabled() && !undo->isEnabled());
        QVERIFY(!progress->isVisible());

        w.model.loadFolder(dir.path());
        QCOMPARE(main->text(), QStringLiteral("Apply Rename"));
        QVERIFY(main->isEnabled() && refresh->isEnabled() && !undo->isEnabled());

        QTest::keyClicks(w.find<QLineEdit>("searchField"), QStringLiteral("zzz"));
        QCOMPARE(main->text(), QStringLiteral("Preview Changes"));
        QVERIFY(!main->isEnabled());
        w.find<QPushButton>("clearFilterButton")->click();
        QCOMPARE(main->text(), QStringLiteral("Apply Rename"));

        QTest::keyClicks(w.find<QLineEdit>("prefixField"), QStringLiteral("new_"));
        QSignalSpy processing(&w.model, &QuorvaneViewModel::isProcessingChanged);
        bool sawBusy = false;
        const auto busyCheck = connect(&w.model, &QuorvaneViewModel::isProcessingChanged, &w.window, [&] {
            if (w.model.isProcessing()) {
                sawBusy = !main->isEnabled() && !refresh->isEnabled() && !undo->isEnabled() && progress->isVisible()
                    && main->property("busy").toBool();
            }
        });
        main->click();
        QTRY_VERIFY(!w.model.isProcessing() && processing.size() >= 2);
        disconnect(busyCheck);
        QVERIFY(sawBusy);
        QVERIFY(!progress->isVisible());
        QVERIFY(undo->isEnabled());
        QCOMPARE(w.find<QLabel>("statusLabel")->text(), w.model.statusMessage());
        QVERIFY(std::filesystem::exists(dir.path() / "new_a.txt"));
        QCOMPARE(progress->maximum(), 2);
        QCOMPARE(progress->value(), 2);

        undo->click();
        QTRY_VERIFY(!w.model.isProcessing() && std::filesystem::exists(dir.path() / "a.txt"));
        QVERIFY(!undo->isEnabled());
    }

    void controlsWithoutVisibleTextHaveAccessibleNamesAndATabOrder()
    {
        TestDir dir;
        dir.createFile("a.txt", "a");
        Window w;
        w.model.loadFolder(dir.path());
        for (QLineEdit *field : w.window.findChildren<QLineEdit *>()) {
            if (!field->placeholderText().isEmpty())
                QVERIFY2(!field->accessibleName().isEmpty(), qPrintable(field->objectName()));
        }
        for (QToolButton *button : w.window.findChildren<QToolButton *>()) {
            if (button->text().isEmpty())
                QVERIFY2(!button->accessibleName().isEmpty(), qPrintable(button->objectName()));
        }
        // The status line's changing text is what assistive technology reads.
        QVERIFY(w.find<QLabel>("statusLabel")->accessibleName().isEmpty());

        QStringList order;
        QWidget *start = w.find<QWidget>("folderButton");
        start->setFocus();
        QWidget *current = start;
        for (int i = 0; i < 12; ++i) {
            order.append(current->objectName());
            current = current->nextInFocusChain();
            while (!(current->isVisible() && current->isEnabled() && (current->focusPolicy() & Qt::TabFocus)))
                current = current->nextInFocusChain();
        }
        QCOMPARE(order,
            strings({ "folderButton", "revealFolderButton", "includeSubfoldersToggle", "searchField", "extensionsField",
                "caseSensitiveToggle", "strategyButton", "prefixField", "preserveExtensionToggle", "presetsButton",
                "savePresetButton", "previewList" }));
    }
};

QTEST_MAIN(PanesTest)
#include "PanesTest.moc"
