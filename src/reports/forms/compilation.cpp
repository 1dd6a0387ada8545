// The pages a preparer may put in front of a statement: the compilation
// report, a letter written afresh each time it prints, and the preparer page
// with the firm's particulars and a signature line. Both are one title band
// on a framed page, the same in every style.
#include "reports/forms/form_parts.h"
#include "reports/forms/forms.h"

#include "data/preparer.h"
#include "data/engine.h"

namespace nettora::reports {

using namespace parts;

namespace {

constexpr double PageFrame = 1.5;

QString text(Table *t, const QString &field)
{
    return t && !t->isEmpty() ? t->asString(field) : QString();
}

QString text(Table *t, const char *field)
{
    return text(t, QString::fromLatin1(field));
}

// First name, middle initial and last name of a row; prefix "S" gives the
// spouse's.
QString nameOf(Table *t, const QString &prefix)
{
    return composedName(text(t, prefix + QStringLiteral("FirstName")), text(t, prefix + QStringLiteral("MiddleInitial")),
                        text(t, prefix + QStringLiteral("LastName")));
}

}  // namespace

QString preparerCityLine(Table *user)
{
    return text(user, "City") + QStringLiteral(", ") + text(user, "State") + QStringLiteral("  ") + text(user, "Zip");
}

QStringList compilationParagraphs(const QString &names, const QString &asOf)
{
    const QString p1 = QStringLiteral("We have compiled the statement of financial condition and supplementary ")
                       + QStringLiteral("schedules for ") + names + QStringLiteral(" as of ") + asOf
                       + QStringLiteral(", included in the accompanying prescribed form in accordance with ")
                       + QStringLiteral("Statements on Standards for  Accounting and Review Services issued by ")
                       + QStringLiteral("the American Institute of Certified Public Accountants.");
    const QString p2 = QStringLiteral("Our compilation was limited to presenting in the form of financial ")
                       + QStringLiteral("condition and supplementary schedules information that is the ")
                       + QStringLiteral("representation of the individual(s) whose statement of financial ")
                       + QStringLiteral("condition is presented. We have not audited or reviewed the financial ")
                       + QStringLiteral("statements referred to above and, accordingly, do not express an opinion ")
                       + QStringLiteral("or any other form of assurance on them.");
    const QString p3 = QStringLiteral("These financial statements and supplementary schedules are presented ")
                       + QStringLiteral("in accordance with the requirements of the individual(s) whose statement ")
                       + QStringLiteral("of financial condition is presented, which differ from generally accepted ")
                       + QStringLiteral("accounting principles.  Accordingly, these financial statements are ")
                       + QStringLiteral("not designed for those who are not informed about such differences.");
    return {p1, p2, p3};
}

QString standardCompilationText()
{
    const QStringList paragraphs = compilationParagraphs(QLatin1String(CompilationNames), QLatin1String(CompilationDate));
    QStringList lines{QLatin1String(CompilationToday), QString(), QString(), paragraphs[0], QString(), QString(),
                      paragraphs[1], QString(), QString(), paragraphs[2], QString(), QString(),
                      QStringLiteral("Sincerely,")};
    for (int i = 0; i < 4; ++i)
        lines << QString();
    lines << QLatin1String(CompilationPreparer);
    for (int i = 0; i < 4; ++i)
        lines << QString();
    return lines.join(QLatin1Char('\n'));
}

QString compilationTextOf(Table *user)
{
    const QString stored = text(user, "CompilationText");
    return stored.trimmed().isEmpty() ? standardCompilationText() : stored;
}

QString fillCompilationText(const QString &wording, const QString &names, const QString &asOf,
                            const QString &preparer, const QDate &today)
{
    QString letter = wording;
    // Each placeholder once, left to right, so a name that reads like a
    // placeholder stays as typed.
    const std::pair<const char *, QString> fills[] = {{CompilationToday, today.toString(QStringLiteral("MM/dd/yyyy"))},
                                                      {CompilationNames, names},
                                                      {CompilationDate, asOf},
                                                      {CompilationPreparer, preparer}};
    QString out;
    for (qsizetype i = 0; i < letter.size();) {
        bool filled = false;
        for (const auto &[token, value] : fills) {
            const QLatin1String t(token);
            if (letter.mid(i, t.size()) == t) {
                out += value;
                i += t.size();
                filled = true;
                break;
            }
        }
        if (!filled)
            out += letter[i++];
    }
    return out;
}

QString compilationLetter(Table *client, Table *statement, Table *user, const QDate &today)
{
    QString names = nameOf(client, QString());
    // A spouse counts as soon as any part of the spouse's name is filled:
    // the composed name is then more than the lone blank between the parts.
    const QString spouse = nameOf(client, QStringLiteral("S"));
    if (spouse != QLatin1String(" "))
        names += QStringLiteral(" and ") + spouse;
    return fillCompilationText(compilationTextOf(user), names, text(statement, "Date"), nameOf(user, QString()),
                               today);
}

std::unique_ptr<Report> buildCompilationReport(const Sources &src)
{
    auto r = std::make_unique<Report>(QStringLiteral("TqrCompilation"));
    r->pageFrameWidth = PageFrame;
    constexpr double LetterTop = 207, LetterWidth = 689, LetterX = (Width - LetterWidth) / 2;
    const FontSpec letterFont{11, false};
    Band &b = r->addBand(BandKind::Title, 0, QStringLiteral("Title"));

    // Letterhead, from the lines the options window keeps composed.
    constexpr double HeadX = 12, HeadTop = 10, HeadStep = 20;
    const char *const head[] = {"Company", "FullName", "Address3", "CityStateZip", "Phone", "FaxNumber", "EmailAddress"};
    for (int i = 0; i < 7; ++i) {
        const double size = i == 0 ? 14 : 10;
        b.field(QRectF(HeadX, HeadTop + i * HeadStep, Width - 2 * HeadX, metrics::lineHeight({size, false})),
                src.user, QString::fromLatin1(head[i]), size);
    }
    b.label(0, 185, QStringLiteral("Compilation Report"), 14, true, Width).centered();

    Control &letter = b.label(LetterX, LetterTop, QString(), letterFont.size, false, LetterWidth,
                              metrics::lineHeight(letterFont))
                          .named(QStringLiteral("Letter"))
                          .wrapped();
    // Written when the page prints, so it carries the day of printing and
    // the names as they are now.
    Table *client = src.client, *statement = src.statement, *user = src.user;
    const QDate fixed = src.today;
    letter.onPrint = [client, statement, user, fixed](Control &, QString &t) {
        t = compilationLetter(client, statement, user, fixed.isValid() ? fixed : QDate::currentDate());
    };
    b.height = LetterTop + letter.rect.height();
    return r;
}

std::unique_ptr<Report> buildPreparerPage(const Sources &src)
{
    auto r = std::make_unique<Report>(QStringLiteral("TqrPreparer"));
    r->pageFrameWidth = PageFrame;
    Band &b = r->addBand(BandKind::Title, 0, QStringLiteral("Title"));
    Table *client = src.client, *statement = src.statement, *user = src.user;

    // The client and the statement in two rows of boxes, a caption over
    // each value.
    constexpr double BoxHeight = 36, Pad = 5;
    const struct {
        double x, w, y;
        const char *caption;
        Table *table;
        const char *field;
    } boxes[] = {
        {0, 480, 0, "Name:", client, "FullName2"},
        {480, 240, 0, "Statement Ending Date:", statement, "Date"},
        {0, 240, BoxHeight, "Business Phone:", client, "BusinessPhone"},
        {240, 240, BoxHeight, "Residence Phone:", client, "PersonalPhone"},
        {480, 240, BoxHeight, "Email Address:", client, "Email"},
    };
    for (const auto &box : boxes) {
        b.box(QRectF(box.x, box.y, box.w, BoxHeight), 1);
        b.label(box.x + Pad, box.y + 4, QString::fromLatin1(box.caption), 8, true);
        b.field(QRectF(box.x + Pad, box.y + 19, box.w - 2 * Pad, lineHeight()), box.table,
                QString::fromLatin1(box.field), 8);
    }

    b.label(0, 113, QStringLiteral("Preparer's Information"), 14, true, Width).centered();

    constexpr double CaptionEnd = 310, ValueX = 314, RowsTop = 190, Step = 20;
    const FontSpec font{10, false};
    const double h = metrics::lineHeight(font);
    const char *const captions[] = {"Firm:", "Name:", "Address:", "Suite, Box, Etc:", "City, State, Zip:",
                                    "Phone:", "Fax:", "Email:"};
    for (int i = 0; i < 8; ++i) {
        const double y = RowsTop + i * Step;
        b.label(0, y, QString::fromLatin1(captions[i]), font.size, false, CaptionEnd).right();
        Control &value = b.label(ValueX, y, QString(), font.size, false, Width - ValueX, h)
                             .named(QStringLiteral("Preparer%1").arg(i));
        // The values are read as the page prints.
        value.onPrint = [user, i](Control &, QString &t) {
            switch (i) {
            case 0: t = text(user, "Company"); break;
            case 1: t = nameOf(user, QString()); break;
            case 2: t = text(user, "Address"); break;
            case 3: t = text(user, "Address2"); break;
            case 4: t = preparerCityLine(user); break;
            case 5: t = text(user, "Phone"); break;
            case 6: t = text(user, "Fax"); break;
            case 7: t = text(user, "EmailAddress"); break;
            }
        };
    }

    constexpr double SignTop = 456;
    b.label(20, SignTop, QStringLiteral("Signature"), font.size);
    b.hline(86, 417, SignTop + h, 2);
    b.label(487, SignTop, QStringLiteral("Date"), font.size);
    b.hline(521, 658, SignTop + h, 2);
    b.height = SignTop + h + 2;
    return r;
}

}  // namespace nettora::reports
