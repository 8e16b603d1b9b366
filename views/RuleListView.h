#pragma once

#include <QWidget>

#include "RenameParameters.h"

class QListWidget;
class QMenu;
class QPushButton;
class QToolButton;
class QuorvaneViewModel;

/// The rules of the batch at the top of the sidebar's Rename section: a list of one line per rule with a check
/// box that switches it on and off (shown from two rules on), the button "Add Rule" with a menu of the
/// strategies, and "Remove", "Move Up" and "Move Down" for the selected rule (also Alt+Up and Alt+Down in the
/// list). Selecting a rule makes it the one the fields below edit. Holds no state of its own.
class RuleListView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RuleListView)

public:
    explicit RuleListView(QuorvaneViewModel &viewModel, QWidget *parent = nullptr);

    /// The widgets in Tab order.
    QList<QWidget *> tabStops() const;

    /// One line saying what a rule does: Add Prefix "2024_", Replace "_" with " ", Insert "x" at 2, ...
    static QString summary(const RenameParameters &parameters);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void sync();
    void moveCurrent(int by);

    QuorvaneViewModel &m_viewModel;
    QListWidget *m_list = nullptr;
    QPushButton *m_addButton = nullptr;
    QMenu *m_addMenu = nullptr;
    QToolButton *m_removeButton = nullptr;
    QToolButton *m_upButton = nullptr;
    QToolButton *m_downButton = nullptr;
};
