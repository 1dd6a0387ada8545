// The backup and restore windows as real widgets over a real data directory.
#include "support/window_fixture.h"

#include "backup/backup.h"
#include "backup/browseforfolder.h"
#include "backup/restore.h"
#include "kit/btn_functions.h"
#include "data/data_backup.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

using namespace nettora;
using namespace nettora::test;

namespace {

QStringList clientNames()
{
    QStringList names;
    Statement st = dm1->db().prepare(QStringLiteral("SELECT LastName FROM Client ORDER BY Id"));
    while (st.step())
        names << st.columnText(0);
    return names;
}

class BackupWindows : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        makeHome();
        ASSERT_TRUE(root.isValid());
        addClient(QStringLiteral("Ann"), QStringLiteral("Able"));
        setFolderChooser([this](QWidget *, const QString &title, const QString &start) {
            asked << title + QLatin1Char('|') + start;
            return chooserAnswer;
        });
    }
    void TearDown() override
    {
        setFolderChooser(nullptr);
        WindowTest::TearDown();
    }
    TfrmBackup *openBackup()
    {
        auto *w = qobject_cast<TfrmBackup *>(OpenBackupWindow());
        EXPECT_NE(w, nullptr);
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
        return w;
    }
    TfrmRestore *openRestore()
    {
        auto *w = qobject_cast<TfrmRestore *>(OpenRestoreWindow());
        EXPECT_NE(w, nullptr);
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
        return w;
    }
    // A backup of the data as it is now, in root/name.
    void backUp(const QString &name)
    {
        TfrmBackup *b = openBackup();
        type(b->dName, name);
        type(b->dLocation, root.path());
        click(b->bOK);
        b->close();
    }

    QTemporaryDir root;
    QStringList asked;
    QString chooserAnswer;
};

}  // namespace

TEST_F(BackupWindows, ShowTheirTextsTheDefaultNameAndTheRealDataDirectory)
{
    EXPECT_EQ(defaultBackupFolderName(QDate(2026, 12, 8)), "Nettora_Backup_12082026");
    TfrmBackup *b = openBackup();
    EXPECT_EQ(b->currentPage(), b->tsBackup);
    EXPECT_EQ(b->size(), QSize(752, 519));
    EXPECT_EQ(b->windowTitle(), WindowCaption());
    EXPECT_EQ(b->dName->text(), defaultBackupFolderName(QDate::currentDate()));
    EXPECT_EQ(b->dLocation->text(), QString());
    const QString location = QStringLiteral("File Location:  ") + QDir::cleanPath(dataDir()) + QLatin1Char('/');
    EXPECT_EQ(b->lLocation->text(), location);
    EXPECT_EQ(b->s1->text(), "  Backup");
    const QStringList texts = labelTexts(b->tsBackup);
    for (const char *t : {"Backup Nettora Files", "You are about to make a backup of your Nettora files.", "Current Files",
                          "Securing your data in today’s world is a must!  Secure backups are an integral part of successful ",
                          "be stored off site.",
                          "If backing up to removable storage, please make sure that it is connected before clicking on \"OK\".",
                          "Backup Files", "Folder Name:", "Location:"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(t))) << t;
    saveScreenshot(b, QStringLiteral("backup_window"));

    TfrmRestore *r = openRestore();
    EXPECT_EQ(r->currentPage(), r->tsBackup);
    EXPECT_EQ(r->lLocation->text(), location);
    EXPECT_EQ(r->s1->text(), "  Restore");
    const QStringList rtexts = labelTexts(r->tsBackup);
    for (const char *t : {"Restore Nettora Files", "You are about to restore backup files into the directory below:",
                          "restore function.  ",
                          "If restoring from removable storage, please make sure that it is connected before clicking on \"OK\".",
                          "Backup Files to be Restored", "Backup File to be Restored:"})
        EXPECT_TRUE(rtexts.contains(QString::fromUtf8(t))) << t;
    saveScreenshot(r, QStringLiteral("restore_window"));
}

