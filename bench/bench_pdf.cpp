// Writing a full joint Standard statement (five pages) to a PDF file, against
// replaying the same prepared pages into a PDF file with no data access and
// no layout, in one run: the report engine's own work (reading the tables,
// laying out the bands, recording the pages) should cost little next to
// writing the file. Goal: full / replay at most 1.5x (medians).

#include "bench_util.h"

#include "cli/cli_commands.h"
#include "data/db_functions.h"
#include "reports/engine/output.h"
#include "reports/preview.h"

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
constexpr int Runs = 41;

QJsonObject obj(std::initializer_list<std::pair<const char *, QJsonValue>> fields)
{
    QJsonObject o;
    for (const auto &[k, v] : fields)
        o.insert(QString::fromLatin1(k), v);
    return o;
}

// A married couple with rows in every schedule: every block of every
// report, few enough rows that each report stays on one page.
QByteArray statementDocument()
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
    const QJsonObject doc{{"format", "nettora"},
                          {"version", 1},
                          {"clients", QJsonArray{QJsonObject{{"fields", client}, {"statements", QJsonArray{statement}}}}}};
    return QJsonDocument(doc).toJson();
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
        const QString clientId = QString::number(imported.at(0).clientId);
        const QString statementId = QString::number(imported.at(0).statementIds.at(0));
        const QString fullFile = QDir(dir.path()).filePath(QStringLiteral("full.pdf"));
        const QString replayFile = QDir(dir.path()).filePath(QStringLiteral("replay.pdf"));

        // The program's sequence (writeStatementPdf, timed in its two halves):
        // the tables narrowed to the statement, the statement prepared, the
        // pages written.
        std::vector<double> splitPrepare, splitWrite;
        const auto full = [&] {
            double t0 = nowMs();
            FilterStatementTables(clientId, statementId);
            const auto p = reports::prepareStatement(reports::Style::Standard);
            splitPrepare.push_back(nowMs() - t0);
            t0 = nowMs();
            reports::writePdf(fullFile, p, QStringLiteral("Personal Financial Statement"));
            splitWrite.push_back(nowMs() - t0);
        };
        FilterStatementTables(clientId, statementId);
        const std::vector<reports::PreparedPage> pages = reports::prepareStatement(reports::Style::Standard);
        const auto replay = [&] { reports::writePdf(replayFile, pages, QStringLiteral("Personal Financial Statement")); };

        for (int i = 0; i < Warmups; ++i) {
            full();
            replay();
        }
        std::vector<double> fullMs, replayMs, ratios;
        for (int i = 0; i < Runs; ++i) {
            // Paired and alternated, so drift hits both the same.
            double t = nowMs();
            if (i % 2) {
                replay();
                const double r = nowMs() - t;
                t = nowMs();
                full();
                fullMs.push_back(nowMs() - t);
                replayMs.push_back(r);
            } else {
                full();
                const double f = nowMs() - t;
                t = nowMs();
                replay();
                replayMs.push_back(nowMs() - t);
                fullMs.push_back(f);
            }
            ratios.push_back(fullMs.back() / replayMs.back());
        }

        std::printf("joint Standard statement: %d pages, PDF %.0f KB\n", int(pages.size()),
                    QFileInfo(fullFile).size() / 1024.0);
        std::printf("full (filter, read, lay out, record, write PDF): median %.2f ms (min %.2f, max %.2f)\n",
                    median(fullMs), minimum(fullMs), maximum(fullMs));
        std::printf("  of which preparation %.2f ms, writing %.2f ms\n", median(splitPrepare), median(splitWrite));
        std::printf("replay of prepared pages into PDF:            median %.2f ms (min %.2f, max %.2f)\n",
                    median(replayMs), minimum(replayMs), maximum(replayMs));
        const double ratio = median(ratios);
        std::printf("full / replay: %.2fx (median of %d paired runs; ratio of medians %.2fx)\n", ratio, Runs,
                    median(fullMs) / median(replayMs));
        printGoal(pages.size() == 5 && ratio <= 1.5, "5 pages, full / replay at most 1.5x");
        dm1 = nullptr;
    } catch (const std::exception &e) {
        std::printf("benchmark failed: %s\n", e.what());
    }
    return 0;
}
