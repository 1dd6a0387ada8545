// The backup and restore windows as real widgets over a real data directory.
#include "support/window_fixture.h"

#include "backup/backup.h"
#include "backup/browseforfolder.h"
#include "backup/restore.h"
#include "kit/btn_functions.h"
#include "data/data_backup.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace nettora;
using namespace nettora::test;

namespace {

QByteArray bytesOf(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

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
        type(b->folderNameBox, name);
        type(b->locationBox, root.path());
        click(b->okButton);
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
    EXPECT_EQ(b->folderNameBox->text(), defaultBackupFolderName(QDate::currentDate()));
    EXPECT_EQ(b->locationBox->text(), QString());
    const QString location = QStringLiteral("File Location:  ") + QDir::cleanPath(dataDir()) + QLatin1Char('/');
    EXPECT_EQ(b->dataLocationLabel->text(), location);
    EXPECT_EQ(b->backupLink->text(), "  Backup");
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
    EXPECT_EQ(r->dataLocationLabel->text(), location);
    EXPECT_EQ(r->restoreLink->text(), "  Restore");
    const QStringList rtexts = labelTexts(r->tsBackup);
    for (const char *t : {"Restore Nettora Files", "You are about to restore backup files into the directory below:",
                          "restore function.  ",
                          "If restoring from removable storage, please make sure that it is connected before clicking on \"OK\".",
                          "Backup Files to be Restored", "Backup File to be Restored:", "Kept Data Files",
                          "The data each restore replaced, and the copies made before upgrades:"})
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
    m_dm->ConnectDb(deep, test::testPassword());
    TfrmRestore *r = openRestore();
    const QString full = QStringLiteral("File Location:  ") + deep + QLatin1Char('/');
    EXPECT_EQ(r->dataLocationLabel->toolTip(), full);
    EXPECT_LE(r->dataLocationLabel->fontMetrics().horizontalAdvance(r->dataLocationLabel->text()), r->dataLocationLabel->width());
    EXPECT_TRUE(r->dataLocationLabel->text().startsWith(QStringLiteral("File Location:  ")));
    EXPECT_TRUE(r->dataLocationLabel->text().endsWith(QStringLiteral("_for_the_data/")));
    EXPECT_TRUE(r->dataLocationLabel->text().contains(QChar(0x2026)));
}

TEST_F(BackupWindows, BrowseUsesTheChooserAndACancelledChooserEmptiesTheLocation)
{
    TfrmBackup *b = openBackup();
    type(b->locationBox, QStringLiteral("/somewhere"));
    chooserAnswer = root.path();
    click(b->browseButton);
    EXPECT_EQ(b->locationBox->text(), root.path());
    chooserAnswer.clear();
    click(b->browseButton);
    EXPECT_EQ(b->locationBox->text(), QString());
    TfrmRestore *r = openRestore();
    chooserAnswer = root.path();
    click(r->browseButton);
    EXPECT_EQ(r->locationBox->text(), root.path());
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
        {"", "", "Please enter a \"File Name\".", b->folderNameBox},
        {"", "/x", "Please enter a \"File Name\".", b->folderNameBox},
        {"n", "", "Please enter a \"File Location\".", b->locationBox},
        {"a/b", "/x", "The \"Folder Name\" must be the name of one folder, without \"/\".", b->folderNameBox},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        m_dialogs->clear();
        type(b->folderNameBox, QString::fromLatin1(c.name));
        type(b->locationBox, QString::fromLatin1(c.location));
        click(b->okButton);
        ASSERT_EQ(m_dialogs->shown().size(), 1u);
        EXPECT_EQ(m_dialogs->shown()[0].kind, "error");
        EXPECT_EQ(m_dialogs->shown()[0].text, c.message);
        EXPECT_TRUE(c.focus->hasFocus());
    }
    EXPECT_EQ(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());

    TfrmRestore *r = openRestore();
    m_dialogs->clear();
    click(r->okButton);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Please enter a \"File Location\"."});
}

