#include "reference_files.h"

#include "pdf_tools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace nettora::test {

namespace {

constexpr qsizetype Context = 3, Shown = 12;

QString readAll(const QString &path, bool *found)
{
    QFile f(path);
    *found = f.open(QIODevice::ReadOnly);
    return *found ? QString::fromUtf8(f.readAll()) : QString();
}

bool writeAll(const QString &path, const QString &text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text.toUtf8()) >= 0;
}

}  // namespace

QString referenceDir()
{
    return QStringLiteral(NETTORA_TEST_SOURCE_DIR "/reports/reference");
}

bool updatingReferences()
{
    return qEnvironmentVariable("NETTORA_UPDATE_REFERENCES") == QLatin1String("1");
}

QString firstDifference(const QString &expected, const QString &actual)
{
    if (expected == actual)
        return QString();
    const QStringList a = expected.split(QLatin1Char('\n')), b = actual.split(QLatin1Char('\n'));
    qsizetype head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    qsizetype tail = 0;
    while (tail < a.size() - head && tail < b.size() - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    const qsizetype from = std::max<qsizetype>(0, head - Context);
    const qsizetype aEnd = a.size() - tail, bEnd = b.size() - tail;
    QString out = QStringLiteral("@@ -%1,%2 +%3,%4 @@\n")
                      .arg(from + 1)
                      .arg(aEnd - from + std::min(tail, Context))
                      .arg(from + 1)
                      .arg(bEnd - from + std::min(tail, Context));
    for (qsizetype i = from; i < head; ++i)
        out += QLatin1Char(' ') + a[i] + QLatin1Char('\n');
    const auto changed = [&out](const QStringList &lines, qsizetype begin, qsizetype end, QChar mark) {
        for (qsizetype i = begin; i < std::min(end, begin + Shown); ++i)
            out += mark + lines[i] + QLatin1Char('\n');
        if (end - begin > Shown)
            out += QStringLiteral("%1 ... %2 more\n").arg(mark).arg(end - begin - Shown);
    };
    changed(a, head, aEnd, QLatin1Char('-'));
    changed(b, head, bEnd, QLatin1Char('+'));
    for (qsizetype i = aEnd; i < std::min(a.size(), aEnd + Context); ++i)
        out += QLatin1Char(' ') + a[i] + QLatin1Char('\n');
    return out;
}

::testing::AssertionResult matchesReference(const QString &name, const QString &text)
{
    const QString path = QDir(referenceDir()).filePath(name);
    if (updatingReferences()) {
        bool found = false;
        if (readAll(path, &found) == text && found)
            return ::testing::AssertionSuccess();
        if (!writeAll(path, text))
            return ::testing::AssertionFailure() << "cannot write " << path.toStdString();
        return ::testing::AssertionSuccess();
    }
    bool found = false;
    const QString expected = readAll(path, &found);
    if (found && expected == text)
        return ::testing::AssertionSuccess();
    const QString fresh = QDir(artifactsDir()).filePath(QStringLiteral("reference-new/") + name);
    writeAll(fresh, text);
    auto failure = ::testing::AssertionFailure();
    if (!found)
        failure << "no reference file " << path.toStdString();
    else
        failure << name.toStdString() << " differs from its reference:\n"
                << firstDifference(expected, text).toStdString();
    return failure << "\nthe new output is in " << fresh.toStdString()
                   << "\nan intended change: scripts/update-report-references.sh, then review the diff";
}

}  // namespace nettora::test
