#include "DetailView.h"

#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "Accessibility.h"
#include "ElidedButton.h"
#include "EmptyState.h"
#include "FileRevealer.h"
#include "FileTableModel.h"
#include "PaneStyle.h"
#include "PreviewListView.h"
#include "QtConversions.h"
#include "QuorvaneViewModel.h"

namespace {

// One frame of a small indeterminate spinner: twelve spokes, the one at `step` darkest.
QIcon spinnerFrame(int step, const QColor &color, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(size / 2.0, size / 2.0);
    for (int spoke = 0; spoke < 12; ++spoke) {
        QColor shade = color;
        shade.setAlphaF(0.2f + 0.8f * static_cast<float>((spoke - step + 12) % 12) / 11.0f);
        painter.setPen(QPen(shade, size / 8.0, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(0, -size * 0.22), QPointF(0, -size * 0.42));
        painter.rotate(30);
    }
    return QIcon(pixmap);
}

} // namespace

DetailView::DetailView(QuorvaneViewModel &viewModel, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_model(new FileTableModel(viewModel, this))
{
    setObjectName(QStringLiteral("detail"));
    setMinimumWidth(600);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader());
    layout->addWidget(PaneStyle::divider(this));

    m_content = new QStackedWidget(this);
    m_content->setObjectName(QStringLiteral("detailContent"));
    m_content->addWidget(buildNoFolderState());
    m_content->addWidget(buildNoMatchState());
    m_content->addWidget(buildTable());
    layout->addWidget(m_content, 1);

    layout->addWidget(PaneStyle::divider(this));
    layout->addWidget(buildBottomBar());

    m_spinnerTimer.setInterval(80);
    connect(&m_spinnerTimer, &QTimer::timeout, this, &DetailView::advanceSpinner);

    connect(&m_viewModel, &QuorvaneViewModel::selectedFolderURLChanged, this, [this] {
        syncHeader();
        syncContent();
        syncBottomBar();
    });
    connect(&m_viewModel, &QuorvaneViewModel::filteredFilesChanged, this, [this] {
        syncHeader();
        syncContent();
        syncBottomBar();
    });
    connect(&m_viewModel, &QuorvaneViewModel::renamePlansChanged, this, &DetailView::syncBottomBar);
    connect(&m_viewModel, &QuorvaneViewModel::isProcessingChanged, this, &DetailView::syncBottomBar);
    connect(&m_viewModel, &QuorvaneViewModel::isWorkingChanged, this, [this] {
        syncBottomBar();
        syncStatus();
    });
    connect(&m_viewModel, &QuorvaneViewModel::activityMessageChanged, this, &DetailView::syncStatus);
    connect(&m_viewModel, &QuorvaneViewModel::canUndoChanged, this, &DetailView::syncBottomBar);
    connect(&m_viewModel, &QuorvaneViewModel::applyArmedChanged, this, &DetailView::syncBottomBar);
    connect(&m_viewModel, &QuorvaneViewModel::statusMessageChanged, this, &DetailView::syncStatus);
    connect(&m_viewModel, &QuorvaneViewModel::noticeChanged, this, &DetailView::syncStatus);
    connect(&m_viewModel, &QuorvaneViewModel::progressDoneChanged, this, &DetailView::syncProgress);
    connect(&m_viewModel, &QuorvaneViewModel::progressTotalChanged, this, &DetailView::syncProgress);

    syncStatus();
    syncHeader();
    syncContent();
    syncBottomBar();
    setUpTabOrder();
}

void DetailView::syncStatus()
{
    // While the worker lists or plans, the line says how far it got.
    if (m_viewModel.isWorking() && !m_viewModel.activityMessage().isEmpty()) {
        m_statusLabel->setText(m_viewModel.activityMessage());
        return;
    }
    // What the listing or the preview left out stays beside every status, so a short list is never a mystery.
    const QString notice = m_viewModel.notice();
    m_statusLabel->setText(
        notice.isEmpty() ? m_viewModel.statusMessage() : m_viewModel.statusMessage() + QStringLiteral(" — ") + notice);
    m_statusLabel->setToolTip(notice);
}

QWidget *DetailView::buildHeader()
{
    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("detailHeader"));
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(6);

