#include "Accessibility.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>

namespace {

class SegmentDescription final : public QAccessibleWidget {
public:
    explicit SegmentDescription(QWidget *widget)
        : QAccessibleWidget(widget, QAccessible::RadioButton)
    {
    }
    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name)
            return button()->accessibleName().isEmpty() ? button()->text() : button()->accessibleName();
        return QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = button()->isChecked();
        return state;
    }
    QStringList actionNames() const override
    {
        return QStringList { pressAction() } + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &action) override
    {
        if (action == pressAction())
            button()->click();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QAbstractButton *button() const { return static_cast<QAbstractButton *>(widget()); }
};

class StatusDescription final : public QAccessibleWidget {
public:
    explicit StatusDescription(QWidget *widget)
        : QAccessibleWidget(widget, QAccessible::StatusBar)
    {
    }
    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name || kind == QAccessible::Value)
            return static_cast<QLabel *>(widget())->text();
        return QAccessibleWidget::text(kind);
    }
};

class ComboDescription final : public QAccessibleWidget {
public:
    explicit ComboDescription(QWidget *widget)
        : QAccessibleWidget(widget, QAccessible::ComboBox)
    {
    }
    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return combo()->currentText();
        if (kind == QAccessible::Name && combo()->accessibleName().isEmpty())
            return combo()->currentText();
        return QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = combo()->view() != nullptr && combo()->view()->isVisible();
        state.collapsed = !state.expanded;
        return state;
    }
    // The list of choices is the one child, with the current choice selected in it: where a screen reader reads
    // the value of a drop-down list whose name is its label.
    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(combo()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child != nullptr && child->object() == combo()->view() ? 0 : -1;
    }
    // With the widget's own actions (SetFocus: a screen reader's "grab focus").
    QStringList actionNames() const override
    {
        return QStringList { showMenuAction(), pressAction() } + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &action) override
    {
        if (action == showMenuAction() || action == pressAction())
            combo()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QComboBox *combo() const { return static_cast<QComboBox *>(widget()); }
};

QAccessibleInterface *describe(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (widget == nullptr)
        return nullptr;
    if (className == QLatin1String("SegmentButton"))
        return new SegmentDescription(widget);
    if (className == QLatin1String("SegmentedControl"))
        return new QAccessibleWidget(widget, QAccessible::Grouping);
    if (className == QLatin1String("StatusLine"))
        return new StatusDescription(widget);
    if (className == QLatin1String("LabelledComboBox"))
        return new ComboDescription(widget);
    return nullptr;
}

} // namespace

SegmentButton::SegmentButton(QWidget *parent)
    : QToolButton(parent)
{
    Accessibility::install();
}

StatusLine::StatusLine(QWidget *parent)
    : QLabel(parent)
{
    Accessibility::install();
}

LabelledComboBox::LabelledComboBox(QWidget *parent)
    : QComboBox(parent)
{
    Accessibility::install();
    // A new choice changes the value a screen reader reads.
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        // The list selects the current choice also while it is closed.
        view()->selectionModel()->select(
            model()->index(index, modelColumn(), rootModelIndex()), QItemSelectionModel::ClearAndSelect);
        QAccessibleValueChangeEvent event(this, currentText());
        QAccessible::updateAccessibility(&event);
    });
}

namespace Accessibility {

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(&describe);
        return true;
    }();
    (void)installed;
}

} // namespace Accessibility
