#pragma once

#include <QWidget>

class EmptyState;
class QStackedLayout;
class QuorvaneViewModel;
class PreviewListView;
class RenamePreviewModel;

/// The rename preview: one row per plan (old name, arrow, new name) in the order sequence numbers are given,
/// reorderable by dragging rows; "No preview" with its symbol while there are no plans, where nothing can be
/// dropped. Drawn on the text background with rounded corners.
class RenamePreviewView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RenamePreviewView)

public:
    explicit RenamePreviewView(QuorvaneViewModel &viewModel, QWidget *parent = nullptr);

    /// The list of rows (object name "previewList").
    PreviewListView *list() const { return m_list; }
    /// Whether the empty state is shown instead of the list.
    bool showsEmptyState() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void sync();

    QuorvaneViewModel &m_viewModel;
    RenamePreviewModel *m_model;
    PreviewListView *m_list;
    EmptyState *m_emptyState;
    QStackedLayout *m_stack;
};
