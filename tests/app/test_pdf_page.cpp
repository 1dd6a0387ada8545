// The workspace's save-to-PDF page and its status page as real widgets over
// a real data directory, the files read back with pdftotext.
#include "support/window_fixture.h"
#include "reports/pdf_tools.h"

#include "backup/browseforfolder.h"
#include "reports/engine/output.h"
#include "reports/pdf_save.h"
#include "reports/print.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

using namespace nettora;
using namespace nettora::test;

namespace {

QStringList pageTexts(const std::vector<reports::PreparedPage> &pages)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("pages.pdf"));
    reports::writePdf(file, pages);
    return pdfTextPages(file);
}

// Every entry below root, as paths relative to it.
QStringList entriesBelow(const QString &root)
{
    QStringList all;
    QDir d(root);
    for (const QFileInfo &i : d.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        all << i.fileName();
        if (i.isDir())
            for (const QString &sub : entriesBelow(i.filePath()))
                all << i.fileName() + QLatin1Char('/') + sub;
    }
    all.sort();
    return all;
}

class PdfPage : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        makeHome();
        ann = addClient("Ann", "Able");
        addStatement(ann, "12/31/2025", "Annual");
        setClient({{"FullName2", "Ann Able"}});
        setUser({{"Compilation", "Y"}, {"Preparer", "Y"}, {"Company", "Kelmor Accounting"}});
        catchShellOpens();
        ASSERT_TRUE(root.isValid());
        folder = root.filePath(QStringLiteral("out"));
        ASSERT_TRUE(QDir().mkpath(folder));
    }
    void TearDown() override
    {
        setFolderChooser(nullptr);
        WindowTest::TearDown();
    }
    TfrmFSMain *openPdfPage() { return openWorkspacePage(ann, "PDF"); }
    void save(TfrmFSMain *fs, const QString &name, const QString &dir)
    {
        fs->edName->setText(name);
        fs->edDir->setText(dir);
        click(fs->pdfOkButton);
    }
    static QStringList memo(TfrmFSMain *fs) { return fs->statusText->toPlainText().split(QLatin1Char('\n')); }

    qint64 ann = 0;
    QTemporaryDir root;
    QString folder;
};

}  // namespace

TEST_F(PdfPage, ShowsTheChoicesAndTheSteps)
{
    TfrmFSMain *fs = openPdfPage();
    ASSERT_EQ(fs->currentPage(), fs->tsPDF);
    expectDocumentChoices({fs->pdfStandard, fs->pdfContemporary, fs->pdfProfessional, fs->pdfStandardBlank,
        fs->pdfContemporaryBlank, fs->pdfProfessionalBlank});
    const QStringList texts = labelTexts(fs->tsPDF);
    for (const char *t : {"Save Financial Statement to PDF",
                          "1.  Select Financial Statement style below to save as a pdf document.",
                          "2.  Enter file name for the pdf document.", ".pdf",
                          "3.  Select a directory to save the pdf document."})
        EXPECT_TRUE(texts.contains(QString::fromLatin1(t))) << t;
    EXPECT_EQ(fs->lClientPdf->text(), "Client: Ann Able");
    EXPECT_EQ(fs->lstatementpdf->text(), "Statement: Annual");
    EXPECT_EQ(fs->cbOpen->text(), "Open Document after it is created.");
    EXPECT_TRUE(fs->cbOpen->isChecked());
    EXPECT_EQ(fs->pdfBrowseButton->text(), "Browse");
    EXPECT_EQ(fs->pdfOkButton->text(), "OK");
    EXPECT_EQ(fs->bPdfCancel->text(), "Cancel");
    saveScreenshot(fs, "workspace_pdf_page");
}

