#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>

class QuorvaneViewModel;
struct RenamePlan;

/// The view model's filtered files as a table, one row per file in their listed order, read from the view
/// model when drawn (100,000 rows cost only the visible cells). Every change of the filtered files resets it.
class FileTableModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileTableModel)

public:
    /// "New Name" shows the planned name: in bold when it changes, with " (n)" explained in its tool tip when a
    /// counter had to be added. "Folder" (the path relative to the chosen folder) is shown by the view only
    /// while subfolders are listed.
    enum Column { Name, NewName, Folder, Kind, Size, Modified, ColumnCount };
    /// QString: the file's absolute path.
    static constexpr int PathRole = Qt::UserRole + 1;
    /// The tool tip of a new name to which " (n)" was added.
    static QString counterToolTip();

    explicit FileTableModel(QuorvaneViewModel &viewModel, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    /// A byte count in decimal units as file browsers show it: 1 kB = 1000 bytes, at most one decimal, in the
    /// user's locale ("999 bytes", "1.5 kB", "2 MB").
    static QString formattedSize(qint64 bytes);
    /// "JPG" for the extension "jpg"; "Unknown" for none.
    static QString kindText(const QString &extension);
    /// A date and time in the user's locale and time zone: the medium date style ("Sep 30, 2026") and the
    /// short time style.
    static QString formattedModified(const QDateTime &time);

private:
    /// The plan of the file in `row`, if the preview has one for it.
    const RenamePlan *planAt(int row) const;

    QuorvaneViewModel &m_viewModel;
    QIcon m_fileIcon;
    QIcon m_counterIcon;
};
