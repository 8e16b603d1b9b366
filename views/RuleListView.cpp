#include "RuleListView.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include "QtConversions.h"
#include "QuorvaneViewModel.h"
#include "RenameChoices.h"

namespace {

QString quoted(const std::string &text)
{
    return u'"' + QtConversions::toQString(text) + u'"';
}

QToolButton *ruleButton(const QString &objectName, const QString &text, const QString &name, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setText(text);
    button->setAccessibleName(name);
    button->setToolTip(name);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

} // namespace

RuleListView::RuleListView(QuorvaneViewModel &viewModel, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
{
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ruleList"));
    m_list->setAccessibleName(QCoreApplication::translate("RuleListView", "Rename rules"));
    m_list->setAccessibleDescription(
        QCoreApplication::translate("RuleListView", "Applied in order; Alt+Up and Alt+Down move the selected rule"));
    m_list->setMaximumHeight(m_list->fontMetrics().height() * 6);

    m_addButton = new QPushButton(QCoreApplication::translate("RuleListView", "Add Rule"), this);
    m_addButton->setObjectName(QStringLiteral("addRuleButton"));
    m_addMenu = new QMenu(m_addButton);
    m_addMenu->setObjectName(QStringLiteral("addRuleMenu"));
    for (const EnumCase<RenameStrategy> &choice : enumCases<RenameStrategy>()) {
        QAction *action = m_addMenu->addAction(RenameChoices::title(choice.value));
        connect(action, &QAction::triggered, this, [this, strategy = choice.value] {
            m_viewModel.addRule(strategy);
            m_list->setFocus();
        });
    }
    m_addButton->setMenu(m_addMenu);
    m_removeButton
        = ruleButton(QStringLiteral("removeRuleButton"), QCoreApplication::translate("RuleListView", "Remove"),
            QCoreApplication::translate("RuleListView", "Remove Rule"), this);
    m_upButton = ruleButton(QStringLiteral("moveRuleUpButton"), QStringLiteral("↑"),
        QCoreApplication::translate("RuleListView", "Move Rule Up"), this);
    m_downButton = ruleButton(QStringLiteral("moveRuleDownButton"), QStringLiteral("↓"),
        QCoreApplication::translate("RuleListView", "Move Rule Down"), this);

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(6);
    buttons->addWidget(m_addButton);
    buttons->addStretch(1);
    buttons->addWidget(m_removeButton);
    buttons->addWidget(m_upButton);
    buttons->addWidget(m_downButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(m_list);
    layout->addLayout(buttons);

    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) { m_viewModel.selectRule(row); });
    connect(m_list, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        m_viewModel.setRuleEnabled(m_list->row(item), item->checkState() == Qt::Checked);
    });
    connect(
        m_removeButton, &QToolButton::clicked, this, [this] { m_viewModel.removeRule(m_viewModel.editedRuleIndex()); });
    connect(m_upButton, &QToolButton::clicked, this, [this] { moveCurrent(-1); });
    connect(m_downButton, &QToolButton::clicked, this, [this] { moveCurrent(1); });
    m_list->installEventFilter(this);
    connect(&m_viewModel, &QuorvaneViewModel::renameRulesChanged, this, &RuleListView::sync);
    sync();
}

bool RuleListView::eventFilter(QObject *watched, QEvent *event)
{
    // Alt+Up and Alt+Down move the selected rule, as they move files in the preview.
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() == Qt::AltModifier && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            moveCurrent(key->key() == Qt::Key_Up ? -1 : 1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QList<QWidget *> RuleListView::tabStops() const
{
    return { m_list, m_addButton, m_removeButton, m_upButton, m_downButton };
}

QString RuleListView::summary(const RenameParameters &p)
{
    const QString title = RenameChoices::title(p.strategy);
    const QString fromEnd = QCoreApplication::translate("RuleListView", " from the end");
    switch (p.strategy) {
    case RenameStrategy::prefix:
        return title + u' ' + quoted(p.prefixText);
    case RenameStrategy::suffix:
        return title + u' ' + quoted(p.suffixText);
    case RenameStrategy::replace:
        return (p.useRegularExpression ? QCoreApplication::translate("RuleListView", "Replace pattern ")
                                       : QCoreApplication::translate("RuleListView", "Replace "))
            + quoted(p.searchText) + QCoreApplication::translate("RuleListView", " with ") + quoted(p.replaceText);
    case RenameStrategy::prefixSequence:
    case RenameStrategy::suffixSequence:
        return title + QCoreApplication::translate("RuleListView", " from ") + QString::number(p.sequenceStart);
    case RenameStrategy::dateName:
        return title + QStringLiteral(" (") + RenameChoices::title(p.dateFormat) + u')';
    case RenameStrategy::insert:
        return QCoreApplication::translate("RuleListView", "Insert ") + quoted(p.insertText)
            + QCoreApplication::translate("RuleListView", " at ") + QString::number(p.insertPosition)
            + (p.insertFromEnd ? fromEnd : QString());
    case RenameStrategy::remove:
        return QCoreApplication::translate("RuleListView", "Remove ") + QString::number(p.removeCount)
            + QCoreApplication::translate("RuleListView", " characters at ") + QString::number(p.removePosition)
            + (p.removeFromEnd ? fromEnd : QString());
    case RenameStrategy::uppercase:
    case RenameStrategy::lowercase:
    case RenameStrategy::titleCase:
    case RenameStrategy::sentenceCase:
        break;
    }
    return title;
}

void RuleListView::moveCurrent(int by)
{
    const int from = m_viewModel.editedRuleIndex();
    m_viewModel.moveRule(from, from + by);
}

void RuleListView::sync()
{
    const RenameRuleList rules = m_viewModel.renameRules();
    const int edited = m_viewModel.editedRuleIndex();
    const bool several = rules.size() > 1;
    {
        const QSignalBlocker blocker(m_list);
        while (m_list->count() > static_cast<int>(rules.size()))
            delete m_list->takeItem(m_list->count() - 1);
        while (m_list->count() < static_cast<int>(rules.size()))
            m_list->addItem(new QListWidgetItem(m_list));
        for (int row = 0; row < m_list->count(); ++row) {
            const RenameRule &rule = rules[static_cast<std::size_t>(row)];
            QListWidgetItem *item = m_list->item(row);
            const QString text = summary(rule.parameters);
            item->setText(text);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(rule.enabled ? Qt::Checked : Qt::Unchecked);
            item->setData(Qt::AccessibleTextRole,
                QString::number(row + 1) + QStringLiteral(". ") + text
                    + (rule.enabled ? QString() : QCoreApplication::translate("RuleListView", " (off)")));
        }
        m_list->setCurrentRow(edited);
    }
    m_list->setVisible(several);
    m_removeButton->setVisible(several);
    m_upButton->setVisible(several);
    m_downButton->setVisible(several);
    m_upButton->setEnabled(edited > 0);
    m_downButton->setEnabled(edited + 1 < static_cast<int>(rules.size()));
}
