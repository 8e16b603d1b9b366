#pragma once

#include <functional>

#include <QString>
#include <QWidget>

#include "RenameParameters.h"

class QFont;
class QLineEdit;
class QSpinBox;
class QuorvaneViewModel;
class SegmentedControl;

/// The sequence-number settings: the start value (0 to 9999), the padding ("1", "01", "001") and the separator.
/// Every change is written to the view model's rename settings and the preview is planned again.
class SequenceBlock final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SequenceBlock)

public:
    /// Controls named `namePrefix` + "Start", "Padding" (segments "...Padding0" to "...Padding2") and
    /// "Separator". A boxed block is drawn on a faintly tinted rounded rectangle with 10 pixels of padding.
    SequenceBlock(QuorvaneViewModel &viewModel, const QString &namePrefix, bool boxed, QWidget *parent = nullptr);

    /// Shows the view model's current values without writing anything back.
    void sync();

    /// The controls, in tab order.
    QSpinBox *startField() const { return m_start; }
    SegmentedControl *paddingPicker() const { return m_padding; }
    QLineEdit *separatorField() const { return m_separator; }

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
};
