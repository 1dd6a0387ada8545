#pragma once
// The PDF tools of poppler-utils and qpdf run on real output, and the
// artefacts folder where rendered pages are left for people to look at.

#include <QString>
#include <QStringList>
#include <vector>

namespace nettora::test {

struct ToolRun {
    int status = -1;
    QString out;
    QString err;
};

ToolRun runTool(const QString &program, const QStringList &args);

// Text of one page (1-based) or of the whole file (0), in reading order.
QString pdfText(const QString &file, int page = 0);
// Text of every page, in order.
QStringList pdfPages(const QString &file);
// The same from one run without the layout mode, the pages split where the
// text has its form feeds: how the text flows rather than where it stands.
QStringList pdfTextPages(const QString &file);
int pdfPageCount(const QString &file);
// Extracted text made comparable with what was drawn: a PDF's text layer
// gives Arabic letters in their presentation forms and some CJK characters
// as the look-alike radicals of the same glyph, and a blank before some
// vowel signs. Folds compatibility forms (NFKC) and drops blanks and
// direction marks.
QString foldedText(const QString &text);
QString pdfInfo(const QString &file);

struct PdfWord {
    QString text;
    double xMin, yMin, xMax, yMax;  // points from the top-left corner of the page
};
// raw: in the order the page draws them rather than in reading order.
std::vector<PdfWord> pdfWords(const QString &file, int page, bool raw = false);

// NETTORA_ARTIFACTS, else the build's artifacts folder.
QString artifactsDir();
// Renders a page to <artifacts>/<name>.png at the resolution; returns the path.
QString renderPage(const QString &file, int page, const QString &name, int dpi = 110);

}  // namespace nettora::test