    m_countLabel = new QLabel(bar);
    m_countLabel->setObjectName(QStringLiteral("fileCountLabel"));
    m_countLabel->setFont(PaneStyle::headlineFont(font()));
    layout->addWidget(m_countLabel);
    // Files the listing left out because they cannot be renamed; otherwise a file named in a failure alert
    // would vanish from the list without a word.
    m_notShownLabel = new QLabel(bar);
    m_notShownLabel->setObjectName(QStringLiteral("notShownLabel"));
    PaneStyle::makeSecondary(m_notShownLabel);
    layout->addWidget(m_notShownLabel);
    layout->addStretch(1);

    m_folderSymbol = PaneStyle::symbolLabel(PaneStyle::folderIcon(), 16, bar);
    m_folderSymbol->setObjectName(QStringLiteral("headerFolderSymbol"));
    layout->addWidget(m_folderSymbol);

    m_pathButton = new ElidedButton(bar);
    m_pathButton->setObjectName(QStringLiteral("folderPathButton"));
    m_pathButton->setFlat(true);
    m_pathButton->setFont(PaneStyle::captionFont(font()));
    m_pathButton->setToolTip(QCoreApplication::translate("DetailView", "Show in File Manager"));
    m_pathButton->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    PaneStyle::makeSecondary(m_pathButton);
    layout->addWidget(m_pathButton, 0);

    m_headerRevealButton = new QToolButton(bar);
    m_headerRevealButton->setObjectName(QStringLiteral("headerRevealButton"));
    m_headerRevealButton->setIcon(PaneStyle::revealIcon());
    m_headerRevealButton->setIconSize(QSize(14, 14));
    m_headerRevealButton->setAutoRaise(true);
    m_headerRevealButton->setFocusPolicy(Qt::StrongFocus);
    m_headerRevealButton->setToolTip(QCoreApplication::translate("DetailView", "Show selected folder in File Manager"));
    m_headerRevealButton->setAccessibleName(
        QCoreApplication::translate("DetailView", "Show selected folder in File Manager"));
    layout->addWidget(m_headerRevealButton);

    connect(m_pathButton, &QPushButton::clicked, this, [this] { m_viewModel.openSelectedFolder(); });
    connect(m_headerRevealButton, &QToolButton::clicked, this, [this] { m_viewModel.openSelectedFolder(); });
    return bar;
}

QWidget *DetailView::buildNoFolderState()
{
    auto *state = new EmptyState(PaneStyle::addFolderIcon(),
        QCoreApplication::translate("DetailView", "No folder selected"), EmptyState::Size::large, this);
    m_noFolderState = state;
    m_noFolderState->setObjectName(QStringLiteral("noFolderState"));
    state->titleLabel()->setObjectName(QStringLiteral("noFolderTitle"));
    state
        ->addMessage(QCoreApplication::translate(
            "DetailView", "Click the Select Folder button in the sidebar\nto browse and manage your files."))
        ->setObjectName(QStringLiteral("noFolderMessage"));
    m_selectFolderButton = state->addButton(QCoreApplication::translate("DetailView", "Select Folder"));
    m_selectFolderButton->setObjectName(QStringLiteral("selectFolderButton"));
    m_selectFolderButton->setMinimumHeight(34);
    m_selectFolderButton->setMinimumWidth(140);
    PaneStyle::makeProminent(m_selectFolderButton);

    connect(m_selectFolderButton, &QPushButton::clicked, this, [this] {
        m_viewModel.releaseFolderAccess();
        Q_EMIT chooseFolderRequested();
    });
    return m_noFolderState;
}

