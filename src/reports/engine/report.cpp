#include "reports/engine/report.h"

#include "reports/engine/glyphs.h"
#include "kit/money.h"
#include "data/engine.h"

#include <algorithm>
#include <map>
#include <optional>

namespace nettora::reports {

namespace {
int g_liveReports = 0;
constexpr double KEpsilon = 0.01;
// Fields too wide for their boxes shrink in steps of half a point; text no
// further than a size still easy to read.
constexpr double KFontStep = 0.5;
constexpr double KTextFloor = 6;
constexpr double KSmallestFont = 1;
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
        FontSpec font;           // the control's, or smaller to fit its box
        bool printable = false;  // as the band's hooks left it
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
        if (t->eof() && !sub.printIfEmpty)
            return;
        // The group header goes onto a page only with the first row, and the
        // last row only with the footer, so neither stands alone at the foot
        // or the head of a page. Rows in between break freely.
        std::vector<Instance> held;
        bool holdsRow = false;
        if (sub.groupHeader)
            if (std::optional<Instance> header = evaluateIfPrinted(*sub.groupHeader))
                held.push_back(std::move(*header));
        for (; !t->eof(); t->next()) {
            std::optional<Instance> row = evaluateIfPrinted(sub);
            if (!row)
                continue;
            if (holdsRow) {
                placeTogether(held);
                held.clear();
            }
            held.push_back(std::move(*row));
            holdsRow = true;
        }
        if (sub.groupFooter)
            if (std::optional<Instance> footer = evaluateIfPrinted(*sub.groupFooter))
                held.push_back(std::move(*footer));
        placeTogether(held);
        if (saved && t->bookmarkValid(saved))
            t->gotoBookmark(saved);
    }

    // The band as it prints now, or nothing when it is disabled or its hook
    // skips it.
    std::optional<Instance> evaluateIfPrinted(Band &b)
    {
        if (!b.enabled)
            return std::nullopt;
        bool print = true;
        if (b.beforePrint)
            b.beforePrint(b, print);
        if (!print)
            return std::nullopt;
        return evaluate(b);
    }

    void printBand(Band &b)
    {
        if (std::optional<Instance> inst = evaluateIfPrinted(b))
            placeTogether({std::move(*inst)});
    }

    // Starts a new page first when the bands do not all fit the rest of this
    // one; a group taller than a page breaks where it must.
    void placeTogether(const std::vector<Instance> &group)
    {
        double need = 0;
        for (const Instance &inst : group)
            need += inst.height;
        if (m_y + need > m_limit + KEpsilon && m_hasBody)
            newPage();
        for (const Instance &inst : group) {
            if (m_y + inst.height > m_limit + KEpsilon && m_hasBody)
                newPage();
            place(inst);
        }
    }

    void place(const Instance &inst)
    {
        draw(inst, m_y);
        m_y += inst.height;
        m_hasBody = true;
    }

    // Whether a field shows a number (an amount, a share count, a year).
    static bool showsFigure(const Control &c)
    {
        if (c.kind != Control::Kind::Field)
            return false;
        if (c.format == FieldFormat::Money)
            return true;
        if (!c.table)
            return false;
        const FieldType type = c.table->def().fields[size_t(c.table->fieldIndex(c.field))].type;
        return type == FieldType::Currency || type == FieldType::Float || type == FieldType::AutoInc;
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

    // A field's text that is wider than its box is set smaller, step by
    // step: a figure until it fits, since a cut figure reads as another
    // amount; other text down to a readable size, then cut with "…".
    void fitField(Item &item)
    {
        const Control &c = *item.c;
        const double available = item.rect.width();
        double needed = metrics::width(item.text, item.font);
        if (needed <= available + KEpsilon)
            return;
        const bool figure = showsFigure(c);
        const double floor = figure ? KSmallestFont : std::min(KTextFloor, c.font.size);
        while (needed > available + KEpsilon && item.font.size - KFontStep >= floor - KEpsilon) {
            item.font.size -= KFontStep;
            needed = metrics::width(item.text, item.font);
        }
        // Below a point a figure shrinks by its own overshoot.
        while (figure && needed > available + KEpsilon && item.font.size > KSmallestFont / 4) {
            item.font.size = std::max(KSmallestFont / 4, item.font.size * available / needed * 0.99);
            needed = metrics::width(item.text, item.font);
        }
        if (needed <= available + KEpsilon)
            return;
        m_r.m_overflows.push_back({m_r.name(), c.name, item.text, needed, available});
        item.text = metrics::elide(item.text, available, item.font);
    }

    Instance evaluate(Band &b)
    {
        Instance inst;
        inst.band = &b;
        inst.height = b.height;
        for (const auto &owned : b.controls()) {
            Control &c = *owned;
            Item item{&c, c.rect, QString(), {}, c.font, false};
            if (c.enabled) {
                item.text = resolve(c);
                if (c.onPrint)
                    c.onPrint(c, item.text);
                // A character no installed font has prints as an empty box:
                // note the control, so that the output can say which one.
                if (const QString missing = undrawableCharacters(item.text); !missing.isEmpty()) {
                    const Report::Undrawable u{m_r.name(), c.name.isEmpty() ? c.text : c.name, missing};
                    auto &noted = m_r.m_undrawables;
                    if (std::none_of(noted.begin(), noted.end(), [&u](const Report::Undrawable &n) {
                            return n.control == u.control && n.characters == u.characters;
                        }))
                        noted.push_back(u);
                }
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
            item.printable = c.printable();
            if (!c.printable() || (c.kind != Control::Kind::Label && c.kind != Control::Kind::Field))
                continue;
            if (item.text.isEmpty())
                continue;
            if (!c.wordWrap) {
                if (item.rect.width() <= 0)
                    item.rect.setWidth(metrics::width(item.text, c.font));
                else if (c.kind == Control::Kind::Field)
                    fitField(item);
                else if (const double needed = metrics::width(item.text, c.font);
                         needed > item.rect.width() + KEpsilon) {
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
            if (!item.printable)
                continue;
            const QRectF r = item.rect.translated(ox, oy);
            switch (c.kind) {
            case Control::Kind::Label:
            case Control::Kind::Field: {
                // A text set smaller keeps the baseline of its row.
                const double ascent = metrics::ascent(c.font), lh = metrics::lineHeight(c.font);
                for (qsizetype i = 0; i < item.lines.size(); ++i) {
                    const QString &line = item.lines[i];
                    double x = r.left();
                    if (c.align != Align::Left) {
                        const double w = metrics::width(line, item.font);
                        x = c.align == Align::Right ? r.right() - w : r.center().x() - w / 2;
                    }
                    canvas.text(x, r.top() + ascent + double(i) * lh, line, item.font, c.color);
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
    m_undrawables.clear();
    bool print = true;
    if (beforePrint)
        beforePrint(*this, print);
    if (!print)
        return;
    Layout(*this).run();
}

}  // namespace nettora::reports
