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
    QStringList actionNames() const override { return { showMenuAction(), pressAction() }; }
    void doAction(const QString &action) override
    {
        if (action == showMenuAction() || action == pressAction())
            combo()->showPopup();
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
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
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
