#pragma once

#include <QFont>
#include <QGroupBox>
#include <QString>

class QVBoxLayout;

/// A titled section of the sidebar: the title in a small semibold heading, the content stacked vertically
/// beneath it at the leading edge, 8 pixels apart, across the full width of the box.
class PanelGroupBox final : public QGroupBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PanelGroupBox)

public:
    explicit PanelGroupBox(const QString &title, QWidget *parent = nullptr);

    /// Appends a control (or a widget holding a row of controls) to the section, in the normal font.
    void addContent(QWidget *content);

private:
    QVBoxLayout *m_layout;
    QFont m_normalFont;
};
