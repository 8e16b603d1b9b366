#pragma once

#include <QAbstractListModel>

class QuorvaneViewModel;

/// The view model's rename plans as a list, one row per plan in preview order. Rows are read straight from
/// the view model when drawn, so a preview of 100,000 plans costs only the visible rows; every change of the
/// plans resets the model.
class RenamePreviewModel final : public QAbstractListModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RenamePreviewModel)

public:
    enum Role {
        OriginalNameRole = Qt::UserRole + 1, ///< QString: the name now
        NewNameRole, ///< QString: the name the file will get
        PathRole, ///< QString: the absolute path of the file now, which identifies it for moves
        ChangesNameRole, ///< bool: whether applying renames this file
        UsedCreationDateRole, ///< bool: a capture-date name fell back to the file's creation date
    };

    static QString fallbackToolTip();

    explicit RenamePreviewModel(QuorvaneViewModel &viewModel, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    /// Qt::DisplayRole and Qt::AccessibleTextRole give "old → new", what the row shows; Qt::ToolTipRole says
    /// when the file's creation date stood in for a missing capture date (`fallbackToolTip`).
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    QuorvaneViewModel &m_viewModel;
};
