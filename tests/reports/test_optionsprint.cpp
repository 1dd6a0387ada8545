// The print options window as real widgets on a real user table.
#include "support/testsupport.h"

#include "kit/btn_functions.h"
#include "app/windows.h"
#include "data/db_functions.h"
#include "reports/forms/forms.h"
#include "reports/optionsprint.h"
#include "settings/options.h"

#include <QApplication>
#include <QPointer>
#include <QTest>

using namespace nettora;
using namespace nettora::test;

namespace {

struct OptionPage {
    const char *field;
    const char *what;  // as the side link and the question on leaving name the page
    HoverLabel *TfrmOptionsPrint::*link;
    QWidget *TfrmOptionsPrint::*page;
    QCheckBox *TfrmOptionsPrint::*box;
    QPushButton *TfrmOptionsPrint::*ok;
    QPushButton *TfrmOptionsPrint::*cancel;
};

const OptionPage kPages[] = {
    {"Compilation", "Compilation Report", &TfrmOptionsPrint::compilationLink, &TfrmOptionsPrint::tsCompilation, &TfrmOptionsPrint::cbCompilation,
     &TfrmOptionsPrint::compilationOk, &TfrmOptionsPrint::compilationCancel},
    {"Preparer", "Preparer's Information", &TfrmOptionsPrint::preparerLink, &TfrmOptionsPrint::tsPreparer, &TfrmOptionsPrint::cbPreparer,
     &TfrmOptionsPrint::preparerOk, &TfrmOptionsPrint::preparerCancel},
    {"PrintMonthlyIncome", "Print Monthly Income", &TfrmOptionsPrint::monthlyLink, &TfrmOptionsPrint::tsMonthly,
     &TfrmOptionsPrint::cbMonthly, &TfrmOptionsPrint::monthlyOk, &TfrmOptionsPrint::monthlyCancel},
    {"PrintReview", "Review Page", &TfrmOptionsPrint::reviewLink, &TfrmOptionsPrint::tsReview, &TfrmOptionsPrint::cbReview,
     &TfrmOptionsPrint::reviewOk, &TfrmOptionsPrint::reviewCancel},
};

// Toggles a check box where the user clicks it: on its box.
void toggle(QCheckBox *box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(7, box->height() / 2));
}

bool hasLabel(QWidget *page, const QString &text)
{
    for (QLabel *l : page->findChildren<QLabel *>())
        if (l->text() == text)
            return true;
    return false;
}

}  // namespace

class OptionsPrint : public DataDirTest {
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        registerAllWindows();
    }
    void TearDown() override
    {
        closeScreenWindows();
        DataDirTest::TearDown();
    }
    // The field as the file holds it, past every cursor.
    QString storedUser(const char *field)
    {
        Statement st = dm1->db().prepare(QStringLiteral("SELECT \"%1\" FROM \"User\"").arg(QLatin1String(field)));
        return st.step() ? st.columnText(0) : QStringLiteral("<no row>");
    }
    TfrmOptionsPrint *open()
    {
        auto *w = qobject_cast<TfrmOptionsPrint *>(OpenPrintOptionsWindow());
        EXPECT_NE(w, nullptr);
        return w;
    }
};

