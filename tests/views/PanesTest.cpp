#include <filesystem>
#include <string>

#include <utime.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDrag>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTableView>
#include <QListWidget>
#include <QTest>
#include <QToolButton>

#include "DetailView.h"
#include "FileTableModel.h"
#include "ModelServices.h"
#include "PreviewListView.h"
#include "QtConversions.h"
#include "QuorvaneViewModel.h"
#include "RenamePreviewModel.h"
#include "RenamePreviewView.h"
#include "SavePresetSheet.h"
#include "SidebarView.h"
#include "TestDir.h"
#include "TinyJpeg.h"

using QtConversions::toQString;

namespace {

// The services the application builds, a view model over them, and the two panes side by side in one window,
// over a folder holding `files` (each file contains its own name).
struct Window : ModelServices {
    QuorvaneViewModel model { fileAccess, filterService, renameService };
    QWidget window;
    SidebarView *sidebar = new SidebarView(model, &window);
    DetailView *detail = new DetailView(model, &window);

    explicit Window(std::initializer_list<const char *> files = {})
    {
        // Presets live in the (test-mode) settings file and outlive a test; every test starts without any.
        while (!model.presetStore().presets().isEmpty())
            model.presetStore().deletePreset(model.presetStore().presets().first().id);
        auto *layout = new QHBoxLayout(&window);
        sidebar->setFixedWidth(320);
        layout->addWidget(sidebar);
        layout->addWidget(detail, 1);
        window.resize(960, 640);
        window.show();
        for (const char *name : files)
            dir.createFile(name, name);
        if (files.size() > 0) {
            model.loadFolder(dir.path());
            settled(model);
        }
    }

    /// Every look at the window first waits for the worker to publish the newest listing, filter or preview.
    void settle() const
    {
        if (!settled(model))
            qFatal("the view model's worker did not settle");
    }
    template <typename T = QWidget> T *find(const char *name) const
    {
        settle();
        T *widget = window.findChild<T *>(QString::fromLatin1(name));
        if (widget == nullptr)
            qFatal("no widget named %s", name);
        return widget;
    }
    QString text(const char *label) const { return find<QLabel>(label)->text(); }
    PreviewListView *list() const { return sidebar->preview()->list(); }
    QAbstractItemModel *preview() const { return list()->model(); }
    QString previewColumn(int role) const
    {
        QStringList texts;
        for (int row = 0; row < preview()->rowCount(); ++row)
            texts.append(preview()->index(row, 0).data(role).toString());
        return texts.join(u' ');
    }
    QString newNames() const { return settle(), previewColumn(RenamePreviewModel::NewNameRole); }
    QString oldNames() const { return settle(), previewColumn(RenamePreviewModel::OriginalNameRole); }
    void chooseStrategy(const QString &title) const
    {
        for (QAction *action : find<QMenu>("strategyMenu")->actions()) {
            if (action->text() == title)
                return action->trigger();
        }
        qFatal("no strategy %s", qPrintable(title));
    }
    QPoint rowCenter(int row) const { return list()->visualRect(preview()->index(row, 0)).center(); }

    // Text dragged over the preview list: enter at one point, a move to each further point, then (optionally) a
    // drop at the last one. Posted moves run after each step, as they would between the platform's drag events.
    void dragText(const QString &text, const QList<QPoint> &points, bool drop) const
    {
        QWidget *viewport = list()->viewport();
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
    void startRowDrag(int row) const
    {
        QWidget *viewport = list()->viewport();
        const QPoint start = rowCenter(row);
        QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, start);
        for (int step = 1; step <= 3; ++step) {
            const QPoint to = start + QPoint(0, step * QApplication::startDragDistance());
            QMouseEvent move(QEvent::MouseMove, to, viewport->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
            QApplication::sendEvent(viewport, &move);
        }
        QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, start);
    }
};

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

