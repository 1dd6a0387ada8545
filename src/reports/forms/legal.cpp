// Legal Information: the ten legal questions with their answers and
// explanations, the contacts, the certification and the signature lines, as
// a run of title bands that breaks onto a further page where it must.
#include "reports/forms/form_parts.h"
#include "reports/forms/forms.h"

#include "data/engine.h"
#include "data/legal_questions.h"

namespace nettora::reports {

using namespace parts;

namespace {

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
    // The styled looks frame the whole body; the Standard one frames the
    // questions and the contacts, each in its own heavy box. A frame closes
    // at the foot of a page and opens again on the next.
    constexpr int BodyFrame = 1, QuestionsFrame = 2, ContactsFrame = 3;
    const auto framed = [&](Band &b, int standardGroup) {
        b.frameGroup = standardLook ? standardGroup : BodyFrame;
        b.frameWidth = standardLook ? BoxRule : looks::BandFrame;
    };

    // The heading, and in the Professional style the client and date over it.
    Band &heading = r->addBand(BandKind::Title, 0, QStringLiteral("Heading"));
    double y = 0;
    if (standardLook) {
        heading.box(QRectF(0, 0, Width, 30), BoxRule);
        heading.label(10, 8, QStringLiteral("Section 4 - Legal Information"), 10, true);
        y = 38;
    } else if (pro) {
        // The date keeps clear of the frame, as the bar's text does.
        constexpr double DateEnd = looks::InsetBarRight - 8;
        heading.field(QRectF(29, 8, 400, lineHeight()), src.client, QStringLiteral("FullName2"));
        heading.field(QRectF(DateEnd - 200, 8, 200, lineHeight()), src.statement, QStringLiteral("Date")).right();
        y = 8 + lineHeight() + 6;
        looks::insetBarHeading(heading, y, QStringLiteral("Legal Information"));
        y += looks::BarHeight + 4;
    } else {
        y = looks::blackBar(heading, 0, QStringLiteral("Legal Information")) + 4;
    }
    heading.height = y;
    if (!standardLook)
        framed(heading, 0);
    heading.keepWithNext = true;  // never alone at the foot of a page

    // One band per question, so that long explanations move what follows
    // onto a further page instead of off the paper.
    for (int i = 0; i < legal::QuestionCount; ++i) {
        const legal::Question &q = legal::Questions[i];
        const double top = standardLook && i == 0 ? BoxRule : 0;  // clear of the box's heavy top
        Band &band = r->addBand(BandKind::Title, top + QuestionHeight, QStringLiteral("Question%1").arg(i + 1));
        framed(band, QuestionsFrame);
        band.label(10, top + 5, QString::fromLatin1(q.text), Small.size, false, AnswerX - 16);
        band.label(16, top + 19, QString::fromLatin1(q.caption), Small.size, false, 64).right().named(captionName(i));
        if (src.blank) {
            looks::dotLeader(band, 84, Width - 10, top + 19);
        } else {
            band.label(AnswerX, top + 5, QString(), Small.size, false, 60).named(answerName(i));
            band.field(QRectF(84, top + 19, Width - 84 - 10, lineHeight()), src.legal,
                       QString::fromLatin1(q.explanationField), Small.size)
                .wrapped();
        }
        if (i + 1 < legal::QuestionCount) {
            band.hline(BoxRule, Width - BoxRule, top + QuestionHeight, 1, PenStyle::Dotted);
        } else {
            if (standardLook)
                band.height += BoxRule;  // clear of the box's heavy foot
            // The certification and the signatures stay with the last answer.
            band.keepWithNext = true;
        }
    }