TEST_F(OptionsPrint, OpensOnTheCompilationPageWithItsExactTexts)
{
    setUser({{"Company", QStringLiteral("Lee & Co.")}, {"FirstName", "Ann"}, {"MiddleInitial", "Q"},
             {"LastName", "Lee"}, {"Phone", "555-0100"}, {"Address", "1 Main St"}, {"Address2", "Suite 5"},
             {"City", "Dallas"}, {"State", "TX"}, {"Zip", "75001"}, {"Preparer", "Y"}});
    auto *w = open();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "Nettora - Lee & Co.");
    EXPECT_EQ(w->currentPage(), w->tsCompilation);
    // Opening only shows the stored options: the row is not put into edit.
    EXPECT_EQ(dm1->tblUser->state(), RecordState::Browse);

    EXPECT_EQ(w->cbCompilation->text(), "Print Compilation Report with Financial Statement");
    EXPECT_EQ(w->cbPreparer->text(), "Print Preparer's Information ");
    EXPECT_EQ(w->cbMonthly->text(), "Do not print monthly income on financial statements");
    EXPECT_EQ(w->cbReview->text(), "Print the review page");
    EXPECT_EQ(w->tsReview->objectName(), "tsReview");
    EXPECT_EQ(w->cbReview->objectName(), "cbReview");
    for (const OptionPage &p : kPages) {
        EXPECT_EQ((w->*p.link)->text(), QStringLiteral("   ") + QLatin1String(p.what));
        EXPECT_EQ((w->*p.ok)->text(), "OK") << p.field;
        EXPECT_EQ((w->*p.cancel)->text(), "Cancel") << p.field;
    }
    const struct {
        QWidget *page;
        const char *text;
    } labels[] = {
        {w->tsCompilation, "Accountant Compilation Report"},
        {w->tsCompilation,
         "Many financial institutions require a Compilation Report on Financial Statements that are prepared by "},
        {w->tsCompilation,
         "accounting professionals.  Included below is the standard compilation report for unaudited financial"},
        {w->tsCompilation,
         "statements of a nonpublic entity included in a prescribed form that calls for departure from GAAP."},
        {w->tsPreparer, "Preparer's Information"},
        {w->tsPreparer,
         "Below is the information that will print on the \"Preparer's Information\" form.  This information can be"},
        {w->tsPreparer, "edited or updated in \"Options - User Information\"."},
        {w->tsPreparer, "Name:"},
        {w->tsPreparer, "Firm:"},
        {w->tsPreparer, "Phone:"},
        {w->tsPreparer, "Address:"},
        {w->tsMonthly, "Print monthly income totals on Financial Statements"},
        {w->tsMonthly,
         "Check the box below to print the estimated monthly income totals on all Financial Stament printouts."},
        {w->tsMonthly, "**The estimated monthly income totals are calculated by dividing total yearly income by 12."},
        {w->tsMonthly, "We call it an estimated total because some users might receive quarterly or yearly"},
        {w->tsMonthly, "bonuses.  This could cause income to vary month by month.  For this reason, we "},
        {w->tsMonthly, "allow the option of removing the monthly income from the financial statements."},
        {w->tsReview, "Review page for the lender"},
        {w->tsReview, "The review page lists the ratios a lender computes and the findings still open."},
        {w->tsReview, "It is printed after the schedules."},
    };
    for (const auto &l : labels)
        EXPECT_TRUE(hasLabel(l.page, QString::fromLatin1(l.text))) << l.text;
    // The letter's wording, placeholders where the date, the names and the
    // preparer go, ready to edit.
    const QString sample = w->mSample->toPlainText();
    EXPECT_FALSE(w->mSample->isReadOnly());
    EXPECT_EQ(sample, reports::standardCompilationText());
    EXPECT_TRUE(sample.contains(QStringLiteral("We have compiled the statement of financial condition and "
                                               "supplementary schedules for [Names] as of [Statement Date], ")))
        << sample.toStdString();
    EXPECT_TRUE(sample.contains(QStringLiteral("for  Accounting and Review Services")));
    EXPECT_TRUE(sample.contains(QStringLiteral("American Institute of Certified Public Accountants.")));
    EXPECT_TRUE(sample.contains(QStringLiteral("not designed for those who are not informed about such differences.")));
    EXPECT_TRUE(hasLabel(w->tsCompilation, QStringLiteral("[Today], [Names], [Statement Date] and [Preparer] are "
                                                          "filled in when the letter prints.")));

    for (const OptionPage &p : kPages) {
        click(w->*p.link);
        EXPECT_EQ(w->currentPage(), w->*p.page);
        saveScreenshot(w, QStringLiteral("optionsprint_") + QLatin1String(p.field));
    }
}

