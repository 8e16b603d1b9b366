#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QSpinBox;
class QuorvaneViewModel;

/// The fields of the rules that count characters in the stem: "Insert Text" (the text, its position, from the
/// start or the end) and "Remove Characters" (position, how many, from the start or the end). Shows and writes
/// the edited rule's settings in the view model and replans after each change.
class CharacterRuleBlock final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CharacterRuleBlock)

public:
    explicit CharacterRuleBlock(QuorvaneViewModel &viewModel, QWidget *parent = nullptr);

    /// Shows the fields of the edited rule's strategy (none for other strategies) with its values.
    void sync();
    /// The widgets in Tab order.
    QList<QWidget *> tabStops() const;

private:
    QuorvaneViewModel &m_viewModel;
    QLineEdit *m_text = nullptr;
    QSpinBox *m_position = nullptr;
    QSpinBox *m_count = nullptr;
    QCheckBox *m_fromEnd = nullptr;
    QWidget *m_countRow = nullptr;
    QWidget *m_textRow = nullptr;
};
