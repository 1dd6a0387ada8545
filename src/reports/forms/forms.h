#pragma once
// The report forms of a filled statement, declared by builders: one builder
// per page kind, parameterised by style and filing type, reading the tables
// named by a Sources (the data module's, or none for the blank forms). Each
// returns a new report object owned by the caller.

#include "reports/engine/report.h"

#include <QDate>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace nettora {
class Table;
struct Review;
}

namespace nettora::reports {

enum class Style { Standard, Contemporary, Professional };
enum class Filing { Single, Joint };

// The five page kinds of a filled statement, in the order they print.
enum class PageKind { NetWorthSummary, LegalInformation, Assets, Liabilities, IncomeAndExpenses };

struct FormKind {
    Style style = Style::Standard;
    Filing filing = Filing::Single;
};

// The tables a form reads. Null tables print as empty fields (blank forms).
struct Sources {
    Table *client = nullptr;
    Table *statement = nullptr;
    Table *user = nullptr;
    Table *legal = nullptr;
    Table *schedule(const QString &tableName) const;  // e.g. "Cash"; null without a data module
    bool blank = false;
    // The day the compilation letter is dated; invalid: the day it prints.
    QDate today;

    // The data module's tables as they are filtered now.
    static Sources dataModule();
};

// The form's class name: TqrSingle, TqrJoint_Sect4, TqrSingle_Details_L ...
QString formName(PageKind page, const FormKind &kind);
// The progress line announcing a page kind, e.g. "Creating Net Worth Summary".
QString progressLine(PageKind page);

std::unique_ptr<Report> buildNetWorthSummary(const FormKind &kind, const Sources &sources);
std::unique_ptr<Report> buildLegalInformation(const FormKind &kind, const Sources &sources);
std::unique_ptr<Report> buildAssets(const FormKind &kind, const Sources &sources);
std::unique_ptr<Report> buildLiabilities(const FormKind &kind, const Sources &sources);
std::unique_ptr<Report> buildIncomeAndExpenses(const FormKind &kind, const Sources &sources);
std::unique_ptr<Report> buildForm(PageKind page, const FormKind &kind, const Sources &sources);

// The joint rule: a client whose spouse first name is not empty files jointly.
Filing filingOf(Table *client);

// The pages that may go in front of a statement, the same in every style:
// the compilation report (TqrCompilation), a letter from the preparer, and
// the preparer page (TqrPreparer).
std::unique_ptr<Report> buildCompilationReport(const Sources &sources);
std::unique_ptr<Report> buildPreparerPage(const Sources &sources);
// The review page that may follow the schedules (TqrReview, TqrCont_Review,
// TqrPro_Review): the client and the statement's date, the ratios a lender
// computes, then the findings a lender would send back, the fixes first.
// The statement is reviewed as of sources.today (invalid: the day it prints).
std::unique_ptr<Report> buildReviewPage(Style style, const Sources &sources);
// The same page for a review already made.
std::unique_ptr<Report> buildReviewPage(Style style, const Review &review, const Sources &sources);
QString reviewFormName(Style style);
// The line standing for the findings when there are none.
QString nothingFoundLine();
// The preparer's "City, State  Zip" line from the user row, as the preparer
// page prints it and the options window shows it.
QString preparerCityLine(Table *user);
// The letter's three paragraphs for the names and the statement's date.
QStringList compilationParagraphs(const QString &names, const QString &asOf);
// The wording of the compilation letter is the preparer's (the user row's
// CompilationText; empty: the standard wording), with placeholders filled
// when the letter prints.
inline constexpr const char *CompilationToday = "[Today]";
inline constexpr const char *CompilationNames = "[Names]";
inline constexpr const char *CompilationDate = "[Statement Date]";
inline constexpr const char *CompilationPreparer = "[Preparer]";
QString standardCompilationText();
// The wording the user row holds, or the standard one.
QString compilationTextOf(Table *user);
QString fillCompilationText(const QString &wording, const QString &names, const QString &asOf,
                            const QString &preparer, const QDate &today);
// The compilation report's letter, dated today, for the current client,
// statement and preparer.
QString compilationLetter(Table *client, Table *statement, Table *user, const QDate &today);


// One form of a document: its class name, the progress line announcing it
// in PDF output, and how to build it.
struct SequenceForm {
    QString name;
    QString progress;
    std::function<std::unique_ptr<Report>()> build;
};
// The eleven blank forms of a style, in print order; they read no table.
std::vector<SequenceForm> blankForms(Style style);

}  // namespace nettora::reports
