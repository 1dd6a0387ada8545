#include "reports/engine/report.h"

#include "data/engine.h"

namespace nettora::reports {

namespace {
int g_liveReports = 0;
}  // namespace

Control &Band::add(Control::Kind kind, QRectF rect)
{
    m_controls.push_back(std::make_unique<Control>(kind, rect));
    return *m_controls.back();
}

Control &Band::label(double x, double y, const QString &text, double size, bool bold, double width, double height)
{
    const FontSpec font{size, bold};
    Control &c = add(Control::Kind::Label, QRectF(x, y, width, height > 0 ? height : metrics::lineHeight(font)));
    c.text = text;
    c.font = font;
    return c;
}

Control &Band::field(QRectF rect, Table *table, const QString &fieldName, double size, bool bold)
{
    Control &c = add(Control::Kind::Field, rect);
    c.table = table;
    c.field = fieldName;
    c.font = {size, bold};
    c.name = fieldName;
    return c;
}

Control &Band::hline(double x1, double x2, double y, double width, PenStyle style)
{
    return add(Control::Kind::HLine, QRectF(x1, y - width / 2, x2 - x1, width)).withPen(width, style);
}

Control &Band::vline(double x, double y1, double y2, double width, PenStyle style)
{
    return add(Control::Kind::VLine, QRectF(x - width / 2, y1, width, y2 - y1)).withPen(width, style);
}

Control &Band::box(QRectF rect, double width, PenStyle style)
{
    return add(Control::Kind::Box, rect).withPen(width, style);
}

Control &Band::fillBox(QRectF rect, const QColor &color)
{
    return add(Control::Kind::Box, rect).filled(color);
}

Control *Band::control(const QString &n) const
{
    for (const auto &c : m_controls)
        if (c->name == n)
            return c.get();
    return nullptr;
}

// ---------------------------------------------------------------- report

Report::Report(const QString &name) : m_name(name)
{
    ++g_liveReports;
}

Report::~Report()
{
    --g_liveReports;
}

int Report::liveCount()
{
    return g_liveReports;
}

Band &Report::addBand(BandKind kind, double height, const QString &name)
{
    m_bands.push_back(std::make_unique<Band>(kind, height));
    m_bands.back()->name = name;
    return *m_bands.back();
}

Band &Report::addSubDetail(Table *table, double height, bool printIfEmpty, const QString &name)
{
    Band &b = addBand(BandKind::SubDetail, height, name);
    b.dataSet = table;
    b.printIfEmpty = printIfEmpty;
    return b;
}

Band &Report::addGroupHeader(Band &subDetail, double height)
{
    Band &b = addBand(BandKind::GroupHeader, height, subDetail.name.isEmpty() ? QString() : subDetail.name + QStringLiteral("Header"));
    subDetail.groupHeader = &b;
    return b;
}

Band &Report::addGroupFooter(Band &subDetail, double height)
{
    Band &b = addBand(BandKind::GroupFooter, height, subDetail.name.isEmpty() ? QString() : subDetail.name + QStringLiteral("Footer"));
    subDetail.groupFooter = &b;
    return b;
}

Band *Report::band(const QString &n) const
{
    for (const auto &b : m_bands)
        if (b->name == n)
            return b.get();
    return nullptr;
}

Control *Report::control(const QString &n) const
{
    for (const auto &b : m_bands)
        if (Control *c = b->control(n))
            return c;
    return nullptr;
}

}  // namespace nettora::reports