TEST_F(PdfPage, StartsInTheDocumentsFolderOrElseHome)
{
    // Runs before any file is written: the last folder is offered after that.
    QTemporaryDir homeDir;
    ASSERT_TRUE(homeDir.isValid());
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(homeDir.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(homeDir.filePath(".config")));
    const QString documents = homeDir.filePath("Documents");
    TfrmFSMain *without = openPdfPage();
    const QString withoutFolder = without->edDir->text();
    without->close();
    const bool made = QDir().mkpath(documents);
    TfrmFSMain *with = openPdfPage();
    const QString withFolder = with->edDir->text();
    qputenv("HOME", oldHome);
    if (oldConfig.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig);
    ASSERT_TRUE(made);
    EXPECT_EQ(withoutFolder, homeDir.path());
    EXPECT_EQ(withFolder, documents);
}

TEST_F(PdfPage, RefusesNamesAndFoldersOnThePageKeepingEveryChoice)
{
    TfrmFSMain *fs = openPdfPage();
    const QString aFile = root.filePath(QStringLiteral("plain.txt"));
    QFile f(aFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("taken.pdf")));
    const QString longName(300, QLatin1Char('n'));
    const struct {
        QString name, dir, message;
        QLineEdit *focus;
    } cases[] = {
        {"", folder, "Please enter a name for the pdf document.", fs->edName},
        {"x", "", "Please enter a file directory to save the pdf document.", fs->edDir},
        {"", "", "Please enter a name for the pdf document.", fs->edName},
        {"   ", folder, "The name of the pdf document cannot be only blanks.", fs->edName},
        {"../x", folder,
         "The name of the pdf document cannot contain \"/\" or \"\\\"; choose the directory in step 3.", fs->edName},
        {"a/b", folder,
         "The name of the pdf document cannot contain \"/\" or \"\\\"; choose the directory in step 3.", fs->edName},
        {"a\\b", folder,
         "The name of the pdf document cannot contain \"/\" or \"\\\"; choose the directory in step 3.", fs->edName},
        {"..", folder, "The name of the pdf document cannot contain \"..\".", fs->edName},
        {"a\tb", folder, "The name of the pdf document cannot contain control characters.", fs->edName},
        {"x", root.filePath("missing"), "The directory \"" + root.filePath("missing") + "\" does not exist.", fs->edDir},
        {"x", aFile, "The directory \"" + aFile + "\" does not exist.", fs->edDir},
        {"taken", folder,
         "Cannot write \"" + QDir(folder).filePath("taken.pdf") + "\": it is a folder, not a regular file.", fs->edName},
        {longName, folder,
         "Cannot write \"" + QDir(folder).filePath(longName + ".pdf")
             + "\": the path is longer than the system allows (File name too long).",
         fs->edName},
    };
    const QStringList before = entriesBelow(root.path());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name.left(20).toStdString() + " in " + c.dir.toStdString());
        m_dialogs->clear();
        // Choices other than the first ones, to see that they stay.
        click(fs->pdfProfessionalBlank);
        fs->cbOpen->setChecked(false);
        save(fs, c.name, c.dir);
        ASSERT_EQ(m_dialogs->shown().size(), 1u);
        EXPECT_EQ(m_dialogs->shown()[0].kind, "error");
        EXPECT_EQ(m_dialogs->shown()[0].text, c.message);
        EXPECT_EQ(fs->currentPage(), fs->tsPDF);
        EXPECT_TRUE(c.focus->hasFocus());
        EXPECT_EQ(fs->edName->text(), c.name);
        EXPECT_EQ(fs->edDir->text(), c.dir);
        EXPECT_TRUE(fs->pdfProfessionalBlank->isChecked());
        EXPECT_FALSE(fs->cbOpen->isChecked());
        EXPECT_TRUE(fs->statusText->toPlainText().isEmpty());
        EXPECT_EQ(entriesBelow(root.path()), before);
        EXPECT_TRUE(opened.isEmpty());
    }
    // Once corrected, the same page writes the file with the choices made.
    m_dialogs->clear();
    save(fs, "fixed", folder);
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join('|').toStdString();
    EXPECT_EQ(memo(fs).value(0), "Generating PDF File: fixed.pdf");
    EXPECT_EQ(pdfTextPages(QDir(folder).filePath("fixed.pdf")),
              pageTexts(reports::prepareBlankDocument(reports::Style::Professional)));
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(PdfPage, WritesTheFileShowingEachLineAsItsFormStarts)
{
    TfrmFSMain *fs = openPdfPage();
    QStringList early;
    bool statusShown = false;
    QTimer::singleShot(0, [&] {
        statusShown = fs->currentPage() == fs->tsEstatus && fs->statusText->isVisible();
        early = memo(fs);
    });
    save(fs, "Smith 2024", folder);
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join('|').toStdString();
    EXPECT_TRUE(statusShown);
    ASSERT_FALSE(early.isEmpty());
    EXPECT_EQ(early.first(), "Generating PDF File: Smith 2024.pdf");
    EXPECT_FALSE(early.contains("Smith 2024.pdf Created Successfully!")) << "shown while working";
    EXPECT_EQ(memo(fs), QStringList({"Generating PDF File: Smith 2024.pdf", "Creating Preparer Information",
                                     "Creating Compilation Report", "Creating Net Worth Summary",
                                     "Creating Legal Information", "Creating Assets", "Creating Liabilities",
                                     "Creating Annual Income and Expenses", "Smith 2024.pdf Created Successfully!",
                                     "Process complete.  Click OK to Exit"}));
    const QString file = QDir(folder).filePath("Smith 2024.pdf");
    EXPECT_EQ(entriesBelow(root.path()), QStringList({"out", "out/Smith 2024.pdf"}));
    EXPECT_EQ(QFile::permissions(file) & 0x0077, QFileDevice::Permissions());
    const QStringList pages = pdfTextPages(file);
    ASSERT_GE(pages.size(), 7);
    EXPECT_TRUE(pages[0].contains("Preparer's Information"));
    EXPECT_TRUE(pages[1].contains("Compilation Report"));
    EXPECT_TRUE(pages[2].contains("PERSONAL FINANCIAL STATEMENT"));
    EXPECT_EQ(opened, QStringList{file});
    EXPECT_EQ(appState().pdfFileName, "Smith 2024.pdf");
    EXPECT_EQ(appState().pdfFolder, QDir::toNativeSeparators(folder + "/"));

    // The folder is offered again while the program runs.
    auto *again = openPdfPage();
    EXPECT_EQ(again->edDir->text(), folder);
}

