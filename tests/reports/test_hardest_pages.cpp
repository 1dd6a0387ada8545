// The hardest statement a preparer can type: the longest value every printed
// field holds, ten long explanations (also in capitals), names in other
// alphabets, figures near their limits and a schedule that runs over a page.
// Written to real PDF files and read back, in every style and filing: every
// word stays inside the margins, every value prints whole, nothing is cut,
// every page names its statement and its number, continued schedules repeat
// their headings and both signature blocks stand whole.
#include "page_capture.h"
#include "pdf_tools.h"
#include "statement_fixture.h"

#include "data/datamodule.h"
#include "data/db_functions.h"
#include "data/engine.h"
#include "data/legal_questions.h"
#include "reports/engine/canvas.h"
#include "reports/engine/output.h"
#include "reports/print.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace nettora::test {
namespace {

using namespace reports;

// Words of realistic length; a value is made of them up to its field's width.
const QStringList kWords = {"Vanguard", "Total",   "Stock",   "Market", "Index",    "Fund",  "Admiral",
                            "Shares",   "Northern", "Trust",  "Company", "Holdings", "Estate", "Partners"};

QString longValue(const QString &tag, int width, bool capitals)
{
    QString v = tag;
    for (int i = 0; v.size() < width; ++i)
        v += QLatin1Char(' ') + kWords[i % kWords.size()];
    v = v.left(width).trimmed();
    return capitals ? v.toUpper() : v;
}

// A printed text and where it must show whole.
struct Printed {
    QString where;
    QString text;
};

class HardestPagesTest : public StatementTest {
protected:
    // Every text field of the client, the statement and each schedule row at
    // its longest (answers "Yes"), every figure near its limit.
    std::vector<Printed> fillEverything(bool capitals, bool joint)
    {
        std::vector<Printed> printed;
        std::vector<Table *> tables = m_dm->statementAndSchedules();
        tables.push_back(m_dm->tblClient);
        static const std::set<QString> keys = {"Id", "ClientId", "StatementId", "Updated"};
        for (Table *t : tables) {
            const int rows = t->recordCount();
            for (int r = 0; r < rows; ++r) {
                t->moveToRecNo(r);
                t->edit();
                for (const FieldDef &f : t->def().fields) {
                    if (keys.count(f.name))
                        continue;
                    if (t == m_dm->tblLegal && !f.name.endsWith(QLatin1String("Explanation"))) {
                        t->setAsString(f.name, QStringLiteral("Yes"));
                        continue;
                    }
                    if (t == m_dm->tblNettora && f.name == QLatin1String("Date"))
                        continue;  // the statement's own date stays a date
                    if (f.type == FieldType::Currency)
                        t->setAsFloat(f.name, (r % 2 ? -1 : 1) * 922337203685477.58 * 0.999);
                    else if ((f.type == FieldType::Text || f.type == FieldType::Memo) && f.width > 2)
                        t->setAsString(f.name,
                                       longValue(QStringLiteral("%1%2").arg(f.name.left(6)).arg(r), f.width, capitals));
                }
                t->post();
            }
        }
        // Names in other alphabets, as long as their fields allow.
        setClient({{"FirstName", QStringLiteral("Αλεξάνδρα-Ελευθερία")},
                   {"LastName", QStringLiteral("देवनागरी")},
                   {"FullName2", QStringLiteral("Αλεξάνδρα-Ελευθερία Q. देवनागरी")},
                   {"Employer", QStringLiteral("北京银行股份有限公司")},
                   {"SFirstName", joint ? QStringLiteral("Констанция") : QString()}});
        return printed;
    }

    // What the forms print from the tables: the text of every printed field.
    std::vector<Printed> printedTexts(Style style)
    {
        std::vector<Printed> out;
        const Sources src = Sources::dataModule();
        for (const SequenceForm &f : statementSequence(style, Output::Pdf, src)) {
            const std::unique_ptr<Report> r = f.build();
            for (const auto &band : r->bands())
                for (const auto &c : band->controls()) {
                    if (c->kind != Control::Kind::Field || !c->table || c->table->isEmpty())
                        continue;
                    const FieldDef &def = c->table->def().fields[size_t(c->table->fieldIndex(c->field))];
                    if (def.type != FieldType::Text || def.width <= 2)
                        continue;
                    Table *t = c->table;
                    const int rows = band->dataSet ? t->recordCount() : 1;
                    const int saved = t->recNo();
                    for (int i = 0; i < rows; ++i) {
                        if (band->dataSet)
                            t->moveToRecNo(i);
                        const QString text = t->asString(c->field).simplified();
                        if (!text.isEmpty())
                            out.push_back({f.name + QLatin1Char('.') + c->field, text});
                    }
                    t->moveToRecNo(saved);
                }
        }
        return out;
    }