QWidget *DetailView::buildNoMatchState()
{
    auto *state = new EmptyState(PaneStyle::searchDocumentIcon(),
        QCoreApplication::translate("DetailView", "No files match the filter"), EmptyState::Size::large, this);
    m_noMatchState = state;
    m_noMatchState->setObjectName(QStringLiteral("noMatchState"));
    state->titleLabel()->setObjectName(QStringLiteral("noMatchTitle"));
    m_clearFilterButton = state->addButton(QCoreApplication::translate("DetailView", "Clear Filter"));
    m_clearFilterButton->setObjectName(QStringLiteral("emptyClearFilterButton"));

    connect(m_clearFilterButton, &QPushButton::clicked, this, [this] {
        m_viewModel.setFilterCriteria(FileFilterCriteria {});
        m_viewModel.applyFilters();
    });
    return m_noMatchState;
}

QWidget *DetailView::buildTable()
{
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("fileTable"));
    m_table->setAccessibleName(QCoreApplication::translate("DetailView", "Files"));
    m_table->setModel(m_model);
    m_table->setFrameShape(QFrame::NoFrame);
    m_table->setShowGrid(false);
    m_table->setAlternatingRowColors(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setTextElideMode(Qt::ElideMiddle);
    m_table->setWordWrap(false);
    m_table->setSortingEnabled(false);
    m_table->setTabKeyNavigation(false);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Fixed row heights keep a 100,000-row table from measuring every row.
    QHeaderView *rows = m_table->verticalHeader();
    rows->setVisible(false);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    QHeaderView *columns = m_table->horizontalHeader();
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setSectionResizeMode(FileTableModel::Name, QHeaderView::Stretch);
    columns->setSectionResizeMode(FileTableModel::NewName, QHeaderView::Stretch);
    columns->setSectionResizeMode(FileTableModel::Folder, QHeaderView::Interactive);
    columns->setSectionResizeMode(FileTableModel::Kind, QHeaderView::Interactive);
    columns->setSectionResizeMode(FileTableModel::Size, QHeaderView::Interactive);
    columns->setSectionResizeMode(FileTableModel::Modified, QHeaderView::Interactive);
    const QFontMetrics metrics = m_table->fontMetrics();
    columns->resizeSection(FileTableModel::Kind, metrics.horizontalAdvance(QStringLiteral("Unknown")) + 24);
    columns->resizeSection(FileTableModel::Size, metrics.horizontalAdvance(QStringLiteral("999.9 MB")) + 24);
    columns->resizeSection(
        FileTableModel::Modified, metrics.horizontalAdvance(QStringLiteral("Sep 30, 2026 12:59 PM")) + 24);
    columns->setHighlightSections(false);
    columns->resizeSection(FileTableModel::Folder, metrics.horizontalAdvance(QStringLiteral("Folder/Subfolder")) + 24);
    // Two files of the same name in different subfolders are told apart by their folder.
    const auto syncFolderColumn
        = [this] { m_table->setColumnHidden(FileTableModel::Folder, !m_viewModel.includeSubfolders()); };
    connect(&m_viewModel, &QuorvaneViewModel::includeSubfoldersChanged, this, syncFolderColumn);
    syncFolderColumn();

    // The numbering order: a click on "Name", "Size" or "Modified" chooses it (again: the other direction); the
    // header's context menu offers every order.
    columns->setSectionsClickable(true);
    columns->setSortIndicatorShown(true);
    connect(columns, &QHeaderView::sectionClicked, this, [this](int section) {
        FileOrder order = FileOrder::name;
        if (section == FileTableModel::Size)
            order = FileOrder::size;
        else if (section == FileTableModel::Modified)
            order = FileOrder::dateModified;
        else if (section != FileTableModel::Name) {
            syncOrderIndicator();
            return;
        }
        const bool same = m_viewModel.fileOrder() == order
            || (order == FileOrder::name && m_viewModel.fileOrder() == FileOrder::natural);
        m_viewModel.setFileOrder(
            same ? m_viewModel.fileOrder() : order, same ? !m_viewModel.fileOrderAscending() : true);
    });
    columns->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(columns, &QHeaderView::customContextMenuRequested, this, [this, columns](const QPoint &position) {
        QMenu menu(this);
        menu.setObjectName(QStringLiteral("orderMenu"));
        const std::pair<FileOrder, QString> orders[] { { FileOrder::name,
                                                           QCoreApplication::translate("DetailView", "Name") },
            { FileOrder::natural, QCoreApplication::translate("DetailView", "Natural") },
            { FileOrder::dateModified, QCoreApplication::translate("DetailView", "Date Modified") },
            { FileOrder::dateCreated, QCoreApplication::translate("DetailView", "Date Created") },
            { FileOrder::size, QCoreApplication::translate("DetailView", "Size") } };
        for (const auto &[order, title] : orders) {
            QAction *action = menu.addAction(title);
            action->setCheckable(true);
            action->setChecked(m_viewModel.fileOrder() == order);
            connect(action, &QAction::triggered, this,
                [this, choice = order] { m_viewModel.setFileOrder(choice, m_viewModel.fileOrderAscending()); });
        }
        menu.addSeparator();
        QAction *descending = menu.addAction(QCoreApplication::translate("DetailView", "Descending"));
        descending->setCheckable(true);
        descending->setChecked(!m_viewModel.fileOrderAscending());
        connect(descending, &QAction::triggered, this,
            [this](bool checked) { m_viewModel.setFileOrder(m_viewModel.fileOrder(), !checked); });
        menu.exec(columns->viewport()->mapToGlobal(position));
    });
    connect(&m_viewModel, &QuorvaneViewModel::fileOrderChanged, this, &DetailView::syncOrderIndicator);
    syncOrderIndicator();

    // Alt+Up, Alt+Down and Alt+End reorder the files as dragging preview rows does.
    m_table->installEventFilter(this);
    connect(m_table, &QTableView::customContextMenuRequested, this, &DetailView::showContextMenu);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, &DetailView::rememberSelection);
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { m_resettingTable = true; });
    connect(m_model, &QAbstractItemModel::modelReset, this, &DetailView::restoreSelection);
    return m_table;
}

