// What the screens show: client names in the page headings, the home
// window's description panel, the workspace's side links and the password
// boxes; every window is also saved as a picture for people to look at.
#include "support/window_fixture.h"

#include "clients/client.h"
#include "clients/client_fields.h"
#include "clients/clientadd.h"
#include "entry/assets.h"
#include "kit/btn_functions.h"
#include "kit/pagetext.h"
#include "settings/security.h"

#include <QTest>

using namespace nettora;
using namespace nettora::test;

namespace {

// As long as the name fields hold.
const QString kFirst = QStringLiteral("Maximiliana Alexandrina Sophia");
const QString kMiddle = QStringLiteral("Q");
const QString kLast = QStringLiteral("Worthington-Fairweather-Graves");
const QString kDescription = QStringLiteral("Second Quarter Interim Review");

}  // namespace

TEST(ClientLine, AStatementWithoutADescriptionShowsTheNameAlone)
{
    const struct {
        const char *stored, *shown;
    } cases[] = {
        {"Ann Able - Annual.", "Ann Able - Annual."},
        {"Ann Able - .", "Ann Able"},
        {"Ann Able -   .", "Ann Able"},
        {"Ann Lee-Able - .", "Ann Lee-Able"},
        {"Ann Able - 2nd - .", "Ann Able - 2nd"},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(pagetext::clientLine(QString::fromLatin1(c.stored)), QString::fromLatin1(c.shown)) << c.stored;
}

class Screens : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        makeHome();
        client = addClient(kFirst, kLast, kMiddle);
        statement = addStatement(client, QStringLiteral("06/30/2025"), kDescription);
        fullName2 = composeFullName2(kFirst, kMiddle, kLast);
        setClient({{"FullName", composeFullName(kFirst, kMiddle, kLast)},
                   {"FullName2", fullName2},
                   {"ClientDescription", composeClientDescription(fullName2, kDescription)},
                   // What the personal page's checks need before another page opens.
                   {"MaritalStatus", "Married"},
                   {"Dependents", "2"},
                   {"City", "Dallas"},
                   {"State", "TX"},
                   {"Zip", "75001"}});
    }
    TfrmFSMain *workspace(const QString &mode)
    {
        ClearAllFilters();
        appState().clientMode = clientModeNamed(mode);
        FilterStatementTables(QString::number(client), QString());
        return qobject_cast<TfrmFSMain *>(OpenStatementWorkspace());
    }
    // A window that works on the statement, as the workspace hands it over.
    template <class W>
    W *onStatement(QWidget *(*open)())
    {
        FilterStatementTables(QString::number(client), QString::number(statement));
        appState().clientMode = ClientMode::Edit;
        auto *w = qobject_cast<W *>(open());
        QApplication::processEvents();
        return w;
    }

    qint64 client = 0, statement = 0;
    QString fullName2;
};

// A long name keeps its beginning: where it does not fit its heading it is
// cut at the right with an ellipsis, inside its label. The workspace gives
// the name a line of its own, wide enough for the longest one.
TEST_F(Screens, HeadingsShortenLongClientNamesAtTheRight)
{
    const QString description = composeClientDescription(fullName2, kDescription);
    struct Heading {
        const char *shot;
        QLabel *label;
        QString text;
        bool shortened;
    };
    std::vector<Heading> headings;

    TfrmFSMain *fs = workspace(QStringLiteral("Edit"));
    ASSERT_NE(fs, nullptr);
    QApplication::processEvents();
    headings.push_back({"screens_workspace_select", fs->lblClientName, fullName2, false});
    headings.push_back({nullptr, fs->findChild<QLabel *>(QStringLiteral("lblAddClientName")), fullName2, false});
    headings.push_back({nullptr, fs->findChild<QLabel *>(QStringLiteral("lblUpdateClientName")), fullName2, false});

    auto *assets = onStatement<TfrmAssets>(OpenAssetsWindow);
    ASSERT_NE(assets, nullptr);
    headings.push_back({"screens_assets", assets->page(1)->clientLabel, description, true});

    ClearAllFilters();
    auto *clients = qobject_cast<TfrmClient *>(OpenClientWindow(ClientMode::Edit));
    ASSERT_NE(clients, nullptr);
    QApplication::processEvents();
    headings.push_back({"screens_client", clients->lblClientName, fullName2, true});

    auto *info = onStatement<TfrmClientAdd>(OpenClientInformationWindow);
    ASSERT_NE(info, nullptr);
    click(info->employmentLink);
    ASSERT_EQ(info->currentPage(), info->tsPersonalEmployment);
    headings.push_back(
        {"screens_clientadd_employment", info->headingName(info->tsPersonalEmployment), description, true});

    for (const Heading &h : headings) {
        ASSERT_NE(h.label, nullptr);
        const std::string what =
            h.label->objectName().toStdString() + " in " + h.label->window()->objectName().toStdString();
        auto *label = qobject_cast<pagetext::ElidedLabel *>(h.label);
        ASSERT_NE(label, nullptr) << what << ": the label does not shorten its text";
        EXPECT_EQ(label->text(), h.text) << what;
        const QString shown = label->shownText();
        EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), label->contentsRect().width()) << what;
        if (h.shortened) {
            EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << what << " shows " << shown.toStdString();
            EXPECT_TRUE(h.text.startsWith(shown.chopped(1))) << what << " shows " << shown.toStdString();
            EXPECT_GT(shown.size(), 20) << what;
        } else {
            EXPECT_EQ(shown, h.text) << what;
        }
        if (h.shot)
            saveScreenshot(h.label->window(), QString::fromLatin1(h.shot));
    }
}

