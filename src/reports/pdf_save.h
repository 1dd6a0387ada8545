#pragma once
// Saving a filled statement as a PDF file in a folder the user chose. The
// name typed is a name only, so the file always lands inside that folder;
// the file is written beside its target under a temporary name and renamed
// into place when complete, so a failure leaves neither a half-written file
// nor a damaged earlier one.

#include "reports/engine/output.h"
#include "reports/print.h"

#include <QString>
#include <functional>
#include "data/error.h"

#include <stdexcept>

namespace nettora::reports {

// A request that cannot be carried out, with a sentence for the error box.
class PdfSaveError : public Error {
public:
    explicit PdfSaveError(const QString &text) : Error(text) {}
};

// Why the typed file name (without ".pdf") cannot be used, or an empty text
// when it can.
QString pdfNameProblem(const QString &name);
// Why the folder cannot take the file, naming it, or an empty text.
QString pdfFolderProblem(const QString &folder);
// Why the file cannot be written under that name in the folder (a folder or
// a link of that name is there, the name is too long), or an empty text.
QString pdfFileProblem(const QString &folder, const QString &fileName);

// The current statement, or the style's blank set (no table read).
enum class Document { Statement, BlankSet };

// Writes the document in style to folder/fileName, announcing the file and
// each form through progress as it starts, each field that has characters
// no installed font can draw, and the success at the end.
// Throws PdfSaveError, ReportError or EngineError; nothing is left in the
// folder then.
void saveStatementPdf(Style style, const QString &folder, const QString &fileName,
                      const std::function<void(const QString &)> &progress,
                      Document document = Document::Statement);

}  // namespace nettora::reports
