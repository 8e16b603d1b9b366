#pragma once

#include <QStringList>
#include <QWidget>

class QButtonGroup;

/// A row of joined, mutually exclusive buttons, one per choice, exactly one of which is down.
class SegmentedControl final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SegmentedControl)

public:
    /// One segment per label, in order; the first is selected. Each segment's object name is `objectNamePrefix`
    /// followed by its index.
    SegmentedControl(const QStringList &labels, const QString &objectNamePrefix, QWidget *parent = nullptr);

    int currentIndex() const;
    /// Selects a segment without emitting `activated`.
    void setCurrentIndex(int index);

Q_SIGNALS:
    /// The user chose the segment at `index`.
    void activated(int index);

private:
    QButtonGroup *m_group;
};