// The masks are stars whatever the desktop style would draw; the user name
// boxes stay readable.
TEST_F(Screens, PasswordBoxesMaskWithStars)
{
    auto *s = qobject_cast<TfrmSecurity *>(OpenSecurityWindow());
    ASSERT_NE(s, nullptr);
    const struct {
        QLineEdit *box;
        const char *shown;
    } cases[] = {
        {s->loginPassword, "*****"}, {s->firstPassword, "*****"}, {s->firstConfirmation, "*****"}, {s->newPassword, "*****"},
        {s->newConfirmation, "*****"}, {s->currentPassword, "*****"}, {s->loginUser, "Ab3x!"}, {s->firstUser, "Ab3x!"}, {s->newUser, "Ab3x!"},
    };
    for (const auto &c : cases) {
        c.box->setText(QStringLiteral("Ab3x!"));
        EXPECT_EQ(c.box->displayText(), QString::fromLatin1(c.shown)) << c.box->objectName().toStdString();
        EXPECT_EQ(c.box->text(), "Ab3x!");
    }
    saveScreenshot(s, "screens_security_change");
    s->openPage(s->tsLogin);
    saveScreenshot(s, "screens_security_login");
    s->openPage(s->tsFirstLogin);
    saveScreenshot(s, "screens_security_first_login");
}

// Every side link's caption fits inside the link, and the link inside the
// column left of the page, also while highlighted.
TEST_F(Screens, WorkspaceSideLinksFitTheirColumn)
{
    TfrmFSMain *fs = workspace(QStringLiteral("Add"));
    ASSERT_NE(fs, nullptr);
    QApplication::processEvents();
    ASSERT_TRUE(fs->addLink->isVisible());
    for (HoverLabel *link : {fs->addLink, fs->personalLink, fs->assetsLink, fs->liabilitiesLink, fs->legalLink,
        fs->notesLink, fs->incomeLink, fs->expendituresLink}) {
        const std::string what = link->text().toStdString();
        EXPECT_LE(link->fontMetrics().horizontalAdvance(link->text()), link->contentsRect().width()) << what;
        EXPECT_LT(link->geometry().right(), fs->pcMain->x()) << what;
        EXPECT_GE(link->x(), 100) << what;
    }
    hover(fs->addLink);
    EXPECT_TRUE(fs->addLink->opaque());
    saveScreenshot(fs, "screens_workspace_add_link_hovered");
}

// The panel beside the PDF tile is never an empty box: a pointed or focused
// tile describes itself, and otherwise a welcome stands there.
TEST_F(Screens, HomeDescriptionPanelFollowsThePointerAndTheFocus)
{
    home->show();
    home->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(home));
    auto panel = [this] {
        QStringList shown;
        for (QLabel *l : {home->tileTitle, home->tileLine1, home->tileLine2, home->lblWelcome, home->lblWelcomeText})
            if (l->isVisible())
                shown << l->text();
        return shown;
    };
    const QStringList welcome{"Welcome to Nettora", "Choose an action to begin."};
    EXPECT_EQ(panel(), welcome);
    saveScreenshot(home, "screens_home_welcome");

    hover(home->findChild<HoverLabel *>(QStringLiteral("update_down")));
    EXPECT_EQ(panel(), (QStringList{"Update", "Generate a new financial statement", "from an existing one."}));
    saveScreenshot(home, "screens_home_update");
    moveOver(home->imMain);
    EXPECT_EQ(panel(), welcome);

    // However a tile takes the focus, it is described while it has it.
    auto *print = home->findChild<HoverLabel *>(QStringLiteral("print_down"));
    print->setFocusPolicy(Qt::StrongFocus);
    print->setFocus();
    ASSERT_TRUE(print->hasFocus());
    const QStringList printing{"Print", "Print a financial statement to", "paper or pdf."};
    EXPECT_EQ(panel(), printing);
    moveOver(home->imMain);  // the pointer leaving the tiles keeps the focused one
    EXPECT_EQ(panel(), printing);
    hover(home->findChild<HoverLabel *>(QStringLiteral("email_down")));
    EXPECT_EQ(panel(), (QStringList{"Email", "Email a financial statement."}));
    moveOver(home->imMain);
    EXPECT_EQ(panel(), printing);
    print->clearFocus();
    EXPECT_EQ(panel(), welcome);
}
