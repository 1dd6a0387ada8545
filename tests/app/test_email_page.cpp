// The workspace's e-mail page as real widgets over a real data directory:
// its choices and texts, the settings test, the link to the e-mail
// settings, and the name of the attachment.
#include "support/testsupport.h"

#include "kit/btn_functions.h"
#include "app/fsmain.h"
#include "app/home.h"
#include "app/windows.h"
#include "data/db_functions.h"
#include "data/globals.h"
#include "settings/options.h"

#include <QApplication>
#include <QPointer>

using namespace nettora;
using namespace nettora::test;

namespace {

class EmailPage : public DataDirTest {
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        registerAllWindows();
        LoginPending = "N";
        home = new TfrmMain;
        ann = addClient("Ann", "Able");
        addStatement(ann, "12/31/2025", "Annual");
        Table *c = dm1->tblClient;
        c->first();
        c->edit();
        c->setAsString("FullName2", "Ann Q. Able");
        c->post();
        setUser({{"FirstName", "Pat"}, {"LastName", "Lee"}, {"EmailName", "Pat Lee"},
                 {"EmailAddress", "pat@lee.example"}, {"SMTPServer", "127.0.0.1:1"}, {"SMTPPassword", "pw"},
                 {"EmailSubject", "Stored subject"}, {"EmailContent", "Stored text"}});
    }
    void TearDown() override
    {
        closeScreenWindows(home);
        delete home;
        DataDirTest::TearDown();
    }
    void setUser(std::initializer_list<std::pair<const char *, QString>> fields)
    {
        Table *u = dm1->tblUser;
        u->first();
        u->edit();
        for (const auto &[f, v] : fields)
            u->setAsString(QString::fromLatin1(f), v);
        u->post();
    }
    TfrmFSMain *openEmailPage()
    {
        ClearAllFilters();
        ClientWindowMode = "Email";
        FilterStatementTables(QString::number(ann), QString());
        auto *fs = new TfrmFSMain;
        fs->show();
        fs->openForMode();
        QApplication::processEvents();
        click(fs->bOK);
        return fs;
    }

    TfrmMain *home = nullptr;
    qint64 ann = 0;
};

}  // namespace

TEST_F(EmailPage, ShowsTheSixChoicesTheBoxesAndTheLink)
{
    TfrmFSMain *fs = openEmailPage();
    ASSERT_EQ(fs->currentPage(), fs->tsEmail);
    const std::pair<QRadioButton *, const char *> choices[] = {
        {fs->rbStandardE, "Standard"},       {fs->rbContJ, "Contemporary"},
        {fs->rbProJ, "Professional"},        {fs->rbStandB, "Standard - Blank"},
        {fs->rbContB, "Contemporary - Blank"}, {fs->rbProB, "Professional - Blank"},
    };
    for (const auto &[rb, caption] : choices) {
        EXPECT_EQ(rb->text(), caption);
        EXPECT_TRUE(rb->isVisible()) << caption;
        EXPECT_EQ(rb->isChecked(), rb == fs->rbStandardE) << caption;
    }
    QStringList texts;
    for (QLabel *l : fs->tsEmail->findChildren<QLabel *>())
        texts << l->text();
    for (const char *t : {"Email Financial Statement",
                          "Please complete all of the information below to email a Financial Statement.",
                          "Statement Style:", "Email Information:", "To:", "Subject:", "Content:",
                          "Click Here to Add/Update Email Information"})
        EXPECT_TRUE(texts.contains(QString::fromLatin1(t))) << t;
    EXPECT_TRUE(fs->edEmailAddress->text().isEmpty());
    EXPECT_EQ(fs->Label19->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(fs->TeButton7->text(), "OK");
    EXPECT_TRUE(fs->TeButton7->isDefault());
    EXPECT_EQ(fs->bEmailCancel->text(), "Cancel");
    fs->edEmailAddress->setText("bank@lender.example");
    saveScreenshot(fs, "workspace_email_page");

    // Showing the page loads the stored subject and text.
    fs->edSubject->clear();
    fs->reContent->clear();
    fs->tsEmailShow();
    EXPECT_EQ(fs->edSubject->text(), "Stored subject");
    EXPECT_EQ(fs->reContent->toPlainText(), "Stored text");
}

TEST_F(EmailPage, CheckEmailVarsIsSilentOnMissingSettingsAndAsksForTheRecipient)
{
    TfrmFSMain *fs = openEmailPage();
    const struct {
        const char *emptyField;  // nullptr: all settings present
        const char *to;
        const char *answer;
        const char *message;
    } cases[] = {
        {"EmailName", "bank@lender.example", "No", nullptr},
        {"EmailAddress", "bank@lender.example", "No", nullptr},
        {"SMTPServer", "bank@lender.example", "No", nullptr},
        {"SMTPPassword", "bank@lender.example", "No", nullptr},
        {"SMTPPassword", "", "No", nullptr},  // the settings come first
        {"SMTPUserName", "bank@lender.example", "Yes", nullptr},
        {nullptr, "", "No", "Please enter Email Address."},
        {nullptr, "bank@lender.example", "Yes", nullptr},
    };
    for (const auto &c : cases) {
        setUser({{"EmailName", "Pat Lee"}, {"EmailAddress", "pat@lee.example"}, {"SMTPServer", "127.0.0.1:1"},
                 {"SMTPUserName", "pat"}, {"SMTPPassword", "pw"}});
        if (c.emptyField)
            setUser({{c.emptyField, QString()}});
        fs->edEmailAddress->setText(QString::fromLatin1(c.to));
        fs->TeButton7->setFocus();
        m_dialogs->clear();
        const std::string what = std::string(c.emptyField ? c.emptyField : "-") + " / " + c.to;
        EXPECT_EQ(fs->CheckEmailVars(), c.answer) << what;
        if (c.message) {
            EXPECT_EQ(m_dialogs->texts(), QStringList{c.message}) << what;
            EXPECT_EQ(m_dialogs->shown().front().kind, "error");
            EXPECT_EQ(fs->focusWidget(), fs->edEmailAddress) << what;
        } else {
            EXPECT_TRUE(m_dialogs->shown().empty()) << what;
        }
        EXPECT_EQ(fs->currentPage(), fs->tsEmail) << what;
    }
}

TEST_F(EmailPage, TheLinkOpensTheOptionsOnTheirEmailPage)
{
    QPointer<TfrmFSMain> fs = openEmailPage();
    click(fs->Label19);
    QApplication::processEvents();
    EXPECT_TRUE(fs.isNull() || !fs->isVisible());
    EXPECT_EQ(OptionsStartPage, "email");
    TfrmOptions *options = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *o = qobject_cast<TfrmOptions *>(w); o && o->isVisible())
            options = o;
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->currentPage(), options->tsEmail);
    EXPECT_EQ(options->edEmailName->text(), "Pat Lee");
    EXPECT_EQ(dm1->tblNettora->state(), RecordState::Browse);
}

TEST(EmailAttachment, IsThePlainClientNameWithPdf)
{
    const struct {
        const char *name, *file;
    } cases[] = {
        {"Ann Q. Able", "Ann Q. Able.pdf"},
        {"Ann/Bob Able", "Ann_Bob Able.pdf"},
        {"..\\..\\etc", ".._.._etc.pdf"},
        {"Tab\tName\n", "Tab_Name_.pdf"},
        {"  Ann  ", "Ann.pdf"},
        {"", "Financial Statement.pdf"},
        {"   ", "Financial Statement.pdf"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(emailAttachmentName(QString::fromLatin1(c.name)), c.file) << c.name;
}
