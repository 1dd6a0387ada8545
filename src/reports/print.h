#pragma once
// Print assembly: the document a request plays. A filled statement is the
// pages the user table asks for in front (the compilation report, the
// preparer page), then the five forms of the chosen style, in the joint or
// the single layout by the joint rule, and the review page after them when
// the user table asks for it. Paper puts the compilation report
// first; PDF files put the preparer page first. The report objects are made
// for one request and released with it, so changed options and data show in
// the next one without any refresh.

#include "reports/engine/footer.h"
#include "reports/engine/report.h"
#include "reports/forms/forms.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace nettora::reports {

// The six choices of the print page.
enum class PrintChoice { Standard, Contemporary, Professional, StandardBlank, ContemporaryBlank, ProfessionalBlank };

// Where the document goes; it decides the order of the pages in front.
enum class Output { Paper, Pdf };

// The user table's options as they stand now; only "Y" counts as yes.
struct PrintOptions {
    bool compilation = false;
    bool preparer = false;
    bool review = false;  // the review page after the schedules
    static PrintOptions read(Table *user);
};

// The forms of a filled statement in a style, in the order of the output,
// with the options and the filing read from the sources now.
std::vector<SequenceForm> statementSequence(Style style, Output output, const Sources &sources);
// The five forms of a filled statement, from the Net Worth Summary to the
// income and expenses, announced by their progress lines.
std::vector<SequenceForm> statementPages(const FormKind &kind, const Sources &sources);

// Previews the forms as one composite, every page with the footer, and
// returns when the preview is closed. The reports are owned by this request:
// released, each once, when the preview closes or a form fails to build.
void previewSequence(const std::vector<SequenceForm> &sequence, const QString &compositeName,
                     const DocumentFooter &footer, QWidget *parent);
// The forms prepared one after the other, each announced through progress,
// every page with the footer, numbered over them all; warning receives what
// a form could not draw.
std::vector<PreparedPage> prepareSequence(const std::vector<SequenceForm> &sequence, const DocumentFooter &footer,
                                          const std::function<void(const QString &)> &progress,
                                          const std::function<void(const QString &)> &warning = nullptr);

// The footer of every page of a statement: the client's name (with the
// spouse's, filing jointly) and the statement's date.
DocumentFooter statementFooter(const Sources &sources);
// The composite that previews a style and filing: qrcr1 (Standard single)
// to qrcr6 (Professional joint).
QString compositeName(Style style, Filing filing);
// The composite of a blank set: qrcr7 (Standard), qrcr8 (Professional),
// qrcr9 (Contemporary).
QString blankCompositeName(Style style);
// Previews a style's eleven blank forms as one document and returns when the
// preview is closed, the forms released. No table is read.
void previewBlankSet(Style style, const QString &composite, QWidget *parent);

// OK of the print page: previews the chosen document and returns when the
// preview is closed, every report object of the request released. A
// failure is shown in an error box. A blank choice previews the style's
// eleven blank forms, whatever the current statement holds.
void printChoice(PrintChoice choice, QWidget *parent);

// The document of a filled statement for a PDF file: each form prepared on
// its own, announced through progress; each field that holds characters no
// installed font can draw is told to warning (see undrawableLines). Throws
// ReportError or EngineError.
std::vector<PreparedPage> prepareDocument(Style style,
                                          const std::function<void(const QString &)> &progress = nullptr,
                                          const std::function<void(const QString &)> &warning = nullptr);

// The eleven forms of a style's blank set, in print order.
std::vector<SequenceForm> blankSequence(Style style);
// The blank set of a style for a PDF file, each form prepared on its own and
// announced through progress, warnings as prepareDocument's. Reads no table.
// Throws ReportError.
std::vector<PreparedPage> prepareBlankDocument(Style style,
                                               const std::function<void(const QString &)> &progress = nullptr,
                                               const std::function<void(const QString &)> &warning = nullptr);

// One line for each field of a prepared form whose characters no installed
// font can draw, naming the form by its progress line without "Creating ":
// "Some characters of the field FullName2 (Net Worth Summary) cannot be
// printed: no installed font has U+E000."
QStringList undrawableLines(const Report &form, const QString &progress);

}  // namespace nettora::reports