QWidget *DetailView::buildBottomBar()
{
    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("bottomBar"));
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);

    // Exposed as a status bar, so that screen readers announce each new status.
    m_statusLabel = new StatusLine(bar);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    m_statusLabel->setFont(PaneStyle::captionFont(font()));
    m_statusLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_statusLabel->setMinimumWidth(80);
    PaneStyle::makeSecondary(m_statusLabel);
    layout->addWidget(m_statusLabel, 1);

    m_progressBar = new QProgressBar(bar);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setAccessibleName(QCoreApplication::translate("DetailView", "Rename progress"));
    m_progressBar->setTextVisible(false);
    m_progressBar->setFixedWidth(120);
    m_progressBar->setVisible(false);
    layout->addWidget(m_progressBar);

    m_refreshButton
        = new QPushButton(PaneStyle::refreshIcon(), QCoreApplication::translate("DetailView", "Refresh"), bar);
    m_refreshButton->setObjectName(QStringLiteral("refreshButton"));
    m_refreshButton->setToolTip(QCoreApplication::translate("DetailView", "Refresh file list (Ctrl+R)"));
    m_refreshButton->setAutoDefault(false);
    m_undoButton = new QPushButton(PaneStyle::undoIcon(), QCoreApplication::translate("DetailView", "Undo"), bar);
    m_undoButton->setObjectName(QStringLiteral("undoButton"));
    m_undoButton->setToolTip(QCoreApplication::translate("DetailView", "Undo last rename operation (Ctrl+Z)"));
    m_undoButton->setAutoDefault(false);
    m_mainButton = new QPushButton(bar);
    m_mainButton->setObjectName(QStringLiteral("applyButton"));
    m_mainButton->setAutoDefault(false);
    PaneStyle::makeProminent(m_mainButton);
    // Room for the longer label, so that the bar does not jump when the label changes.
    m_mainButton->setText(QCoreApplication::translate("DetailView", "Preview Changes"));
    m_mainButton->setIcon(PaneStyle::previewIcon());
    m_mainButton->setMinimumWidth(m_mainButton->sizeHint().width());
    layout->addWidget(m_refreshButton);
    layout->addWidget(m_undoButton);
    layout->addWidget(m_mainButton);

    connect(m_refreshButton, &QPushButton::clicked, this, [this] {
        if (const auto &folder = m_viewModel.selectedFolderURL())
            m_viewModel.loadFolder(*folder);
    });
    connect(m_undoButton, &QPushButton::clicked, this, [this] { m_viewModel.undoLastRename(); });
    connect(m_mainButton, &QPushButton::clicked, this, [this] {
        if (m_viewModel.renamePlans().empty())
            m_viewModel.applyFilters();
        else
            m_viewModel.applyRename();
    });
    return bar;
}