    void strategyMenuShowsTheFieldsOfTheChosenStrategy()
    {
        const QString sequence
            = QStringLiteral("sequenceStart sequencePadding sequenceSeparator preserveExtensionToggle");
        const QList<std::pair<const char *, QString>> table {
            { "Add Prefix", QStringLiteral("prefixField preserveExtensionToggle") },
            { "Add Suffix", QStringLiteral("suffixField preserveExtensionToggle") },
            { "Find and Replace", QStringLiteral("findField replaceField regexToggle preserveExtensionToggle") },
            { "Prefix Sequence Number", sequence },
            { "Suffix Sequence Number", sequence },
            { "Format with Date",
                QStringLiteral("dateSourcePicker dateFormatPicker dateSequenceToggle dateSequenceStart "
                               "datePositionPicker captureDateNote") },
            { "UPPERCASE", QStringLiteral("preserveExtensionToggle") },
            { "lowercase", QStringLiteral("preserveExtensionToggle") },
            { "Title Case", QStringLiteral("preserveExtensionToggle") },
            { "Sentence case", QStringLiteral("preserveExtensionToggle") },
            { "Insert Text",
                QStringLiteral("insertTextField characterPosition characterFromEndToggle preserveExtensionToggle") },
            { "Remove Characters",
                QStringLiteral("characterPosition characterCount characterFromEndToggle preserveExtensionToggle") },
        };
        Window w;
        const QList<QAction *> actions = w.find<QMenu>("strategyMenu")->actions();
        QCOMPARE(actions.size(), table.size());
        for (const auto &[title, shown] : table) {
            w.chooseStrategy(QString::fromUtf8(title));
            QCOMPARE(w.find<QPushButton>("strategyButton")->text(), QString::fromUtf8(title));
            for (QAction *action : actions)
                QCOMPARE(!action->icon().isNull(), action->text() == QString::fromUtf8(title));
            QStringList visible;
            for (const char *name : { "prefixField", "suffixField", "findField", "replaceField", "regexToggle",
                     "sequenceStart", "sequencePadding", "sequenceSeparator", "dateSourcePicker", "dateFormatPicker",
                     "dateSequenceToggle", "dateSequenceStart", "datePositionPicker", "captureDateNote",
                     "insertTextField", "characterPosition", "characterCount", "characterFromEndToggle",
                     "preserveExtensionToggle" }) {
                if (w.find(name)->isVisible())
                    visible.append(QString::fromLatin1(name));
            }
            QCOMPARE(visible.join(u' '), shown);
        }
    }

    void ruleListAddsSwitchesMovesAndRemovesRules()
    {
        Window w { "IMG_beach.jpg" };
        auto *list = w.find<QListWidget>("ruleList");
        const auto addRule = [&w](const QString &title) {
            for (QAction *action : w.find<QMenu>("addRuleMenu")->actions()) {
                if (action->text() == title)
                    return action->trigger();
            }
            qFatal("no rule %s", qPrintable(title));
        };
        const auto summaries = [list] {
            QStringList lines;
            for (int row = 0; row < list->count(); ++row)
                lines.append(list->item(row)->text()
                    + (list->item(row)->checkState() == Qt::Checked ? QString() : QStringLiteral(" (off)")));
            return lines.join(u'|');
        };
        // One rule looks as before, with only "Add Rule" more.
        QVERIFY(!list->isVisible() && w.find("addRuleButton")->isVisible() && !w.find("removeRuleButton")->isVisible());
        QTest::keyClicks(w.find<QLineEdit>("prefixField"), QStringLiteral("2024_"));
        addRule(QStringLiteral("Remove Characters"));
        QVERIFY(list->isVisible() && w.find("removeRuleButton")->isVisible());
        QCOMPARE(w.find<QPushButton>("strategyButton")->text(), QStringLiteral("Remove Characters"));
        w.find<QSpinBox>("characterCount")->setValue(4);
        addRule(QStringLiteral("Title Case"));
        QCOMPARE(summaries(), QStringLiteral("Add Prefix \"2024_\"|Remove 4 characters at 0|Title Case"));
        QCOMPARE(w.newNames(), QStringLiteral("_Img_Beach.jpg"));

        // Alt+Up moves the selected rule; its check box switches it off; selecting shows its fields.
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Up, Qt::AltModifier);
        QTest::keyClick(list, Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(summaries(), QStringLiteral("Title Case|Add Prefix \"2024_\"|Remove 4 characters at 0"));
        QCOMPARE(w.newNames(), QStringLiteral("_Img_Beach.jpg"));
        list->item(2)->setCheckState(Qt::Unchecked);
        QCOMPARE(w.newNames(), QStringLiteral("2024_Img_Beach.jpg"));
        list->setCurrentRow(1);
        QCOMPARE(w.find<QLineEdit>("prefixField")->text(), QStringLiteral("2024_"));
        QTest::mouseClick(w.find<QToolButton>("removeRuleButton"), Qt::LeftButton);
        QCOMPARE(summaries(), QStringLiteral("Title Case|Remove 4 characters at 0 (off)"));
        QCOMPARE(w.newNames(), QStringLiteral("Img_Beach.jpg"));
        QCOMPARE(list->item(1)->data(Qt::AccessibleTextRole).toString(),
            QStringLiteral("2. Remove 4 characters at 0 (off)"));
        // The step passes over 0.
        addRule(QStringLiteral("Suffix Sequence Number"));
        w.find<QSpinBox>("sequenceStep")->setValue(0);
        QCOMPARE(w.model.renameParameters().sequenceStep, std::int64_t(-1));
        QCOMPARE(w.find<QSpinBox>("sequenceStep")->value(), -1);
        for (const char *name : { "ruleList", "removeRuleButton", "moveRuleUpButton", "moveRuleDownButton" })
            QVERIFY2(!w.find(name)->accessibleName().isEmpty(), name);
    }

