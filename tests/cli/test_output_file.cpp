// Output files: written aside, synced and renamed; only regular files are
// replaced, and what is written is the owner's alone.
#include "data/output_file.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>
#include <sys/stat.h>

using namespace nettora;

namespace {

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(OutputFile, WritesInPlaceOrLeavesEverythingAsItWas)
{
    const struct {
        const char *what;
        // What the writer does between opening and the end; it may commit.
        std::function<void(OutputFile &)> write;
        QByteArray expected;  // the target's content afterwards ("old" when untouched)
        QString reason;       // of the refusal, or empty
    } cases[] = {
        {"written through the device",
         [](OutputFile &f) {
             f.device().write("new");
             f.commit();
         },
         "new", {}},
        {"written by a writer that wants a file name",
         [](OutputFile &f) {
             QFile byName(f.temporaryPath());
             ASSERT_TRUE(byName.open(QIODevice::WriteOnly));
             byName.write("by name");
             byName.close();
             f.commit();
         },
         "by name", {}},
        {"abandoned before the commit", [](OutputFile &f) { f.device().write("half"); }, "old", {}},
        {"the target turned into a named pipe meanwhile",
         [](OutputFile &f) {
             f.device().write("new");
             ASSERT_TRUE(QFile::remove(f.path()));
             ASSERT_EQ(::mkfifo(QFile::encodeName(f.path()).constData(), 0600), 0);
             f.commit();
         },
         {}, "it is a named pipe (FIFO), not a regular file"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("statement.pdf"));
        {
            QFile old(target);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("old");
            ASSERT_TRUE(old.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        }
        QString reason;
        try {
            OutputFile file(target);
            EXPECT_EQ(QFileInfo(file.temporaryPath()).path(), dir.path());  // beside the target
            c.write(file);
        } catch (const OutputFileError &e) {
            reason = e.reason();
            EXPECT_EQ(e.path(), target);
        }
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("statement.pdf")});  // nothing left aside
        if (c.reason.isEmpty()) {
            EXPECT_EQ(contentOf(target), c.expected);
            struct stat st {};
            ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, c.expected == "old" ? 0604u : 0600u);
        }
    }
}

TEST(OutputFile, RefusesWhatItCannotWrite)
{
    QTemporaryDir dir;
    const struct {
        QString path;
        QString reason;
    } cases[] = {
        {QString(), "no file name is given"},
        {dir.filePath(QStringLiteral("missing/out.json")), "No such file or directory"},
        {dir.path(), "it is a folder, not a regular file"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        try {
            writeOutputFile(c.path, "data");
            ADD_FAILURE() << "written";
        } catch (const OutputFileError &e) {
            EXPECT_EQ(e.reason(), c.reason);
            EXPECT_EQ(e.text(), QStringLiteral("Cannot write \"%1\": %2.").arg(c.path, c.reason));
        }
    }
    EXPECT_EQ(entries(dir.path()), QStringList());
}
