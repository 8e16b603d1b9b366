#include "EmptyState.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "PaneStyle.h"

EmptyState::EmptyState(const QIcon &symbol, const QString &title, Size size, QWidget *parent)
    : QWidget(parent)
    , m_layout(new QVBoxLayout(this))
{
    const bool large = size == Size::large;
    if (large)
        m_layout->setSpacing(10);
    m_layout->addStretch(1);
    m_layout->addStretch(1);
    m_symbol = PaneStyle::symbolLabel(symbol, large ? 48 : 28, this);
    append(m_symbol);
    m_title = new QLabel(title, this);
    m_title->setAlignment(Qt::AlignCenter);
    if (large) {
        m_title->setFont(PaneStyle::titleFont(font()));
    } else {
        m_title->setFont(PaneStyle::calloutFont(font()));
        PaneStyle::makeSecondary(m_title);
    }
    append(m_title);
}

QLabel *EmptyState::addMessage(const QString &text)
{
    auto *message = new QLabel(text, this);
    message->setFont(PaneStyle::calloutFont(font()));
    message->setAlignment(Qt::AlignCenter);
    PaneStyle::makeSecondary(message);
    append(message);
    return message;
}

QPushButton *EmptyState::addButton(const QString &text)
{
    auto *button = new QPushButton(text, this);
    m_layout->insertSpacing(m_layout->count() - 1, 6);
    append(button, Qt::AlignHCenter);
    return button;
}

void EmptyState::append(QWidget *widget, Qt::Alignment alignment)
{
    m_layout->insertWidget(m_layout->count() - 1, widget, 0, alignment);
}
