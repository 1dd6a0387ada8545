#pragma once
// nettora-cli pdf: one statement written as a PDF document.

#include <QByteArray>
#include <QString>
#include <functional>

namespace nettora::cli {

// The style names the pdf command accepts.
bool isPdfStyle(const QString &style);

// Narrows the tables to the statement and its client, as the windows do.
// Throws CliError for an unknown statement or one without a client.
void selectStatement(qint64 statementId);

// A sentence about the document that does not stop it, such as a field
// with characters no installed font can draw.
using Warning = std::function<void(const QString &text)>;

// Narrows the tables to the statement and its client, as the windows do,
// and returns the statement in the style as a PDF document (single or joint
// by the client's spouse first name), with the preparer page and the
// compilation report in front as the user table asks. Throws CliError for
// an unknown statement or a failing report.
QByteArray statementPdf(qint64 statementId, const QString &style, const Warning &warning = nullptr);

// The blank form set of the style as a PDF document; reads no table.
QByteArray blankPdf(const QString &style, const Warning &warning = nullptr);

}  // namespace nettora::cli
