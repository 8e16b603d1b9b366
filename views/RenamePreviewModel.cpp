#include "RenamePreviewModel.h"

#include <QCoreApplication>

#include "QtConversions.h"
#include "QuorvaneViewModel.h"

RenamePreviewModel::RenamePreviewModel(QuorvaneViewModel &viewModel, QObject *parent)
    : QAbstractListModel(parent)
    , m_viewModel(viewModel)
{
    // The view model has already replaced its plans when it announces them, so a reset is all it takes.
    connect(&m_viewModel, &QuorvaneViewModel::renamePlansChanged, this, [this] {
        beginResetModel();
        endResetModel();
    });
}

int RenamePreviewModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_viewModel.renamePlans().size());
}

QString RenamePreviewModel::fallbackToolTip()
{
    return tr("This file holds no capture date, so its creation date is used.");
}

QVariant RenamePreviewModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const RenamePlan &plan = m_viewModel.renamePlans()[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return QtConversions::toQString(plan.originalName) + QStringLiteral(" → ")
            + QtConversions::toQString(plan.newName);
    case Qt::AccessibleTextRole:
        // What the dimmed colour says on screen, said in words.
        return QuorvaneViewModel::changesName(plan) ? QtConversions::toQString(plan.originalName)
                + QStringLiteral(" → ") + QtConversions::toQString(plan.newName)
                                                    : QtConversions::toQString(plan.originalName)
                + QCoreApplication::translate("RenamePreviewModel", " (unchanged)");
    case OriginalNameRole:
        return QtConversions::toQString(plan.originalName);
    case NewNameRole:
        return QtConversions::toQString(plan.newName);
    case PathRole:
        return QtConversions::toQString(plan.originalURL);
    case ChangesNameRole:
        return QuorvaneViewModel::changesName(plan);
    case UsedCreationDateRole:
        return plan.usedCreationDate;
    case Qt::ToolTipRole:
        return plan.usedCreationDate ? fallbackToolTip() : QVariant();
    default:
        return {};
    }
}

Qt::ItemFlags RenamePreviewModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}
