#include "kit/tile_icons.h"

#include "kit/look.h"

#include <QPainterPath>
#include <QtMath>
#include <cmath>

namespace nettora::artwork {

using look::Green;
using look::GreenDeep;
using look::Orange;
using look::Slate;

namespace {

QPainterPath document(qreal left, qreal top, qreal right, qreal bottom, qreal fold)
{
    QPainterPath path;
    path.moveTo(left, top);
    path.lineTo(right - fold, top);
    path.lineTo(right, top + fold);
    path.lineTo(right, bottom);
    path.lineTo(left, bottom);
    path.closeSubpath();
    return path;
}

}  // namespace

IconColours iconColours(bool highlighted)
{
    if (highlighted)
        return {Qt::white, QColor(255, 255, 255, 46), Qt::white, QColor(255, 255, 255, 170),
                Qt::white, GreenDeep, Qt::white};
    return {Slate, Qt::white, Green, QColor(190, 197, 204), Green, Qt::white, Orange};
}

namespace {

QPen stroke(const QColor &c, qreal w = 2.2)
{
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void paperWithLines(QPainter &p, const IconColours &c, qreal l, qreal t, qreal r, qreal b, int lines)
{
    p.setPen(stroke(c.line));
    p.setBrush(c.fill);
    p.drawPath(document(l, t, r, b, 8));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(r - 8, t), QPointF(r - 8, t + 8), QPointF(r, t + 8)}));
    p.setPen(stroke(c.detail, 2));
    for (int i = 0; i < lines; ++i) {
        const qreal y = t + 15 + i * 6;
        p.drawLine(QPointF(l + 6, y), QPointF(r - (i % 2 ? 10 : 6), y));
    }
}

void badge(QPainter &p, const IconColours &c, const QPointF &centre)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c.badge);
    p.drawEllipse(centre, 9.5, 9.5);
}

void iconAdd(QPainter &p, const IconColours &c)
{
    paperWithLines(p, c, 9, 5, 33, 41, 3);
    const QPointF centre(34, 35);
    badge(p, c, centre);
    p.setPen(stroke(c.badgeMark, 2.6));
    p.drawLine(centre + QPointF(-4.5, 0), centre + QPointF(4.5, 0));
    p.drawLine(centre + QPointF(0, -4.5), centre + QPointF(0, 4.5));
}

void iconEdit(QPainter &p, const IconColours &c)
{
    paperWithLines(p, c, 8, 5, 32, 41, 3);
    // A pencil lying across the page's lower corner.
    p.save();
    p.translate(30, 32);
    p.rotate(-45);
    QPainterPath body;
    body.addRect(QRectF(-11, -3.6, 20, 7.2));
    p.setPen(stroke(c.line, 1.8));
    p.setBrush(c.accent);
    p.drawPath(body);
    p.setBrush(c.warm);
    p.drawRect(QRectF(9, -3.6, 4, 7.2));
    QPainterPath tip;
    tip.moveTo(-11, -3.6);
    tip.lineTo(-18, 0);
    tip.lineTo(-11, 3.6);
    tip.closeSubpath();
    p.setBrush(c.fill == Qt::white ? QColor(Qt::white) : QColor(255, 255, 255, 90));
    p.drawPath(tip);
    p.setPen(Qt::NoPen);
    p.setBrush(c.line);
    QPainterPath point;
    point.moveTo(-15.6, -1.2);
    point.lineTo(-18, 0);
    point.lineTo(-15.6, 1.2);
    point.closeSubpath();
    p.drawPath(point);
    p.restore();
}

void arcArrow(QPainter &p, const QColor &colour, const QPointF &centre, qreal radius, qreal startDeg, qreal spanDeg)
{
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath arc;
    arc.arcMoveTo(box, startDeg);
    arc.arcTo(box, startDeg, spanDeg);
    p.drawPath(arc);
    // A filled head at the arc's end, pointing along the direction of travel.
    const QPointF end = arc.currentPosition();
    const qreal a = qDegreesToRadians(startDeg + spanDeg);
    const qreal sign = spanDeg < 0 ? -1 : 1;
    const QPointF tangent(-std::sin(a) * sign, -std::cos(a) * sign);
    const QPointF normal(tangent.y(), -tangent.x());
    const qreal h = 2.6;
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({end + normal * h, end + tangent * h * 1.3, end - normal * h}));
    p.restore();
}