TEST_F(OptionsPrint, EachBoxIsCheckedExactlyWhenItsFieldIsY)
{
    for (const char *stored : {"Y", "N", "", "y", " "}) {
        setUser({{"Compilation", QString::fromLatin1(stored)},
                 {"Preparer", QString::fromLatin1(stored)},
                 {"PrintMonthlyIncome", QString::fromLatin1(stored)},
                 {"PrintReview", QString::fromLatin1(stored)}});
        auto *w = open();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->cbCompilation->isChecked(), QLatin1String(stored) == QLatin1String("Y")) << "start, " << stored;
        // The open page's box changed by hand is asked about once.
        m_dialogs->answerSaveQuestions({SaveChoice::Discard});
        for (const OptionPage &p : kPages) {
            (w->*p.box)->setChecked(QLatin1String(stored) != QLatin1String("Y"));  // a leftover from before
            click(w->*p.link);
            EXPECT_EQ((w->*p.box)->isChecked(), QLatin1String(stored) == QLatin1String("Y")) << p.field << ", " << stored;
        }
        closeScreenWindows();
    }
}

TEST_F(OptionsPrint, OkStoresYOrNAndCancelKeepsWhatIsStored)
{
    setUser({{"Compilation", "N"}, {"Preparer", "Y"}, {"PrintMonthlyIncome", "N"}, {"PrintReview", "N"}});
    auto *w = open();
    ASSERT_NE(w, nullptr);
    for (const OptionPage &p : kPages) {
        const QString before = storedUser(p.field);
        const QString flipped = before == QLatin1String("Y") ? QStringLiteral("N") : QStringLiteral("Y");

        click(w->*p.link);
        EXPECT_EQ(dm1->tblUser->state(), RecordState::Edit) << p.field;
        toggle(w->*p.box);
        click(w->*p.cancel);
        EXPECT_FALSE(w->pcMain->isVisible()) << p.field;
        EXPECT_EQ(dm1->tblUser->state(), RecordState::Browse) << p.field;
        EXPECT_EQ(storedUser(p.field), before) << p.field;

        click(w->*p.link);
        EXPECT_TRUE(w->pcMain->isVisible()) << p.field;
        EXPECT_EQ((w->*p.box)->isChecked(), before == QLatin1String("Y")) << "Cancel left the box changed: " << p.field;
        toggle(w->*p.box);
        click(w->*p.ok);
        EXPECT_FALSE(w->pcMain->isVisible()) << p.field;
        EXPECT_EQ(storedUser(p.field), flipped) << p.field;
        EXPECT_EQ(dm1->tblUser->state(), RecordState::Browse) << p.field;

        click(w->*p.link);
        toggle(w->*p.box);
        click(w->*p.ok);
        EXPECT_EQ(storedUser(p.field), before) << "unchecking writes N: " << p.field;
    }
    // Each OK wrote its own field only.
    EXPECT_EQ(storedUser("Compilation"), "N");
    EXPECT_EQ(storedUser("Preparer"), "Y");
    EXPECT_EQ(storedUser("PrintMonthlyIncome"), "N");
    EXPECT_EQ(storedUser("PrintReview"), "N");
}

TEST_F(OptionsPrint, LeavingAPageWithItsBoxChangedAsksAndSaveStoresIt)
{
    for (const OptionPage &p : kPages) {
        for (const SaveChoice choice : {SaveChoice::Discard, SaveChoice::Save}) {
            const bool save = choice == SaveChoice::Save;
            SCOPED_TRACE(std::string(p.field) + (save ? " saved" : " discarded"));
            setUser({{p.field, "N"}});
            auto *w = open();
            ASSERT_NE(w, nullptr);
            click(w->*p.link);
            toggle(w->*p.box);
            m_dialogs->clear();
            m_dialogs->answerSaveQuestions({choice});
            w->close();
            QApplication::processEvents();
            ASSERT_EQ(m_dialogs->shown().size(), 1u);
            EXPECT_EQ(m_dialogs->shown()[0].text, QStringLiteral("Save the changes to %1?").arg(QLatin1String(p.what)));
            EXPECT_EQ(storedUser(p.field), save ? "Y" : "N");
            EXPECT_EQ(dm1->tblUser->state(), RecordState::Browse);
            closeScreenWindows();
        }
    }
}

