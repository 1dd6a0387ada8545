#include "reports/engine/report.h"

#include "app/money.h"
#include "data/engine.h"

#include <algorithm>
#include <map>

namespace nettora::reports {

namespace {
int g_liveReports = 0;
constexpr double KEpsilon = 0.01;
}  // namespace

// ---------------------------------------------------------------- bands

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

// ---------------------------------------------------------------- layout

// One preparation run: walks the bands in paper order and records the pages.
class Layout {
public:
    explicit Layout(Report &r) : m_r(r)
    {
        for (const auto &b : r.m_bands) {
            switch (b->kind) {
            case BandKind::PageHeader: m_pageHeader = b.get(); break;
            case BandKind::PageFooter: m_pageFooter = b.get(); break;
            case BandKind::Title: m_title = b.get(); break;
            case BandKind::Detail: m_detail = b.get(); break;
            case BandKind::Summary: m_summary = b.get(); break;
            case BandKind::SubDetail: m_subDetails.push_back(b.get()); break;
            default: break;
            }
        }
    }

    void run()
    {
        startPage();
        if (m_title)
            printBand(*m_title);
        if (Table *t = m_r.dataSet) {
            const Bookmark saved = t->isEmpty() ? 0 : t->bookmark();
            for (t->first(); !t->eof(); t->next())
                printRecord();
            if (saved && t->bookmarkValid(saved))
                t->gotoBookmark(saved);
        } else {
            printRecord();
        }
        if (m_summary)
            printBand(*m_summary);
        finishPage();
    }

private:
    struct Item {
        Control *c;
        QRectF rect;
        QString text;
        QStringList lines;
    };
    struct Instance {
        Band *band = nullptr;
        double height = 0;
        std::vector<Item> items;
    };

    void printRecord()
    {
        if (m_detail)
            printBand(*m_detail);
        for (Band *s : m_subDetails)
            printSubDetail(*s);
    }

    void printSubDetail(Band &sub)
    {
        if (!sub.enabled || !sub.dataSet)
            return;
        Table *t = sub.dataSet;
        const Bookmark saved = t->isEmpty() ? 0 : t->bookmark();
        t->first();
        const bool empty = t->eof();
        if (empty && !sub.printIfEmpty)
            return;
        if (Band *h = sub.groupHeader; h && h->enabled) {
            bool print = true;
            if (h->beforePrint)
                h->beforePrint(*h, print);
            if (print) {
                Instance header = evaluate(*h);
                // A header never stands alone at the foot of a page.
                const double need = header.height + (empty ? 0 : sub.height);
                if (m_y + need > m_limit + KEpsilon && m_hasBody)
                    newPage();
                place(header);
            }
        }
        for (; !t->eof(); t->next())
            printBand(sub);
        if (sub.groupFooter)
            printBand(*sub.groupFooter);
        if (saved && t->bookmarkValid(saved))
            t->gotoBookmark(saved);
    }

    void printBand(Band &b)
    {
        if (!b.enabled)
            return;
        bool print = true;
        if (b.beforePrint)
            b.beforePrint(b, print);
        if (!print)
            return;
        Instance inst = evaluate(b);
        if (m_y + inst.height > m_limit + KEpsilon && m_hasBody)
            newPage();
        place(inst);
    }

    void place(const Instance &inst)
    {
        draw(inst, m_y);
        m_y += inst.height;
        m_hasBody = true;
    }

    QString resolve(Control &c)
    {
        if (c.kind == Control::Kind::Label)
            return c.text;
        if (c.kind != Control::Kind::Field || !c.table || c.table->isEmpty())
            return QString();
        const int pos = c.table->fieldIndex(c.field);
        const bool money = c.format == FieldFormat::Money
                           || (c.format == FieldFormat::Auto
                               && c.table->def().fields[size_t(pos)].type == FieldType::Currency);
        if (!money)
            return c.table->asString(pos);
        if (c.table->isNull(c.field))
            return QString();
        return formatMoney(c.table->asFloat(pos));
    }

