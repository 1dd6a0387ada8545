#pragma once
// Drawing primitives of the report engine, in layout units (1/96 inch) on a
// page recorded as a QPicture. Everything a report draws goes through here,
// so the preview, the printer and PDF files replay the same drawing.
//
// Text is recorded with a font KTextScale times larger under a painter scale
// of 1/KTextScale. A picture replays text with the glyph advances of the
// recording device; at 96 dpi those are rounded to whole pixels and run about
// 3% wide, while at this scale they match what a 1200 dpi device lays out.
// The metrics below measure with the same scaled font on the same kind of
// device, so a layout measured here is exactly what every output shows.

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPicture>
#include <QRectF>
#include <QString>
#include <QStringList>

namespace nettora::reports {

inline constexpr double KUnitsPerInch = 96.0;
inline constexpr double KTextScale = 12.5;

enum class Align { Left, Center, Right };
enum class PenStyle { Solid, Dotted };

struct FontSpec {
    double size = 8;  // points
    bool bold = false;
    bool operator==(const FontSpec &o) const { return size == o.size && bold == o.bold; }
};

// The paper: Letter, portrait, 12.7 mm margins unless a report says otherwise.
struct PageSetup {
    double width = 816;   // units
    double height = 1056;
    double margin = 48;
    // Kept free at the foot of every page for the document's footer.
    double footerHeight = 0;
    int widthTenthsMm = 2159;
    int heightTenthsMm = 2794;
    double printableWidth() const { return width - 2 * margin; }
    double printableHeight() const { return height - 2 * margin; }
    // Where the bands may go: the printable area above the footer.
    double bodyHeight() const { return printableHeight() - footerHeight; }
};

// Measurements in layout units, matching the drawn text (see above).
namespace metrics {
double width(const QString &text, const FontSpec &font);
double ascent(const FontSpec &font);
double lineHeight(const FontSpec &font);
// Word wrap into lines no wider than width; explicit line breaks are kept,
// a word longer than the width is broken between characters.
QStringList wrap(const QString &text, double width, const FontSpec &font);
// The longest start of text that fits the width.
QString fit(const QString &text, double width, const FontSpec &font);
}  // namespace metrics

// The report's base font family; Liberation Sans stands in for it.
QString baseFontFamily();

// Records one page. The painter works in units with the origin at the top-left
// corner of the paper.
class PageCanvas {
public:
    PageCanvas(QPicture &picture, const PageSetup &page);
    ~PageCanvas();
    PageCanvas(const PageCanvas &) = delete;
    PageCanvas &operator=(const PageCanvas &) = delete;

    // baseline: the text's baseline; x its left end.
    void text(double x, double baseline, const QString &text, const FontSpec &font, const QColor &color = Qt::black);
    void line(QPointF from, QPointF to, double width, PenStyle style = PenStyle::Solid,
              const QColor &color = Qt::black);
    // A frame whose outer edge is the rectangle.
    void frame(const QRectF &r, double width, PenStyle style = PenStyle::Solid, const QColor &color = Qt::black);
    void fill(const QRectF &r, const QColor &color);
    void end();

private:
    // Pictures record every state change; these keep them to the needed ones.
    void useTextTransform(bool text);
    void usePen(const QPen &pen);

    QPainter m_painter;
    QTransform m_base;
    QTransform m_textTransform;
    int m_mode = 0;  // 0: none set, 1: shapes, 2: text
    quint32 m_fontKey = 0xffffffffu;
    QPen m_pen;
};

}  // namespace nettora::reports
