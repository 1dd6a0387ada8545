#include "page_capture.h"

#include "reports/engine/output.h"

#include <QFontInfo>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QTextItem>
#include <algorithm>
#include <cmath>

namespace nettora::test {

namespace {

class CaptureEngine : public QPaintEngine {
public:
    explicit CaptureEngine(CapturedPage &out) : QPaintEngine(QPaintEngine::AllFeatures), m_out(out) {}

    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState &s) override
    {
        if (s.state() & DirtyPen)
            m_pen = s.pen();
        if (s.state() & DirtyBrush)
            m_brush = s.brush();
        if (s.state() & DirtyTransform)
            m_transform = s.transform();
    }

    void drawTextItem(const QPointF &p, const QTextItem &ti) override
    {
        const double scale = std::sqrt(std::abs(m_transform.determinant()));
        const QPointF at = m_transform.map(p);
        const QFont f = ti.font();
        const double pixels = f.pixelSize() > 0 ? f.pixelSize() : f.pointSizeF() * 96.0 / 72.0;
        m_out.order.emplace_back(CapturedPage::Kind::Text, m_out.texts.size());
        m_out.texts.push_back({ti.text(), at.x(), at.y(), ti.width() * scale, pixels * scale * 72.0 / 96.0,
                               f.bold(), f.italic(), QFontInfo(f).family(), m_pen.color()});
    }

    void drawLines(const QLineF *lines, int count) override
    {
        const double scale = std::sqrt(std::abs(m_transform.determinant()));
        for (int i = 0; i < count; ++i) {
            m_out.order.emplace_back(CapturedPage::Kind::Line, m_out.lines.size());
            m_out.lines.push_back({m_transform.map(lines[i]), m_pen.widthF() * scale,
                                   m_pen.style() != Qt::SolidLine});
        }
    }

    void drawRects(const QRectF *rects, int count) override
    {
        const double scale = std::sqrt(std::abs(m_transform.determinant()));
        for (int i = 0; i < count; ++i) {
            DrawnRect r{m_transform.mapRect(rects[i]), m_pen.style() == Qt::NoPen ? 0.0 : m_pen.widthF() * scale,
                        m_brush.style() == Qt::NoBrush ? QColor() : m_brush.color()};
            m_out.order.emplace_back(CapturedPage::Kind::Rect, m_out.rects.size());
            m_out.rects.push_back(r);
        }
    }

    void drawPath(const QPainterPath &path) override
    {
        // Rules and rectangles may come as paths.
        if (path.elementCount() == 2) {
            const QLineF l(path.elementAt(0), path.elementAt(1));
            drawLines(&l, 1);
            return;
        }
        const QRectF b = path.boundingRect();
        drawRects(&b, 1);
    }

    void drawPolygon(const QPointF *points, int count, PolygonDrawMode) override
    {
        if (count == 2) {
            const QLineF l(points[0], points[1]);
            drawLines(&l, 1);
            return;
        }
        QPolygonF poly;
        for (int i = 0; i < count; ++i)
            poly << points[i];
        const QRectF b = poly.boundingRect();
        drawRects(&b, 1);
    }

    void drawPixmap(const QRectF &r, const QPixmap &, const QRectF &) override
    {
        m_out.order.emplace_back(CapturedPage::Kind::Picture, m_out.pictures.size());
        m_out.pictures.push_back({m_transform.mapRect(r)});
    }

private:
    CapturedPage &m_out;
    QPen m_pen;
    QBrush m_brush;
    QTransform m_transform;
};

class CaptureDevice : public QPaintDevice {
public:
    explicit CaptureDevice(CapturedPage &out) : m_engine(out) {}
    QPaintEngine *paintEngine() const override { return const_cast<CaptureEngine *>(&m_engine); }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return 816;
        case PdmHeight: return 1056;
        case PdmWidthMM: return 216;
        case PdmHeightMM: return 279;
        case PdmNumColors: return 0x7fffffff;
        case PdmDepth: return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 96;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    CaptureEngine m_engine;
};

}  // namespace

QStringList CapturedPage::textList() const
{
    QStringList out;
    for (const DrawnText &t : texts)
        out << t.text;
    return out;
}

