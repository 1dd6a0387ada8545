#include "reports/preview.h"

#include "kit/dialogs.h"
#include "data/engine_error.h"
#include "reports/engine/output.h"
#include "reports/print.h"

namespace nettora::reports {

void showStatementPreview(QWidget *parent)
{
    guarded([parent] {
        const Sources sources = Sources::dataModule();
        const FormKind kind{Style::Standard, filingOf(sources.client)};
        // Made for this request only, so changed data and options show next time.
        previewSequence(statementPages(kind, sources),
                        kind.filing == Filing::Joint ? QStringLiteral("qrcr2") : QStringLiteral("qrcr1"),
                        statementFooter(sources), parent);
    });
}

std::vector<PreparedPage> prepareStatement(Style style, const std::function<void(const QString &)> &progress)
{
    const Sources sources = Sources::dataModule();
    return prepareSequence(statementPages({style, filingOf(sources.client)}, sources), statementFooter(sources),
                           progress);
}

void writeStatementPdf(const QString &fileName, Style style, const std::function<void(const QString &)> &progress)
{
    writePdf(fileName, prepareStatement(style, progress), QStringLiteral("Personal Financial Statement"));
}

}  // namespace nettora::reports