TEST_F(OptionsPrint, ANewDataFileHasTheReviewPageSwitchedOff)
{
    EXPECT_EQ(storedUser("PrintReview"), "N");
    auto *w = open();
    ASSERT_NE(w, nullptr);
    click(w->reviewLink);
    EXPECT_FALSE(w->cbReview->isChecked());
}

TEST_F(OptionsPrint, LeavingDropsTheEditASideLinkStartedButNoOtherWindowsEdit)
{
    auto *w = open();
    ASSERT_NE(w, nullptr);
    click(w->preparerLink);
    ASSERT_EQ(dm1->tblUser->state(), RecordState::Edit);
    click(w->mExit);
    QApplication::processEvents();
    EXPECT_EQ(dm1->tblUser->state(), RecordState::Browse);

    // An edit begun elsewhere is that window's own business.
    dm1->tblUser->first();
    dm1->tblUser->edit();
    w = open();
    ASSERT_NE(w, nullptr);
    w->close();
    QApplication::processEvents();
    EXPECT_EQ(dm1->tblUser->state(), RecordState::Edit);
    dm1->tblUser->cancel();
}

TEST_F(OptionsPrint, OkOnThePageShownAtOpeningStoresTooEvenWithoutAUserRow)
{
    // A user table left without its row by an older installation.
    dm1->db().exec(QStringLiteral("DELETE FROM \"User\""));
    dm1->tblUser->invalidate();
    ASSERT_EQ(storedUser("Compilation"), "<no row>");
    auto *w = open();
    ASSERT_NE(w, nullptr);
    toggle(w->cbCompilation);
    click(w->compilationOk);
    EXPECT_EQ(storedUser("Compilation"), "Y");
    EXPECT_EQ(countRows("User"), 1);
}

TEST_F(OptionsPrint, ThePreparerPageShowsTheNameFirmPhoneAndAddressLines)
{
    const struct {
        const char *middle, *address, *address2;
        const char *name, *box;
    } cases[] = {
        {"Q", "1 Main St", "Suite 5", "Ann Q. Lee", "1 Main St\nSuite 5\nDallas, TX  75001"},
        {"", "1 Main St", "", "Ann Lee", "1 Main St\nDallas, TX  75001"},
        {"", "", "Box 9", "Ann Lee", "\nBox 9\nDallas, TX  75001"},
        {"", "", "", "Ann Lee", ""},
    };
    for (const auto &c : cases) {
        setUser({{"FirstName", "Ann"}, {"MiddleInitial", c.middle}, {"LastName", "Lee"}, {"Company", "Lee & Co."},
                 {"Phone", "555-0100"}, {"Address", c.address}, {"Address2", c.address2}, {"City", "Dallas"},
                 {"State", "TX"}, {"Zip", "75001"}});
        auto *w = open();
        ASSERT_NE(w, nullptr);
        click(w->preparerLink);
        EXPECT_EQ(w->lName->text(), QString::fromLatin1(c.name));
        EXPECT_EQ(w->lFirm->text(), "Lee & Co.");
        EXPECT_EQ(w->lPhone->text(), "555-0100");
        EXPECT_EQ(w->mAddress->toPlainText(), QString::fromLatin1(c.box)) << c.address << "|" << c.address2;
        EXPECT_TRUE(w->mAddress->isReadOnly());
        closeScreenWindows();
    }
}

