// The home window, the common frame and its menu actions, as real widgets.
#include "support/window_fixture.h"

#include "app/about.h"
#include "kit/btn_functions.h"
#include "settings/security.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

using namespace nettora;
using namespace nettora::test;

class Shell : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        catchShellOpens();
    }
    // The home window after a login, as the user meets it.
    TfrmMain *loggedInHome()
    {
        makeHome();
        home->show();
        QApplication::processEvents();
        return home;
    }
};

TEST_F(Shell, HomeWindowCaptionSizeAndTiles)
{
    TfrmMain *h = loggedInHome();
    EXPECT_EQ(h->windowTitle(), "Nettora - Version 5.6.8.0");
    EXPECT_EQ(h->size(), QSize(752, 519));
    EXPECT_EQ(h->minimumSize(), h->maximumSize());
    EXPECT_EQ(h->mExit->text(), "EXIT");
    ASSERT_EQ(h->tiles().size(), 7u);
    // Three to a row: Add, Edit, Update / Delete, Print, Email / PDF.
    const auto &t = h->tiles();
    EXPECT_EQ(t[0].idle->y(), t[2].idle->y());
    EXPECT_LT(t[0].idle->x(), t[1].idle->x());
    EXPECT_GT(t[3].idle->y(), t[0].idle->y());
    EXPECT_EQ(t[3].idle->y(), t[5].idle->y());
    EXPECT_GT(t[6].idle->y(), t[3].idle->y());
    saveScreenshot(h, "home");
}

TEST_F(Shell, TilesOnAnEmptyClientTableSayWhy)
{
    TfrmMain *h = loggedInHome();
    const struct {
        const char *tile, *message;
    } cases[] = {
        {"edit", "No financial statements available to edit."},
        {"update", "No financial statements available to update."},
        {"delete", "No financial statements available to delete."},
        {"print", "No financial statements available to print."},
        {"email", "There are no financial statements available to email."},
        {"reports", "There are no financial statements available to convert to PDF."},
    };
    for (const auto &c : cases) {
        m_dialogs->clear();
        h->hoverTile(c.tile);
        click(h->findChild<HoverLabel *>(QString::fromLatin1(c.tile) + "_up"));
        ASSERT_EQ(m_dialogs->shown().size(), 1u) << c.tile;
        EXPECT_EQ(m_dialogs->shown()[0].kind, "error");
        EXPECT_EQ(m_dialogs->shown()[0].text, c.message);
        EXPECT_TRUE(h->isVisible());
    }
    m_dialogs->clear();
    h->hoverTile("add");
    click(h->findChild<HoverLabel *>("add_up"));
    EXPECT_TRUE(m_dialogs->shown().empty());
    EXPECT_EQ(appState().clientMode, ClientMode::Add);

    addClient("Ann", "Able");
    h->clickTile("edit");
    EXPECT_TRUE(m_dialogs->shown().empty());
    EXPECT_EQ(appState().clientMode, ClientMode::Edit);
}

TEST_F(Shell, TileHoverShowsItsPictureAndTexts)
{
    TfrmMain *h = loggedInHome();
    auto *idle = h->findChild<HoverLabel *>("update_down");
    auto *up = h->findChild<HoverLabel *>("update_up");
    hover(idle);
    EXPECT_FALSE(idle->isVisible());
    EXPECT_TRUE(up->isVisible());
    EXPECT_EQ(h->tileTitle->text(), "Update");
    EXPECT_EQ(h->tileLine1->text(), "Generate a new financial statement");
    EXPECT_EQ(h->tileLine2->text(), "from an existing one.");
    EXPECT_TRUE(h->tileLine2->isVisible());
    hover(h->findChild<HoverLabel *>("add_down"));
    EXPECT_FALSE(up->isVisible());
    EXPECT_FALSE(h->tileLine2->isVisible());  // Add has two lines only
    moveOver(h->imMain);
    EXPECT_TRUE(idle->isVisible());
    EXPECT_FALSE(h->tileTitle->isVisible());
}

TEST_F(Shell, MenuHoverColours)
{
    TfrmMain *h = loggedInHome();
    const QColor white(Qt::white);
    hover(h->mCheckUpdate1);
    EXPECT_EQ(h->mCheckUpdate1->textColor(), ScreenFrame::Green);
    EXPECT_EQ(h->mCheckUpdate2->textColor(), ScreenFrame::Green);
    hover(h->mCheckUpdate2);
    EXPECT_EQ(h->mCheckUpdate1->textColor(), ScreenFrame::Green);
    EXPECT_EQ(h->mCheckUpdate2->textColor(), ScreenFrame::Green);
    hover(h->mBackup);
    EXPECT_EQ(h->mCheckUpdate1->textColor(), white);
    EXPECT_EQ(h->mBackup->textColor(), ScreenFrame::Green);
    hover(h->mAbout);
    EXPECT_EQ(h->mAbout->textColor(), ScreenFrame::Orange);
    EXPECT_EQ(h->mBackup->textColor(), white);
    EXPECT_EQ(h->mHelp->textColor(), ScreenFrame::Green);
    hover(h->mCheckUpdate1);
    moveOver(h->imMain);
    for (HoverLabel *l : {h->mOptions, h->mSecurity, h->mCheckUpdate1, h->mCheckUpdate2, h->mBackup, h->mRestore,
        h->mExit})
        EXPECT_EQ(l->textColor(), white) << l->text().toStdString();
    for (HoverLabel *l : {h->mHelp, h->mAbout, h->mAffiliate})
        EXPECT_EQ(l->textColor(), ScreenFrame::Green);
    EXPECT_FALSE(h->testAttribute(Qt::WA_SetCursor));
}