TEST_F(PdfPage, EachFilledChoiceWritesItsStyle)
{
    const std::pair<QRadioButton *TfrmFSMain::*, reports::Style> choices[] = {
        {&TfrmFSMain::pdfStandard, reports::Style::Standard},
        {&TfrmFSMain::pdfContemporary, reports::Style::Contemporary},
        {&TfrmFSMain::pdfProfessional, reports::Style::Professional},
    };
    setClient({{"SFirstName", "Bob"}});  // joint
    QList<QStringList> written;
    for (const auto &[member, style] : choices) {
        TfrmFSMain *fs = openPdfPage();
        SCOPED_TRACE((fs->*member)->text().toStdString());
        const QStringList expected = pageTexts(reports::prepareDocument(style));
        click(fs->*member);
        save(fs, "style", folder);
        EXPECT_TRUE(m_dialogs->shown().empty());
        EXPECT_EQ(pdfTextPages(QDir(folder).filePath("style.pdf")), expected);
        EXPECT_FALSE(written.contains(expected)) << "each style its own forms";
        written << expected;
        fs->close();
    }
}

TEST_F(PdfPage, EachBlankChoiceWritesItsElevenForms)
{
    const std::pair<QRadioButton *TfrmFSMain::*, reports::Style> choices[] = {
        {&TfrmFSMain::pdfStandardBlank, reports::Style::Standard},
        {&TfrmFSMain::pdfContemporaryBlank, reports::Style::Contemporary},
        {&TfrmFSMain::pdfProfessionalBlank, reports::Style::Professional},
    };
    for (const auto &[member, style] : choices) {
        TfrmFSMain *fs = openPdfPage();
        SCOPED_TRACE((fs->*member)->text().toStdString());
        m_dialogs->clear();
        const QStringList expected = pageTexts(reports::prepareBlankDocument(style));
        ASSERT_EQ(expected.size(), 11);
        click(fs->*member);
        save(fs, "blank", folder);
        EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
        EXPECT_EQ(pdfTextPages(QDir(folder).filePath("blank.pdf")), expected);
        EXPECT_EQ(memo(fs).value(0), "Generating PDF File: blank.pdf");
        EXPECT_EQ(memo(fs).constLast(), "Process complete.  Click OK to Exit");
        fs->close();
    }
}

