#include "data/globals.h"

namespace nettora {

QString ClientWindowMode;
QString LoginPending;
QString FilterByClientOnly;
QString NewStatementDate;
QString NewStatementDescription;
QString SourceClientId;
QString SourceStatementId;
QString NewStatementId;
QString EntryMode;
QString IncomeExpensePage;
QString OptionsStartPage;
QString SelectedClientId;
QString PdfFolder;
QString PdfFileName;
QString LastPdfFolder;

void resetProcessTexts()
{
    for (QString *s : {&ClientWindowMode, &LoginPending, &FilterByClientOnly, &NewStatementDate,
                       &NewStatementDescription, &SourceClientId, &SourceStatementId, &NewStatementId, &EntryMode,
                       &IncomeExpensePage, &OptionsStartPage, &SelectedClientId, &PdfFolder, &PdfFileName,
                       &LastPdfFolder})
        s->clear();
}

}  // namespace nettora
