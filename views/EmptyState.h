#pragma once

#include <QIcon>
#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;
class QVBoxLayout;

/// What a pane shows while it has nothing to list: a faint symbol over a title, optionally a message and one
/// button, centred vertically and horizontally. A large state (48-pixel symbol, title font) fills a pane; a small
/// one (28-pixel symbol, secondary callout text) fits inside a section.
class EmptyState final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EmptyState)

public:
    enum class Size { large, small };

    EmptyState(const QIcon &symbol, const QString &title, Size size, QWidget *parent = nullptr);

    QLabel *symbolLabel() const { return m_symbol; }
    QLabel *titleLabel() const { return m_title; }
    /// Adds a message under what is there, in the secondary callout style.
    QLabel *addMessage(const QString &text);
    /// Adds a button under what is there, a little apart, centred.
    QPushButton *addButton(const QString &text);

private:
    // Inserts `widget` before the closing stretch, so that the content stays centred.
    void append(QWidget *widget, Qt::Alignment alignment = {});

    QVBoxLayout *m_layout;
    QLabel *m_symbol;
    QLabel *m_title;
};
