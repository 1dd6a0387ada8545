#include "reports/engine/canvas.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPen>
#include <QTextBoundaryFinder>
#include <QTransform>
#include <cmath>
#include <vector>

namespace nettora::reports {

namespace {

// Pictures record in the desktop's logical resolution (96 dpi on most,
// more on some); units are scaled to it when recording.
double pictureDpi()
{
    static const double dpi = [] {
        QPicture probe;
        return double(probe.logicalDpiY());
    }();
    return dpi;
}

struct FontEntry {
    QFont font;  // the scaled font drawn under a 1/KTextScale painter scale
    QFontMetricsF metrics;
};

quint32 fontKey(const FontSpec &f)
{
    return quint32(std::lround(f.size * 100)) * 2 + (f.bold ? 1 : 0);
}

const FontEntry &fontEntry(const FontSpec &font)
{
    static QHash<quint32, FontEntry *> cache;  // lives as long as the process
    const quint32 key = fontKey(font);
    if (FontEntry *e = cache.value(key))
        return *e;
    QFont f(baseFontFamily());
    f.setStyleHint(QFont::SansSerif);
    // Point sizes become pixels at the picture's resolution, while the
    // painter already maps units to that resolution: divide it out.
    f.setPointSizeF(font.size * KTextScale * KUnitsPerInch / pictureDpi());
    f.setBold(font.bold);
    static QPicture device;
    auto *e = new FontEntry{f, QFontMetricsF(f, &device)};
    cache.insert(key, e);
    return *e;
}

}  // namespace

QString baseFontFamily()
{
    return QStringLiteral("Arial");
}

namespace metrics {

double width(const QString &text, const FontSpec &font)
{
    // Captions and common values come back on every page and every print;
    // shaping them again is most of the cost of a layout.
    static QHash<std::pair<quint32, QString>, double> cache;
    const std::pair<quint32, QString> key{fontKey(font), text};
    if (const auto it = cache.constFind(key); it != cache.constEnd())
        return it.value();
    if (cache.size() > 20000)
        cache.clear();
    const double w = fontEntry(font).metrics.horizontalAdvance(text) / KTextScale;
    cache.insert(key, w);
    return w;
}

double ascent(const FontSpec &font)
{
    return fontEntry(font).metrics.ascent() / KTextScale;
}

double lineHeight(const FontSpec &font)
{
    const QFontMetricsF &m = fontEntry(font).metrics;
    return (m.ascent() + m.descent()) / KTextScale;
}

namespace {
// Where text may be cut: between whole characters as the reader sees them,
// so that neither half of an emoji nor a vowel sign torn from its consonant
// is drawn.
std::vector<qsizetype> cuts(const QString &text)
{
    std::vector<qsizetype> out;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary())
        out.push_back(at);
    return out;
}
}  // namespace

QString fit(const QString &text, double w, const FontSpec &font)
{
    if (width(text, font) <= w)
        return text;
    const std::vector<qsizetype> at = cuts(text);
    // The most of the cuts that fit, none when the first character does not.
    size_t lo = 0, hi = at.size();
    while (lo < hi) {
        const size_t mid = (lo + hi + 1) / 2;
        if (width(text.left(at[mid - 1]), font) <= w)
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo == 0 ? QString() : text.left(at[lo - 1]);
}

QStringList wrap(const QString &text, double w, const FontSpec &font)
{
    QStringList out;
    QString normalized = text;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    for (const QString &paragraph : normalized.split(QLatin1Char('\n'))) {
        QString line;
        // Blanks between words stay as typed inside a line ("principles.  Accordingly");
        // those where a line breaks, and those at either end, go.
        for (qsizetype i = 0; i < paragraph.size();) {
            const qsizetype gapStart = i;
            while (i < paragraph.size() && paragraph[i] == QLatin1Char(' '))
                ++i;
            const QString gap = paragraph.mid(gapStart, i - gapStart);
            const qsizetype wordStart = i;
            while (i < paragraph.size() && paragraph[i] != QLatin1Char(' '))
                ++i;
            const QString word = paragraph.mid(wordStart, i - wordStart);
            if (word.isEmpty())
                break;
            const QString candidate = line.isEmpty() ? word : line + gap + word;
            if (width(candidate, font) <= w) {
                line = candidate;
                continue;
            }
            if (!line.isEmpty())
                out << line;
            line = word;
            while (width(line, font) > w && cuts(line).size() > 1) {
                QString head = fit(line, w, font);
                if (head.isEmpty())
                    head = line.left(cuts(line).front());
                out << head;
                line = line.mid(head.size());
            }
        }
        out << line;
    }
    return out;
}

}  // namespace metrics

PageCanvas::PageCanvas(QPicture &picture, const PageSetup &page)
{
    picture.setBoundingRect(QRect(0, 0, int(std::ceil(page.width * pictureDpi() / KUnitsPerInch)),
                                  int(std::ceil(page.height * pictureDpi() / KUnitsPerInch))));
    m_painter.begin(&picture);
    const double s = pictureDpi() / KUnitsPerInch;
    m_painter.scale(s, s);
    m_base = m_painter.worldTransform();
    m_textTransform = m_base;
    m_textTransform.scale(1.0 / KTextScale, 1.0 / KTextScale);
    m_mode = 1;
    m_pen = m_painter.pen();
    m_painter.setRenderHint(QPainter::Antialiasing, true);
}

void PageCanvas::useTextTransform(bool text)
{
    const int mode = text ? 2 : 1;
    if (m_mode == mode)
        return;
    m_painter.setWorldTransform(text ? m_textTransform : m_base);
    m_mode = mode;
}

void PageCanvas::usePen(const QPen &pen)
{
    if (pen == m_pen)
        return;
    m_painter.setPen(pen);
    m_pen = pen;
}

PageCanvas::~PageCanvas()
{
    end();
}

void PageCanvas::end()
{
    if (m_painter.isActive())
        m_painter.end();
}

void PageCanvas::text(double x, double baseline, const QString &text, const FontSpec &font, const QColor &color)
{
    if (text.isEmpty())
        return;
    useTextTransform(true);
    const quint32 key = fontKey(font);
    if (key != m_fontKey) {
        m_painter.setFont(fontEntry(font).font);
        m_fontKey = key;
    }
    usePen(QPen(color));
    m_painter.drawText(QPointF(x * KTextScale, baseline * KTextScale), text);
}

namespace {
QPen makePen(double width, PenStyle style, const QColor &color)
{
    QPen pen(color, width);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    if (style == PenStyle::Dotted)
        pen.setDashPattern({1.0, 2.0});  // square dots, in pen widths
    return pen;
}
}  // namespace

void PageCanvas::line(QPointF from, QPointF to, double width, PenStyle style, const QColor &color)
{
    useTextTransform(false);
    usePen(makePen(width, style, color));
    m_painter.drawLine(from, to);
}

void PageCanvas::frame(const QRectF &r, double width, PenStyle style, const QColor &color)
{
    useTextTransform(false);
    usePen(makePen(width, style, color));
    const double h = width / 2;
    m_painter.drawRect(r.adjusted(h, h, -h, -h));
}

void PageCanvas::fill(const QRectF &r, const QColor &color)
{
    useTextTransform(false);
    m_painter.fillRect(r, color);
}

}  // namespace nettora::reports
