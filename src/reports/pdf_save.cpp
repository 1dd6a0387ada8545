#include "reports/pdf_save.h"

#include "data/output_file.h"
#include "reports/engine/output.h"

#include <QDir>
#include <QFileInfo>

namespace nettora::reports {

QString pdfNameProblem(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("Please enter a name for the pdf document.");
    if (name.trimmed().isEmpty())
        return QStringLiteral("The name of the pdf document cannot be only blanks.");
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return QStringLiteral("The name of the pdf document cannot contain \"/\" or \"\\\"; "
                              "choose the directory in step 3.");
    if (name.contains(QLatin1String("..")))
        return QStringLiteral("The name of the pdf document cannot contain \"..\".");
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("The name of the pdf document cannot contain control characters.");
    return QString();
}

QString pdfFolderProblem(const QString &folder)
{
    const QFileInfo info(folder);
    if (!info.exists() || !info.isDir())
        return QStringLiteral("The directory \"%1\" does not exist.").arg(QDir::toNativeSeparators(folder));
    if (!info.isWritable())
        return QStringLiteral("The directory \"%1\" cannot be written.").arg(QDir::toNativeSeparators(folder));
    return QString();
}

QString pdfFileProblem(const QString &folder, const QString &fileName)
{
    const QString path = QDir(folder).filePath(fileName);
    const QString why = outputFileRefusal(path);
    return why.isEmpty() ? QString() : OutputFileError(QDir::toNativeSeparators(path), why).text();
}

void saveStatementPdf(Style style, const QString &folder, const QString &fileName,
                      const std::function<void(const QString &)> &progress, Document document)
{
    const auto say = [&progress](const QString &line) {
        if (progress)
            progress(line);
    };
    say(QStringLiteral("Generating PDF File: ") + fileName);
    if (const QString problem = pdfFolderProblem(folder); !problem.isEmpty())
        throw PdfSaveError(problem);
    // The name was checked by the caller; the file must still be a child
    // of the folder, whatever reaches here.
    const QString path = QDir(folder).filePath(fileName);
    if (QFileInfo(path).absolutePath() != QFileInfo(folder).absoluteFilePath())
        throw PdfSaveError(QStringLiteral("The pdf document must be saved inside \"%1\".")
                               .arg(QDir::toNativeSeparators(folder)));
    try {
        OutputFile out(path);
        // What cannot be drawn is said in line with the progress.
        writePdf(out.device(), document == Document::BlankSet ? prepareBlankDocument(style, progress, progress)
                                                              : prepareDocument(style, progress, progress));
        out.commit();
    } catch (const OutputFileError &e) {
        throw PdfSaveError(e.text());
    }
    say(fileName + QStringLiteral(" Created Successfully!"));
}

}  // namespace nettora::reports
