#include "kit/hoverlabel.h"

#include <QMouseEvent>

namespace nettora {

HoverLabel::HoverLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setMouseTracking(true);
    setColors(Qt::black);
}

void HoverLabel::setColors(const QColor &text, const QColor &background)
{
    m_text = text;
    m_background = background;
    QPalette p = palette();
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(140, 146, 152));
    if (background.isValid())
        p.setColor(QPalette::Window, background);
    setPalette(p);
    setAutoFillBackground(background.isValid());
}

void HoverLabel::enterEvent(QEnterEvent *event)
{
    QLabel::enterEvent(event);
    Q_EMIT hovered();
}

void HoverLabel::mouseMoveEvent(QMouseEvent *event)
{
    // Kept here, so that the frame behind does not take it for the background.
    event->accept();
}

void HoverLabel::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}

void HoverLabel::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

}  // namespace nettora