void DetailView::setUpTabOrder()
{
    const QList<QWidget *> chain { m_pathButton, m_headerRevealButton, m_selectFolderButton, m_clearFilterButton,
        m_table, m_refreshButton, m_undoButton, m_mainButton };
    for (qsizetype i = 1; i < chain.size(); ++i)
        setTabOrder(chain.at(i - 1), chain.at(i));
}

void DetailView::syncHeader()
{
    m_countLabel->setText(
        QCoreApplication::translate("DetailView", "Files (%1)").arg(m_viewModel.filteredFiles().size()));
    const qint64 notShown = m_viewModel.selectedFolderURL() ? m_viewModel.filesNotShown() : 0;
    m_notShownLabel->setVisible(notShown > 0);
    if (notShown > 0) {
        m_notShownLabel->setText(notShown == 1
                ? QCoreApplication::translate("DetailView", "· 1 read-only file not shown")
                : QCoreApplication::translate("DetailView", "· %1 read-only files not shown").arg(notShown));
        QStringList lines { QCoreApplication::translate(
            "DetailView", "Files that cannot be renamed (read-only or locked) are not listed:") };
        for (const QString &name : m_viewModel.filesNotShownNames())
            lines.append(QStringLiteral("• ") + name);
        if (notShown > m_viewModel.filesNotShownNames().size())
            lines.append(QCoreApplication::translate("DetailView", "…and %1 more")
                             .arg(notShown - m_viewModel.filesNotShownNames().size()));
        m_notShownLabel->setToolTip(lines.join(QLatin1Char('\n')));
        m_notShownLabel->setAccessibleDescription(m_notShownLabel->toolTip());
    }
    const auto &folder = m_viewModel.selectedFolderURL();
    m_folderSymbol->setVisible(folder.has_value());
    m_pathButton->setVisible(folder.has_value());
    m_headerRevealButton->setVisible(folder.has_value());
    if (folder) {
        const QString path = QtConversions::toQString(*folder);
        m_pathButton->setText(path);
        m_pathButton->setAccessibleName(path);
    }
}

void DetailView::syncContent()
{
    if (!m_viewModel.selectedFolderURL())
        m_content->setCurrentWidget(m_noFolderState);
    else if (m_viewModel.filteredFiles().empty())
        m_content->setCurrentWidget(m_noMatchState);
    else
        m_content->setCurrentWidget(m_table);
}

void DetailView::syncBottomBar()
{
    const bool hasFolder = m_viewModel.selectedFolderURL().has_value();
    const bool processing = m_viewModel.isProcessing();
    const bool working = m_viewModel.isWorking();
    const bool hasPlans = !m_viewModel.renamePlans().empty();
    m_refreshButton->setEnabled(hasFolder && !processing);
    m_undoButton->setEnabled(m_viewModel.canUndo() && !processing);
    // Right after a batch the preview shows the next round already; it is not applied by a second click. The
    // preview shown while the worker recomputes it is not what the button would apply either.
    const bool armed = !hasPlans || m_viewModel.applyArmed();
    m_mainButton->setEnabled(hasFolder && !processing && !working && !m_viewModel.filteredFiles().empty() && armed);
    m_mainButton->setToolTip(armed || processing
            ? QString()
            : QCoreApplication::translate(
                "DetailView", "Renamed. Change a setting or refresh the file list to rename again."));
    m_mainButton->setText(hasPlans ? QCoreApplication::translate("DetailView", "Apply Rename")
                                   : QCoreApplication::translate("DetailView", "Preview Changes"));
    if (processing) {
        if (!m_spinnerTimer.isActive()) {
            m_spinnerStep = 0;
            advanceSpinner();
            m_spinnerTimer.start();
        }
    } else {
        m_spinnerTimer.stop();
        m_mainButton->setIcon(hasPlans ? PaneStyle::applyIcon() : PaneStyle::previewIcon());
    }
    m_mainButton->setProperty("busy", processing);
    m_progressBar->setVisible(processing || working);
    syncProgress();
}

