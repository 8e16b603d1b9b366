#include "CharacterRuleBlock.h"

#include <algorithm>

#include <QCoreApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>

#include "QtConversions.h"
#include "QuorvaneViewModel.h"

namespace {

QSpinBox *spinBox(const QString &objectName, QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(objectName);
    // Names are at most 255 bytes; a larger position means the end of the stem.
    box->setRange(0, 255);
    return box;
}

} // namespace

CharacterRuleBlock::CharacterRuleBlock(QuorvaneViewModel &viewModel, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
{
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("insertTextField"));
    m_text->setPlaceholderText(QCoreApplication::translate("CharacterRuleBlock", "Text to insert"));
    m_text->setAccessibleName(QCoreApplication::translate("CharacterRuleBlock", "Text to insert"));
    m_position = spinBox(QStringLiteral("characterPosition"), this);
    m_count = spinBox(QStringLiteral("characterCount"), this);
    m_fromEnd = new QCheckBox(QCoreApplication::translate("CharacterRuleBlock", "Count from the end"), this);
    m_fromEnd->setObjectName(QStringLiteral("characterFromEndToggle"));

    auto *layout = new QFormLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addRow(m_text);
    m_textRow = m_text;
    auto *positionLabel = new QLabel(QCoreApplication::translate("CharacterRuleBlock", "Position (characters)"), this);
    positionLabel->setBuddy(m_position);
    m_position->setAccessibleName(positionLabel->text());
    layout->addRow(positionLabel, m_position);
    auto *countLabel = new QLabel(QCoreApplication::translate("CharacterRuleBlock", "Characters to remove"), this);
    countLabel->setBuddy(m_count);
    m_count->setAccessibleName(countLabel->text());
    layout->addRow(countLabel, m_count);
    m_countRow = countLabel;
    layout->addRow(m_fromEnd);

    const auto edit = [this](auto change) {
        RenameParameters parameters = m_viewModel.renameParameters();
        change(parameters, parameters.strategy == RenameStrategy::insert);
        m_viewModel.setRenameParameters(std::move(parameters));
        m_viewModel.updateRenamePlans();
    };
    connect(m_text, &QLineEdit::textEdited, this, [edit](const QString &text) {
        edit([&text](RenameParameters &p, bool) { p.insertText = QtConversions::toStdString(text); });
    });
    connect(m_position, &QSpinBox::valueChanged, this, [edit](int value) {
        edit([value](RenameParameters &p, bool insert) { (insert ? p.insertPosition : p.removePosition) = value; });
    });
    connect(m_count, &QSpinBox::valueChanged, this,
        [edit](int value) { edit([value](RenameParameters &p, bool) { p.removeCount = value; }); });
    connect(m_fromEnd, &QCheckBox::toggled, this, [edit](bool on) {
        edit([on](RenameParameters &p, bool insert) { (insert ? p.insertFromEnd : p.removeFromEnd) = on; });
    });
}

QList<QWidget *> CharacterRuleBlock::tabStops() const
{
    return { m_text, m_position, m_count, m_fromEnd };
}

void CharacterRuleBlock::sync()
{
    const RenameParameters &p = m_viewModel.renameParameters();
    const bool insert = p.strategy == RenameStrategy::insert;
    setVisible(insert || p.strategy == RenameStrategy::remove);
    const QSignalBlocker textBlocker(m_text);
    const QSignalBlocker positionBlocker(m_position);
    const QSignalBlocker countBlocker(m_count);
    const QSignalBlocker fromEndBlocker(m_fromEnd);
    if (m_text->text() != QtConversions::toQString(p.insertText))
        m_text->setText(QtConversions::toQString(p.insertText));
    m_position->setValue(
        static_cast<int>(std::clamp<std::int64_t>(insert ? p.insertPosition : p.removePosition, 0, 255)));
    m_count->setValue(static_cast<int>(std::clamp<std::int64_t>(p.removeCount, 0, 255)));
    m_fromEnd->setChecked(insert ? p.insertFromEnd : p.removeFromEnd);
    m_text->setVisible(insert);
    m_count->setVisible(!insert);
    m_countRow->setVisible(!insert);
}
