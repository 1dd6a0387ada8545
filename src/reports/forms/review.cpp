// The review page: what a lender would send back and the ratios a lender
// computes, printed after the schedules for the preparer to act on before
// the statement is signed. The content is a list, not a table, so every
// ratio and finding is a band of its own; a long sentence wraps and grows
// its band, and the engine carries the rest onto further pages under the
// repeated title.
#include "reports/forms/form_parts.h"
#include "reports/forms/forms.h"

#include "calc/review.h"
#include "data/datamodule.h"
#include "data/engine.h"

namespace nettora::reports {

using namespace parts;

namespace {

QString text(Table *t, const char *field)
{
    return t && !t->isEmpty() ? t->asString(QString::fromLatin1(field)).trimmed() : QString();
}

struct Column {
    const char *heading;
    double x, width;
    Align align;
};
// Ratios: name, formula, value; findings: severity, sentence, where to mend.
constexpr Column RatioColumns[] = {{"Ratio", 8, 170, Align::Left},
                                   {"Formula", 184, 390, Align::Left},
                                   {"Value", 580, 135, Align::Right}};
constexpr Column FindingColumns[] = {{"Severity", 8, 110, Align::Left},
                                     {"Finding", 124, 420, Align::Left},
                                     {"Where to mend it", 550, 165, Align::Left}};
constexpr double RowTop = 4;

class ReviewForm {
public:
    ReviewForm(Style style, Report &r) : m_style(style), m_r(r) {}

    void pageHeader()
    {
        Band &header = m_r.addBand(BandKind::PageHeader, 46, QStringLiteral("PageHeader"));
        const QString title = QStringLiteral("Review");
        if (m_style == Style::Professional) {
            const double width = metrics::width(title, {14, true});
            header.label(714 - width, 6, title, 14, true, width).right().named(QStringLiteral("Title"));
        } else {
            header.label(0, 2, title, 16, true, Width).centered().named(QStringLiteral("Title"));
        }
        header.hline(0, Width, 31, 0.75);
        header.hline(0, Width, 37, 3);
    }

    void particulars(const QString &names, const QString &asOf, const QDate &reviewed)
    {
        Band &b = m_r.addBand(BandKind::Title, 0, QStringLiteral("Particulars"));
        const FontSpec font{10, false};
        const double h = metrics::lineHeight(font);
        const struct {
            const char *caption;
            QString value;
        } lines[] = {{"Client:", names},
                     {"Statement date:", asOf},
                     {"Reviewed on:", reviewed.toString(QStringLiteral("MM/dd/yyyy"))}};
        constexpr double CaptionWidth = 110, Step = 4;
        double y = 6;
        for (const auto &l : lines) {
            b.label(8, y, QString::fromLatin1(l.caption), font.size, true, CaptionWidth, h);
            b.label(8 + CaptionWidth, y, l.value, font.size, false, Width - 8 - CaptionWidth, h);
            y += h + Step;
        }
        b.height = y + 6;
    }

    // A section's heading and its column headings, kept with the first row.
    template <size_t N>
    void heading(const QString &caption, const Column (&columns)[N], const QString &name, bool withColumns = true)
    {
        Band &b = m_r.addBand(BandKind::Title, 0, name);
        b.keepWithNext = true;
        double y = 8;
        switch (m_style) {
        case Style::Standard: y = standard::sectionHeading(b, y, caption); break;
        case Style::Contemporary: y = looks::blackBar(b, y, caption, 12); break;
        case Style::Professional: {
            looks::insetBarHeading(b, y, caption, 12);
            y += looks::BarHeight;
            break;
        }
        }
        y += 4;
        if (!withColumns) {
            b.height = y;
            return;
        }
        const double row = lineHeight(SmallBold) + 6;
        if (m_style == Style::Contemporary)
            looks::greyBar(b, y, 0, Width, row);
        for (const Column &c : columns)
            columnHeading(b, c.x, y + 3, c.width, {QString::fromLatin1(c.heading)}, c.align);
        y += row;
        if (m_style != Style::Contemporary)
            b.hline(0, Width, y, 0.75);
        b.height = y + 1;
    }

