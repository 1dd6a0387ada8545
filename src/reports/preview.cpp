#include "reports/preview.h"

#include "kit/dialogs.h"
#include "data/engine_error.h"
#include "reports/engine/composite.h"
#include "reports/engine/output.h"
#include "reports/print.h"

namespace nettora::reports {

void showStatementPreview(QWidget *parent)
{
    try {
        const Sources sources = Sources::dataModule();
        const FormKind kind{Style::Standard, filingOf(sources.client)};
        // Made for this request only, so changed data and options show next time.
        const std::vector<std::unique_ptr<Report>> forms = statementForms(kind, sources);
        CompositeReport composite(kind.filing == Filing::Joint ? QStringLiteral("qrcr2") : QStringLiteral("qrcr1"));
        composite.footer = statementFooter(sources);
        composite.numbered = true;
        composite.onAddReports = [&forms](CompositeReport &c) {
            for (const auto &f : forms)
                c.addReport(f.get());
        };
        composite.onNotes = [&forms] {
            // The forms come in the order of the page kinds.
            const PageKind pages[] = {PageKind::NetWorthSummary, PageKind::LegalInformation, PageKind::Assets,
                                      PageKind::Liabilities, PageKind::IncomeAndExpenses};
            QStringList lines;
            for (size_t i = 0; i < forms.size() && i < std::size(pages); ++i)
                lines += undrawableLines(*forms[i], progressLine(pages[i]));
            return lines;
        };
        composite.preview(parent);
    } catch (const EngineError &e) {
        dialogs().error(e.text());
    } catch (const ReportError &e) {
        dialogs().error(e.text());
    }
}

std::vector<PreparedPage> prepareStatement(Style style, const std::function<void(const QString &)> &progress)
{
    const Sources sources = Sources::dataModule();
    const FormKind kind{style, filingOf(sources.client)};
    const DocumentFooter footer = statementFooter(sources);
    std::vector<PreparedPage> pages;
    for (PageKind page : {PageKind::NetWorthSummary, PageKind::LegalInformation, PageKind::Assets,
                          PageKind::Liabilities, PageKind::IncomeAndExpenses}) {
        if (progress)
            progress(progressLine(page));
        const std::unique_ptr<Report> form = buildForm(page, kind, sources);
        form->page.footerHeight = footerHeight(footer);
        form->prepare();
        pages.insert(pages.end(), form->pages().begin(), form->pages().end());
    }
    addFooters(pages, footer);
    return pages;
}

void writeStatementPdf(const QString &fileName, Style style, const std::function<void(const QString &)> &progress)
{
    writePdf(fileName, prepareStatement(style, progress), QStringLiteral("Personal Financial Statement"));
}

}  // namespace nettora::reports