    void dateAndSequenceFieldsSetTheirParameters()
    {
        Window w { "photo.jpg" };
        writeJpeg(w.dir, "dated.jpg", { { "Exif.Photo.DateTimeOriginal", "2021:04:11 09:08:07" } });
        w.model.loadFolder(w.dir.path());
        auto *preserve = w.find<QCheckBox>("preserveExtensionToggle");
        preserve->click();
        QVERIFY(!w.model.renameParameters().preserveExtension);
        // A date name keeps the extension, and switches the toggle on for the other strategies.
        w.chooseStrategy(QStringLiteral("Format with Date"));
        QVERIFY(w.newNames().endsWith(QStringLiteral(".jpg")));
        // The file without a capture date is marked, and its tool tip says why.
        QCOMPARE(w.oldNames(), QStringLiteral("dated.jpg photo.jpg"));
        QCOMPARE(w.previewColumn(RenamePreviewModel::UsedCreationDateRole), QStringLiteral("false true"));
        QVERIFY(w.preview()->index(0, 0).data(Qt::ToolTipRole).isNull());
        QCOMPARE(w.preview()->index(1, 0).data(Qt::ToolTipRole).toString(),
            QStringLiteral("This file holds no capture date, so its creation date is used."));
        QCOMPARE(
            w.text("captureDateNote"), QStringLiteral("Files without photo metadata use the file's creation date."));
        w.find<QCheckBox>("dateSequenceToggle")->click();
        QVERIFY(!w.find("dateSequenceBlock")->isVisible() && !w.model.renameParameters().dateIncludeSequence);
        auto *source = w.find<QComboBox>("dateSourcePicker");
        QCOMPARE(source->itemText(2), QStringLiteral("Date Modified"));
        source->setCurrentIndex(2);
        Q_EMIT source->activated(2);
        QVERIFY(!w.find("captureDateNote")->isVisible());
        QCOMPARE(w.model.renameParameters().dateSource, DateSource::modified);
        QCOMPARE(w.previewColumn(RenamePreviewModel::UsedCreationDateRole), QStringLiteral("false false"));
        // Settings that come from elsewhere (a preset) show in the same rows the pickers write.
        RenameParameters chosen = w.model.renameParameters();
        chosen.dateFormat = DateNameFormat::yearMonth;
        chosen.datePosition = DatePosition::suffix;
        w.model.setRenameParameters(chosen);
        QCOMPARE(w.find<QComboBox>("dateFormatPicker")->currentText(), QStringLiteral("2026-09"));
        QVERIFY(w.find<QToolButton>("datePosition1")->isChecked());
        w.find<QToolButton>("datePosition0")->click();
        QCOMPARE(w.model.renameParameters().datePosition, DatePosition::prefix);
        w.chooseStrategy(QStringLiteral("Prefix Sequence Number"));
        QVERIFY(preserve->isChecked());
        // The start stops at its bounds.
        auto *start = w.find<QSpinBox>("sequenceStart");
        QCOMPARE(start->text(), QStringLiteral("Start: 1"));
        start->stepDown();
        start->stepDown();
        QCOMPARE(w.model.renameParameters().sequenceStart, 0);
        start->setValue(9999);
        start->stepUp();
        QCOMPARE(w.model.renameParameters().sequenceStart, 9999);
        w.find<QToolButton>("sequencePadding0")->click();
        QCOMPARE(w.model.renameParameters().sequencePadding, 1);
    }

