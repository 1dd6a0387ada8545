// Legal Information: the ten legal questions with their answers and
// explanations, the contacts, the certification and the signature lines, in
// one title band.
#include "reports/forms/form_parts.h"
#include "reports/forms/forms.h"

#include "data/engine.h"

namespace nettora::reports {

using namespace parts;

namespace {

struct Question {
    const char *standard;
    const char *other;  // Contemporary and Professional, where it differs
    const char *answer;
    const char *caption;
    const char *explanation;
};

const Question Questions[] = {
    {"Do You have a will?", "Do you have a will?", "Will", "Executor:", "WillExplanation"},
    {"Are you presently involved in divorce proceedings?", nullptr, "Divorce", "Explain:", "DivorceExplanation"},
    {"Have you ever taken bankruptcy?", nullptr, "Bankruptcy", "Explain:", "BankruptcyExplanation"},
    {"Are you a partner or officer in any other venture?", nullptr, "Partner", "Executor:", "PartnerExplanation"},
    {"Are you a defendant in any suit or legal action?", nullptr, "Defendant", "Executor:", "DefendantExplanation"},
    {"Do you have any judgements against you?", nullptr, "Judgement", "Explain:", "JudgementExplanation"},
    {"Have you executed any prenuptial or financial agreements with your spouse?", nullptr, "Prenuptial", "Explain:",
     "PrenuptialExplanation"},
    {"Are any of your listed assets seperate property of your spouse?", nullptr, "SpouseAssets", "Explain:",
     "SpouseAssetsExplanation"},
    {"Are any of your listed assets held in estate, trust or any other name?", nullptr, "EstateAssets", "Explain:",
     "EstateAssetsExplanation"},
    {"Do any assets secure debts which have not been reported in the statement?", nullptr, "DebtAssets", "Explain:",
     "DebtAssetsExplanation"},
};

// Broken exactly here, in every style.
const char *const Certification[] = {
    "The information contained in this statement and supporting schedules is provided to induce you to extend or to "
    "continue the extension of credit to the undersigned",
    "or to others upon the guaranty of the undersigned.  The undersigned acknowledges and understands that you are "
    "relying upon the information provided herein in ",
    "deciding to grant or continue credit or to accept a guaranty thereof.  The undersigned represents, warrants and "
    "certifies that the information provided herein is true, ",
    "correct and complete to the best of the undersigned's knowledge.  The undersigned agrees to notify you "
    "immediately and in writing of any changes in name, address, ",
    "or employment and of any material adverse change (1) in any of the information contained in this statement or "
    "(2) in the financial condition of the undersigned or ",
    "(3) in the ability of the undersigned to perform its obligations to you.  In the absence of such notice or a new "
    "and full written statement, this should be considered ",
    "as a continuing statement and substantially correct.  You are authorized to make all inquiries you deem "
    "necessary to verify the accuracy of the information",
    "contained herein, and to determine the credit worthiness of the undersigned.  The undersigned authorizes you to "
    "answer questions about your credit experience ",
    "with the undersigned.",
};

struct Contact {
    const char *caption;
    const char *field;
};

const Contact SingleLeft[] = {
    {"Accountant:", "Accountant"}, {"Phone:", "AccountantPhone"}, {"Attorney:", "Attorney"}, {"Phone:", "AttorneyPhone"}};
const Contact SingleRight[] = {
    {"Banker:", "Banker"}, {"Phone:", "BankerPhone"}, {"Investment Advisor:", "Advisor"}, {"Phone:", "AdvisorPhone"}};
const Contact JointColumn[] = {{"Accountant:", "Accountant"}, {"Phone:", "AccountantPhone"},
                               {"Attorney:", "Attorney"},     {"Phone:", "AttorneyPhone"},
                               {"Banker:", "Banker"},         {"Phone:", "BankerPhone"},
                               {"Investment Advisor:", "Advisor"}, {"Phone:", "AdvisorPhone"}};

constexpr double QuestionHeight = 34;
constexpr double AnswerX = 470;
constexpr double BoxRule = 3;

QString answerName(int i)
{
    return QStringLiteral("Answer%1").arg(i + 1);
}

QString captionName(int i)
{
    return QStringLiteral("Explain%1").arg(i + 1);
}

void contactColumn(Band &b, double x, double fieldX, double end, double top, double rowHeight, const Contact *rows,
                   int count, Table *client, const QString &prefix, bool writingLines)
{
    for (int i = 0; i < count; ++i) {
        const double y = top + i * rowHeight;
        b.label(x, y, QString::fromLatin1(rows[i].caption), Small.size);
        b.field(QRectF(fieldX, y, end - fieldX, lineHeight()), client, prefix + QString::fromLatin1(rows[i].field),
                Small.size);
        if (writingLines)  // the blank form is filled in by hand
            looks::dotLeader(b, fieldX, end, y);
    }
}

// x0 moves the block off a band frame.
double signatureBlock(Band &b, double y, double x0 = 0, bool proBlank = false)
{
    const FontSpec font = Small;
    const double underscore = metrics::width(QStringLiteral("_"), font);
    b.label(x0, y, QStringLiteral("Signed "), font.size);
    const double lineStart = x0 + std::max(24.0, metrics::width(QStringLiteral("Signed "), font));
    const double lineEnd = 490;
    b.label(lineStart, y, QString(int((lineEnd - lineStart) / underscore), QLatin1Char('_')), font.size);
    b.label(504, y, proBlank ? QStringLiteral("Date:_______________") : QStringLiteral("Date ______________________"),
            font.size);
    b.label(lineStart, y + 15, QStringLiteral("(I have read and I understand the above paragraph.)"), font.size, false,
            lineEnd - lineStart)
        .centered();
    return y + 15 + lineHeight(font);
}

}  // namespace

std::unique_ptr<Report> buildLegalInformation(const FormKind &kind, const Sources &src)
{
    const bool joint = kind.filing == Filing::Joint;
    const bool standardLook = kind.style == Style::Standard;
    const bool pro = kind.style == Style::Professional;
    auto r = std::make_unique<Report>(formName(PageKind::LegalInformation, kind));
    Band &body = r->addBand(BandKind::Title, 0, QStringLiteral("Body"));

    // The heading, and in the Professional style the client and date over it.
    double y = 0;
    if (standardLook) {
        body.box(QRectF(0, 0, Width, 30), BoxRule);
        body.label(10, 8, QStringLiteral("Section 4 - Legal Information"), 10, true);
        y = 38;
    } else if (pro) {
        body.field(QRectF(29, 8, 400, lineHeight()), src.client, QStringLiteral("FullName2"));
        body.field(QRectF(looks::InsetBarRight - 200, 8, 200, lineHeight()), src.statement, QStringLiteral("Date")).right();
        y = 8 + lineHeight() + 6;
        looks::insetBarHeading(body, y, QStringLiteral("Legal Information"));
        y += looks::BarHeight + 4;
    } else {
        y = looks::blackBar(body, 0, QStringLiteral("Legal Information")) + 4;
    }

    const double questionsTop = y;
    if (standardLook)
        y += BoxRule;
    for (int i = 0; i < 10; ++i) {
        const Question &q = Questions[i];
        const double top = y + i * QuestionHeight;
        const char *text = !standardLook && q.other ? q.other : q.standard;
        body.label(10, top + 5, QString::fromLatin1(text), Small.size, false, AnswerX - 16);
        body.label(16, top + 19, QString::fromLatin1(q.caption), Small.size, false, 64).right().named(captionName(i));
        if (src.blank) {
            looks::dotLeader(body, 84, Width - 10, top + 19);
        } else {
            body.label(AnswerX, top + 5, QStringLiteral("X"), Small.size, false, 60).named(answerName(i));
            body.field(QRectF(84, top + 19, Width - 84 - 10, lineHeight()), src.legal,
                       QString::fromLatin1(q.explanation), Small.size)
                .wrapped();
        }
        if (i < 9)
            body.hline(BoxRule, Width - BoxRule, top + QuestionHeight, 1, PenStyle::Dotted);
    }
    y += 10 * QuestionHeight;
    if (standardLook) {
        y += BoxRule;
        body.box(QRectF(0, questionsTop, Width, y - questionsTop), BoxRule);
    }

    y += 10;
    const double contactsTop = y;
    const double rowHeight = joint ? 16 : 17;
    const int rows = joint ? 8 : 4;
    const QString leftHeading = joint ? QStringLiteral("Contacts (Personal)") : QStringLiteral("Contacts");
    // Contacts headings: plain bold, white on a black bar, or on a grey bar.
    if (kind.style == Style::Contemporary)
        body.fillBox(QRectF(0, y, Width, looks::BarHeight), Qt::black);
    else if (pro)
        looks::greyBar(body, y, looks::InsetBarLeft, looks::InsetBarRight);
    const QColor headingColor = kind.style == Style::Contemporary ? QColor(Qt::white) : QColor(Qt::black);
    if (standardLook) {
        body.label(10, y + 6, leftHeading, 10, true);
        if (joint)
            body.label(370, y + 6, QStringLiteral("Contacts (Spouse)"), 10, true);
    } else {
        looks::barText(body, pro ? 29 : 10, y, leftHeading).colored(headingColor);
        if (joint)
            looks::barText(body, 370, y, QStringLiteral("Contacts (Spouse)")).colored(headingColor);
    }
    if (joint) {
        contactColumn(body, 10, 118, 352, y + 26, rowHeight, JointColumn, 8, src.client, QString(), src.blank);
        contactColumn(body, 370, 478, 712, y + 26, rowHeight, JointColumn, 8, src.client, QStringLiteral("S"), src.blank);
    } else {
        contactColumn(body, 10, 118, 352, y + 26, rowHeight, SingleLeft, 4, src.client, QString(), src.blank);
        contactColumn(body, 370, 478, 712, y + 26, rowHeight, SingleRight, 4, src.client, QString(), src.blank);
    }
    y += 26 + rows * rowHeight + 6;
    if (standardLook) {
        body.vline(360, contactsTop + 24, y - BoxRule - 2, 1, PenStyle::Dotted);
        body.box(QRectF(0, contactsTop, Width, y - contactsTop), BoxRule);
    } else {
        body.vline(360, contactsTop + looks::BarHeight + 4, y - 4, 1, PenStyle::Dotted);
    }

    y += 14;
    const FontSpec certification{7, false};
    // Inside a band frame the text keeps clear of it.
    const double x0 = standardLook ? 0 : 6;
    for (const char *line : Certification) {
        body.label(x0, y, QString::fromLatin1(line), certification.size, false, Width - 2 * x0);
        y += lineHeight(certification);
    }

    y += 30;
    const bool proBlank = pro && src.blank;
    y = signatureBlock(body, y, x0, proBlank);
    if (joint)
        y = signatureBlock(body, y + 30, x0, proBlank);
    body.height = y + 4;
    if (!standardLook)
        looks::bandFrame(body, 0, body.height);

    if (src.blank)  // no answers: the borrower writes them
        return r;
    // Answers print as "Yes" or "No"; explanations only under a "Yes".
    Table *legal = src.legal;
    r->beforePrint = [legal](Report &rep, bool &) {
        for (int i = 0; i < 10; ++i) {
            const Question &q = Questions[i];
            const bool yes = legal && !legal->isEmpty()
                             && legal->asString(QString::fromLatin1(q.answer)) == QLatin1String("Yes");
            rep.control(answerName(i))->text = yes ? QStringLiteral("Yes") : QStringLiteral("No");
            for (Control *c : {rep.control(captionName(i)), rep.control(QString::fromLatin1(q.explanation))})
                c->enabled = yes;
        }
    };
    return r;
}

}  // namespace nettora::reports