void iconUpdate(QPainter &p, const IconColours &c)
{
    paperWithLines(p, c, 9, 5, 33, 41, 3);
    const QPointF centre(34, 35);
    badge(p, c, centre);
    p.setPen(stroke(c.badgeMark, 1.9));
    p.setBrush(Qt::NoBrush);
    arcArrow(p, c.badgeMark, centre, 5, 110, -130);
    arcArrow(p, c.badgeMark, centre, 5, 290, -130);
}

void iconDelete(QPainter &p, const IconColours &c)
{
    p.setPen(stroke(c.line));
    p.setBrush(c.fill);
    QPainterPath body;
    body.moveTo(13, 15);
    body.lineTo(35, 15);
    body.lineTo(32.5, 42);
    body.lineTo(15.5, 42);
    body.closeSubpath();
    p.drawPath(body);
    p.setPen(stroke(c.accent, 2.2));
    for (qreal x : {19.5, 24.0, 28.5})
        p.drawLine(QPointF(x, 20), QPointF(x + (x - 24) * 0.12, 37));
    p.setPen(stroke(c.line));
    p.setBrush(c.fill);
    p.drawRoundedRect(QRectF(9, 10, 30, 5), 1.5, 1.5);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(19, 10), QPointF(20, 6), QPointF(28, 6), QPointF(29, 10)}));
}

void iconPrint(QPainter &p, const IconColours &c)
{
    // Paper going in at the back.
    p.setPen(stroke(c.line));
    p.setBrush(c.fill);
    p.drawRect(QRectF(14, 5, 20, 12));
    // The printer body.
    QPainterPath body;
    body.addRoundedRect(QRectF(6, 16, 36, 18), 4, 4);
    p.setBrush(c.fill);
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(c.accent);
    p.drawEllipse(QPointF(35.5, 22), 1.9, 1.9);
    p.setBrush(c.warm);
    p.drawEllipse(QPointF(30, 22), 1.9, 1.9);
    // The printed page coming out at the front.
    p.setPen(stroke(c.line));
    p.setBrush(c.fill == Qt::white ? QColor(Qt::white) : QColor(255, 255, 255, 90));
    p.drawRect(QRectF(13, 27, 22, 15));
    p.setPen(stroke(c.accent, 2));
    p.drawLine(QPointF(17, 33), QPointF(31, 33));
    p.drawLine(QPointF(17, 38), QPointF(27, 38));
}

void iconEmail(QPainter &p, const IconColours &c)
{
    const QRectF env(6, 12, 36, 25);
    p.setPen(stroke(c.line));
    p.setBrush(c.fill);
    p.drawRoundedRect(env, 2.5, 2.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(stroke(c.line, 1.6));
    p.drawLine(QPointF(7.5, 35.5), QPointF(19.5, 25));
    p.drawLine(QPointF(40.5, 35.5), QPointF(28.5, 25));
    p.setPen(stroke(c.accent, 2.4));
    p.drawPolyline(QPolygonF({QPointF(8, 14.5), QPointF(24, 27), QPointF(40, 14.5)}));
}

void iconReports(QPainter &p, const IconColours &c, bool highlighted)
{
    paperWithLines(p, c, 10, 5, 36, 42, 0);
    p.setPen(stroke(c.detail, 2));
    p.drawLine(QPointF(16, 13), QPointF(27, 13));
    p.drawLine(QPointF(16, 36), QPointF(30, 36));
    // A "PDF" band across the page, the file kind people look for.
    const QRectF band(4, 18, 28, 12);
    p.setPen(Qt::NoPen);
    p.setBrush(highlighted ? QColor(Qt::white) : Orange);
    p.drawRoundedRect(band, 2.5, 2.5);
    QFont f = pixelFont(textFamily(), 10, QFont::Bold, 0.6);
    p.setFont(f);
    p.setPen(highlighted ? Orange.darker(112) : QColor(Qt::white));
    p.drawText(band.adjusted(0, 0, 0, 0.5), Qt::AlignCenter, QStringLiteral("PDF"));
}

}  // namespace

void drawTileIcon(QPainter &p, const QString &name, const IconColours &c, bool highlighted)
{
    if (name == QLatin1String("add"))
        iconAdd(p, c);
    else if (name == QLatin1String("edit"))
        iconEdit(p, c);
    else if (name == QLatin1String("update"))
        iconUpdate(p, c);
    else if (name == QLatin1String("delete"))
        iconDelete(p, c);
    else if (name == QLatin1String("print"))
        iconPrint(p, c);
    else if (name == QLatin1String("email"))
        iconEmail(p, c);
    else if (name == QLatin1String("reports"))
        iconReports(p, c, highlighted);
}

}  // namespace nettora::artwork
