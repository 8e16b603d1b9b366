#pragma once

#include <unordered_set>

#include <QTimer>
#include <QWidget>

#include "Uuid.h"

class ElidedButton;
class FileTableModel;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTableView;
class QToolButton;
class QuorvaneViewModel;

/// The right column of the window: a header with the file count ("Files (N)") and the folder's path, the table
/// of filtered files (or an empty state: no folder yet, or no file passing the filter), and a bottom bar with the
/// status line, a progress bar while a batch runs, "Refresh", "Undo" and the main button, which reads "Preview
/// Changes" while there is no preview and "Apply Rename" once there is. It shows the view model's state and
/// forwards the user's actions to it.
class DetailView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DetailView)

public:
    explicit DetailView(QuorvaneViewModel &viewModel, QWidget *parent = nullptr);

    bool eventFilter(QObject *watched, QEvent *event) override;

Q_SIGNALS:
    /// The empty state's "Select Folder" was pressed (the folder access has already been released); the window
    /// should let the user choose a folder and load it.
    void chooseFolderRequested();

private:
    QWidget *buildHeader();
    QWidget *buildNoFolderState();
    QWidget *buildNoMatchState();
    QWidget *buildTable();
    QWidget *buildBottomBar();
    void setUpTabOrder();

    void syncHeader();
    void syncContent();
    void syncBottomBar();
    void syncStatus();
    void syncOrderIndicator();
    void syncProgress();
    void advanceSpinner();
    void showContextMenu(const QPoint &position);
    void rememberSelection();
    void restoreSelection();

    QuorvaneViewModel &m_viewModel;
    FileTableModel *m_model;

    QLabel *m_countLabel = nullptr;
    QLabel *m_notShownLabel = nullptr;
    QLabel *m_folderSymbol = nullptr;
    ElidedButton *m_pathButton = nullptr;
    QToolButton *m_headerRevealButton = nullptr;

    QStackedWidget *m_content = nullptr;
    QWidget *m_noFolderState = nullptr;
    QPushButton *m_selectFolderButton = nullptr;
    QWidget *m_noMatchState = nullptr;
    QPushButton *m_clearFilterButton = nullptr;
    QTableView *m_table = nullptr;

    QLabel *m_statusLabel = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QPushButton *m_refreshButton = nullptr;
    QPushButton *m_undoButton = nullptr;
    QPushButton *m_mainButton = nullptr;
    // The selected files by id, so that a selection survives a new filter or order; ids no longer listed
    // select nothing.
    std::unordered_set<Uuid> m_selectedItemIDs;
    bool m_resettingTable = false;
    QTimer m_spinnerTimer;
    int m_spinnerStep = 0;
};
