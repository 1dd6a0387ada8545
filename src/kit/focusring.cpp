#include "kit/focusring.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace nettora {

namespace {
const QColor kRing(0xFF, 0x95, 0x26);  // the frame's orange
}

FocusRing::FocusRing(QWidget *window) : QWidget(window)
{
    setObjectName(QStringLiteral("focusRing"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) { follow(now); });
}

void FocusRing::follow(QWidget *focused)
{
    QWidget *owner = parentWidget();
    if (m_target)
        m_target->removeEventFilter(this);
    m_target = nullptr;
    // Only a control of this window that Tab reaches gets the ring; a
    // drop-down's edit box counts as its drop-down.
    while (focused && focused->focusProxy())
        focused = focused->focusProxy();
    if (focused && focused != owner && owner->isAncestorOf(focused) && (focused->focusPolicy() & Qt::TabFocus)) {
        if (QWidget *p = focused->parentWidget(); p && p->focusProxy() == focused && p != owner)
            focused = p;
        m_target = focused;
        m_target->installEventFilter(this);
    }
    place();
}

void FocusRing::place()
{
    QWidget *owner = parentWidget();
    if (!m_target || !m_target->isVisible() || !owner) {
        hide();
        return;
    }
    const QRect r(m_target->mapTo(owner, QPoint(0, 0)), m_target->size());
    setGeometry(r.adjusted(-Margin, -Margin, Margin, Margin));
    raise();
    show();
    update();
}

bool FocusRing::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_target) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide: place(); break;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FocusRing::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kRing, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 3, 3);
}

}  // namespace nettora
