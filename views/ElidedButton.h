#pragma once

#include <QPushButton>
#include <QString>

/// A push button whose label (icon, then one line of text) sits at the leading edge and whose text is shortened
/// in the middle when the button is too narrow, so that both ends of a long name or path stay visible. The
/// whole button stays clickable. `text()` returns the full text, which is also what assistive technology reads.
class ElidedButton final : public QPushButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ElidedButton)

public:
    explicit ElidedButton(QWidget *parent = nullptr);

    /// The text as drawn at the current width (equal to `text()` when it fits).
    QString displayedText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};
