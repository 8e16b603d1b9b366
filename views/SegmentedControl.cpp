#include "SegmentedControl.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QToolButton>

#include "Accessibility.h"

SegmentedControl::SegmentedControl(const QStringList &labels, const QString &objectNamePrefix, QWidget *parent)
    : QWidget(parent)
    , m_group(new QButtonGroup(this))
{
    // A group of radio buttons to assistive technology, named by the control's accessible name.
    Accessibility::install();
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_group->setExclusive(true);
    for (int index = 0; index < labels.size(); ++index) {
        auto *button = new SegmentButton(this);
        button->setText(labels.at(index));
        button->setCheckable(true);
        button->setObjectName(objectNamePrefix + QString::number(index));
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setFocusPolicy(Qt::StrongFocus);
        m_group->addButton(button, index);
        layout->addWidget(button);
    }
    if (auto *first = m_group->button(0))
        first->setChecked(true);
    connect(m_group, &QButtonGroup::idClicked, this, &SegmentedControl::activated);
}

int SegmentedControl::currentIndex() const
{
    return m_group->checkedId();
}

void SegmentedControl::setCurrentIndex(int index)
{
    const QSignalBlocker blocker(m_group);
    if (auto *button = m_group->button(index))
        button->setChecked(true);
}
