#include "reports/engine/footer.h"

#include "reports/engine/canvas.h"

#include <algorithm>

namespace nettora::reports {

namespace {

const FontSpec FooterFont{7, false};
constexpr double Gap = 2;       // between the body and the footer's rule
constexpr double RuleGap = 2;   // between the rule and the text
// Below the last line: the fonts other scripts fall back to reach deeper.
constexpr double Foot = 3;
// Column ends: the names, the date, the page number.
constexpr double LeftWidth = 360, CentreLeft = 372, CentreWidth = 220;

struct Lines {
    QStringList left, centre;
};

Lines linesOf(const DocumentFooter &f)
{
    return {f.left.isEmpty() ? QStringList() : metrics::wrap(f.left, LeftWidth, FooterFont),
            f.centre.isEmpty() ? QStringList() : metrics::wrap(f.centre, CentreWidth, FooterFont)};
}

}  // namespace

double footerHeight(const DocumentFooter &footer, const PageSetup &)
{
    const Lines l = linesOf(footer);
    const qsizetype lines = std::max<qsizetype>({1, l.left.size(), l.centre.size()});
    return Gap + RuleGap + double(lines) * metrics::lineHeight(FooterFont) + Foot;
}

void addFooters(std::vector<PreparedPage> &pages, const DocumentFooter &footer, const PageSetup &page)
{
    const Lines l = linesOf(footer);
    const double height = footerHeight(footer, page);
    const double top = page.margin + page.printableHeight() - height + Gap;
    const double ascent = metrics::ascent(FooterFont), lh = metrics::lineHeight(FooterFont);
    const int count = int(pages.size());
    for (int n = 0; n < count; ++n) {
        QPicture picture;
        PageCanvas canvas(picture, page);
        canvas.line(QPointF(page.margin, top), QPointF(page.margin + page.printableWidth(), top), 0.5);
        const double base = top + RuleGap + ascent;
        for (qsizetype i = 0; i < l.left.size(); ++i)
            canvas.text(page.margin, base + double(i) * lh, l.left[i], FooterFont);
        for (qsizetype i = 0; i < l.centre.size(); ++i)
            canvas.text(page.margin + CentreLeft, base + double(i) * lh, l.centre[i], FooterFont);
        const QString number = QStringLiteral("Page %1 of %2").arg(n + 1).arg(count);
        canvas.text(page.margin + page.printableWidth() - metrics::width(number, FooterFont), base, number,
                    FooterFont);
        canvas.end();
        pages[size_t(n)].footer = picture;
    }
}

}  // namespace nettora::reports