void DetailView::syncProgress()
{
    // A listing does not know its size until it is complete: the bar then only shows that work goes on.
    if (m_viewModel.progressTotal() <= 0 && m_viewModel.isWorking()) {
        m_progressBar->setRange(0, 0);
        return;
    }
    const qint64 total = qMax<qint64>(m_viewModel.progressTotal(), 1);
    const qint64 done = qBound<qint64>(0, m_viewModel.progressDone(), total);
    // A QProgressBar counts in int; scale batches too large for it.
    const qint64 scale = total > 1'000'000'000 ? total / 1'000'000 : 1;
    m_progressBar->setRange(0, static_cast<int>(total / scale));
    m_progressBar->setValue(static_cast<int>(done / scale));
}

void DetailView::advanceSpinner()
{
    const QColor color = m_mainButton->palette().color(QPalette::Disabled, QPalette::ButtonText);
    m_mainButton->setIcon(spinnerFrame(m_spinnerStep, color, m_mainButton->iconSize().height() * 2));
    m_spinnerStep = (m_spinnerStep + 1) % 12;
}

void DetailView::syncOrderIndicator()
{
    int section = FileTableModel::Name;
    switch (m_viewModel.fileOrder()) {
    case FileOrder::size:
        section = FileTableModel::Size;
        break;
    case FileOrder::dateModified:
        section = FileTableModel::Modified;
        break;
    case FileOrder::dateCreated:
        section = -1; // no column shows it
        break;
    default:
        break;
    }
    m_table->horizontalHeader()->setSortIndicator(
        section, m_viewModel.fileOrderAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
}

bool DetailView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_table && event->type() == QEvent::KeyPress
        && PreviewListView::reorderByKey(
            static_cast<QKeyEvent *>(event), *m_table, FileTableModel::PathRole, m_viewModel))
        return true;
    return QWidget::eventFilter(watched, event);
}

void DetailView::showContextMenu(const QPoint &position)
{
    QModelIndex index = m_table->indexAt(position);
    if (!index.isValid())
        index = m_table->currentIndex();
    if (!index.isValid())
        return;
    const QString path = index.siblingAtColumn(FileTableModel::Name).data(FileTableModel::PathRole).toString();
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("fileContextMenu"));
    QAction *reveal = menu.addAction(QCoreApplication::translate("DetailView", "Reveal in File Manager"));
    connect(reveal, &QAction::triggered, this, [path] { FileRevealer::showItem(path); });
    menu.exec(m_table->viewport()->mapToGlobal(position));
}

void DetailView::rememberSelection()
{
    if (m_resettingTable)
        return;
    m_selectedItemIDs.clear();
    const std::vector<FileItem> &files = m_viewModel.filteredFiles();
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows()) {
        if (static_cast<std::size_t>(index.row()) < files.size())
            m_selectedItemIDs.insert(files[static_cast<std::size_t>(index.row())].id);
    }
}

void DetailView::restoreSelection()
{
    if (!m_selectedItemIDs.empty()) {
        QItemSelection selection;
        const std::vector<FileItem> &files = m_viewModel.filteredFiles();
        const int rows = static_cast<int>(files.size());
        // One range per run of selected rows keeps a large selection cheap to restore.
        for (int row = 0; row < rows;) {
            if (!m_selectedItemIDs.contains(files[static_cast<std::size_t>(row)].id)) {
                ++row;
                continue;
            }
            const int first = row;
            while (row < rows && m_selectedItemIDs.contains(files[static_cast<std::size_t>(row)].id))
                ++row;
            selection.select(m_model->index(first, 0), m_model->index(row - 1, FileTableModel::ColumnCount - 1));
        }
        m_table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    }
    m_resettingTable = false;
}