    void typingAPrefixUpdatesThePreviewRows()
    {
        Window w;
        QAbstractItemModelTester tester(w.preview(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(w.find<RenamePreviewView>("renamePreview")->showsEmptyState());
        QVERIFY(w.find("noPreviewLabel")->isVisible());
        QCOMPARE(w.text("noPreviewLabel"), QStringLiteral("No preview"));
        w.dir.createFile("b.txt", "b");
        w.dir.createFile("a.txt", "a");
        w.model.loadFolder(w.dir.path());
        QVERIFY(!w.find<RenamePreviewView>("renamePreview")->showsEmptyState());
        QCOMPARE(w.newNames(), QStringLiteral("a.txt b.txt"));
        QCOMPARE(w.preview()->index(0, 0).data(RenamePreviewModel::ChangesNameRole).toBool(), false);

        QTest::keyClicks(w.find<QLineEdit>("prefixField"), QStringLiteral("x/"));
        QCOMPARE(w.oldNames(), QStringLiteral("a.txt b.txt"));
        QCOMPARE(w.newNames(), QStringLiteral("x-a.txt x-b.txt"));
        QCOMPARE(w.preview()->index(1, 0).data().toString(), QStringLiteral("b.txt → x-b.txt"));
        QCOMPARE(w.preview()->index(1, 0).data(RenamePreviewModel::ChangesNameRole).toBool(), true);
        QTest::keyClick(w.find<QLineEdit>("prefixField"), Qt::Key_Backspace);
        QCOMPARE(w.newNames(), QStringLiteral("xa.txt xb.txt"));
    }

    void clearFilterIsEnabledOnlyByTextOrExtensions()
    {
        Window w { "One.png", "two.jpg", "three.txt" };
        const auto clear = [&w] { return w.find<QPushButton>("clearFilterButton"); };
        auto *caseSensitive = w.find<QCheckBox>("caseSensitiveToggle");
        caseSensitive->click();
        QVERIFY(w.model.filterCriteria().caseSensitive);
        QVERIFY(!clear()->isEnabled());
        QTest::keyClicks(w.find<QLineEdit>("searchField"), QStringLiteral("o"));
        QVERIFY(clear()->isEnabled());
        QCOMPARE(w.text("fileCountLabel"), QStringLiteral("Files (1)"));
        clear()->click();
        QVERIFY(!clear()->isEnabled() && !caseSensitive->isChecked());
        QCOMPARE(w.find<QLineEdit>("searchField")->text(), QString());
        QCOMPARE(w.text("fileCountLabel"), QStringLiteral("Files (3)"));

        // Extensions are normalised when the field is left.
        auto *extensions = w.find<QLineEdit>("extensionsField");
        extensions->setFocus();
        QTest::keyClicks(extensions, QStringLiteral("PNG , jpg"));
        QVERIFY(clear()->isEnabled());
        Q_EMIT extensions->editingFinished();
        QCOMPARE(extensions->text(), QStringLiteral("jpg,png"));
        QCOMPARE(w.text("fileCountLabel"), QStringLiteral("Files (2)"));
    }

    void draggingARowReordersAndRenumbers()
    {
        Window w { "a.txt", "b.txt", "c.txt", "d.txt" };
        w.chooseStrategy(QStringLiteral("Prefix Sequence Number"));
        QString seenDuringDrag;
        QString payload;
        w.list()->setDragRunner([&](QDrag &drag) {
            payload = drag.mimeData()->text();
            // Over its own row nothing moves; entering C's row moves A there at once, before any drop.
            w.dragText(payload, { w.rowCenter(0), w.rowCenter(0) + QPoint(3, 0), w.rowCenter(2) }, false);
            seenDuringDrag = w.previewColumn(RenamePreviewModel::OriginalNameRole);
            // Moving within the row it now occupies changes nothing more, nor does the release.
            w.dragText(payload, { w.rowCenter(2), w.rowCenter(2) + QPoint(0, 1) }, true);
        });
        w.startRowDrag(0);
        QCOMPARE(payload, toQString(w.dir.path() / "a.txt"));
        QCOMPARE(seenDuringDrag, QStringLiteral("b.txt c.txt a.txt d.txt"));
        QCOMPARE(w.newNames(), QStringLiteral("001_b.txt 002_c.txt 003_a.txt 004_d.txt"));
        QVERIFY(!w.list()->draggedPath().has_value());

        // Dropped below the rows, the file becomes the last.
        w.list()->setDragRunner([&](QDrag &drag) {
            w.dragText(drag.mimeData()->text(),
                { w.rowCenter(1), QPoint(w.rowCenter(3).x(), w.list()->viewport()->height() - 2) }, true);
        });
        w.startRowDrag(1);
        QCOMPARE(w.newNames(), QStringLiteral("001_b.txt 002_a.txt 003_d.txt 004_c.txt"));

        // A drag that ends outside the list leaves nothing behind; text from another program moves nothing.
        w.list()->setDragRunner([&](QDrag &) { QVERIFY(w.list()->draggedPath().has_value()); });
        w.startRowDrag(0);
        QVERIFY(!w.list()->draggedPath().has_value());
        w.dragText(QStringLiteral("some text"), { w.rowCenter(3), w.rowCenter(1), w.rowCenter(2) }, true);
        QCOMPARE(w.oldNames(), QStringLiteral("b.txt a.txt d.txt c.txt"));
    }

    void savePresetSheetSavesOnReturnAndCancelsOnEscape()
    {
        Window w;
        auto *presetsMenu = w.find<QMenu>("presetsMenu");
        const auto menuTitles = [presetsMenu] {
            QStringList titles;
            for (QAction *action : presetsMenu->actions())
                titles.append(action->isSeparator() ? QStringLiteral("---") : action->text());
            return titles.join(u'|');
        };
        QCOMPARE(menuTitles(), QStringLiteral("No Saved Presets"));
        QVERIFY(!presetsMenu->actions().first()->isEnabled());

        w.find<QPushButton>("savePresetButton")->click();
        auto *sheet = w.sidebar->findChild<SavePresetSheet *>();
        QVERIFY(sheet != nullptr && sheet->isVisible() && sheet->isModal());
        QCOMPARE(sheet->nameField()->text(), QStringLiteral("My Preset"));
        QCOMPARE(sheet->saveButton()->text(), QStringLiteral("Save Preset"));
        sheet->nameField()->setText(QStringLiteral("   "));
        QVERIFY(!sheet->saveButton()->isEnabled());
        QTest::keyClick(sheet->nameField(), Qt::Key_Return);
        QVERIFY(sheet->isVisible());
        sheet->nameField()->setText(QStringLiteral(" Mine"));
        QTest::keyClick(sheet->nameField(), Qt::Key_Return);
        QTRY_VERIFY(w.sidebar->findChild<SavePresetSheet *>() == nullptr);
        QCOMPARE(w.model.presetStore().presets().size(), 1);
        QCOMPARE(menuTitles(), QStringLiteral("Mine|---|Delete Preset"));

        // A second opening starts again from "My Preset"; Escape closes it without saving.
        w.find<QPushButton>("savePresetButton")->click();
        sheet = w.sidebar->findChild<SavePresetSheet *>();
        QCOMPARE(sheet->nameField()->text(), QStringLiteral("My Preset"));
        QTest::keyClick(sheet->nameField(), Qt::Key_Escape);
        QTRY_VERIFY(w.sidebar->findChild<SavePresetSheet *>() == nullptr);
        QCOMPARE(w.model.presetStore().presets().size(), 1);

        // Choosing the preset shows its settings; deleting it through the submenu removes it at once.
        w.chooseStrategy(QStringLiteral("Add Suffix"));
        QTest::keyClicks(w.find<QLineEdit>("suffixField"), QStringLiteral("_v2"));
        presetsMenu->actions().first()->trigger();
        QCOMPARE(w.find<QPushButton>("strategyButton")->text(), QStringLiteral("Add Prefix"));
        QVERIFY(w.find("prefixField")->isVisible());
        w.find<QMenu>("deletePresetMenu")->actions().first()->trigger();
        QTRY_VERIFY(w.model.presetStore().presets().isEmpty());
        QCOMPARE(menuTitles(), QStringLiteral("No Saved Presets"));
    }

    void headerAndEmptyStatesFollowTheFolderAndFilter()
    {
        Window w;
        const auto content = [&w] { return w.find<QStackedWidget>("detailContent"); };
        auto *path = w.find<QPushButton>("folderPathButton");
        QCOMPARE(w.text("fileCountLabel"), QStringLiteral("Files (0)"));
        QCOMPARE(content()->currentWidget()->objectName(), QStringLiteral("noFolderState"));
        QCOMPARE(w.text("noFolderTitle"), QStringLiteral("No folder selected"));
        QVERIFY(!path->isVisible() && !w.find("headerRevealButton")->isVisible());
        QVERIFY(!w.find("revealFolderButton")->isEnabled());
        QCOMPARE(w.find<QPushButton>("folderButton")->text(), QStringLiteral("Select Folder…"));
        QSignalSpy choose(w.detail, &DetailView::chooseFolderRequested);
        w.find<QPushButton>("selectFolderButton")->click();
        QCOMPARE(choose.size(), 1);

        for (const char *name : { "a.txt", "b.txt", "c.md" })
            w.dir.createFile(name);
        // Files that cannot be renamed are not listed, and the header says so, naming the first ten.
        const bool locks = canMakeImmutable();
        std::vector<std::filesystem::path> locked;
        for (int i = 0; i < 11; ++i)
            locked.push_back(w.dir.createFile("locked" + std::to_string(i) + ".txt"));
        for (const auto &file : locked)
            QVERIFY(!locks || setImmutable(file, true));
        w.model.loadFolder(w.dir.path());
        w.settle();
        for (const auto &file : locked)
            QVERIFY(!locks || setImmutable(file, false));
        QCOMPARE(w.find<QLabel>("notShownLabel")->isVisible(), locks);
        if (locks) {
            QCOMPARE(w.text("notShownLabel"), QStringLiteral("· 11 read-only files not shown"));
            const QString tip = w.find<QLabel>("notShownLabel")->toolTip();
            QCOMPARE(tip.count(QStringLiteral("\n• locked")), 10);
            QVERIFY(tip.endsWith(QStringLiteral("\n…and 1 more")));
        }
        QCOMPARE(w.text("fileCountLabel"), QStringLiteral("Files (3)"));
        QCOMPARE(content()->currentWidget()->objectName(), QStringLiteral("fileTable"));
        auto *table = w.find<QTableView>("fileTable");
        table->selectRow(1);
        QVERIFY(path->isVisible());
        QCOMPARE(path->text(), toQString(w.dir.path()));
        QCOMPARE(w.find<QPushButton>("folderButton")->text(), toQString(w.dir.path().filename()));
        QVERIFY(w.find("revealFolderButton")->isEnabled());

        w.find<QCheckBox>("caseSensitiveToggle")->click();
        QTest::keyClicks(w.find<QLineEdit>("searchField"), QStringLiteral("A"));
        QCOMPARE(content()->currentWidget()->objectName(), QStringLiteral("noMatchState"));
        QCOMPARE(w.text("noMatchTitle"), QStringLiteral("No files match the filter"));
        w.find<QPushButton>("emptyClearFilterButton")->click();
        QCOMPARE(content()->currentWidget()->objectName(), QStringLiteral("fileTable"));
        // The selected file is selected again once the filter lets it through.
        const QModelIndexList selected = table->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().data().toString(), QStringLiteral("b.txt"));
    }

    void tableShowsKindSizeInDecimalUnitsAndLocalDate()
    {
        Window w;
        w.dir.createFile("small", std::string(999, 'x'));
        w.dir.createFile("large.JPG", std::string(2'000'000, 'x'));
        const utimbuf times { 1'720'981'800, 1'720'981'800 }; // 2024-07-14 18:30 UTC
        QCOMPARE(utime((w.dir.path() / "small").c_str(), &times), 0);
        w.model.loadFolder(w.dir.path());
        QAbstractItemModel *model = w.find<QTableView>("fileTable")->model();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QStringList cells;
        for (int row = -1; row < model->rowCount(); ++row) {
            for (int column = 0; column < model->columnCount(); ++column)
                cells.append(row < 0 ? model->headerData(column, Qt::Horizontal).toString()
                                     : model->index(row, column).data().toString());
        }
        QCOMPARE(cells.mid(0, 11).join(u'|'),
            QStringLiteral("Name|New Name|Folder|Kind|Size|Modified|large.JPG|large.JPG|.|JPG|2 MB"));
        QCOMPARE(cells.mid(12).join(u'|'), QStringLiteral("small|small|.|Unknown|999 bytes|Jul 14, 2024 6:30 PM"));
        QVERIFY(!model->index(0, FileTableModel::Name).data(Qt::DecorationRole).value<QIcon>().isNull());
        // The edges of the units, where rounding to one decimal must carry into the next unit.
        const QList<std::pair<qint64, const char *>> sizes { { 1, "1 byte" }, { 1000, "1 kB" }, { 1500, "1.5 kB" },
            { 999'949, "999.9 kB" }, { 999'950, "1 MB" }, { 1'234'567'890, "1.2 GB" } };
        for (const auto &[bytes, text] : sizes)
            QCOMPARE(FileTableModel::formattedSize(bytes), QString::fromUtf8(text));
    }

    void newNamesAreMarkedBeyondColourAndSubfoldersShowTheirFolder()
    {
        Window w { "B.txt", "b.txt", "sub/b.txt" };
        auto *table = w.find<QTableView>("fileTable");
        QVERIFY(table->isColumnHidden(FileTableModel::Folder));
        w.chooseStrategy(QStringLiteral("UPPERCASE"));
        w.find<QCheckBox>("includeSubfoldersToggle")->click();
        QVERIFY(!w.find<QTableView>("fileTable")->isColumnHidden(FileTableModel::Folder));
        QAbstractItemModel *model = table->model();
        QStringList rows;
        for (int row = 0; row < model->rowCount(); ++row) {
            const auto cell
                = [&](int column, int role = Qt::DisplayRole) { return model->index(row, column).data(role); };
            rows.append(cell(FileTableModel::Folder).toString() + u'/' + cell(FileTableModel::Name).toString() + u'>'
                + cell(FileTableModel::NewName, Qt::AccessibleTextRole).toString()
                + (cell(FileTableModel::NewName, Qt::FontRole).value<QFont>().bold() ? QStringLiteral(" bold")
                                                                                     : QString())
                + (cell(FileTableModel::NewName, Qt::ToolTipRole).toString() == FileTableModel::counterToolTip()
                        ? QStringLiteral(" counted")
                        : QString()));
        }
        rows.sort();
        // The unchanged name is plain; the one whose plain new name was taken says why it got " (1)".
        QCOMPARE(rows.join(u'|'),
            QStringLiteral("./B.txt>B.txt (unchanged)|./b.txt>B (1).txt bold counted|sub/b.txt>B.txt bold"));
    }

    void mainButtonFollowsThePreviewAndARunningBatch()
    {
        Window w;
        auto *main = w.find<QPushButton>("applyButton");
        auto *refresh = w.find<QPushButton>("refreshButton");
        auto *undo = w.find<QPushButton>("undoButton");
        auto *progress = w.find<QProgressBar>("progressBar");
        QCOMPARE(main->text(), QStringLiteral("Preview Changes"));
        QVERIFY(!main->isEnabled() && !refresh->isEnabled() && !undo->isEnabled() && !progress->isVisible());
        w.dir.createFile("a.txt", "a");
        w.dir.createFile("b.txt", "b");
        w.model.loadFolder(w.dir.path());
        w.settle();
        QCOMPARE(main->text(), QStringLiteral("Apply Rename"));
        QVERIFY(main->isEnabled() && refresh->isEnabled() && !undo->isEnabled());
        QTest::keyClicks(w.find<QLineEdit>("searchField"), QStringLiteral("zzz"));
        w.settle();
        QCOMPARE(main->text(), QStringLiteral("Preview Changes"));
        QVERIFY(!main->isEnabled());
        w.find<QPushButton>("clearFilterButton")->click();

        QTest::keyClicks(w.find<QLineEdit>("prefixField"), QStringLiteral("new_"));
        bool sawBusy = false;
        connect(&w.model, &QuorvaneViewModel::isProcessingChanged, &w.window, [&] {
            if (w.model.isProcessing())
                sawBusy = !main->isEnabled() && !refresh->isEnabled() && !undo->isEnabled() && progress->isVisible()
                    && main->property("busy").toBool();
        });
        w.settle();
        main->click();
        QTRY_VERIFY(std::filesystem::exists(w.dir.path() / "new_a.txt") && !w.model.isProcessing());
        QVERIFY(sawBusy);
        QVERIFY(!progress->isVisible() && undo->isEnabled());
        QCOMPARE(w.text("statusLabel"), w.model.statusMessage());
        QCOMPARE(progress->maximum(), 2);
        QCOMPARE(progress->value(), 2);
        undo->click();
        QTRY_VERIFY(!w.model.isProcessing() && std::filesystem::exists(w.dir.path() / "a.txt"));
        QVERIFY(!undo->isEnabled());
    }

    void previewStaysInSightAndAFocusedControlIsScrolledIntoView()
    {
        Window w { "a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "f.txt" };
        w.window.resize(960, 560);
        w.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.window));
        w.chooseStrategy(QStringLiteral("Format with Date"));
        QCoreApplication::processEvents();
        auto *scroll = w.find<QScrollArea>("sidebarScroll");
        QVERIFY(scroll->verticalScrollBar()->maximum() > 0); // the settings do not fit at this height
        QCOMPARE(scroll->focusPolicy(), Qt::NoFocus);
        // The preview is not inside the scrolling settings: four rows at least, within the window.
        QVERIFY(!scroll->isAncestorOf(w.list()));
        const QRect list(w.list()->viewport()->mapTo(&w.window, QPoint()), w.list()->viewport()->size());
        QVERIFY(w.window.rect().contains(list));
        QVERIFY2(list.height() >= 4 * w.list()->sizeHintForRow(0), qPrintable(QString::number(list.height())));
        // Tabbing to a control below the fold scrolls it into view, and back up again.
        for (const char *name : { "savePresetButton", "folderButton" }) {
            QWidget *control = w.find(name);
            control->setFocus(Qt::TabFocusReason);
            QCoreApplication::processEvents();
            const QRect shown(control->mapTo(scroll->viewport(), QPoint()), control->size());
            QVERIFY2(scroll->viewport()->rect().contains(shown), name);
        }
    }

    void numberingOrderIsChosenByTheHeaderAndKeptAcrossLoads()
    {
        Window w;
        const std::pair<const char *, std::size_t> files[] { { "file10.txt", 3 }, { "file2.txt", 1 },
            { "File1.txt", 2 } };
        long when = 1'720'981'800;
        for (const auto &[name, size] : files) {
            w.dir.createFile(name, std::string(size, 'x'));
            const utimbuf times { when, when };
            when += 100; // file10 oldest, then file2, File1 newest
            QCOMPARE(utime((w.dir.path() / name).c_str(), &times), 0);
        }
        w.model.loadFolder(w.dir.path());
        QCOMPARE(w.oldNames(), QStringLiteral("File1.txt file10.txt file2.txt"));
        QHeaderView *header = w.find<QTableView>("fileTable")->horizontalHeader();
        const auto click = [header](int section) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                QPoint(header->sectionViewportPosition(section) + 4, header->height() / 2));
        };
        const QList<std::pair<int, const char *>> clicks { { FileTableModel::Name, "file2.txt file10.txt File1.txt" },
            { FileTableModel::Size, "file2.txt File1.txt file10.txt" },
            { FileTableModel::Size, "file10.txt File1.txt file2.txt" },
            { FileTableModel::Modified, "file10.txt file2.txt File1.txt" },
            { FileTableModel::Kind, "file10.txt file2.txt File1.txt" } };
        for (const auto &[section, order] : clicks) {
            click(section);
            QCOMPARE(w.oldNames(), QString::fromLatin1(order));
        }
        // Numbers by value; a reload keeps the chosen order.
        w.model.setFileOrder(FileOrder::natural, true);
        QCOMPARE(w.oldNames(), QStringLiteral("File1.txt file2.txt file10.txt"));
        w.model.loadFolder(w.dir.path());
        QCOMPARE(w.oldNames(), QStringLiteral("File1.txt file2.txt file10.txt"));
    }

