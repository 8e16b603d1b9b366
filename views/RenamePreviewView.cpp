#include "RenamePreviewView.h"

#include <QLabel>
#include <QPainter>
#include <QStackedLayout>
#include <QVBoxLayout>

#include "PaneStyle.h"
#include "PreviewListView.h"
#include "QuorvaneViewModel.h"
#include "RenamePreviewDelegate.h"
#include "RenamePreviewModel.h"

RenamePreviewView::RenamePreviewView(QuorvaneViewModel &viewModel, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_model(new RenamePreviewModel(viewModel, this))
    , m_list(new PreviewListView(viewModel, this))
    , m_emptyState(new QWidget(this))
    , m_stack(new QStackedLayout)
{
    setObjectName(QStringLiteral("renamePreview"));
    setMinimumHeight(120);

    auto *outer = new QVBoxLayout(this);
    // The margin lets the rounded corners of the background show around the list.
    outer->setContentsMargins(4, 4, 4, 4);
    outer->addLayout(m_stack);

    m_list->setObjectName(QStringLiteral("previewList"));
    m_list->setAccessibleName(QStringLiteral("Rename preview"));
    m_list->setModel(m_model);
    m_list->setItemDelegate(new RenamePreviewDelegate(m_list));
    m_list->setFrameShape(QFrame::NoFrame);

    auto *emptyLayout = new QVBoxLayout(m_emptyState);
    emptyLayout->addStretch(1);
    auto *symbol = new QLabel(m_emptyState);
    symbol->setObjectName(QStringLiteral("noPreviewSymbol"));
    symbol->setPixmap(PaneStyle::noPreviewIcon().pixmap(28, 28, QIcon::Disabled));
    symbol->setAlignment(Qt::AlignCenter);
    auto *text = new QLabel(QStringLiteral("No preview"), m_emptyState);
    text->setObjectName(QStringLiteral("noPreviewLabel"));
    text->setAlignment(Qt::AlignCenter);
    text->setFont(PaneStyle::calloutFont(font()));
    QPalette secondary = text->palette();
    secondary.setColor(QPalette::WindowText, PaneStyle::secondaryColor(palette()));
    text->setPalette(secondary);
    emptyLayout->addWidget(symbol);
    emptyLayout->addWidget(text);
    emptyLayout->addStretch(1);

    m_stack->addWidget(m_emptyState);
    m_stack->addWidget(m_list);

    connect(&m_viewModel, &QuorvaneViewModel::renamePlansChanged, this, &RenamePreviewView::sync);
    sync();
}

bool RenamePreviewView::showsEmptyState() const
{
    return m_stack->currentWidget() == m_emptyState;
}

void RenamePreviewView::sync()
{
    m_stack->setCurrentWidget(m_viewModel.renamePlans().empty() ? m_emptyState : static_cast<QWidget *>(m_list));
}

void RenamePreviewView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRoundedRect(QRectF(rect()), 6, 6);
}
