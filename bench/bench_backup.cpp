// Backup and restore of a 50 MB data file, against a plain copy of the same
// file in the same run.
// Goal: the backup (the log merged, the database closed, the copy, the
// database reopened, the copy flushed and checked, renamed into place) at
// most 2x the plain copy, median of paired runs. The plain copy is the
// kernel's copy of the file followed by a flush to the disk, since a copy
// that may still sit in memory is no backup; the copy alone is printed too.
//
// The figures of each step come from the step hook, which the routines call
// before each step: before the copy, the reopen, the flush, the check, the
// rename (backup) and the copy, flush, check, rename, reopen (restore).

#include "bench_util.h"

#include "data/data_backup.h"
#include "data/engine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <filesystem>
#include <map>

#include <fcntl.h>
#include <unistd.h>

using namespace nettora;
using namespace nettora::bench;

namespace {

constexpr int Runs = 9;
constexpr qint64 TargetBytes = 50LL * 1024 * 1024;

const char *stepName(DataFileStep s)
{
    switch (s) {
    case DataFileStep::Copy: return "copy";
    case DataFileStep::Flush: return "flush";
    case DataFileStep::Check: return "check";
    case DataFileStep::Rename: return "rename";
    case DataFileStep::Reopen: return "reopen";
    }
    return "?";
}

// Times between the hook's calls: each step runs from its call to the next
// one (the last to the end of the routine); "prepare" is the time before the
// first call.
struct StepClock {
    std::map<std::string, std::vector<double>> figures;
    double start = 0, last = 0;
    std::string current = "prepare";
    void begin()
    {
        start = last = nowMs();
        current = "prepare";
        setDataFileStepHook([this](DataFileStep s) {
            lap();
            current = stepName(s);
            return QString();
        });
    }
    void lap()
    {
        const double now = nowMs();
        figures[current].push_back(now - last);
        last = now;
    }
    double end()
    {
        lap();
        setDataFileStepHook({});
        return last - start;
    }
};

double plainCopy(const QString &from, const QString &to, bool flush)
{
    const double t0 = nowMs();
    std::filesystem::copy_file(from.toStdString(), to.toStdString(),
                               std::filesystem::copy_options::overwrite_existing);
    if (flush) {
        const int fd = ::open(to.toLocal8Bit().constData(), O_RDONLY);
        ::fsync(fd);
        ::close(fd);
    }
    return nowMs() - t0;
}

void printSteps(const char *title, const StepClock &clock)
{
    std::printf("  %s steps (median ms):", title);
    for (const char *name : {"prepare", "copy", "reopen", "flush", "check", "rename"})
        if (auto it = clock.figures.find(name); it != clock.figures.end())
            std::printf(" %s %.1f", name, median(it->second));
    std::printf("\n");
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString dataDir = QDir(scratch.path()).filePath(QStringLiteral("Data"));
    QDir().mkpath(dataDir);
    auto dm = connect(dataDir);

    // Notes of random text until the file holds 50 MB.
    const int rows = int(TargetBytes / 1100);
    dm->db().exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                 "INSERT INTO Notes (ClientId, StatementId, Description, Details) "
                                 "SELECT '1', '1', 'Note ' || i, hex(randomblob(512)) FROM n")
                      .arg(rows));
    dm->db().exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    const QString dataFile = QDir(dataDir).filePath(QStringLiteral("nettora.db"));
    std::printf("data file: %.1f MB, %d note rows\n", double(QFileInfo(dataFile).size()) / (1024 * 1024), rows);

    const QString plainTarget = QDir(scratch.path()).filePath(QStringLiteral("plain.db"));
    const QString backupFolder = QDir(scratch.path()).filePath(QStringLiteral("Backup"));
    std::vector<double> copies, flushed, backups, restores, ratios;
    StepClock backupSteps, restoreSteps;
    bool allOk = true;
    for (int run = 0; run <= Runs; ++run) {
        const double c = plainCopy(dataFile, plainTarget, false);
        const double f = plainCopy(dataFile, plainTarget, true);
        backupSteps.begin();
        const DataFileResult b = BackupDataFile(backupFolder, ExistingBackup::Replace);
        const double bt = backupSteps.end();
        restoreSteps.begin();
        const DataFileResult r = RestoreDataFile(backupFolder);
        const double rt = restoreSteps.end();
        allOk = allOk && b.ok && r.ok;
        if (!b.ok || !r.ok)
            std::printf("failed: %s %s\n", qPrintable(b.text), qPrintable(r.text));
        QDir(QDir(dataDir).filePath(QStringLiteral("Replaced"))).removeRecursively();
        if (run == 0)
            continue;  // warm-up
        copies.push_back(c);
        flushed.push_back(f);
        backups.push_back(bt);
        restores.push_back(rt);
        ratios.push_back(bt / f);
    }
    std::printf("plain copy:          median %.1f ms (min %.1f, max %.1f)\n", median(copies), minimum(copies),
                maximum(copies));
    std::printf("plain copy + flush:  median %.1f ms (min %.1f, max %.1f)\n", median(flushed), minimum(flushed),
                maximum(flushed));
    std::printf("backup:              median %.1f ms (min %.1f, max %.1f)\n", median(backups), minimum(backups),
                maximum(backups));
    printSteps("backup", backupSteps);
    std::printf("restore:             median %.1f ms (min %.1f, max %.1f)\n", median(restores), minimum(restores),
                maximum(restores));
    printSteps("restore", restoreSteps);
    const double ratio = median(ratios);
    std::printf("backup / (plain copy + flush): %.2fx (median of %d paired runs)\n", ratio, Runs);
    printGoal(allOk && ratio <= 2.0, "backup at most 2x a plain copy of the same file, every run successful");
    return 0;
}
