#pragma once

#include <functional>

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

/// The modal sheet that asks for a preset's name. It opens with "My Preset" in its field; "Save Preset" (the
/// default button, Return) hands the name exactly as typed to the callback and closes; "Cancel" (Escape) closes
/// without saving. Saving is disabled while the name is blank (only white space or line breaks).
class SavePresetSheet final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SavePresetSheet)

public:
    /// What "Save Preset" does with the typed name.
    using SaveCallback = std::function<void(const QString &name)>;

    explicit SavePresetSheet(SaveCallback onSave, QWidget *parent = nullptr);

    QLineEdit *nameField() const { return m_nameField; }
    QPushButton *saveButton() const { return m_saveButton; }

private:
    SaveCallback m_onSave;
    QLineEdit *m_nameField;
    QPushButton *m_saveButton;
};