    QTemporaryDir m_out;
};

// Whether the words appear one after another somewhere in the list.
bool hasRun(const QStringList &all, const QStringList &words)
{
    if (words.isEmpty())
        return true;
    for (qsizetype i = 0; i + words.size() <= all.size(); ++i) {
        if (all[i] != words[0])
            continue;
        qsizetype k = 1;
        while (k < words.size() && all[i + k] == words[k])
            ++k;
        if (k == words.size())
            return true;
    }
    return false;
}

TEST_F(HardestPagesTest, EveryStyleAndFilingKeepsEveryValueWholeOnThePage)
{
    const QStringList certification = {
        "The information contained in this statement and supporting schedules is provided to induce you",
        "with the undersigned.",
    };
    for (bool joint : {false, true}) {
        for (bool capitals : {false, true}) {
            m_dm->db().exec(QStringLiteral("DELETE FROM Client"));
            load({.joint = joint, .extraCashRows = 40, .firstName = joint ? "John" : "Jim"});
            setUser({{"Preparer", "Y"}, {"Compilation", "Y"}, {"PrintMonthlyIncome", "N"},
                     {"Company", longValue(QStringLiteral("Firm"), 60, capitals)}});
            fillEverything(capitals, joint);
            FilterStatementTables(QString::number(m_clientId), QString::number(m_statementId));
            for (Style style : {Style::Standard, Style::Contemporary, Style::Professional}) {
                const QString name = QStringLiteral("hardest_%1_%2%3")
                                         .arg(int(style))
                                         .arg(joint ? QStringLiteral("joint") : QStringLiteral("single"))
                                         .arg(capitals ? QStringLiteral("_caps") : QString());
                SCOPED_TRACE(name.toStdString());
                const std::vector<Printed> printed = printedTexts(style);
                ASSERT_GT(printed.size(), 50u);
                const QString file = QDir(m_out.path()).filePath(name + QStringLiteral(".pdf"));
                std::vector<PreparedPage> pages = prepareDocument(style);
                writePdf(file, pages);
                const int count = pdfPageCount(file);
                ASSERT_EQ(count, int(pages.size()));

                QStringList all;  // every word of the document, in drawing order
                QStringList legalPages;
                for (int p = 1; p <= count; ++p) {
                    SCOPED_TRACE(testing::Message() << "page " << p);
                    QStringList words;
                    for (const PdfWord &w : pdfWords(file, p, true)) {
                        // 12.7 mm margins on a Letter page, in points.
                        EXPECT_GE(w.xMin, 36 - 0.5) << w.text.toStdString();
                        EXPECT_LE(w.xMax, 612 - 36 + 0.5) << w.text.toStdString();
                        EXPECT_GE(w.yMin, 36 - 0.5) << w.text.toStdString();
                        EXPECT_LE(w.yMax, 792 - 36 + 0.5) << w.text.toStdString();
                        EXPECT_FALSE(w.text.contains(QChar(0x2026))) << w.text.toStdString();
                        words << w.text;
                    }
                    // The footer: the page's number among all of them.
                    EXPECT_TRUE(hasRun(words, {"Page", QString::number(p), "of", QString::number(count)}));
                    EXPECT_TRUE(hasRun(words, {"Statement", "date:", "12/31/2025"}));
                    all << words;
                }
                // Every mark of every page inside the margins too.
                for (const CapturedPage &cp : captureAll(pages)) {
                    for (const DrawnLine &l : cp.lines)
                        for (const QPointF &pt : {l.line.p1(), l.line.p2()}) {
                            EXPECT_GE(pt.x(), 48 - 0.5);
                            EXPECT_LE(pt.x(), 768 + 0.5);
                            EXPECT_GE(pt.y(), 48 - 0.5);
                            EXPECT_LE(pt.y(), 1008 + 0.5);
                        }
                    for (const DrawnRect &r : cp.rects) {
                        EXPECT_GE(r.rect.left(), 48 - 0.5);
                        EXPECT_LE(r.rect.right(), 768 + 0.5);
                        EXPECT_GE(r.rect.top(), 48 - 0.5);
                        EXPECT_LE(r.rect.bottom(), 1008 + 0.5);
                    }
                }
                // Every printed value whole, its words one after another.
                // A word wider than its box breaks between letters: its pieces
                // follow one another.
                const QString flow = all.join(QLatin1Char(' '));
                // Text in other scripts is compared as the PDF's text layer
                // gives it back (compatibility forms, no blanks).
                const QString letters = foldedText(all.join(QString()));
                for (const Printed &v : printed)
                    EXPECT_TRUE(flow.contains(v.text) || letters.contains(foldedText(v.text)))
                        << v.where.toStdString() << ": " << v.text.toStdString();
                // The long schedule goes on under its repeated title and headings.
                EXPECT_TRUE(hasRun(all, QStringLiteral("Schedule A - Deposit Relationships (continued) Type of Account")
                                            .split(QLatin1Char(' '))));
                // The certification and every signature block, whole.
                for (const QString &line : certification)
                    EXPECT_TRUE(hasRun(all, line.split(QLatin1Char(' ')))) << line.toStdString();
                EXPECT_EQ(all.count(QStringLiteral("Signed")), joint ? 2 : 1);
                EXPECT_EQ(all.join(QLatin1Char(' ')).count(
                              QStringLiteral("(I have read and I understand the above paragraph.)")),
                          joint ? 2 : 1);
                if (joint && capitals)
                    for (int p = 1; p <= count; ++p)
                        if (pdfText(file, p).contains(QStringLiteral("Legal Information")))
                            renderPage(file, p, name + QStringLiteral("_legal_p%1").arg(p));
                if (!capitals)
                    renderPage(file, 3, name + QStringLiteral("_p3"));
                if (qEnvironmentVariableIsSet("KEEP_HARDEST"))
                    QFile::copy(file, artifactsDir() + QLatin1Char('/') + name + QStringLiteral(".pdf"));
            }
        }
    }
}

}  // namespace
}  // namespace nettora::test
