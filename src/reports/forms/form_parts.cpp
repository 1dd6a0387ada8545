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

double sizeToFit(const QString &text, double width, const FontSpec &font)
{
    double size = font.size;
    while (size > 6 && metrics::width(text, {size, font.bold}) > width)
        size -= 0.5;
    return size;
}

void requireBuiltStyle(const FormKind &kind)
{
    if (kind.style == Style::Contemporary)
        throw ReportError(QStringLiteral("The Contemporary style is not available yet."));
    if (kind.style == Style::Professional)
        throw ReportError(QStringLiteral("The Professional style is not available yet."));
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

}  // namespace nettora::reports::parts