    if (standardLook) {
        // A gap between the two heavy boxes, outside either frame.
        Band &gap = r->addBand(BandKind::Title, 10, QStringLiteral("ContactsGap"));
        gap.keepWithNext = true;
    }
    Band &contacts = r->addBand(BandKind::Title, 0, QStringLiteral("Contacts"));
    contacts.keepWithNext = true;
    y = standardLook ? 0 : 10;
    if (!standardLook)
        framed(contacts, 0);
    const double contactsTop = y;
    const double rowHeight = joint ? 16 : 17;
    const int rows = joint ? 8 : 4;
    const QString leftHeading = joint ? QStringLiteral("Contacts (Personal)") : QStringLiteral("Contacts");
    // Contacts headings: plain bold, white on a black bar, or on a grey bar.
    if (kind.style == Style::Contemporary)
        contacts.fillBox(QRectF(0, y, Width, looks::BarHeight), Qt::black);
    else if (pro)
        looks::greyBar(contacts, y, looks::InsetBarLeft, looks::InsetBarRight);
    const QColor headingColor = kind.style == Style::Contemporary ? QColor(Qt::white) : QColor(Qt::black);
    if (standardLook) {
        contacts.label(10, y + 6, leftHeading, 10, true);
        if (joint)
            contacts.label(370, y + 6, QStringLiteral("Contacts (Spouse)"), 10, true);
    } else {
        looks::barText(contacts, pro ? 29 : 10, y, leftHeading).colored(headingColor);
        if (joint)
            looks::barText(contacts, 370, y, QStringLiteral("Contacts (Spouse)")).colored(headingColor);
    }
    if (joint) {
        contactColumn(contacts, 10, 118, 352, y + 26, rowHeight, JointColumn, 8, src.client, QString(), src.blank);
        contactColumn(contacts, 370, 478, 712, y + 26, rowHeight, JointColumn, 8, src.client, QStringLiteral("S"),
                      src.blank);
    } else {
        contactColumn(contacts, 10, 118, 352, y + 26, rowHeight, SingleLeft, 4, src.client, QString(), src.blank);
        contactColumn(contacts, 370, 478, 712, y + 26, rowHeight, SingleRight, 4, src.client, QString(), src.blank);
    }
    y += 26 + rows * rowHeight + 6;
    if (standardLook) {
        contacts.vline(360, contactsTop + 24, y - BoxRule - 2, 1, PenStyle::Dotted);
        framed(contacts, ContactsFrame);
    } else {
        contacts.vline(360, contactsTop + looks::BarHeight + 4, y - 4, 1, PenStyle::Dotted);
    }
    contacts.height = y;

    const FontSpec certificationFont{7, false};
    // Inside a band frame the text keeps clear of it.
    const double x0 = standardLook ? 0 : 6;
    Band &certification = r->addBand(BandKind::Title, 0, QStringLiteral("Certification"));
    certification.keepWithNext = true;
    y = 14;
    for (const char *line : Certification) {
        certification.label(x0, y, QString::fromLatin1(line), certificationFont.size, false, Width - 2 * x0);
        y += lineHeight(certificationFont);
    }
    certification.height = y;
    if (!standardLook)
        framed(certification, 0);

    const bool proBlank = pro && src.blank;
    for (int signer = 0; signer < (joint ? 2 : 1); ++signer) {
        Band &signature = r->addBand(BandKind::Title, 0, QStringLiteral("Signature%1").arg(signer + 1));
        signature.height = signatureBlock(signature, 30, x0, proBlank) + 4;
        if (!standardLook)
            framed(signature, 0);
        signature.keepWithNext = signer == 0 && joint;
    }

    if (src.blank)  // no answers: the borrower writes them
        return r;
    // Each answer states what was answered: "Yes", "No", or nothing; the
    // explanation only under a "Yes".
    Table *legalRow = src.legal;
    r->beforePrint = [legalRow](Report &rep, bool &) {
        for (int i = 0; i < legal::QuestionCount; ++i) {
            const legal::Question &q = legal::Questions[i];
            const QString stated = legalRow && !legalRow->isEmpty()
                                       ? legal::statedAnswer(legalRow->asString(QString::fromLatin1(q.answerField)))
                                       : QString();
            rep.control(answerName(i))->text = stated;
            const bool yes = stated == QLatin1String("Yes");
            for (Control *c : {rep.control(captionName(i)), rep.control(QString::fromLatin1(q.explanationField))})
                c->enabled = yes;
        }
    };
    return r;
}

}  // namespace nettora::reports
