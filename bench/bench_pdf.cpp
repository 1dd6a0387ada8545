// Writing a full statement to a PDF file, against replaying the same
// prepared pages into a PDF file with no data access and no layout, in one
// run: the report engine's own work (reading the tables, laying out the
// bands, recording the pages) should cost little next to writing the file.
// Every style, single and joint, led by the compilation report and the
// preparer page, and the three blank sets. Goal: full / replay at most 1.5x
// (medians) for each.
#include "bench_util.h"

#include "cli/cli_commands.h"
#include "data/db_functions.h"
#include "reports/engine/output.h"
#include "reports/preview.h"
#include "reports/print.h"
#include "data/datamodule.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cstdio>

using namespace nettora;
using namespace nettora::bench;

namespace {

constexpr int Warmups = 3;
constexpr int Runs = 21;

// A married couple (or, not joint, a client alone) with rows in every
// schedule: every block of every report, few enough rows that each report
// stays on one page.
QJsonObject clientEntry(bool joint)
{
    QJsonObject client = obj({{"FirstName", "John"}, {"MiddleInitial", "Q"}, {"LastName", "Smith"},
                              {"Birthday", "04/12/1970"}, {"Address", "1200 Elm Street"}, {"City", "Dallas"},
                              {"State", "TX"}, {"Zip", "75001"}, {"SSN", "123-45-6789"}, {"DriversLicense", "D1234567"},
                              {"DriversLicense_State", "TX"}, {"PersonalPhone", "214-555-0101"},
                              {"Email", "john@smith.example"}, {"Dependents", "2"}, {"MaritalStatus", "Married"},
                              {"Employer", "Acme Industries"}, {"Position", "Chief Engineer"}, {"YearsEmployed", "7"},
                              {"EAddress", "1 Acme Way"}, {"ECity", "Irving"}, {"EState", "TX"}, {"EZip", "75038"},
                              {"BusinessPhone", "972-555-0199"}, {"Accountant", "Carla Diaz CPA"},
                              {"AccountantPhone", "214-555-0110"}, {"Attorney", "Hale & Burke"},
                              {"Banker", "First National Bank"}, {"Advisor", "Summit Advisors"},
                              {"SFirstName", "Mary"}, {"SLastName", "Smith"}, {"SBirthday", "09/03/1972"},
                              {"SAddress", "1200 Elm Street"}, {"SCity", "Dallas"}, {"SState", "TX"}, {"SZip", "75001"},
                              {"SEmployer", "Dallas Medical Center"}, {"SPosition", "Physician"},
                              {"SYearsEmployed", "12"}, {"SAccountant", "Ray Ortiz CPA"}, {"SBanker", "Lakeside Bank"}});
    const auto rows = [](int n, const std::function<QJsonObject(int)> &make) {
        QJsonArray a;
        for (int i = 1; i <= n; ++i)
            a.append(make(i));
        return a;
    };
    QJsonObject schedules{
        {"Cash", rows(2, [](int i) {
             return obj({{"Type", i % 2 ? "Checking" : "Savings"}, {"RegisteredName", "John and Mary Smith"},
                         {"Bank", "First National"}, {"AccountNumber", QStringLiteral("100-%1").arg(i)},
                         {"Balance", 12500.55 * i}});
         })},
        {"Investments", rows(2, [](int i) {
             return obj({{"InvestmentType", "Stock"}, {"Description", QStringLiteral("Holding %1").arg(i)},
                         {"Shares", 100 * i}, {"Exchange", "NYSE"}, {"Pledged", "No"}, {"RegisteredName", "John Smith"},
                         {"PurchasePrice", 10000 * i}, {"MarketValue", 12500 * i}});
         })},
        {"RealEstate", rows(1, [](int i) {
             return obj({{"Type", "Residence"}, {"Description", QStringLiteral("Property %1").arg(i)},
                         {"YearAcquired", 2000 + i}, {"PercentOwned", 100}, {"MarketValue", 250000 * i},
                         {"PercentLiability", 100}, {"CurrentBalance", 100000 * i}, {"LienHolder", "Home Mortgage Co"},
                         {"RegisteredName", "John and Mary Smith"}});
         })},
        {"Auto", rows(1, [](int i) {
             return obj({{"Model", "Toyota Highlander"}, {"Year", QString::number(2018 + i)}, {"PurchasePrice", 42000},
                         {"CurrentValue", 30000}, {"MonthlyPayment", 610}});
         })},
        {"LifeInsurance", rows(1, [](int) {
             return obj({{"Insured", "John Smith"}, {"Company", "Mutual Life"}, {"Beneficiary", "Mary Smith"},
                         {"FaceValue", 500000}, {"CashValue", 42000}, {"Pledged", "No"}});
         })},
        {"PersonalAssets", rows(1, [](int i) {
             return obj({{"Description", QStringLiteral("Household item %1").arg(i)}, {"Value", 15000},
                         {"Registered", "John and Mary Smith"}});
         })},
        {"BusinessAssets", rows(1, [](int) {
             return obj({{"Description", "Practice equipment"}, {"Value", 15000}, {"Registered", "Smith LLC"}});
         })},
        {"OtherAssets", rows(1, [](int i) {
             return obj({{"Type", "All Other Assets"}, {"Registered", "John Smith"},
                         {"Description", QStringLiteral("Other asset %1").arg(i)}, {"Value", 4000}});
         })},
        {"Bank", rows(2, [](int i) {
             return obj({{"Description", QStringLiteral("Note %1").arg(i)}, {"Bank", "First National"},
                         {"Amount", 15000}, {"Registered", "John Smith"}});
         })},
        {"CreditCards", rows(3, [](int i) {
             return obj({{"Description", QStringLiteral("Card %1").arg(i)}, {"CurrentBalance", 1450.75},
                         {"CreditLimit", 20000}, {"MemberSince", "1998"}});
         })},
        {"Auto2", rows(1, [](int) {
             return obj({{"Description", "Auto loan"}, {"Registered", "John Smith"}, {"LoanBalance", 21800},
                         {"LienHolder", "Toyota Financial"}});
         })},
        {"Taxes", rows(1, [](int) { return obj({{"Description", "Property tax"}, {"Amount", 9100}}); })},
        {"Other", rows(1, [](int) { return obj({{"Description", "Family loan"}, {"Amount", 6000}, {"MonthlyPayment", 250}}); })},
        {"Contingent", rows(1, [](int) {
             return obj({{"Description", "Guarantee"}, {"ToWhom", "Green Farms"}, {"Amount", 50000}, {"Maturity", "06/30/27"}});
         })},
        {"Incomes", rows(4, [](int i) {
             return obj({{"Type", "All Other Income"}, {"Description", QStringLiteral("Income %1").arg(i)},
                         {"Amount", 12000 * i}, {"MAmount", 1000 * i}});
         })},
        {"Expenditure", rows(5, [](int i) {
             return obj({{"Type", "All Other Obligations"}, {"Description", QStringLiteral("Expense %1").arg(i)},
                         {"Amount", 2400 * i}, {"MAmount", 200 * i}});
         })},
        {"Legal", rows(1, [](int) {
             return obj({{"Will", "Yes"}, {"WillExplanation", "Mary A. Smith"}, {"Judgement", "Yes"},
                         {"JudgementExplanation", "A small-claims judgement from 2019, settled in full."}});
         })},
    };
    const QJsonObject statement{{"fields", obj({{"Date", "12/31/2025"}, {"Description", "Annual"}})},
                                {"schedules", schedules}};
    if (!joint) {
        // No spouse name: the single layout.
        for (const QString &k : client.keys())
            if (k.startsWith(QLatin1Char('S')) && k != QLatin1String("SSN") && k != QLatin1String("State"))
                client.remove(k);
        client.insert(QStringLiteral("FirstName"), QStringLiteral("Jane"));
        client.insert(QStringLiteral("MaritalStatus"), QStringLiteral("Single"));
    }
    return QJsonObject{{"fields", client}, {"statements", QJsonArray{statement}}};
}

QByteArray statementDocument()
{
    const QJsonObject doc{
        {"format", "nettora"}, {"version", 1}, {"clients", QJsonArray{clientEntry(true), clientEntry(false)}}};
    return QJsonDocument(doc).toJson();
}

// The preparer's particulars, with the compilation report and the preparer
// page switched on, as a practice prints them.
void setPreparer()
{
    Table *u = dm1->tblUser;
    u->first();
    u->edit();
    const std::pair<const char *, const char *> fields[] = {
        {"Company", "Kelmor Accounting"}, {"FirstName", "Pat"}, {"LastName", "Kelmor"}, {"City", "Dallas"},
        {"State", "TX"}, {"Zip", "75001"}, {"Compilation", "Y"}, {"Preparer", "Y"}};
    for (const auto &[f, v] : fields)
        if (u->def().fieldIndex(QString::fromLatin1(f)) >= 0)
            u->setAsString(QString::fromLatin1(f), QString::fromLatin1(v));
    u->post();
}

struct Outcome {
    int pages = 0;
    double ratio = 0;
};

// One document: the program's sequence for a PDF file (for a statement, the
// tables narrowed to it first; the document prepared, the pages written)
// against replaying its prepared pages, paired and alternated.
Outcome measure(const char *label, const std::function<std::vector<reports::PreparedPage>()> &prepare,
                const QString &dir)
{
    const QString fullFile = QDir(dir).filePath(QStringLiteral("full.pdf"));
    const QString replayFile = QDir(dir).filePath(QStringLiteral("replay.pdf"));
    const QString title = QStringLiteral("Personal Financial Statement");
    const auto full = [&] { reports::writePdf(fullFile, prepare(), title); };
    const std::vector<reports::PreparedPage> pages = prepare();
    const auto replay = [&] { reports::writePdf(replayFile, pages, title); };
    for (int i = 0; i < Warmups; ++i) {
        full();
        replay();
    }
    std::vector<double> fullMs, replayMs, ratios;
    for (int i = 0; i < Runs; ++i) {
        const bool replayFirst = i % 2;
        double f = 0, r = 0;
        for (int k = 0; k < 2; ++k) {
            const double t = nowMs();
            if ((k == 0) == replayFirst) {
                replay();
                r = nowMs() - t;
            } else {
                full();
                f = nowMs() - t;
            }
        }
        fullMs.push_back(f);
        replayMs.push_back(r);
        ratios.push_back(f / r);
    }
    const double ratio = median(ratios);
    std::printf("%-22s %2d pages  full median %7.2f ms  replay median %7.2f ms  full / replay %.2fx\n", label,
                int(pages.size()), median(fullMs), median(replayMs), ratio);
    return {int(pages.size()), ratio};
}

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
        QTemporaryDir dir;
        auto dm = connect(dir.path());
        const auto imported = cli::importDocument(statementDocument());
        setPreparer();
        struct Case {
            const char *label;
            reports::Style style;
            int client;
        };
        const Case cases[] = {{"Standard joint", reports::Style::Standard, 0},
                              {"Standard single", reports::Style::Standard, 1},
                              {"Contemporary joint", reports::Style::Contemporary, 0},
                              {"Contemporary single", reports::Style::Contemporary, 1},
                              {"Professional joint", reports::Style::Professional, 0},
                              {"Professional single", reports::Style::Professional, 1}};
        std::printf("each statement led by the preparer page and the compilation report; medians of %d paired runs\n",
                    Runs);
        bool met = true;
        double worst = 0;
        for (const Case &c : cases) {
            const auto &entry = imported.at(size_t(c.client));
            const QString clientId = QString::number(entry.clientId);
            const QString statementId = QString::number(entry.statementIds.at(0));
            const Outcome o = measure(
                c.label,
                [&] {
                    FilterStatementTables(clientId, statementId);
                    return reports::prepareDocument(c.style);
                },
                dir.path());
            // Five statement forms and the two pages in front; the assets
            // schedules of this statement run onto a second page, under
            // their repeated title, above the footer every page keeps.
            met = met && o.pages == 8 && o.ratio <= 1.5;
            worst = std::max(worst, o.ratio);
        }
        // The blank sets: eleven forms, no table read.
        for (const auto &[label, style] : {std::pair{"Standard blank", reports::Style::Standard},
                                           std::pair{"Contemporary blank", reports::Style::Contemporary},
                                           std::pair{"Professional blank", reports::Style::Professional}}) {
            const Outcome o = measure(label, [style] { return reports::prepareBlankDocument(style); }, dir.path());
            met = met && o.pages == 11 && o.ratio <= 1.5;
            worst = std::max(worst, o.ratio);
        }
        std::printf("largest full / replay: %.2fx\n", worst);
        printGoal(met, "8 pages per statement, 11 per blank set, full / replay at most 1.5x for each");
        dm1 = nullptr;
    } catch (const std::exception &e) {
        std::printf("benchmark failed: %s\n", e.what());
    }
    return 0;
}
