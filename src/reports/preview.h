#pragma once
// The five forms of a statement without anything in front: previewed from
// the entry windows' Preview buttons, which never show the compilation
// report or the preparer page. Print requests and PDF files, which may put
// those pages in front, are assembled by print.h. Both read the tables as
// the last FilterStatementTables left them and choose single or joint by
// the joint rule (the client's SFirstName).

#include "reports/engine/report.h"
#include "reports/forms/forms.h"

#include <QString>
#include <functional>
#include <vector>

class QWidget;

namespace nettora::reports {

// The Standard single or joint composite in the preview window, modally;
// every report object made for it is released before it returns. Failures
// are shown in an error box.
void showStatementPreview(QWidget *parent);

// The five forms of the statement in a style, prepared one after the other;
// progress receives the line announcing each form ("Creating Assets").
std::vector<PreparedPage> prepareStatement(Style style,
                                           const std::function<void(const QString &)> &progress = nullptr);

// The statement in a style written to a PDF file. Throws ReportError or
// EngineError; nothing is left behind on failure.
void writeStatementPdf(const QString &fileName, Style style,
                       const std::function<void(const QString &)> &progress = nullptr);

}  // namespace nettora::reports