TEST_F(PdfPage, OpensTheFileOnlyWhenAskedAndReportsARefusal)
{
    const struct {
        bool open, shellAnswers;
        int opens;
        QStringList messages;
    } cases[] = {
        {true, true, 1, {}},
        {false, true, 0, {}},
        {true, false, 1, {"Error:  Please save the file again."}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.open) + std::to_string(c.shellAnswers));
        m_dialogs->clear();
        opened.clear();
        shellAnswer = c.shellAnswers;
        TfrmFSMain *fs = openPdfPage();
        fs->cbOpen->setChecked(c.open);
        save(fs, "open", folder);
        EXPECT_EQ(opened.size(), c.opens);
        EXPECT_EQ(m_dialogs->texts(), c.messages);
        EXPECT_EQ(memo(fs).last(), "Process complete.  Click OK to Exit");
        EXPECT_TRUE(QFile::exists(QDir(folder).filePath("open.pdf")));
        fs->close();
    }
}

TEST_F(PdfPage, BrowseOffersTheFolderChooserAndKeepsTheFolderWhenCancelled)
{
    TfrmFSMain *fs = openPdfPage();
    QString title, start, answer = folder;
    setFolderChooser([&](QWidget *, const QString &t, const QString &s) {
        title = t;
        start = s;
        return answer;
    });
    fs->edDir->setText(root.path());
    click(fs->pdfBrowseButton);
    EXPECT_EQ(title, "Select Backup Directory Folder");
    EXPECT_EQ(start, root.path());
    EXPECT_EQ(fs->edDir->text(), folder);
    answer.clear();
    click(fs->pdfBrowseButton);
    EXPECT_EQ(start, folder);
    EXPECT_EQ(fs->edDir->text(), folder);
}

TEST_F(PdfPage, StatusOkGoesHomeWithEveryFilterCleared)
{
    QPointer<TfrmFSMain> fs = openPdfPage();
    fs->cbOpen->setChecked(false);
    save(fs, "done", folder);
    ASSERT_EQ(fs->currentPage(), fs->tsEstatus);
    EXPECT_EQ(fs->statusOkButton->text(), "OK");
    ASSERT_TRUE(dm1->tblNettora->filtered());
    home->hide();
    click(fs->statusOkButton);
    QApplication::processEvents();
    EXPECT_TRUE(home->isVisible());
    EXPECT_TRUE(fs.isNull() || !fs->isVisible());
    for (Table *t : {dm1->tblClient, dm1->tblNettora})
        EXPECT_FALSE(t->filtered());
}

TEST_F(PdfPage, AFailureMidwayLeavesTheEarlierFileIntactAndNoTrace)
{
    const QString file = QDir(folder).filePath("kept.pdf");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("earlier document");
    }
    ClearAllFilters();
    FilterStatementTables(QString::number(ann), QString());
    QStringList lines;
    EXPECT_THROW(reports::saveStatementPdf(reports::Style::Standard, folder, "kept.pdf",
                                           [&](const QString &l) {
                                               lines << l;
                                               if (l == "Creating Assets")
                                                   throw reports::ReportError("disk gone");
                                           }),
                 reports::ReportError);
    EXPECT_TRUE(lines.contains("Creating Legal Information"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "earlier document");
    EXPECT_EQ(entriesBelow(folder), QStringList{"kept.pdf"});
}
