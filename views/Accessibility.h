#pragma once

#include <QComboBox>
#include <QLabel>
#include <QToolButton>

/// Widgets that tell assistive technology what they are where Qt's own description falls short. Their
/// descriptions are registered by `Accessibility::install()`, which every constructor calls.

/// One segment of a segmented control: a radio button of its group (Qt would call it a check box).
class SegmentButton final : public QToolButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SegmentButton)

public:
    explicit SegmentButton(QWidget *parent = nullptr);
};

/// A status line: exposed as a status bar whose name is its text, so a change of the text is announced.
class StatusLine final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusLine)

public:
    explicit StatusLine(QWidget *parent = nullptr);
};

/// A drop-down list named by its accessible name (its label), with the current choice as its value and as the
/// selected item of its one child, the list of choices (where screen readers on Linux read it); on Linux Qt would
/// name it by the current choice. Its selection follows `currentIndexChanged`, so a change made with signals
/// blocked leaves it behind.
class LabelledComboBox final : public QComboBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LabelledComboBox)

public:
    explicit LabelledComboBox(QWidget *parent = nullptr);
};

namespace Accessibility {

/// Registers the descriptions above and that of `SegmentedControl` (a group named by its accessible name).
/// Idempotent.
void install();

} // namespace Accessibility