TEST_F(BackupWindows, BackupThenRestoreBringsTheBackedUpDataBackAfterTheQuestion)
{
    backUp(QStringLiteral("Nettora_Backup_12082026"));
    ASSERT_EQ(m_dialogs->texts(), QStringList{"Backup Successful."});
    EXPECT_EQ(m_dialogs->shown()[0].kind, "information");
    EXPECT_EQ(QDir(root.filePath(QStringLiteral("Nettora_Backup_12082026"))).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"nettora.db", "nettora.key"}));

    addClient(QStringLiteral("Bob"), QStringLiteral("Baker"));
    TfrmRestore *r = openRestore();
    type(r->locationBox, root.filePath(QStringLiteral("Nettora_Backup_12082026")));
    m_dialogs->clear();
    m_dialogs->answerWarnings({false});
    click(r->okButton);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Are you sure that you want to restore the selected files?"});
    EXPECT_EQ(clientNames(), (QStringList{"Able", "Baker"}));

    m_dialogs->clear();
    m_dialogs->answerWarnings({true});
    click(r->okButton);
    ASSERT_EQ(m_dialogs->shown().size(), 2u);
    EXPECT_EQ(m_dialogs->shown()[1].kind, "information");
    const QString kept = QDir(dataDir()).filePath(QStringLiteral("Replaced/nettora-"));
    EXPECT_TRUE(m_dialogs->shown()[1].text.startsWith("Restore Successful.\n\nThe data it replaced was kept as \"" + kept))
        << m_dialogs->shown()[1].text.toStdString();
    EXPECT_EQ(clientNames(), QStringList{"Able"});
    // The window and the data module go on working.
    addClient(QStringLiteral("Cy"), QStringLiteral("Cole"));
    EXPECT_EQ(clientNames(), (QStringList{"Able", "Cole"}));
}

TEST_F(BackupWindows, ABackupAlreadyInTheFolderIsReplacedOnlyAfterYes)
{
    const QString folder = root.filePath(QStringLiteral("Nettora_Backup_12082026"));
    const QString file = QDir(folder).filePath(QStringLiteral("nettora.db"));
    backUp(QStringLiteral("Nettora_Backup_12082026"));
    ASSERT_EQ(m_dialogs->texts(), QStringList{"Backup Successful."});
    const QByteArray first = bytesOf(file);
    addClient(QStringLiteral("Bob"), QStringLiteral("Baker"));
    const QString question = existingBackupIn(folder) + "\nReplace it with a new backup of the data as it is now?";
    EXPECT_TRUE(question.startsWith("The folder \"" + folder + "\" already holds a backup, written "));

    m_dialogs->clear();
    m_dialogs->answerWarnings({false});
    backUp(QStringLiteral("Nettora_Backup_12082026"));
    EXPECT_EQ(m_dialogs->texts(), QStringList{question});
    EXPECT_EQ(m_dialogs->shown()[0].kind, "warning");
    EXPECT_EQ(bytesOf(file), first);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), (QStringList{"nettora.db", "nettora.key"}));

    m_dialogs->clear();
    m_dialogs->answerWarnings({true});
    backUp(QStringLiteral("Nettora_Backup_12082026"));
    EXPECT_EQ(m_dialogs->texts(), (QStringList{question, "Backup Successful."}));
    // The folder now holds the data with Baker.
    addClient(QStringLiteral("Cy"), QStringLiteral("Cole"));
    ASSERT_TRUE(RestoreDataFile(folder).ok);
    EXPECT_EQ(clientNames(), (QStringList{"Able", "Baker"}));
}

TEST_F(BackupWindows, TheRestoreWindowListsTheKeptDataFilesAndRestoresTheChosenOne)
{
    backUp(QStringLiteral("b"));
    addClient(QStringLiteral("Bob"), QStringLiteral("Baker"));
    TfrmRestore *r = openRestore();
    QTreeWidget *list = r->keptFiles;
    const QTreeWidgetItem *header = list->headerItem();
    QStringList headings;
    for (int c = 0; c < header->columnCount(); ++c)
        headings << header->text(c);
    EXPECT_EQ(headings, (QStringList{"Date", "Time", "Size", "Clients", "Statements", "Kept"}));
    EXPECT_EQ(list->topLevelItemCount(), 0);

    // The folder route, as before; the data it replaced is listed then.
    type(r->locationBox, root.filePath(QStringLiteral("b")));
    m_dialogs->answerWarnings({true});
    click(r->okButton);
    ASSERT_EQ(clientNames(), QStringList{"Able"});
    ASSERT_EQ(list->topLevelItemCount(), 1);
    const std::vector<KeptDataFile> kept = keptDataFiles(dataDir());
    ASSERT_EQ(kept.size(), 1u);
    const QTreeWidgetItem *row = list->topLevelItem(0);
    QStringList cells;
    for (int c = 0; c < row->columnCount(); ++c)
        cells << row->text(c);
    EXPECT_EQ(cells, (QStringList{kept[0].kept.toString("MM/dd/yyyy"), kept[0].kept.toString("HH:mm:ss"),
                                  QLocale(QLocale::English, QLocale::UnitedStates)
                                      .formattedDataSize(kept[0].size, 1, QLocale::DataSizeTraditionalFormat),
                                  "2", "0", "at a restore"}));

    // Choosing it puts its path in the box; OK restores it, keeping the
    // data it replaces.
    m_dialogs->clear();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(row).center());
    EXPECT_EQ(r->locationBox->text(), kept[0].file);
    m_dialogs->answerWarnings({true});
    click(r->okButton);
    ASSERT_EQ(m_dialogs->shown().size(), 2u);
    EXPECT_EQ(m_dialogs->shown()[0].text, "Are you sure that you want to restore the selected files?");
    EXPECT_TRUE(m_dialogs->shown()[1].text.startsWith("Restore Successful.\n\nThe data it replaced was kept as \""))
        << m_dialogs->shown()[1].text.toStdString();
    EXPECT_EQ(clientNames(), (QStringList{"Able", "Baker"}));
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(3), "1");
    EXPECT_EQ(list->topLevelItem(1)->text(3), "2");
    EXPECT_TRUE(m_dialogs->shown()[1].text.contains(list->topLevelItem(0)->data(0, Qt::UserRole).toString()));

    // A file that does not open is listed as such.
    QFile junk(QDir(dataDir()).filePath(QStringLiteral("Replaced/nettora-20010101-000000.db")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    r->refreshKeptFiles();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(2)->text(5), "cannot be opened");
    EXPECT_EQ(list->topLevelItem(2)->text(3), QString());
    EXPECT_TRUE(list->topLevelItem(2)->toolTip(0).contains("it is damaged"));
    // Typing a location by hand leaves no row chosen.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());
    type(r->locationBox, QStringLiteral("/elsewhere"));
    EXPECT_TRUE(list->selectedItems().isEmpty());
    saveScreenshot(r, QStringLiteral("restore_window_kept_files"));
}

