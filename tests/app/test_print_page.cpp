// The workspace's print page as real widgets over a real data directory:
// its six choices, OK previewing the chosen document, Cancel going home.
#include "support/window_fixture.h"
#include "reports/pdf_tools.h"

#include "reports/engine/output.h"
#include "reports/engine/preview_window.h"
#include "reports/print.h"

#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

using namespace nettora;
using namespace nettora::test;

namespace {

class PrintPage : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        makeHome();
        ann = addClient("Ann", "Able");
        statement = addStatement(ann, "12/31/2025", "Annual");
        setClient({{"FullName2", "Ann Able"}});
        setUser({{"Compilation", "Y"}, {"Preparer", "Y"}, {"Company", "Kelmor Accounting"}});
    }
    // The workspace on its print page for Ann's statement, as the Print tile
    // and the client window leave it.
    TfrmFSMain *openPrintPage() { return openWorkspacePage(ann, "Print"); }
    // Presses OK; the first text of every page the preview shows, or
    // nothing when no preview came up.
    QStringList pressOk(TfrmFSMain *fs, bool *workspaceBehind = nullptr)
    {
        QStringList firsts;
        const int before = reports::Report::liveCount();
        QTimer::singleShot(0, [&] {
            auto *w = qobject_cast<reports::PreviewWindow *>(QApplication::activeModalWidget());
            if (!w)
                return;
            if (workspaceBehind)
                *workspaceBehind = fs->isVisible() && fs->currentPage() == fs->tsPrint;
            firsts = pageTitles(w->pages());
            w->close();
        });
        click(fs->printOkButton);
        EXPECT_EQ(reports::Report::liveCount(), before) << "released after the preview closed";
        return firsts;
    }
    // Each page as its text.
    static QStringList pageTitles(const std::vector<reports::PreparedPage> &pages);

    qint64 ann = 0, statement = 0;
};

// The text of every page, read back from a real PDF of the pages.
QStringList PrintPage::pageTitles(const std::vector<reports::PreparedPage> &pages)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("pages.pdf"));
    reports::writePdf(file, pages);
    const QStringList out = pdfTextPages(file);
    EXPECT_EQ(out.size(), int(pages.size()));
    return out;
}

bool has(const QStringList &pages, int index, const char *text)
{
    return index < pages.size() && pages[index].contains(QString::fromLatin1(text));
}

}  // namespace

TEST_F(PrintPage, ShowsSixChoicesWithStandardPreselected)
{
    TfrmFSMain *fs = openPrintPage();
    ASSERT_EQ(fs->currentPage(), fs->tsPrint);
    expectDocumentChoices({fs->printStandard, fs->printContemporary, fs->printProfessional, fs->printStandardBlank,
        fs->printContemporaryBlank, fs->printProfessionalBlank});
    // One choice at a time.
    click(fs->printProfessional);
    EXPECT_TRUE(fs->printProfessional->isChecked());
    EXPECT_FALSE(fs->printStandard->isChecked());
    click(fs->printStandard);

    const QStringList texts = labelTexts(fs->tsPrint);
    EXPECT_TRUE(texts.contains("Print Financial Statement"));
    EXPECT_TRUE(texts.contains("Select a style and click on \"OK\" to print a Financial Statement."));
    EXPECT_EQ(fs->lClient->text(), "Client: Ann Able");
    EXPECT_EQ(fs->lStatement->text(), "Statement: Annual");
    EXPECT_EQ(fs->printOkButton->text(), "OK");
    EXPECT_EQ(fs->bPrintCancel->text(), "Cancel");
    saveScreenshot(fs, "workspace_print_page");
}

TEST_F(PrintPage, OkPreviewsTheChosenDocumentAndReturnsToThePage)
{
    TfrmFSMain *fs = openPrintPage();
    bool behind = false;
    QStringList pages = pressOk(fs, &behind);
    EXPECT_TRUE(behind) << "the workspace stays open behind the preview";
    ASSERT_GE(pages.size(), 7);
    EXPECT_TRUE(has(pages, 0, "Compilation Report"));
    EXPECT_TRUE(has(pages, 1, "Preparer's Information"));
    EXPECT_TRUE(has(pages, 2, "PERSONAL FINANCIAL STATEMENT"));
    EXPECT_FALSE(has(pages, 2, "Section 1b - Spouse Information"));
    EXPECT_TRUE(m_dialogs->shown().empty());
    EXPECT_EQ(fs->currentPage(), fs->tsPrint);

    // A spouse first name makes it joint; the options are read anew.
    Table *c = dm1->tblClient;
    c->edit();
    c->setAsString("SFirstName", "Bob");
    c->post();
    Table *u = dm1->tblUser;
    u->edit();
    u->setAsString("Compilation", "N");
    u->post();
    pages = pressOk(fs);
    EXPECT_TRUE(has(pages, 0, "Preparer's Information"));
    EXPECT_TRUE(has(pages, 1, "Section 1b - Spouse Information"));

    // Another filled style takes the same way, to its own forms (one page
    // in front, so paper and PDF have the same order).
    const QStringList expected = pageTitles(reports::prepareDocument(reports::Style::Contemporary));
    click(fs->printContemporary);
    pages = pressOk(fs);
    EXPECT_FALSE(pages.isEmpty());
    EXPECT_EQ(pages, expected);
    EXPECT_TRUE(m_dialogs->shown().empty());
}

TEST_F(PrintPage, BlankChoicesPreviewTheirElevenForms)
{
    TfrmFSMain *fs = openPrintPage();
    for (QRadioButton *rb : {fs->printStandardBlank, fs->printContemporaryBlank, fs->printProfessionalBlank}) {
        SCOPED_TRACE(rb->text().toStdString());
        m_dialogs->clear();
        click(rb);
        EXPECT_EQ(pressOk(fs).size(), 11);
        EXPECT_TRUE(m_dialogs->shown().empty());
        EXPECT_EQ(fs->currentPage(), fs->tsPrint);
    }
}

TEST_F(PrintPage, CancelGoesHome)
{
    QPointer<TfrmFSMain> fs = openPrintPage();
    home->hide();
    click(fs->bPrintCancel);
    QApplication::processEvents();
    EXPECT_TRUE(home->isVisible());
    EXPECT_TRUE(fs.isNull() || !fs->isVisible());
}