TEST_F(OptionsPrint, OptionsOfTheFrameLeadsToTheOptionsWindowOnItsUserPage)
{
    auto *w = open();
    ASSERT_NE(w, nullptr);
    QPointer<TfrmOptionsPrint> first = w;
    click(w->mOptions);
    QApplication::processEvents();
    EXPECT_TRUE(first.isNull() || !first->isVisible()) << "the window it was opened from stays";
    int printShown = 0;
    TfrmOptions *options = nullptr;
    for (QWidget *t : QApplication::topLevelWidgets()) {
        if (qobject_cast<TfrmOptionsPrint *>(t) && t->isVisible())
            ++printShown;
        if (auto *o = qobject_cast<TfrmOptions *>(t); o && o->isVisible())
            options = o;
    }
    EXPECT_EQ(printShown, 0);
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->currentPage(), options->tsUser);
}

TEST_F(OptionsPrint, TheLetterIsThePreparersToEditRestoreAndNeverLoseUnasked)
{
    auto *w = open();
    ASSERT_NE(w, nullptr);
    const QString own = QStringLiteral("[Today]\n\nWe compiled the statement of [Names] as of [Statement Date].\n\n[Preparer]");

    // OK stores the wording with the box; the letter prints it, filled in.
    click(w->compilationLink);
    w->mSample->setPlainText(own);
    click(w->compilationOk);
    EXPECT_EQ(storedUser("CompilationText"), own);
    setClient({{"FirstName", "Ann"}, {"LastName", "Lee"}});
    setUser({{"FirstName", "Pat"}, {"LastName", "Kelmor"}});
    addStatement(dm1->tblClient->asString("Id").toLongLong(), "06/30/2026");
    dm1->tblNettora->first();
    EXPECT_EQ(reports::compilationLetter(dm1->tblClient, dm1->tblNettora, dm1->tblUser, QDate(2026, 7, 1)),
              "07/01/2026\n\nWe compiled the statement of Ann Lee as of 06/30/2026.\n\nPat Kelmor");

    // Cancel drops an edit; "Restore the standard wording" puts the preset
    // back, stored as none so that it stays the standard one.
    click(w->compilationLink);
    EXPECT_EQ(w->mSample->toPlainText(), own);
    w->mSample->setPlainText(QStringLiteral("dropped"));
    click(w->compilationCancel);
    click(w->compilationLink);
    EXPECT_EQ(w->mSample->toPlainText(), own);
    click(w->bStandardWording);
    EXPECT_EQ(w->mSample->toPlainText(), reports::standardCompilationText());
    EXPECT_EQ(storedUser("CompilationText"), own) << "only OK stores";
    click(w->compilationOk);
    EXPECT_EQ(storedUser("CompilationText"), QString());

    // Leaving with a changed letter asks first: Discard drops it, Save keeps
    // it, Cancel stays on the letter as typed.
    for (const bool keep : {false, true}) {
        click(w->compilationLink);
        w->mSample->setPlainText(own);
        m_dialogs->clear();
        m_dialogs->answerSaveQuestions({keep ? SaveChoice::Save : SaveChoice::Discard});
        click(w->monthlyLink);
        ASSERT_EQ(m_dialogs->shown().size(), 1u);
        EXPECT_EQ(m_dialogs->shown()[0].text, "Save the changes to Compilation Report?");
        EXPECT_EQ(w->currentPage(), w->tsMonthly);
        EXPECT_EQ(storedUser("CompilationText"), keep ? own : QString());
        click(w->monthlyCancel);
    }
    click(w->compilationLink);
    w->mSample->setPlainText(QStringLiteral("kept on the page"));
    m_dialogs->answerSaveQuestions({SaveChoice::Cancel});
    click(w->monthlyLink);
    EXPECT_EQ(w->currentPage(), w->tsCompilation);
    EXPECT_EQ(w->mSample->toPlainText(), "kept on the page");
    EXPECT_EQ(storedUser("CompilationText"), own);
    w->mSample->setPlainText(QStringLiteral("typed before closing"));
    m_dialogs->clear();
    m_dialogs->answerSaveQuestions({SaveChoice::Save});
    w->close();
    QApplication::processEvents();
    EXPECT_EQ(m_dialogs->shown().size(), 1u);
    EXPECT_EQ(storedUser("CompilationText"), "typed before closing");
}
