#include "SequenceBlock.h"

#include <algorithm>
#include <cstdint>

#include <QCoreApplication>
#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "PaneStyle.h"
#include "QtConversions.h"
#include "QuorvaneViewModel.h"
#include "SegmentedControl.h"

SequenceBlock::SequenceBlock(QuorvaneViewModel &viewModel, const QString &namePrefix, bool boxed, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_boxed(boxed)
    , m_start(new QSpinBox(this))
    , m_padding(new SegmentedControl({ QStringLiteral("1"), QStringLiteral("01"), QStringLiteral("001") },
          namePrefix + QCoreApplication::translate("SequenceBlock", "Padding"), this))
    , m_separator(new QLineEdit(this))
    , m_step(new QSpinBox(this))
    , m_restart(new QCheckBox(QCoreApplication::translate("SequenceBlock", "Restart at each folder"), this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(6);
    const int margin = boxed ? 6 : 0;
    layout->setContentsMargins(margin, margin, margin, margin);

    // From the application's font: a block built inside a section would otherwise inherit its heading font.
    const QFont callout = PaneStyle::calloutFont(QApplication::font());
    setUpStartField(namePrefix, callout);
    // The start and the padding share a row, and so do the separator and its label: the preview below keeps
    // its rows in sight.
    QWidget *paddingRow = buildPaddingRow(namePrefix, callout);
    static_cast<QHBoxLayout *>(paddingRow->layout())->insertWidget(0, m_start, 1);
    layout->addWidget(paddingRow);
    setUpSeparatorField(namePrefix, callout);
    auto *separatorRow = new QWidget(this);
    auto *separatorLayout = new QHBoxLayout(separatorRow);
    separatorLayout->setContentsMargins(0, 0, 0, 0);
    auto *separatorLabel = new QLabel(QCoreApplication::translate("SequenceBlock", "Separator"), separatorRow);
    separatorLabel->setFont(callout);
    separatorLabel->setBuddy(m_separator);
    PaneStyle::makeSecondary(separatorLabel);
    separatorLayout->addWidget(separatorLabel);
    separatorLayout->addWidget(m_separator, 1);
    layout->addWidget(separatorRow);
    m_step->setObjectName(namePrefix + QStringLiteral("Step"));
    m_step->setRange(-9999, 9999);
    m_step->setPrefix(QCoreApplication::translate("SequenceBlock", "Step: "));
    m_step->setFont(callout);
    m_step->setAccessibleName(QCoreApplication::translate("SequenceBlock", "Step"));
    m_restart->setObjectName(namePrefix + QStringLiteral("Restart"));
    m_restart->setFont(callout);
    m_restart->setToolTip(QCoreApplication::translate(
        "SequenceBlock", "With subfolders included, each folder's files are numbered from the start"));
    auto *stepRow = new QWidget(this);
    auto *stepLayout = new QHBoxLayout(stepRow);
    stepLayout->setContentsMargins(0, 0, 0, 0);
    stepLayout->addWidget(m_step, 1);
    stepLayout->addWidget(m_restart);
    layout->addWidget(stepRow);

    connect(m_start, &QSpinBox::valueChanged, this, [this](int value) {
        if (m_viewModel.renameParameters().sequenceStart != value)
            edit([value](RenameParameters &parameters) { parameters.sequenceStart = value; });
    });
    connect(m_padding, &SegmentedControl::activated, this,
        [this](int index) { edit([index](RenameParameters &parameters) { parameters.sequencePadding = index + 1; }); });
    connect(m_separator, &QLineEdit::textEdited, this, [this](const QString &text) {
        edit(
            [&text](RenameParameters &parameters) { parameters.sequenceSeparator = QtConversions::toStdString(text); });
    });
    connect(m_step, &QSpinBox::valueChanged, this, [this](int value) {
        const std::int64_t current = m_viewModel.renameParameters().sequenceStep;
        // A step of 0 would number every file alike: the arrows pass over it.
        if (value == 0)
            return m_step->setValue(current > 0 ? -1 : 1);
        if (current != value)
            edit([value](RenameParameters &parameters) { parameters.sequenceStep = value; });
    });
    connect(m_restart, &QCheckBox::toggled, this,
        [this](bool on) { edit([on](RenameParameters &parameters) { parameters.sequenceRestartPerFolder = on; }); });
    sync();
}

void SequenceBlock::setUpStartField(const QString &namePrefix, const QFont &font)
{
    m_start->setObjectName(namePrefix + QStringLiteral("Start"));
    m_start->setRange(0, 9999);
    m_start->setSingleStep(1);
    m_start->setPrefix(QCoreApplication::translate("SequenceBlock", "Start: "));
    m_start->setFont(font);
    m_start->setAccessibleName(QCoreApplication::translate("SequenceBlock", "Start"));
    m_start->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_start->setMinimumWidth(QFontMetrics(font).horizontalAdvance(QStringLiteral("Start: 9999")) + 40);
}

QWidget *SequenceBlock::buildPaddingRow(const QString &namePrefix, const QFont &font)
{
    auto *paddingRow = new QWidget(this);
    auto *rowLayout = new QHBoxLayout(paddingRow);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    auto *paddingLabel = new QLabel(QCoreApplication::translate("SequenceBlock", "Padding"), paddingRow);
    paddingLabel->setFont(font);
    PaneStyle::makeSecondary(paddingLabel);
    m_padding->setParent(paddingRow);
    m_padding->setObjectName(namePrefix + QStringLiteral("Padding"));
    m_padding->setAccessibleName(QCoreApplication::translate("SequenceBlock", "Padding"));
    paddingLabel->setBuddy(m_padding);
    rowLayout->addWidget(paddingLabel);
    rowLayout->addWidget(m_padding, 0);
    return paddingRow;
}

void SequenceBlock::setUpSeparatorField(const QString &namePrefix, const QFont &font)
{
    m_separator->setObjectName(namePrefix + QStringLiteral("Separator"));
    // Cleared, the field means no separator at all: the number joins the name directly.
    m_separator->setPlaceholderText(QStringLiteral("none"));
    m_separator->setAccessibleName(QCoreApplication::translate("SequenceBlock", "Separator"));
    m_separator->setFont(font);
    m_separator->setClearButtonEnabled(false);
}

void SequenceBlock::edit(const std::function<void(RenameParameters &)> &change)
{
    RenameParameters parameters = m_viewModel.renameParameters();
    change(parameters);
    m_viewModel.setRenameParameters(parameters);
    m_viewModel.updateRenamePlans();
}

void SequenceBlock::sync()
{
    const RenameParameters &parameters = m_viewModel.renameParameters();
    {
        const QSignalBlocker blocker(m_start);
        m_start->setValue(static_cast<int>(std::clamp<std::int64_t>(parameters.sequenceStart, 0, 9999)));
    }
    {
        const QSignalBlocker stepBlocker(m_step);
        m_step->setValue(static_cast<int>(std::clamp<std::int64_t>(parameters.sequenceStep, -9999, 9999)));
        const QSignalBlocker restartBlocker(m_restart);
        m_restart->setChecked(parameters.sequenceRestartPerFolder);
    }
    m_padding->setCurrentIndex(static_cast<int>(parameters.sequencePadding) - 1);
    const QString separator = QtConversions::toQString(parameters.sequenceSeparator);
    // Rewriting an unchanged text would move the cursor of someone typing in it.
    if (m_separator->text() != separator)
        m_separator->setText(separator);
}

void SequenceBlock::paintEvent(QPaintEvent *event)
{
    if (m_boxed) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor tint = palette().color(QPalette::WindowText);
        tint.setAlphaF(0.04f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(tint);
        painter.drawRoundedRect(QRectF(rect()), 6, 6);
    }
    QWidget::paintEvent(event);
}