TEST_F(Shell, SideLinkHoverAndTheOpenPageHighlight)
{
    loggedInHome();
    auto *sec = static_cast<TfrmSecurity *>(OpenSecurityWindow());
    HoverLabel *login = sec->loginLink;
    EXPECT_EQ(login->text(), "   Login");
    EXPECT_EQ(login->backgroundColor(), ScreenFrame::Green);  // its page is open
    EXPECT_EQ(login->textColor(), QColor(Qt::white));
    moveOver(sec->imMain);
    EXPECT_TRUE(login->opaque());  // the open page keeps its highlight
    EXPECT_EQ(sec->windowTitle(), "Nettora");  // no preparer yet
    saveScreenshot(sec, "security_change");
}

TEST_F(Shell, HomeFromAnyWindowShowsHomeWithFiltersOff)
{
    TfrmMain *h = loggedInHome();
    const qint64 c = addClient("Ann", "Able");
    const qint64 s = addStatement(c);
    QPointer<TfrmSecurity> sec = static_cast<TfrmSecurity *>(OpenSecurityWindow());
    h->hide();
    FilterStatementTables(QString::number(c), QString::number(s));
    click(sec->mExit);
    QApplication::processEvents();
    EXPECT_TRUE(h->isVisible());
    EXPECT_TRUE(sec.isNull() || !sec->isVisible());
    for (Table *t : dm1->tables())
        EXPECT_EQ(t->filtered(), t == dm1->tblNotes) << t->tableName().toStdString();
}

TEST_F(Shell, ExitEndsTheProgram)
{
    TfrmMain *h = loggedInHome();
    FilterStatementTables(QString::number(addClient("A", "B")), QString());
    click(h->mExit);
    EXPECT_FALSE(h->isVisible());
    EXPECT_FALSE(dm1->tblClient->filtered());
}

TEST_F(Shell, OwnEntryDoesNothing)
{
    loggedInHome();
    auto *sec = static_cast<TfrmSecurity *>(OpenSecurityWindow());
    click(sec->mSecurity);
    QApplication::processEvents();
    EXPECT_TRUE(sec->isVisible());
    int frames = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        frames += qobject_cast<TfrmSecurity *>(w) && w->isVisible();
    EXPECT_EQ(frames, 1);
}

TEST_F(Shell, UpdateCheckHelpAndAffiliateGoThroughTheShell)
{
    TfrmMain *h = loggedInHome();
    click(h->mCheckUpdate2);
    click(h->mAffiliate);
    click(h->mHelp);
    ASSERT_EQ(opened.size(), 3);
    EXPECT_TRUE(opened[0].endsWith("/sc/check_update.php?version=5.6.8.0")) << opened[0].toStdString();
    EXPECT_TRUE(opened[1].endsWith("/affiliates/index.html"));
    EXPECT_TRUE(opened[2].endsWith("nettora_help.html"));
    EXPECT_TRUE(QFileInfo::exists(opened[2]));
    EXPECT_TRUE(m_dialogs->shown().empty());
    EXPECT_TRUE(h->isVisible());

    shellAnswer = false;
    click(h->mCheckUpdate1);
    click(h->mAffiliate);
    click(h->mHelp);
    EXPECT_EQ(m_dialogs->texts(),
              (QStringList{"Check Update function failed \n\rPlease insure that you are connected to the internet.",
                           "Please check your connection to the internet.",
                           "The manual could not be opened in your web browser. Open the file \"" + opened[2]
                               + "\" in a web browser to read it."}));
}

TEST_F(Shell, AMissingManualIsNamedWithWhereItBelongs)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("help/nettora_help.html");
    EXPECT_FALSE(OpenManual(missing));
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(m_dialogs->texts(), QStringList{"The manual could not be found. It belongs at \"" + missing + "\"."});
    // A folder of that name is no manual either.
    ASSERT_TRUE(QDir().mkpath(missing));
    m_dialogs->clear();
    EXPECT_FALSE(OpenManual(missing));
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(m_dialogs->texts().size(), 1);
}

TEST_F(Shell, CheckEntryMode)
{
    appState().entry = EntryState::Open;
    EXPECT_EQ(CheckEntryMode(), EntryState::Open);
    EXPECT_TRUE(m_dialogs->shown().empty());
    appState().entry = EntryState::Closed;
    EXPECT_EQ(CheckEntryMode(), EntryState::Closed);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"This action is disabled.\n\r\n\rClick on \"OK\" or \"Cancel\" to enable."});
}

TEST_F(Shell, AboutWindowIsModalWithItsLinks)
{
    TfrmMain *h = loggedInHome();
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto *about = qobject_cast<TfrmAbout *>(QApplication::activeModalWidget());
        ASSERT_NE(about, nullptr);
        seen = true;
        EXPECT_EQ(about->windowTitle(), "About");
        EXPECT_EQ(about->size(), QSize(512, 305));
        EXPECT_EQ(about->findChild<QLabel *>("lblVersion")->text(), "Version: 5.6.8.0");
        QApplication::processEvents();  // the picture with the lines drawn
        saveScreenshot(about, "about");
        shellAnswer = false;
        Q_EMIT about->findChild<QLabel *>("lblSupport")->linkActivated("https://example.invalid/");
        click(about->findChild<QPushButton *>("btnClose"));
    });
    click(h->mAbout);
    EXPECT_TRUE(seen);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Error:  Please check your internet connection"});
}
