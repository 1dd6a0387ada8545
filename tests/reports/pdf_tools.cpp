#include "pdf_tools.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

namespace nettora::test {

ToolRun runTool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    ToolRun r;
    if (!p.waitForStarted() || !p.waitForFinished(120000))
        return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString pdfText(const QString &file, int page)
{
    QStringList args{QStringLiteral("-layout")};
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
    args << file << QStringLiteral("-");
    return runTool(QStringLiteral("pdftotext"), args).out;
}

QStringList pdfPages(const QString &file)
{
    QStringList pages;
    for (int i = 1, n = pdfPageCount(file); i <= n; ++i)
        pages << pdfText(file, i);
    return pages;
}

QStringList pdfTextPages(const QString &file)
{
    QStringList out = runTool(QStringLiteral("pdftotext"), {file, QStringLiteral("-")}).out.split(QLatin1Char('\f'));
    if (!out.isEmpty() && out.last().trimmed().isEmpty())
        out.removeLast();
    return out;
}

QString pdfInfo(const QString &file)
{
    return runTool(QStringLiteral("pdfinfo"), {file}).out;
}

QString foldedText(const QString &text)
{
    QString out;
    for (const QChar c : text.normalized(QString::NormalizationForm_KC))
        if (!c.isSpace() && c.category() != QChar::Other_Format)
            out += c;
    return out;
}

int pdfPageCount(const QString &file)
{
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(pdfInfo(file));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

std::vector<PdfWord> pdfWords(const QString &file, int page, bool raw)
{
    QStringList args = {QStringLiteral("-bbox"), QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                        QString::number(page), file, QStringLiteral("-")};
    if (raw)
        args.prepend(QStringLiteral("-raw"));
    const QString html = runTool(QStringLiteral("pdftotext"), args).out;
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    std::vector<PdfWord> out;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        QString text = m.captured(5);
        text.replace(QStringLiteral("&amp;"), QStringLiteral("&"))
            .replace(QStringLiteral("&lt;"), QStringLiteral("<"))
            .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
            .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
            .replace(QStringLiteral("&apos;"), QStringLiteral("'"));
        out.push_back({text, m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                       m.captured(4).toDouble()});
    }
    return out;
}

QString artifactsDir()
{
    QString dir = qEnvironmentVariable("NETTORA_ARTIFACTS");
    if (dir.isEmpty()) {
        // The build's artifacts folder: the companion program sits in <build>/src.
        QDir build = QFileInfo(QStringLiteral(NETTORA_CLI_PATH)).dir();
        build.cdUp();
        dir = build.filePath(QStringLiteral("artifacts"));
    }
    QDir().mkpath(dir);
    return dir;
}

QString renderPage(const QString &file, int page, const QString &name, int dpi)
{
    const QString base = QDir(artifactsDir()).filePath(name);
    runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi),
                                         QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                         QString::number(page), QStringLiteral("-singlefile"), file, base});
    return base + QStringLiteral(".png");
}

}  // namespace nettora::test
