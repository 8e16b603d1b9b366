#include "PanelGroupBox.h"

#include <QVBoxLayout>

#include "PaneStyle.h"

PanelGroupBox::PanelGroupBox(const QString &title, QWidget *parent)
    : QGroupBox(title, parent)
    , m_layout(new QVBoxLayout(this))
{
    // The title keeps the heading font while the controls inside keep the normal one.
    const QFont normal = font();
    setFont(PaneStyle::sectionFont(normal));
    // Every attribute set explicitly: a font that only equals the inherited one would still inherit the
    // heading's weight and size.
    m_normalFont = normal;
    m_normalFont.setWeight(normal.weight());
    if (normal.pointSizeF() > 0)
        m_normalFont.setPointSizeF(normal.pointSizeF());
    else
        m_normalFont.setPixelSize(normal.pixelSize());
    m_normalFont.setFamilies(normal.families());
    m_layout->setSpacing(5);
    m_layout->setContentsMargins(10, 8, 10, 8);
    m_layout->setAlignment(Qt::AlignTop);
}

void PanelGroupBox::addContent(QWidget *content)
{
    content->setFont(m_normalFont);
    m_layout->addWidget(content);
}
