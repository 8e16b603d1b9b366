#include "RenamePreviewView.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QStackedLayout>
#include <QVBoxLayout>

#include "EmptyState.h"
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
    , m_emptyState(new EmptyState(PaneStyle::noPreviewIcon(),
          QCoreApplication::translate("RenamePreviewView", "No preview"), EmptyState::Size::small, this))
    , m_stack(new QStackedLayout)
{
    setObjectName(QStringLiteral("renamePreview"));
    setMinimumHeight(120);

    auto *outer = new QVBoxLayout(this);
    // The margin lets the rounded corners of the background show around the list.
    outer->setContentsMargins(4, 4, 4, 4);
    outer->addLayout(m_stack);

    m_list->setObjectName(QStringLiteral("previewList"));
    m_list->setAccessibleName(QCoreApplication::translate("RenamePreviewView", "Rename preview"));
    m_list->setModel(m_model);
    m_list->setItemDelegate(new RenamePreviewDelegate(m_list));
    m_list->setFrameShape(QFrame::NoFrame);

    m_emptyState->symbolLabel()->setObjectName(QStringLiteral("noPreviewSymbol"));
    m_emptyState->titleLabel()->setObjectName(QStringLiteral("noPreviewLabel"));

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
