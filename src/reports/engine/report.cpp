#include "reports/engine/report.h"

#include "reports/engine/glyphs.h"
#include "kit/money.h"
#include "data/engine.h"

#include <QDate>

#include <algorithm>
#include <map>
#include <optional>

namespace nettora::reports {

namespace {
constexpr double KEpsilon = 0.01;
}  // namespace

// ---------------------------------------------------------------- layout

namespace {

// A figure wider than its box breaks after a thousands separator (or, with
// none left, between digits), each part at the box's width, so that no digit
// is lost and none is set smaller.
QStringList wrapFigure(const QString &text, double width, const FontSpec &font)
{
    QStringList lines;
    QString rest = text;
    while (metrics::width(rest, font) > width + KEpsilon && rest.size() > 1) {
        qsizetype cut = 0;
        for (qsizetype i = 1; i < rest.size(); ++i) {
            const bool separator = rest[i - 1] == QLatin1Char(',') || rest[i - 1] == QLatin1Char(' ');
            if (metrics::width(rest.left(i), font) > width + KEpsilon)
                break;
            if (separator)
                cut = i;
        }
        if (cut == 0)
            cut = std::max<qsizetype>(1, metrics::fit(rest, width, font).size());
        lines << rest.left(cut).trimmed();
        rest = rest.mid(cut).trimmed();
    }
    lines << rest;
    return lines;
}

}  // namespace

// One preparation run: walks the bands in paper order and records the pages.
class Layout {
public:
    explicit Layout(Report &r) : m_r(r)
    {
        for (const auto &b : r.m_bands) {
            switch (b->kind) {
            case BandKind::PageHeader: m_pageHeader = b.get(); break;
            case BandKind::PageFooter: m_pageFooter = b.get(); break;
            case BandKind::Title: m_titles.push_back(b.get()); break;
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
        printInOrder(m_titles);
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
        bool printable = false;  // as the band's hooks left it
    };
    struct Instance {
        Band *band = nullptr;
        double height = 0;
        std::vector<Item> items;
    };

    // Bands printed once, in order, each kept with the next when it asks.
    void printInOrder(const std::vector<Band *> &bands)
    {
        std::vector<Instance> held;
        for (Band *b : bands) {
            std::optional<Instance> inst = evaluateIfPrinted(*b);
            if (!inst)
                continue;
            held.push_back(std::move(*inst));
            if (!b->keepWithNext) {
                placeTogether(held);
                held.clear();
            }
        }
        placeTogether(held);
    }

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
        // or the head of a page. Rows in between break freely; a page the
        // group continues on repeats its header.
        m_group = &sub;
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
        m_group = nullptr;
        m_groupOpen = false;
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
        if (group.empty())
            return;
        double need = 0;
        for (const Instance &inst : group)
            need += inst.height;
        if (m_y + need > m_limit + KEpsilon && m_hasBody)
            newPage();
        for (const Instance &inst : group) {
            if (m_y + inst.height > m_limit + KEpsilon && m_hasBody)
                newPage();
            placeSplitting(inst);
        }
    }

    // A band taller than the rest of an otherwise empty page prints what fits
    // and goes on at the top of the next.
    void placeSplitting(Instance inst)
    {
        while (m_y + inst.height > m_limit + KEpsilon) {
            const double room = m_limit - m_y;
            auto [head, tail] = split(inst, room);
            if (head.height <= KEpsilon && !m_hasBody) {
                // Nothing breaks inside the room: print it whole rather than loop.
                break;
            }
            if (head.height > KEpsilon)
                place(head);
            newPage();
            inst = std::move(tail);
        }
        place(inst);
    }

    // Cuts an instance at height cut (band coordinates), moved up to the foot
    // of a text line so that no line is torn: the head keeps what lies above,
    // the tail what lies below, moved up to its top; frames and rules across
    // the cut are drawn on both sides.
    std::pair<Instance, Instance> split(const Instance &inst, double cut)
    {
        // A text line crossing the cut moves the cut up to its top.
        double at = cut;
        for (const Item &item : inst.items) {
            if (!item.printable || item.lines.isEmpty())
                continue;
            const double lh = metrics::lineHeight(item.c->font);
            for (qsizetype i = 0; i < item.lines.size(); ++i) {
                const double top = item.rect.top() + double(i) * lh;
                if (top < at - KEpsilon && top + lh > at + KEpsilon)
                    at = top;
            }
        }
        at = std::max(0.0, at);
        Instance head{inst.band, at, {}}, tail{inst.band, inst.height - at, {}};
        for (const Item &item : inst.items) {
            const QRectF &r = item.rect;
            if (!item.lines.isEmpty()) {
                const double lh = metrics::lineHeight(item.c->font);
                Item up = item, down = item;
                up.lines.clear();
                down.lines.clear();
                for (qsizetype i = 0; i < item.lines.size(); ++i)
                    (r.top() + double(i) * lh < at - KEpsilon ? up.lines : down.lines) << item.lines[i];
                if (!up.lines.isEmpty())
                    head.items.push_back(up);
                if (!down.lines.isEmpty()) {
                    const double first = r.top() + double(up.lines.size()) * lh;
                    down.rect = QRectF(r.left(), first - at, r.width(), double(down.lines.size()) * lh);
                    tail.items.push_back(down);
                }
                continue;
            }
            if (r.bottom() <= at + KEpsilon) {
                head.items.push_back(item);
            } else if (r.top() >= at - KEpsilon) {
                Item down = item;
                down.rect.translate(0, -at);
                tail.items.push_back(down);
            } else {
                Item up = item, down = item;
                up.rect.setBottom(at);
                down.rect = QRectF(r.left(), 0, r.width(), r.bottom() - at);
                head.items.push_back(up);
                tail.items.push_back(down);
            }
        }
        return {std::move(head), std::move(tail)};
    }

    void place(const Instance &inst)
    {
        Band *b = inst.band;
        if (b->frameGroup != m_frame.group) {
            closeFrame();
            if (b->frameGroup != 0)
                m_frame = {b->frameGroup, b->frameWidth, m_y, m_y};
        }
        draw(inst, m_y);
        m_y += inst.height;
        m_hasBody = true;
        if (m_frame.group != 0)
            m_frame.bottom = m_y;
        if (m_group) {
            if (b == m_group->groupHeader)
                m_groupOpen = true;
            else if (b == m_group->groupFooter)
                m_groupOpen = false;
        }
    }

    void closeFrame()
    {
        if (m_frame.group != 0 && m_frame.bottom > m_frame.top)
            m_canvas->frame(QRectF(m_r.page.margin, m_r.page.margin + m_frame.top, m_r.page.printableWidth(),
                                   m_frame.bottom - m_frame.top),
                            m_frame.width);
        m_frame = {};
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
        const FieldType type = c.table->def().fields[size_t(pos)].type;
        // A printed date shows its whole year.
        if (type == FieldType::Date) {
            const QDate d = QDate::fromString(c.table->value(pos).toString(), Qt::ISODate);
            return d.isValid() ? d.toString(QStringLiteral("MM/dd/yyyy")) : c.table->asString(pos);
        }
        const bool money = c.format == FieldFormat::Money
                           || (c.format == FieldFormat::Auto && type == FieldType::Currency);
        if (!money)
            return c.table->asString(pos);
        if (c.table->isNull(c.field))
            return QString();
        return formatMoney(c.table->asFloat(pos));
    }

    Instance evaluate(Band &b, bool continued = false)
    {
        Instance inst;
        inst.band = &b;
        inst.height = b.height;
        for (const auto &owned : b.controls()) {
            Control &c = *owned;
            Item item{&c, c.rect, QString(), {}, false};
            if (c.enabled) {
                item.text = resolve(c);
                if (c.onPrint)
                    c.onPrint(c, item.text);
                if (continued && !b.continuedControl.isEmpty() && c.name == b.continuedControl)
                    item.text += QStringLiteral(" (continued)");
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

        // Text layout once every hook has had its say: every text keeps its
        // size and takes as many lines as its box's width needs.
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
            if (item.rect.width() <= 0) {
                item.lines = item.text.split(QLatin1Char('\n'));
                double w = 0;
                for (const QString &line : std::as_const(item.lines))
                    w = std::max(w, metrics::width(line, c.font));
                item.rect.setWidth(w);
            } else if (showsFigure(c)) {
                item.lines = wrapFigure(item.text, item.rect.width(), c.font);
            } else if (!item.text.contains(QLatin1Char('\n')) && !item.text.contains(QLatin1Char('\r'))
                       && metrics::width(item.text, c.font) <= item.rect.width() + KEpsilon) {
                item.lines = QStringList{item.text};  // as it stands, blanks and all
            } else {
                item.lines = metrics::wrap(item.text, item.rect.width(), c.font);
            }
            const double lh = metrics::lineHeight(c.font);
            const double needed = double(item.lines.size()) * lh;
            const double has = std::max(item.rect.height(), lh);
            if (item.lines.size() > 1 && needed > has + KEpsilon) {
                stretches.push_back({c.rect.bottom(), needed - has});
                item.rect.setHeight(needed);
            }
        }
        if (stretches.empty())
            return inst;

        // Growing texts push what lies below them down and lengthen what
        // spans across their foot (frames, column rules); texts whose feet
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
        m_limit = p.bodyHeight() - (m_pageFooter && m_pageFooter->enabled ? m_pageFooter->height : 0);
        if (m_r.pageFrameWidth > 0)
            m_canvas->frame(QRectF(p.margin, p.margin, p.printableWidth(), p.bodyHeight()), m_r.pageFrameWidth);
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
        // A group that goes on here shows its title and headings again; they
        // belong to the page's head, so a row still breaks after them.
        if (m_group && m_groupOpen && m_group->groupHeader) {
            const Instance inst = evaluate(*m_group->groupHeader, true);
            draw(inst, m_y);
            m_y += inst.height;
        }
    }

    void finishPage()
    {
        closeFrame();
        if (m_pageFooter && m_pageFooter->enabled) {
            bool print = true;
            if (m_pageFooter->beforePrint)
                m_pageFooter->beforePrint(*m_pageFooter, print);
            if (print)
                draw(evaluate(*m_pageFooter), m_r.page.bodyHeight() - m_pageFooter->height);
        }
        m_canvas->end();
        m_canvas.reset();
        m_r.m_pages.push_back({m_picture, QSize(m_r.page.widthTenthsMm, m_r.page.heightTenthsMm), QPicture()});
    }

    void newPage()
    {
        finishPage();
        startPage();
    }

    struct OpenFrame {
        int group = 0;
        double width = 1;
        double top = 0;
        double bottom = 0;
    };

    Report &m_r;
    Band *m_pageHeader = nullptr, *m_pageFooter = nullptr, *m_detail = nullptr, *m_summary = nullptr;
    std::vector<Band *> m_titles;
    std::vector<Band *> m_subDetails;
    QPicture m_picture;
    std::unique_ptr<PageCanvas> m_canvas;
    double m_y = 0;
    double m_limit = 0;
    bool m_hasBody = false;
    OpenFrame m_frame;
    Band *m_group = nullptr;  // the sub-detail being printed
    bool m_groupOpen = false;  // its header is on paper and its footer not yet
};

void Report::prepare()
{
    m_pages.clear();
    m_undrawables.clear();
    bool print = true;
    if (beforePrint)
        beforePrint(*this, print);
    if (!print)
        return;
    Layout(*this).run();
}

}  // namespace nettora::reports
