#include "reports/engine/output.h"

#include "data/failure_cause.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>

namespace nettora::reports {

namespace {

QPageSize pageSizeOf(const PreparedPage &page)
{
    return QPageSize(QSizeF(page.sizeTenthsMm.width() / 10.0, page.sizeTenthsMm.height() / 10.0),
                     QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
}

}  // namespace

void drawPage(QPainter &painter, const PreparedPage &page)
{
    painter.drawPicture(QPointF(0, 0), page.picture);
    if (!page.footer.isNull())
        painter.drawPicture(QPointF(0, 0), page.footer);
}

void writePdf(QIODevice &device, const std::vector<PreparedPage> &pages, const QString &title)
{
    QPdfWriter writer(&device);
    writer.setCreator(QStringLiteral("Nettora"));
    if (!title.isEmpty())
        writer.setTitle(title);
    // Tenths of a millimetre: 254 device units per inch.
    writer.setResolution(254);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    if (!pages.empty())
        writer.setPageSize(pageSizeOf(pages.front()));
    QPainter painter;
    if (!painter.begin(&writer))
        throw ReportError(QStringLiteral("the PDF document could not be started"));
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0) {
            if (pages[i].sizeTenthsMm != pages[i - 1].sizeTenthsMm)
                writer.setPageSize(pageSizeOf(pages[i]));
            writer.newPage();
        }
        drawPage(painter, pages[i]);
    }
    painter.end();
}

void writePdf(const QString &fileName, const std::vector<PreparedPage> &pages, const QString &title)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw ReportError(QStringLiteral("cannot write \"%1\": %2").arg(fileName, deviceCause(file)));
    writePdf(file, pages, title);
    if (!file.commit())
        throw ReportError(QStringLiteral("cannot write \"%1\": %2").arg(fileName, deviceCause(file)));
}

void printPages(QPrinter &printer, const std::vector<PreparedPage> &pages)
{
    const int count = int(pages.size());
    int first = 1, last = count;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::max(1, printer.fromPage());
        last = std::min(count, printer.toPage() > 0 ? printer.toPage() : count);
    }
    if (count == 0 || first > last)
        return;
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    printer.setFullPage(true);
    if (!pages.empty())
        printer.setPageSize(pageSizeOf(pages.front()));
    QPainter painter;
    if (!painter.begin(&printer))
        throw ReportError(QStringLiteral("The printer could not be started."));
    bool started = false;
    const auto put = [&](int index) {
        if (started)
            printer.newPage();
        started = true;
        drawPage(painter, pages[size_t(index)]);
    };
    if (printer.collateCopies() || copies == 1) {
        for (int c = 0; c < copies; ++c)
            for (int p = first; p <= last; ++p)
                put(p - 1);
    } else {
        for (int p = first; p <= last; ++p)
            for (int c = 0; c < copies; ++c)
                put(p - 1);
    }
    painter.end();
}

}  // namespace nettora::reports
