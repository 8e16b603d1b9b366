#include "PreviewListView.h"

#include <QDrag>
#include <QKeyEvent>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>

#include "QuorvaneViewModel.h"
#include "RenamePreviewModel.h"

PreviewListView::PreviewListView(QuorvaneViewModel &viewModel, QWidget *parent)
    : QListView(parent)
    , m_viewModel(viewModel)
{
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    // A new preview of a million names is laid out in slices between events rather than in one turn of the event
    // loop; a preview of up to one slice is laid out at once, as before.
    setLayoutMode(QListView::Batched);
    setBatchSize(50000);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_autoScrollTimer.setInterval(40);
    connect(&m_autoScrollTimer, &QTimer::timeout, this,
        [this] { verticalScrollBar()->setValue(verticalScrollBar()->value() + m_autoScrollStep); });
}

bool PreviewListView::reorderByKey(QKeyEvent *event, QAbstractItemView &view, int pathRole, QuorvaneViewModel &model)
{
    const int key = event->key();
    if (event->modifiers() != Qt::AltModifier || (key != Qt::Key_Up && key != Qt::Key_Down && key != Qt::Key_End))
        return false;
    QAbstractItemModel *items = view.model();
    const QModelIndex current = view.currentIndex();
    if (items == nullptr || !current.isValid())
        return true;
    const int rows = items->rowCount();
    const int row = current.row();
    const auto pathAt = [items, pathRole](int at) { return items->index(at, 0).data(pathRole).toString(); };
    const QString path = pathAt(row);
    int to = row;
    if (key == Qt::Key_Up && row > 0) {
        to = row - 1;
        model.moveFile(path, pathAt(to));
    } else if (key == Qt::Key_Down && row + 1 < rows) {
        to = row + 1;
        model.moveFile(path, pathAt(to));
    } else if (key == Qt::Key_End && row + 1 < rows) {
        to = rows - 1;
        model.moveFileToEnd(path);
    }
    // The lists were rebuilt; the moved file's row becomes current again, so the keys can be pressed on.
    if (pathAt(to) != path) {
        for (to = 0; to < items->rowCount() && pathAt(to) != path; ++to) { }
    }
    if (to < items->rowCount()) {
        const QModelIndex moved = items->index(to, current.column());
        view.setCurrentIndex(moved);
        if (view.selectionModel() != nullptr)
            view.selectionModel()->select(moved, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        view.scrollTo(moved);
    }
    return true;
}

void PreviewListView::setModel(QAbstractItemModel *model)
{
    QListView::setModel(model);
    if (model == nullptr)
        return;
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        const QModelIndex current = currentIndex();
        m_currentBeforeReset.reset();
        if (current.isValid())
            m_currentBeforeReset.emplace(current.row(), current.data(RenamePreviewModel::PathRole).toString());
    });
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        const auto before = std::exchange(m_currentBeforeReset, std::nullopt);
        QAbstractItemModel *items = this->model();
        // Only the same row is looked at: a search through a large preview would cost every keystroke.
        if (!before || items == nullptr || before->first >= items->rowCount())
            return;
        const QModelIndex index = items->index(before->first, 0);
        if (index.data(RenamePreviewModel::PathRole).toString() == before->second)
            setCurrentIndex(index);
    });
}

void PreviewListView::keyPressEvent(QKeyEvent *event)
{
    if (reorderByKey(event, *this, RenamePreviewModel::PathRole, m_viewModel))
        event->accept();
    else
        QListView::keyPressEvent(event);
}

void PreviewListView::setDragRunner(DragRunner runner)
{
    m_dragRunner = std::move(runner);
}

void PreviewListView::startDrag(Qt::DropActions)
{
    const QModelIndex index = currentIndex();
    if (!index.isValid())
        return;
    const QString path = index.data(RenamePreviewModel::PathRole).toString();
    m_draggedPath = path;

    auto *mimeData = new QMimeData;
    mimeData->setText(path);
    auto *drag = new QDrag(this);
    drag->setMimeData(mimeData);
    const QRect rowRect = visualRect(index);
    QPixmap image(rowRect.size() * devicePixelRatioF());
    image.setDevicePixelRatio(devicePixelRatioF());
    image.fill(Qt::transparent);
    viewport()->render(&image, {}, QRegion(rowRect));
    drag->setPixmap(image);
    drag->setHotSpot(viewport()->mapFromGlobal(QCursor::pos()) - rowRect.topLeft());

    if (m_dragRunner)
        m_dragRunner(*drag);
    else
        drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
    // However the drag ended (on a row, elsewhere in the window, in another program, cancelled), it is over:
    // text dragged in later must not move this file.
    m_draggedPath.reset();
    m_hoverTarget.reset();
    stopAutoScroll();
    drag->deleteLater();
}

void PreviewListView::dragEnterEvent(QDragEnterEvent *event)
{
    if (!event->mimeData()->hasText() || model() == nullptr || model()->rowCount() == 0) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    m_hoverTarget.reset();
    pointerMoved(event->position().toPoint());
}

void PreviewListView::dragMoveEvent(QDragMoveEvent *event)
{
    if (!event->mimeData()->hasText() || model() == nullptr || model()->rowCount() == 0) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    pointerMoved(event->position().toPoint());
    updateAutoScroll(event->position().toPoint());
}

void PreviewListView::dragLeaveEvent(QDragLeaveEvent *event)
{
    m_hoverTarget.reset();
    stopAutoScroll();
    event->accept();
}

void PreviewListView::dropEvent(QDropEvent *event)
{
    if (!event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    m_hoverTarget.reset();
    stopAutoScroll();
    // The moves already happened on entry; the release only ends the drag, once the handler has returned.
    QTimer::singleShot(0, this, [this] { m_draggedPath.reset(); });
}

void PreviewListView::pointerMoved(const QPoint &position)
{
    HoverTarget target;
    const QModelIndex index = indexAt(position);
    if (index.isValid()) {
        target.path = index.data(RenamePreviewModel::PathRole).toString();
    } else {
        const QModelIndex last = model()->index(model()->rowCount() - 1, 0);
        if (position.y() <= visualRect(last).bottom())
            return;
        target.belowRows = true;
    }
    // Only entering a row or the space below counts; moving within the same one does nothing.
    if (m_hoverTarget == target)
        return;
    m_hoverTarget = target;
    if (!m_draggedPath)
        return;
    const QString dragged = *m_draggedPath;
    if (target.belowRows) {
        QTimer::singleShot(0, &m_viewModel, [model = &m_viewModel, dragged] { model->moveFileToEnd(dragged); });
    } else if (dragged != target.path) {
        QTimer::singleShot(
            0, &m_viewModel, [model = &m_viewModel, dragged, path = target.path] { model->moveFile(dragged, path); });
    }
}

void PreviewListView::updateAutoScroll(const QPoint &position)
{
    const int height = viewport()->height();
    if (position.y() < autoScrollMargin())
        m_autoScrollStep = -verticalScrollBar()->singleStep();
    else if (position.y() > height - autoScrollMargin())
        m_autoScrollStep = verticalScrollBar()->singleStep();
    else
        m_autoScrollStep = 0;
    if (m_autoScrollStep == 0)
        stopAutoScroll();
    else if (!m_autoScrollTimer.isActive())
        m_autoScrollTimer.start();
}

void PreviewListView::stopAutoScroll()
{
    m_autoScrollTimer.stop();
    m_autoScrollStep = 0;
}
