#include "reports/forms/form_parts.h"

#include "reports/engine/output.h"

namespace nettora::reports::parts {

double lineHeight(const FontSpec &font)
{
    return metrics::lineHeight(font);
}

Control &captionAndField(Band &b, double x, double top, double xEnd, const QString &caption, Table *table,
                         const QString &field)
{
    b.label(x, top, caption, Small.size);
    const double fx = x + metrics::width(caption, Small) + 3;
    return b.field(QRectF(fx, top, xEnd - fx, lineHeight()), table, field, Small.size);
}

Control &amount(Band &b, double right, double top, Table *table, const QString &field, bool bold, double width)
{
    return b.field(QRectF(right - width, top, width, lineHeight({Small.size, bold})), table, field, Small.size, bold)
        .right();
}

Control &labelOnBaseline(Band &b, double x, double top, const QString &text, const FontSpec &font)
{
    const double y = top + metrics::ascent(Small) - metrics::ascent(font);
    return b.label(x, y, text, font.size, font.bold);
}

void columnHeading(Band &b, double x, double top, double width, const QStringList &heading, Align align,
                   const std::function<void(Control &, QString &)> &hook)
{
    for (qsizetype i = 0; i < heading.size(); ++i) {
        Control &h = b.label(x, top + double(i) * lineHeight(SmallBold), heading[i], SmallBold.size, true, width);
        h.align = align;
        if (hook)
            h.hook(hook);
    }
}

namespace standard {

double sectionHeading(Band &b, double y, const QString &text, double x)
{
    b.hline(0, Width, y + HeadingRule / 2, HeadingRule);
    b.label(x, y + 6, text, 10, true);
    b.hline(0, Width, y + HeadingHeight - HeadingRule / 2, HeadingRule);
    return y + HeadingHeight;
}

}  // namespace standard

namespace looks {

Control &bandFrame(Band &b, double top, double bottom)
{
    return b.box(QRectF(0, top, Width, bottom - top), BandFrame);  // the pen stays inside the rectangle
}

Control &barText(Band &b, double x, double y, const QString &text, double size, double height)
{
    const FontSpec font{size, true};
    // Wide enough for the line; a longer heading wraps and its bar grows.
    return b.label(x, y + (height - metrics::lineHeight(font)) / 2, text, size, true, Width - x - 6);
}

Control &blackBarHeading(Band &b, double y, const QString &text, double size, double textX)
{
    b.fillBox(QRectF(0, y, Width, BarHeight), Qt::black);
    return barText(b, textX, y, text, size).colored(Qt::white);
}

double blackBar(Band &b, double y, const QString &text, double size, double textX)
{
    blackBarHeading(b, y, text, size, textX);
    return y + BarHeight;
}

Control &insetBarHeading(Band &b, double y, const QString &text, double size)
{
    greyBar(b, y, InsetBarLeft, InsetBarRight);
    return barText(b, InsetBarTextX, y, text, size);
}

Control &greyBar(Band &b, double y, double x1, double x2, double height)
{
    return b.fillBox(QRectF(x1, y, x2 - x1, height), LightGrey);
}

void dotLeader(Band &b, double x1, double x2, double top)
{
    if (x2 - x1 < 6)
        return;
    b.hline(x1, x2, top + metrics::ascent(Small), 1, PenStyle::Dotted);
}

}  // namespace looks

}  // namespace nettora::reports::parts