TEST_F(BackupWindows, ALongDataDirectoryIsShortenedInTheMiddleWithTheWholePathInTheTooltip)
{
    QString deep = root.path();
    for (int i = 0; i < 4; ++i)
        deep += QStringLiteral("/a_rather_long_folder_name_number_%1_for_the_data").arg(i);
    ASSERT_TRUE(QDir().mkpath(deep));
    m_dm = std::make_unique<Tdm1>();
    dm1 = m_dm.get();
    m_dm->ConnectDb(deep);
    TfrmRestore *r = openRestore();
    const QString full = QStringLiteral("File Location:  ") + deep + QLatin1Char('/');
    EXPECT_EQ(r->lLocation->toolTip(), full);
    EXPECT_LE(r->lLocation->fontMetrics().horizontalAdvance(r->lLocation->text()), r->lLocation->width());
    EXPECT_TRUE(r->lLocation->text().startsWith(QStringLiteral("File Location:  ")));
    EXPECT_TRUE(r->lLocation->text().endsWith(QStringLiteral("_for_the_data/")));
    EXPECT_TRUE(r->lLocation->text().contains(QChar(0x2026)));
}

TEST_F(BackupWindows, BrowseUsesTheChooserAndACancelledChooserEmptiesTheLocation)
{
    TfrmBackup *b = openBackup();
    type(b->dLocation, QStringLiteral("/somewhere"));
    chooserAnswer = root.path();
    click(b->bBrowse);
    EXPECT_EQ(b->dLocation->text(), root.path());
    chooserAnswer.clear();
    click(b->bBrowse);
    EXPECT_EQ(b->dLocation->text(), QString());
    TfrmRestore *r = openRestore();
    chooserAnswer = root.path();
    click(r->bBrowse);
    EXPECT_EQ(r->dLocation->text(), root.path());
    EXPECT_EQ(asked, (QStringList{"Select Backup Directory Folder|/somewhere", "Select Backup Directory Folder|" + root.path(),
                                  "Select Restore Directory Folder|"}));
}

TEST_F(BackupWindows, MissingNameOrLocationIsAskedForInOrderAndNothingIsWritten)
{
    TfrmBackup *b = openBackup();
    const struct {
        const char *name, *location, *message;
        QLineEdit *focus;
    } cases[] = {
        {"", "", "Please enter a \"File Name\".", b->dName},
        {"", "/x", "Please enter a \"File Name\".", b->dName},
        {"n", "", "Please enter a \"File Location\".", b->dLocation},
        {"a/b", "/x", "The \"Folder Name\" must be the name of one folder, without \"/\".", b->dName},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        m_dialogs->clear();
        type(b->dName, QString::fromLatin1(c.name));
        type(b->dLocation, QString::fromLatin1(c.location));
        click(b->bOK);
        ASSERT_EQ(m_dialogs->shown().size(), 1u);
        EXPECT_EQ(m_dialogs->shown()[0].kind, "error");
        EXPECT_EQ(m_dialogs->shown()[0].text, c.message);
        EXPECT_TRUE(c.focus->hasFocus());
    }
    EXPECT_EQ(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());

    TfrmRestore *r = openRestore();
    m_dialogs->clear();
    click(r->bOK);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Please enter a \"File Location\"."});
}

