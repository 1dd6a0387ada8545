#include "kit/hoverlabel.h"

#include "kit/look.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <limits>

namespace nettora {

namespace {

// A screen reader sees an operable label as a button it can press.
class OperableLabelAccess : public QAccessibleWidget {
public:
    explicit OperableLabelAccess(HoverLabel *label) : QAccessibleWidget(label, QAccessible::Button) {}

    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &action) override
    {
        if (action == pressAction())
            static_cast<HoverLabel *>(widget())->activate();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface *operableLabelAccess(const QString &className, QObject *object)
{
    auto *label = qobject_cast<HoverLabel *>(object);
    if (className != QLatin1String("nettora::HoverLabel") || !label || !label->operable()
        || label->focusPolicy() == Qt::NoFocus)
        return nullptr;
    return new OperableLabelAccess(label);
}

}  // namespace

QString captionName(const QString &caption)
{
    QString name = caption;
    name.remove(QLatin1Char('&'));
    name = name.trimmed();
    while (name.startsWith(QLatin1Char('*')) || name.startsWith(QLatin1Char('-')))
        name = name.mid(1).trimmed();
    while (name.endsWith(QLatin1Char(':')))
        name = name.chopped(1).trimmed();
    return name;
}

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
    p.setColor(QPalette::Disabled, QPalette::WindowText, look::DisabledText);
    if (background.isValid())
        p.setColor(QPalette::Window, background);
    setPalette(p);
    setAutoFillBackground(background.isValid());
}

void HoverLabel::makeOperable(const QString &group, const QColor &mark)
{
    static const bool registered = [] {
        QAccessible::installFactory(operableLabelAccess);
        return true;
    }();
    Q_UNUSED(registered);
    m_group = group;
    m_mark = mark;
    // Tab only: a mouse click acts without moving the focus.
    setFocusPolicy(Qt::TabFocus);
    if (accessibleName().isEmpty())
        setAccessibleName(captionName(text()));
}

void HoverLabel::activate()
{
    if (isEnabled())
        Q_EMIT clicked();
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

void HoverLabel::keyPressEvent(QKeyEvent *event)
{
    if (!operable() || (event->modifiers() & ~Qt::KeypadModifier)) {
        QLabel::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        event->accept();
        activate();
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
        event->accept();
        if (HoverLabel *next = neighbour(event->key()))
            next->setFocus(Qt::TabFocusReason);
        return;
    default: QLabel::keyPressEvent(event);
    }
}

HoverLabel *HoverLabel::neighbour(int key) const
{
    const QPoint from = mapTo(window(), rect().center());
    HoverLabel *best = nullptr;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (HoverLabel *other : window()->findChildren<HoverLabel *>()) {
        if (other == this || other->m_group != m_group || !other->isVisible() || !other->isEnabled())
            continue;
        const QPoint d = other->mapTo(window(), other->rect().center()) - from;
        // Along the arrow, and off its line counted double.
        int along = 0, across = 0;
        switch (key) {
        case Qt::Key_Up: along = -d.y(), across = d.x(); break;
        case Qt::Key_Down: along = d.y(), across = d.x(); break;
        case Qt::Key_Left: along = -d.x(), across = d.y(); break;
        default: along = d.x(), across = d.y(); break;
        }
        if (along <= 0)
            continue;
        const qint64 distance = qint64(along) + 2 * qint64(std::abs(across));
        if (distance < bestDistance) {
            bestDistance = distance;
            best = other;
        }
    }
    return best;
}

void HoverLabel::focusInEvent(QFocusEvent *event)
{
    QLabel::focusInEvent(event);
    update();
    // Reached by the keyboard: it lights up as under the pointer.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        Q_EMIT hovered();
}

void HoverLabel::focusOutEvent(QFocusEvent *event)
{
    QLabel::focusOutEvent(event);
    update();
    Q_EMIT focusLeft();
}

void HoverLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!hasFocus() || !m_mark.isValid())
        return;
    QPainter p(this);
    p.setPen(QPen(m_mark, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}

}  // namespace nettora
