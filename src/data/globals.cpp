#include "data/globals.h"

namespace nettora {

QString ClientWindowMode;
QString LoginPending;
QString EntryMode;
QString IncomeExpensePage;
QString OptionsStartPage;
QString SelectedClientId;
QString PdfFolder;
QString PdfFileName;
QString LastPdfFolder;

void resetProcessTexts()
{
    for (QString *s : {&ClientWindowMode, &LoginPending, &EntryMode, &IncomeExpensePage, &OptionsStartPage,
                       &SelectedClientId, &PdfFolder, &PdfFileName, &LastPdfFolder})
        s->clear();
}

}  // namespace nettora
