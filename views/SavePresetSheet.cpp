#include "SavePresetSheet.h"

#include <utility>

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "PaneStyle.h"

SavePresetSheet::SavePresetSheet(SaveCallback onSave, QWidget *parent)
    : QDialog(parent)
    , m_onSave(std::move(onSave))
    , m_nameField(new QLineEdit(QCoreApplication::translate("SavePresetSheet", "My Preset"), this))
    , m_saveButton(new QPushButton(QCoreApplication::translate("SavePresetSheet", "Save Preset"), this))
{
    setObjectName(QStringLiteral("savePresetSheet"));
    setWindowTitle(QCoreApplication::translate("SavePresetSheet", "Save Preset"));
    setModal(true);
    setFixedWidth(320);

    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(12);
    layout->setContentsMargins(16, 16, 16, 16);

    auto *heading = new QLabel(QCoreApplication::translate("SavePresetSheet", "Save Preset"), this);
    heading->setFont(PaneStyle::headlineFont(font()));
    layout->addWidget(heading);

    auto *explanation = new QLabel(QCoreApplication::translate("SavePresetSheet",
                                       "Save the current strategy, filters, and recursion settings for reuse."),
        this);
    explanation->setWordWrap(true);
    explanation->setFont(PaneStyle::captionFont(font()));
    PaneStyle::makeSecondary(explanation);
    layout->addWidget(explanation);

    m_nameField->setObjectName(QStringLiteral("presetNameField"));
    m_nameField->setPlaceholderText(QCoreApplication::translate("SavePresetSheet", "Preset name"));
    m_nameField->setAccessibleName(QCoreApplication::translate("SavePresetSheet", "Preset name"));
    m_nameField->selectAll();
    layout->addWidget(m_nameField);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto *cancel = new QPushButton(QCoreApplication::translate("SavePresetSheet", "Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelPresetButton"));
    cancel->setAutoDefault(false);
    m_saveButton->setObjectName(QStringLiteral("savePresetConfirmButton"));
    m_saveButton->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addWidget(m_saveButton);
    layout->addLayout(buttons);

    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_saveButton, &QPushButton::clicked, this, [this] {
        // Return reaches the default button even when it is disabled only through QDialog, which checks; a
        // second guard keeps a blank name from ever being saved.
        if (m_nameField->text().trimmed().isEmpty())
            return;
        if (m_onSave)
            m_onSave(m_nameField->text());
        accept();
    });
    connect(m_nameField, &QLineEdit::textChanged, this,
        [this](const QString &text) { m_saveButton->setEnabled(!text.trimmed().isEmpty()); });
    m_nameField->setFocus();
}