TEST_F(BackupWindows, BackupThenRestoreBringsTheBackedUpDataBackAfterTheQuestion)
{
    backUp(QStringLiteral("Nettora_Backup_12082026"));
    ASSERT_EQ(m_dialogs->texts(), QStringList{"Backup Successful."});
    EXPECT_EQ(m_dialogs->shown()[0].kind, "information");
    EXPECT_EQ(QDir(root.filePath(QStringLiteral("Nettora_Backup_12082026"))).entryList(QDir::Files | QDir::Hidden),
              QStringList{"nettora.db"});

    addClient(QStringLiteral("Bob"), QStringLiteral("Baker"));
    TfrmRestore *r = openRestore();
    type(r->dLocation, root.filePath(QStringLiteral("Nettora_Backup_12082026")));
    m_dialogs->clear();
    m_dialogs->answerWarnings({false});
    click(r->bOK);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Are you sure that you want to restore the selected files?"});
    EXPECT_EQ(clientNames(), (QStringList{"Able", "Baker"}));

    m_dialogs->clear();
    m_dialogs->answerWarnings({true});
    click(r->bOK);
    ASSERT_EQ(m_dialogs->shown().size(), 2u);
    EXPECT_EQ(m_dialogs->shown()[1].kind, "information");
    const QString kept = QDir(dataDir()).filePath(QStringLiteral("Replaced/nettora-"));
    EXPECT_TRUE(m_dialogs->shown()[1].text.startsWith("Restore Successful.\n\nThe data it replaced was kept as \"" + kept))
        << m_dialogs->shown()[1].text.toStdString();
    EXPECT_EQ(clientNames(), QStringList{"Able"});
    // The window and the data module go on working.
    addClient(QStringLiteral("Cy"), QStringLiteral("Cole"));
    EXPECT_EQ(clientNames(), (QStringList{"Able", "Cole"}));

    // A second backup the same day replaces the first without asking.
    m_dialogs->clear();
    backUp(QStringLiteral("Nettora_Backup_12082026"));
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Backup Successful."});
}

TEST_F(BackupWindows, AFolderWithoutABackupIsRefusedSayingWhatIsWrong)
{
    QFile other(root.filePath(QStringLiteral("letter.txt")));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("not data");
    other.close();
    TfrmRestore *r = openRestore();
    type(r->dLocation, root.path());
    m_dialogs->answerWarnings({true});
    click(r->bOK);
    ASSERT_EQ(m_dialogs->shown().size(), 2u);
    EXPECT_EQ(m_dialogs->shown()[1].kind, "error");
    EXPECT_EQ(m_dialogs->shown()[1].text,
              "The folder \"" + root.path() + "\" holds no Nettora backup: there is no file named nettora.db in it. "
              "Nothing was changed.");
    EXPECT_FALSE(QFile::exists(QDir(dataDir()).filePath(QStringLiteral("letter.txt"))));
    EXPECT_EQ(clientNames(), QStringList{"Able"});
}

TEST_F(BackupWindows, AFailedReopenTellsTheUserAndEndsTheProgram)
{
    home->show();
    TfrmBackup *b = openBackup();
    home->hide();
    QPointer<TfrmBackup> guard(b);
    type(b->dLocation, root.path());
    setDataFileStepHook([](DataFileStep s) { return s == DataFileStep::Reopen ? QStringLiteral("No disk.") : QString(); });
    click(b->bOK);
    setDataFileStepHook({});
    ASSERT_EQ(m_dialogs->shown().size(), 1u);
    EXPECT_TRUE(m_dialogs->shown()[0].text.startsWith("Error:  Directory is Invalid\n\r"));
    EXPECT_TRUE(m_dialogs->shown()[0].text.contains("No disk."));
    QApplication::processEvents();
    EXPECT_TRUE(guard.isNull() || !guard->isVisible());
    EXPECT_FALSE(home->isVisible());
}

TEST_F(BackupWindows, LeftMenuOwnEntriesDoNothingAndCancelGoesHome)
{
    TfrmBackup *b = openBackup();
    QPointer<TfrmBackup> backup(b);
    click(b->mBackup);
    EXPECT_TRUE(backup && backup->isVisible());
    EXPECT_EQ(shownWindow<TfrmRestore>(), nullptr);

    click(b->mRestore);
    QApplication::processEvents();
    EXPECT_TRUE(backup.isNull() || !backup->isVisible());
    TfrmRestore *r = shownWindow<TfrmRestore>();
    ASSERT_NE(r, nullptr);
    QPointer<TfrmRestore> restore(r);
    click(r->mRestore);
    EXPECT_TRUE(restore && restore->isVisible());
    click(r->mBackup);
    QApplication::processEvents();
    EXPECT_TRUE(restore.isNull() || !restore->isVisible());
    TfrmBackup *b2 = shownWindow<TfrmBackup>();
    ASSERT_NE(b2, nullptr);

    home->hide();
    click(b2->bCancel);
    QApplication::processEvents();
    EXPECT_TRUE(home->isVisible());
    EXPECT_EQ(shownWindow<TfrmBackup>(), nullptr);
}