// A backup of data under another password: the restore asks for it on
// the page, and with it brings the backup back with its own password.
TEST_F(BackupWindows, ABackupUnderAnotherPasswordIsRestoredWithThePasswordTypedOnThePage)
{
    QTemporaryDir otherDir;
    {
        Tdm1 other;
        Tdm1 *previous = dm1;
        dm1 = &other;
        other.ConnectDb(otherDir.path(), SecretBytes::fromText(QStringLiteral("other password")), QStringLiteral("o"));
        other.db().exec(QStringLiteral("INSERT INTO Client (FirstName, LastName) VALUES ('Zed', 'Other')"));
        ASSERT_TRUE(BackupDataFile(root.filePath(QStringLiteral("other")), ExistingBackup::Refuse).ok);
        dm1 = previous;
    }
    TfrmRestore *r = openRestore();
    type(r->locationBox, root.filePath(QStringLiteral("other")));
    m_dialogs->answerWarnings({true});
    click(r->okButton);
    ASSERT_EQ(m_dialogs->shown().size(), 2u);
    EXPECT_EQ(m_dialogs->shown()[1].kind, "error");
    EXPECT_TRUE(m_dialogs->shown()[1].text.contains("enter the password it was made with"))
        << m_dialogs->shown()[1].text.toStdString();
    EXPECT_EQ(clientNames(), QStringList{"Able"});
    EXPECT_EQ(r->passwordBox->echoMode(), QLineEdit::Password);

    m_dialogs->clear();
    type(r->passwordBox, QStringLiteral("other password"));
    m_dialogs->answerWarnings({true});
    click(r->okButton);
    ASSERT_EQ(m_dialogs->shown().size(), 2u);
    EXPECT_EQ(m_dialogs->shown()[1].kind, "information");
    EXPECT_TRUE(m_dialogs->shown()[1].text.contains("The restored data keeps its own password"))
        << m_dialogs->shown()[1].text.toStdString();
    EXPECT_EQ(clientNames(), QStringList{"Other"});
    EXPECT_EQ(r->passwordBox->text(), QString());
    // The replaced data is listed as under a password of its own.
    ASSERT_EQ(r->keptFiles->topLevelItemCount(), 1);
    EXPECT_EQ(r->keptFiles->topLevelItem(0)->text(5), "at a restore, own password");
}

TEST_F(BackupWindows, AFolderWithoutABackupIsRefusedSayingWhatIsWrong)
{
    QFile other(root.filePath(QStringLiteral("letter.txt")));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("not data");
    other.close();
    TfrmRestore *r = openRestore();
    type(r->locationBox, root.path());
    m_dialogs->answerWarnings({true});
    click(r->okButton);
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
    type(b->locationBox, root.path());
    setDataFileStepHook([](DataFileStep s) { return s == DataFileStep::Reopen ? QStringLiteral("No disk.") : QString(); });
    click(b->okButton);
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
    click(b2->cancelButton);
    QApplication::processEvents();
    EXPECT_TRUE(home->isVisible());
    EXPECT_EQ(shownWindow<TfrmBackup>(), nullptr);
}