    void altArrowsReorderLikeADrag()
    {
        Window w { "A.txt", "B.txt", "C.txt", "D.txt" };
        PreviewListView *list = w.list();
        list->setCurrentIndex(w.preview()->index(0, 0));
        const QList<std::pair<Qt::Key, const char *>> steps { { Qt::Key_Down, "B.txt A.txt C.txt D.txt" },
            { Qt::Key_End, "B.txt C.txt D.txt A.txt" }, { Qt::Key_Up, "B.txt C.txt A.txt D.txt" },
            { Qt::Key_Up, "B.txt A.txt C.txt D.txt" } };
        for (const auto &[key, order] : steps) {
            QTest::keyClick(list, key, Qt::AltModifier);
            QCOMPARE(w.oldNames(), QString::fromLatin1(order));
            // The moved file stays current, so the keys can be pressed again.
            QCOMPARE(
                list->currentIndex().data(RenamePreviewModel::OriginalNameRole).toString(), QStringLiteral("A.txt"));
        }
        // The file table reorders the same files, from any column of the current row.
        auto *table = w.find<QTableView>("fileTable");
        table->setCurrentIndex(table->model()->index(0, FileTableModel::Size));
        QTest::keyClick(table, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(w.oldNames(), QStringLiteral("A.txt B.txt C.txt D.txt"));
        QCOMPARE(table->currentIndex().row(), 1);
    }
};

QTEST_MAIN(PanesTest)
#include "PanesTest.moc"