    Instance evaluate(Band &b)
    {
        Instance inst;
        inst.band = &b;
        inst.height = b.height;
        for (const auto &owned : b.controls()) {
            Control &c = *owned;
            Item item{&c, c.rect, QString(), {}};
            if (c.enabled) {
                item.text = resolve(c);
                if (c.onPrint)
                    c.onPrint(c, item.text);
            }
            inst.items.push_back(std::move(item));
        }

        // Text layout once every hook has had its say.
        struct Stretch {
            double bottom;
            double extra;
        };
        std::vector<Stretch> stretches;
        for (Item &item : inst.items) {
            Control &c = *item.c;
            if (!c.printable() || (c.kind != Control::Kind::Label && c.kind != Control::Kind::Field))
                continue;
            if (item.text.isEmpty())
                continue;
            if (!c.wordWrap) {
                const double needed = metrics::width(item.text, c.font);
                if (item.rect.width() <= 0) {
                    item.rect.setWidth(needed);
                } else if (needed > item.rect.width() + KEpsilon) {
                    m_r.m_overflows.push_back({m_r.name(), c.name.isEmpty() ? c.text : c.name, item.text, needed,
                                               item.rect.width()});
                    item.text = metrics::fit(item.text, item.rect.width(), c.font);
                }
                item.lines = QStringList{item.text};
                continue;
            }
            item.lines = metrics::wrap(item.text, item.rect.width(), c.font);
            const double lh = metrics::lineHeight(c.font);
            const double needed = item.lines.size() * lh;
            if (needed <= item.rect.height() + KEpsilon)
                continue;
            if (c.stretch) {
                stretches.push_back({c.rect.bottom(), needed - item.rect.height()});
                item.rect.setHeight(needed);
            } else {
                m_r.m_overflows.push_back({m_r.name(), c.name, item.text, needed, item.rect.height()});
                const qsizetype keep = std::max<qsizetype>(1, qsizetype(item.rect.height() / lh + KEpsilon));
                item.lines = item.lines.mid(0, keep);
            }
        }
        if (stretches.empty())
            return inst;

        // Stretching memos push what lies below them down and lengthen what
        // spans across their foot (frames, column rules); memos whose feet
        // are level push by the most any of them needs.
        std::map<long, double> byBottom;
        for (const Stretch &s : stretches) {
            double &e = byBottom[std::lround(s.bottom * 2)];
            e = std::max(e, s.extra);
        }
        std::vector<double> shift(inst.items.size(), 0.0), grow(inst.items.size(), 0.0);
        double bandGrow = 0;
        for (const auto &[key, extra] : byBottom) {
            const double bottom = key / 2.0;
            for (size_t i = 0; i < inst.items.size(); ++i) {
                const QRectF &orig = inst.items[i].c->rect;
                const bool isStretcher = inst.items[i].rect.height() > orig.height() + KEpsilon
                                         && std::abs(orig.bottom() - bottom) < 0.5;
                if (isStretcher)
                    continue;
                if (orig.top() >= bottom - 0.5)
                    shift[i] += extra;
                else if (orig.bottom() >= bottom - 0.5)
                    grow[i] += extra;
            }
            if (b.height >= bottom - 0.5)
                bandGrow += extra;
        }
        for (size_t i = 0; i < inst.items.size(); ++i) {
            inst.items[i].rect.translate(0, shift[i]);
            inst.items[i].rect.setHeight(inst.items[i].rect.height() + grow[i]);
        }
        inst.height += bandGrow;
        return inst;
    }

    void draw(const Instance &inst, double top)
    {
        PageCanvas &canvas = *m_canvas;
        const double ox = m_r.page.margin, oy = m_r.page.margin + top;
        if (inst.band->fillColor.isValid())
            canvas.fill(QRectF(ox, oy, m_r.page.printableWidth(), inst.height), inst.band->fillColor);
        for (const Item &item : inst.items) {
            const Control &c = *item.c;
            if (!c.printable())
                continue;
            const QRectF r = item.rect.translated(ox, oy);
            switch (c.kind) {
            case Control::Kind::Label:
            case Control::Kind::Field: {
                const double ascent = metrics::ascent(c.font), lh = metrics::lineHeight(c.font);
                for (qsizetype i = 0; i < item.lines.size(); ++i) {
                    const QString &line = item.lines[i];
                    double x = r.left();
                    if (c.align != Align::Left) {
                        const double w = metrics::width(line, c.font);
                        x = c.align == Align::Right ? r.right() - w : r.center().x() - w / 2;
                    }
                    canvas.text(x, r.top() + ascent + double(i) * lh, line, c.font, c.color);
                }
                break;
            }
            case Control::Kind::HLine:
                canvas.line(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()), c.penWidth, c.pen,
                            c.penColor);
                break;
            case Control::Kind::VLine:
                canvas.line(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom()), c.penWidth, c.pen,
                            c.penColor);
                break;
            case Control::Kind::Box:
                if (c.fillColor.isValid())
                    canvas.fill(r, c.fillColor);
                if (c.frame)
                    canvas.frame(r, c.penWidth, c.pen, c.penColor);
                break;
            }
        }
    }

    void startPage()
    {
        m_picture = QPicture();
        m_canvas = std::make_unique<PageCanvas>(m_picture, m_r.page);
        m_y = 0;
        m_hasBody = false;
        const PageSetup &p = m_r.page;
        m_limit = p.printableHeight() - (m_pageFooter && m_pageFooter->enabled ? m_pageFooter->height : 0);
        if (m_r.pageFrameWidth > 0)
            m_canvas->frame(QRectF(p.margin, p.margin, p.printableWidth(), p.printableHeight()), m_r.pageFrameWidth);
        if (m_pageHeader && m_pageHeader->enabled) {
            bool print = true;
            if (m_pageHeader->beforePrint)
                m_pageHeader->beforePrint(*m_pageHeader, print);
            if (print) {
                const Instance inst = evaluate(*m_pageHeader);
                draw(inst, 0);
                m_y = inst.height;
            }
        }
    }

    void finishPage()
    {
        if (m_pageFooter && m_pageFooter->enabled) {
            bool print = true;
            if (m_pageFooter->beforePrint)
                m_pageFooter->beforePrint(*m_pageFooter, print);
            if (print)
                draw(evaluate(*m_pageFooter), m_r.page.printableHeight() - m_pageFooter->height);
        }
        m_canvas->end();
        m_canvas.reset();
        m_r.m_pages.push_back({m_picture, QSize(m_r.page.widthTenthsMm, m_r.page.heightTenthsMm)});
    }

    void newPage()
    {
        finishPage();
        startPage();
    }

    Report &m_r;
    Band *m_pageHeader = nullptr, *m_pageFooter = nullptr, *m_title = nullptr, *m_detail = nullptr,
         *m_summary = nullptr;
    std::vector<Band *> m_subDetails;
    QPicture m_picture;
    std::unique_ptr<PageCanvas> m_canvas;
    double m_y = 0;
    double m_limit = 0;
    bool m_hasBody = false;
};

void Report::prepare()
{
    m_pages.clear();
    m_overflows.clear();
    bool print = true;
    if (beforePrint)
        beforePrint(*this, print);
    if (!print)
        return;
    Layout(*this).run();
}

}  // namespace nettora::reports