namespace {

// A start whose data file does not open: the directory holds a backup's
// worth of data in root/b and garbage in place of the data file.
class RestoreAtStartTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_TRUE(root.isValid());
        addClient(QStringLiteral("Ann"), QStringLiteral("Able"));
        ASSERT_TRUE(BackupDataFile(root.filePath(QStringLiteral("b")), ExistingBackup::Refuse).ok);
        m_dm.reset();
        QFile f(QDir(dataDir()).filePath(QStringLiteral("nettora.db")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(garbage);
        f.close();
        m_dm = std::make_unique<Tdm1>();
        dm1 = m_dm.get();
        try {
            m_dm->ConnectDb(dataDir(), test::testPassword());
            FAIL() << "the garbage opened";
        } catch (const DataFileUnopenable &e) {
            why = e.text();
        }
    }
    QString question() const
    {
        return why
               + "\n\nNettora can put a backup, or a data file it kept in the folder \"Replaced\" of the data "
                 "directory, in its place; the file that does not open is kept there too.\n\nRestore now? Yes opens "
                 "the restore window; No quits Nettora.";
    }

    QTemporaryDir root;
    QString why;
    const QByteArray garbage = QByteArray(8192, 'x');
};

}  // namespace

TEST_F(RestoreAtStartTest, NoQuitsAndChangesNothing)
{
    EXPECT_EQ(why, "The data file \"" + QDir(dataDir()).filePath("nettora.db")
                       + "\" cannot be opened (file is encrypted or is not a database): it is damaged, or it is not a "
                         "Nettora data file.");
    m_dialogs->answerWarnings({false});
    EXPECT_FALSE(RestoreAtStart(why));
    EXPECT_EQ(m_dialogs->texts(), QStringList{question()});
    EXPECT_EQ(shownWindow<TfrmRestore>(), nullptr);
    EXPECT_EQ(bytesOf(QDir(dataDir()).filePath("nettora.db")), garbage);
    EXPECT_FALSE(QDir(QDir(dataDir()).filePath("Replaced")).exists());
}

TEST_F(RestoreAtStartTest, TheRestoreWindowBringsTheDataBackAndKeepsTheFileThatDidNotOpen)
{
    m_dialogs->answerWarnings({true, true});
    QStringList shownMenu;
    QString title, cancelLine;
    bool acted = false;
    QTimer::singleShot(0, [&] {
        TfrmRestore *w = shownWindow<TfrmRestore>();
        if (!w)
            return;
        acted = true;
        title = w->windowTitle();
        for (HoverLabel *l : {w->mOptions, w->mSecurity, w->mCheckUpdate1, w->mBackup, w->mRestore, w->mExit, w->mHelp})
            if (l->isVisible() && l->isEnabled())
                shownMenu << l->text();
        if (auto *l = w->findChild<QLabel *>(QStringLiteral("lAtStart")))
            cancelLine = l->text();
        saveScreenshot(w, QStringLiteral("restore_window_at_start"));
        type(w->locationBox, root.filePath(QStringLiteral("b")));
        click(w->okButton);
    });
    // Should the window stay, the test ends rather than wait forever.
    QTimer::singleShot(30000, [] { closeScreenWindows(); });
    EXPECT_TRUE(RestoreAtStart(why));
    EXPECT_TRUE(acted);
    EXPECT_EQ(title, "Nettora");
    EXPECT_EQ(shownMenu, (QStringList{"CHECK", "RESTORE", "help"}));
    EXPECT_EQ(cancelLine, "The data file does not open. Cancel quits Nettora.");
    QApplication::processEvents();
    EXPECT_EQ(shownWindow<TfrmRestore>(), nullptr);

    EXPECT_TRUE(dm1->dataOpen());
    EXPECT_EQ(clientNames(), QStringList{"Able"});
    const std::vector<KeptDataFile> kept = keptDataFiles(dataDir());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(bytesOf(kept[0].file), garbage);
    EXPECT_EQ(m_dialogs->texts(),
              (QStringList{question(), "Are you sure that you want to restore the selected files?",
                           "Restore Successful.\n\nThe data file it replaced, which did not open, was kept as \""
                               + kept[0].file + "\"."}));
    restart();
    EXPECT_EQ(clientNames(), QStringList{"Able"});
}

TEST_F(RestoreAtStartTest, CancelEndsTheWindowWithoutData)
{
    m_dialogs->answerWarnings({true});
    QTimer::singleShot(0, [] {
        if (TfrmRestore *w = shownWindow<TfrmRestore>())
            click(w->cancelButton);
    });
    QTimer::singleShot(30000, [] { closeScreenWindows(); });
    EXPECT_FALSE(RestoreAtStart(why));
    EXPECT_FALSE(dm1->dataOpen());
    EXPECT_EQ(bytesOf(QDir(dataDir()).filePath("nettora.db")), garbage);
}
