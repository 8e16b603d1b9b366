#pragma once

#include <functional>
#include <optional>
#include <utility>

#include <QListView>
#include <QString>
#include <QTimer>

class QDrag;
class QKeyEvent;
class QuorvaneViewModel;

/// The list of the rename preview, with drag reordering. A drag from a row carries the row's path as plain
/// text. While a drag from this list is over it, the dragged file moves as soon as the pointer enters another
/// row (it takes that row's place) or the free space below the rows (it becomes the last file); releasing the
/// button changes nothing more. The moves are posted to the event loop, never made inside the drag handlers.
/// Text dragged in from elsewhere is accepted but moves nothing.
class PreviewListView final : public QListView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreviewListView)

public:
    /// Carries out a started drag and returns when it has ended.
    using DragRunner = std::function<void(QDrag &drag)>;

    explicit PreviewListView(QuorvaneViewModel &viewModel, QWidget *parent = nullptr);

    /// The path of the file whose row is being dragged from this list; none when no such drag is under way.
    const std::optional<QString> &draggedPath() const { return m_draggedPath; }
    /// Alt+Up and Alt+Down move the file of `view`'s current row one place up or down, Alt+End to the end, with
    /// the same effect as dragging its row there; the row stays current. `pathRole` gives a row's path (in the
    /// first column). Returns whether `event` was one of these keys.
    static bool reorderByKey(QKeyEvent *event, QAbstractItemView &view, int pathRole, QuorvaneViewModel &model);

    /// Replaces how a started drag runs (by default `QDrag::exec`, which returns when the button is released),
    /// for environments without a drag-and-drop system. An empty runner restores the default.
    void setDragRunner(DragRunner runner);

    /// Also keeps the current row across the model's resets when the same file is still in that row: a moved
    /// row becomes current at once, and the preview the worker replans afterwards resets the model once more.
    void setModel(QAbstractItemModel *model) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    /// What the pointer is over during a drag: a row's file (by path) or the free space below the rows.
    struct HoverTarget {
        bool belowRows = false;
        QString path;
        bool operator==(const HoverTarget &) const = default;
    };

    void pointerMoved(const QPoint &position);
    void updateAutoScroll(const QPoint &position);
    void stopAutoScroll();

    QuorvaneViewModel &m_viewModel;
    std::optional<QString> m_draggedPath;
    std::optional<HoverTarget> m_hoverTarget;
    DragRunner m_dragRunner;
    QTimer m_autoScrollTimer;
    int m_autoScrollStep = 0;
    // The current row and its file's path while the model resets.
    std::optional<std::pair<int, QString>> m_currentBeforeReset;
};
