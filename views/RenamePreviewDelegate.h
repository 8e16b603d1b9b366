#pragma once

#include <QStyledItemDelegate>

/// Draws a preview row: the old name (secondary colour), an arrow, and the new name, each name on one line
/// shortened in the middle and given half of the free width. A new name equal to the old one is dimmed but
/// stays readable. Reads the roles of `RenamePreviewModel`.
class RenamePreviewDelegate final : public QStyledItemDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RenamePreviewDelegate)

public:
    explicit RenamePreviewDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