    // One row of wrapped texts, a dotted rule under it that moves down as
    // the texts grow.
    template <size_t N>
    void row(const Column (&columns)[N], const QStringList &texts, bool firstBold = false)
    {
        Band &b = m_r.addBand(BandKind::Title, 0, QStringLiteral("Row%1").arg(++m_rows));
        const double h = lineHeight();
        for (size_t i = 0; i < N; ++i) {
            const Column &c = columns[i];
            b.label(c.x, RowTop, texts[qsizetype(i)], Small.size, firstBold && i == 0, c.width, h)
                .named(QStringLiteral("%1%2").arg(QString::fromLatin1(c.heading).section(QLatin1Char(' '), 0, 0))
                           .arg(m_rows))
                .aligned(c.align)
                .wrapped();
        }
        b.height = RowTop + h + 4;
        b.hline(8, 713, b.height - 0.5, 0.75, PenStyle::Dotted);
    }

    void line(const QString &sentence)
    {
        Band &b = m_r.addBand(BandKind::Title, 0, QStringLiteral("Nothing"));
        const FontSpec font{10, false};
        b.label(8, 8, sentence, font.size, false, Width - 16, metrics::lineHeight(font))
            .named(QStringLiteral("Nothing"))
            .wrapped();
        b.height = 8 + metrics::lineHeight(font) + 4;
    }

private:
    Style m_style;
    Report &m_r;
    int m_rows = 0;
};

// The client's name, with the spouse's when filing jointly, as the footer
// names them.
QString clientNames(Table *client)
{
    QString names = text(client, "FullName2");
    const QString spouse = text(client, "SFullName2");
    if (filingOf(client) == Filing::Joint && !spouse.isEmpty())
        names += (names.isEmpty() ? QString() : QStringLiteral(" and ")) + spouse;
    return names;
}

}  // namespace

QString reviewFormName(Style style)
{
    switch (style) {
    case Style::Standard: return QStringLiteral("TqrReview");
    case Style::Contemporary: return QStringLiteral("TqrCont_Review");
    case Style::Professional: return QStringLiteral("TqrPro_Review");
    }
    return QString();
}

QString nothingFoundLine()
{
    return QStringLiteral("Nothing a lender would send back was found.");
}

std::unique_ptr<Report> buildReviewPage(Style style, const Review &review, const Sources &src)
{
    auto r = std::make_unique<Report>(reviewFormName(style));
    ReviewForm form(style, *r);
    form.pageHeader();
    form.particulars(clientNames(src.client), text(src.statement, "Date"), review.today);

    form.heading(QStringLiteral("Ratios"), RatioColumns, QStringLiteral("RatiosHeading"));
    for (const Ratio &ratio : review.ratios)
        form.row(RatioColumns, {ratioWords(ratio), ratio.formula, ratioValueText(ratio)});

    form.heading(QStringLiteral("Findings"), FindingColumns, QStringLiteral("FindingsHeading"),
                 !review.findings.empty());
    if (review.findings.empty())
        form.line(nothingFoundLine());
    // The review lists the fixes before the looks.
    for (const Finding &f : review.findings)
        form.row(FindingColumns, {severityWords(f.severity), f.message, mendPageWords(f.page)}, true);
    return r;
}

std::unique_ptr<Report> buildReviewPage(Style style, const Sources &src)
{
    const qint64 statementId = src.statement && !src.statement->isEmpty()
                                   ? src.statement->asInteger(QStringLiteral("Id"))
                                   : 0;
    const QDate today = src.today.isValid() ? src.today : QDate::currentDate();
    return buildReviewPage(style, reviewStatement(dm1->db(), statementId, today), src);
}

}  // namespace nettora::reports