const DrawnText *CapturedPage::find(const QString &t) const
{
    for (const DrawnText &d : texts)
        if (d.text == t)
            return &d;
    return nullptr;
}

QString CapturedPage::lineAt(double baseline) const
{
    std::vector<const DrawnText *> on;
    for (const DrawnText &d : texts)
        if (std::abs(d.baseline - baseline) < 0.5)
            on.push_back(&d);
    std::sort(on.begin(), on.end(), [](const DrawnText *a, const DrawnText *b) { return a->x < b->x; });
    QStringList parts;
    for (const DrawnText *d : on)
        parts << d->text;
    return parts.join(QLatin1Char(' '));
}

CapturedPage capture(const reports::PreparedPage &page)
{
    CapturedPage out;
    CaptureDevice device(out);
    QPainter p(&device);
    reports::drawPage(p, page);
    p.end();
    return out;
}

std::vector<CapturedPage> captureAll(const std::vector<reports::PreparedPage> &pages)
{
    std::vector<CapturedPage> out;
    for (const auto &p : pages)
        out.push_back(capture(p));
    return out;
}

namespace {

QString num(double v)
{
    // No "-0.00" from a value a rounding step below zero.
    if (std::abs(v) < 0.005)
        v = 0;
    return QString::number(v, 'f', 2);
}

QString rectText(const QRectF &r)
{
    return QStringLiteral("%1 %2 %3 %4").arg(num(r.x()), num(r.y()), num(r.width()), num(r.height()));
}

QString quoted(QString t)
{
    t.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    t.replace(QLatin1Char('"'), QLatin1String("\\\""));
    t.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return QLatin1Char('"') + t + QLatin1Char('"');
}

QString itemLine(const CapturedPage &page, CapturedPage::Kind kind, size_t index)
{
    switch (kind) {
    case CapturedPage::Kind::Text: {
        const DrawnText &t = page.texts[index];
        // The box the layout gives the text: its advance across, its line
        // height down from the ascent above the baseline.
        const reports::FontSpec font{std::round(t.size * 100) / 100, t.bold};
        const QRectF box(t.x, t.baseline - reports::metrics::ascent(font), t.width,
                         reports::metrics::lineHeight(font));
        QString line = QStringLiteral("text    %1  font \"%2\" %3pt").arg(rectText(box), t.family, num(font.size));
        if (t.bold)
            line += QStringLiteral(" bold");
        if (t.italic)
            line += QStringLiteral(" italic");
        if (t.color != QColor(Qt::black))
            line += QStringLiteral(" color ") + t.color.name();
        return line + QStringLiteral("  ") + quoted(t.text);
    }
    case CapturedPage::Kind::Line: {
        const DrawnLine &l = page.lines[index];
        return QStringLiteral("line    %1  pen %2%3")
            .arg(rectText(QRectF(l.line.p1(), l.line.p2()).normalized()), num(l.width),
                 l.dotted ? QStringLiteral(" dotted") : QString());
    }
    case CapturedPage::Kind::Rect: {
        const DrawnRect &r = page.rects[index];
        return QStringLiteral("rect    %1  %2, %3")
            .arg(rectText(r.rect), r.penWidth > 0 ? QStringLiteral("frame ") + num(r.penWidth) : QStringLiteral("no frame"),
                 r.fill.isValid() ? QStringLiteral("fill ") + r.fill.name() : QStringLiteral("no fill"));
    }
    case CapturedPage::Kind::Picture:
        return QStringLiteral("picture %1").arg(rectText(page.pictures[index].rect));
    }
    return QString();
}

}  // namespace

QString dumpPages(const std::vector<reports::PreparedPage> &pages)
{
    QString out;
    for (size_t i = 0; i < pages.size(); ++i) {
        const QSize paper = pages[i].sizeTenthsMm;
        out += QStringLiteral("== page %1 of %2, %3 x %4 tenths of a mm ==\n")
                   .arg(i + 1)
                   .arg(pages.size())
                   .arg(paper.width())
                   .arg(paper.height());
        const CapturedPage page = capture(pages[i]);
        for (const auto &[kind, index] : page.order)
            out += itemLine(page, kind, index) + QLatin1Char('\n');
    }
    return out;
}

}  // namespace nettora::test
