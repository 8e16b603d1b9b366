#pragma once

#include <functional>

#include <QString>
#include <QWidget>

#include "RenameParameters.h"

class QCheckBox;
class QFont;
class QLineEdit;
class QSpinBox;
class QuorvaneViewModel;
class SegmentedControl;

/// The sequence-number settings: the start value (0 to 9999), the padding ("1", "01", "001"), the separator, the
/// step (any non-zero value from -9999 to 9999) and whether each folder counts from the start on its own.
/// Every change is written to the view model's rename settings and the preview is planned again.
class SequenceBlock final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SequenceBlock)

public:
    /// Controls named `namePrefix` + "Start", "Padding" (segments "...Padding0" to "...Padding2"), "Separator",
    /// "Step" and "Restart". A boxed block is drawn on a faintly tinted rounded rectangle with 10 pixels of padding.
    SequenceBlock(QuorvaneViewModel &viewModel, const QString &namePrefix, bool boxed, QWidget *parent = nullptr);

    /// Shows the view model's current values without writing anything back.
    void sync();

    /// The controls, in tab order.
    QSpinBox *startField() const { return m_start; }
    SegmentedControl *paddingPicker() const { return m_padding; }
    QLineEdit *separatorField() const { return m_separator; }
    QSpinBox *stepField() const { return m_step; }
    QCheckBox *restartToggle() const { return m_restart; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void setUpStartField(const QString &namePrefix, const QFont &font);
    QWidget *buildPaddingRow(const QString &namePrefix, const QFont &font);
    void setUpSeparatorField(const QString &namePrefix, const QFont &font);
    /// Applies `change` to the view model's rename settings and plans again.
    void edit(const std::function<void(RenameParameters &)> &change);

    QuorvaneViewModel &m_viewModel;
    bool m_boxed;
    QSpinBox *m_start;
    SegmentedControl *m_padding;
    QLineEdit *m_separator;
    QSpinBox *m_step;
    QCheckBox *m_restart;
};
