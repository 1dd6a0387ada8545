#pragma once
// Prepared pages to paper and to PDF files.

#include "reports/engine/report.h"

#include <QString>
#include "data/error.h"

#include <stdexcept>
#include <vector>

class QIODevice;
class QPainter;
class QPrinter;

namespace nettora::reports {

// A failure of an output, with a one-line text for the user.
class ReportError : public Error {
public:
    explicit ReportError(const QString &text) : Error(text) {}
};

// One PDF page per prepared page, of the page's size, text as text in the
// embedded TrueType fonts of the drawing. The file is written aside and
// renamed, so a failure leaves no half file. Throws ReportError.
void writePdf(const QString &fileName, const std::vector<PreparedPage> &pages, const QString &title = QString());
void writePdf(QIODevice &device, const std::vector<PreparedPage> &pages, const QString &title = QString());

// Plays the pages in the printer's page range (all when it has none), as
// many copies as asked when the printer does not make them itself.
// Throws ReportError when the printer cannot start.
void printPages(QPrinter &printer, const std::vector<PreparedPage> &pages);

// Draws a page with its top-left corner at the painter's origin, at full
// size for the painter's device. The picture scales itself to the device's
// resolution; no further scale belongs here.
void drawPage(QPainter &painter, const PreparedPage &page);

}  // namespace nettora::reports
