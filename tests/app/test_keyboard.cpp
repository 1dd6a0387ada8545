// Every window by keyboard alone: Tab, the arrows, Enter, Space and Escape on
// the focused control, as a user without a mouse works; and every control
// named for a screen reader.
#include "support/window_fixture.h"

#include "kit/btn_functions.h"
#include "app/about.h"
#include "clients/client.h"
#include "clients/client_fields.h"
#include "clients/clientadd.h"
#include "entry/assets.h"
#include "entry/entrywindow.h"
#include "reports/engine/preview_window.h"
#include "settings/security.h"
#include "settings/options.h"
#include "backup/backup.h"
#include "backup/restore.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

using namespace nettora;
using namespace nettora::test;

namespace {

QWidget *focused()
{
    return QApplication::focusWidget();
}

void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    ASSERT_NE(focused(), nullptr);
    QTest::keyClick(focused(), Qt::Key(key), modifiers);
}

void typeHere(const QString &text)
{
    ASSERT_NE(focused(), nullptr);
    QTest::keyClicks(focused(), text);
}

void makeActive(QWidget *window)
{
    ASSERT_NE(window, nullptr);
    window->activateWindow();
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
}

// Presses Tab until target has the focus; false when the chain never gets there.
bool tabTo(QWidget *target)
{
    for (int i = 0; i < 80 && focused() != target; ++i)
        QTest::keyClick(focused(), Qt::Key_Tab);
    return focused() == target;
}

bool takesTab(const QWidget *w)
{
    return (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
}

// The controls a user can Tab to, as the user sees them: visible, and not
// the inner part of another control.
std::vector<QWidget *> stops(QWidget *root, bool enabledOnly)
{
    std::vector<QWidget *> out;
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (!w->isVisible() || !takesTab(w) || (enabledOnly && !w->isEnabled()))
            continue;
        bool inner = false;
        for (QWidget *p = w->parentWidget(); p && p != root; p = p->parentWidget())
            inner = inner || takesTab(p);
        if (!inner)
            out.push_back(w);
    }
    return out;
}

QString describe(const QWidget *w)
{
    return QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') + w->objectName();
}

// What a screen reader announces: a name from the caption, without the
// marks of a required field or the caption's colon; a menu entry, link or
// tile as a button it can press.
QStringList unnamed(QWidget *window)
{
    QStringList wrong;
    for (QWidget *w : stops(window, false)) {
        const QString name = w->accessibleName();
        if (name.isEmpty() || name.startsWith(QLatin1Char('*')) || name.endsWith(QLatin1Char(':')))
            wrong << describe(w) + QStringLiteral(" named \"") + name + QLatin1Char('"');
        // A box is tied to its caption, which a screen reader reads as its
        // name (a drop-down's own text is its value, not its name).
        if (qobject_cast<QComboBox *>(w) || qobject_cast<QLineEdit *>(w)) {
            QAccessibleInterface *access = QAccessible::queryAccessibleInterface(w);
            bool labelled = false;
            for (const auto &[label, relation] : access->relations(QAccessible::Label)) {
                QString text = label->text(QAccessible::Name).trimmed();
                while (text.startsWith(QLatin1Char('*')))
                    text = text.mid(1).trimmed();
                while (text.endsWith(QLatin1Char(':')))
                    text = text.chopped(1).trimmed();
                labelled = labelled || (relation & QAccessible::Label && text == name);
            }
            if (!labelled)
                wrong << describe(w) + QStringLiteral(" has no caption tied to it");
        }
        if (qobject_cast<HoverLabel *>(w)) {
            QAccessibleInterface *access = QAccessible::queryAccessibleInterface(w);
            QAccessibleActionInterface *actions = access ? access->actionInterface() : nullptr;
            const bool button = access && access->role() == QAccessible::Button && actions
                                && actions->actionNames().contains(QAccessibleActionInterface::pressAction())
                                && access->text(QAccessible::Name) == name;
            if (!button)
                wrong << describe(w) + QStringLiteral(" is no button");
        }
    }
    return wrong;
}

// The focus shows on every stop: the ring stands around the focused control.
QString ringFault(QWidget *window, QWidget *now)
{
    auto *frame = qobject_cast<ScreenFrame *>(window);
    if (!frame)
        return {};
    const QRect control(now->mapTo(window, QPoint()), now->size());
    const QRect ring = frame->focusRing()->geometry();
    if (frame->focusRing()->target() != now || !ring.contains(control) || ring.width() > control.width() + 8)
        return QStringLiteral("no visible focus on ") + describe(now);
    return {};
}

// Tab from the first control of a page runs through all of its enabled
// controls top to bottom, and left to right on a line, the focus visible
// on each.
QStringList tabOrderFaults(QWidget *window, QWidget *page)
{
    std::vector<QWidget *> all = stops(page, true);
    if (all.empty())
        return {};
    QWidget *start = all.front();
    for (QWidget *w : all) {
        const QPoint a = w->mapTo(page, QPoint()), b = start->mapTo(page, QPoint());
        if (a.y() < b.y() - 10 || (std::abs(a.y() - b.y()) <= 10 && a.x() < b.x()))
            start = w;
    }
    start->setFocus(Qt::OtherFocusReason);
    QStringList faults;
    std::vector<QWidget *> visited{start};
    for (int i = 0; i < 200; ++i) {
        QTest::keyClick(focused(), Qt::Key_Tab);
        QWidget *now = focused();
        if (!now || !page->isAncestorOf(now) || now == start)
            break;
        if (now == visited.back())
            continue;  // Tab moved within the control (from link to link of a label)
        if (const QString fault = ringFault(window, now); !fault.isEmpty())
            faults << fault;
        const QPoint a = visited.back()->mapTo(page, QPoint()), b = now->mapTo(page, QPoint());
        const bool nextLine = b.y() > a.y() + 10;
        const bool sameLineRight = std::abs(b.y() - a.y()) <= 10 && b.x() > a.x();
        if (!nextLine && !sameLineRight)
            faults << describe(visited.back()) + QStringLiteral(" then ") + describe(now);
        visited.push_back(now);
    }
    for (QWidget *w : all)
        if (std::find(visited.begin(), visited.end(), w) == visited.end())
            faults << QStringLiteral("never reached: ") + describe(w);
    Q_UNUSED(window);
    return faults;
}

}  // namespace

class Keyboard : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        catchShellOpens();
    }
    // Ann Able, whose personal page passes its checks, with one statement.
    void seedAnn(bool spouse = false)
    {
        ann = addClient("Ann", "Able");
        Table *c = dm1->tblClient;
        c->first();
        c->edit();
        c->setAsString("FullName", composeFullName("Ann", QString(), "Able"));
        c->setAsString("FullName2", composeFullName2("Ann", QString(), "Able"));
        c->setAsString("MaritalStatus", spouse ? "Married" : "Single");
        c->setAsString("Dependents", "0");
        if (spouse) {
            c->setAsString("SFirstName", "Sam");
            c->setAsString("SLastName", "Able");
            c->setAsString("SMaritalStatus", "Married");
            c->setAsString("SDependents", "0");
        }
        c->post();
        statement = addStatement(ann, "12/31/2025", "Annual");
    }
    TfrmMain *loggedInHome()
    {
        makeHome();
        home->show();
        makeActive(home);
        return home;
    }
    // A start with a password stored: the home window, then the login page.
    TfrmSecurity *startWithLogin()
    {
        appState().login = LoginState::None;
        if (dm1->dataOpen())
            dm1->LockData();  // as a start finds it
        home = new TfrmMain;
        home->show();
        TfrmSecurity *s = nullptr;
        for (int i = 0; i < 200 && !(s = shownWindow<TfrmSecurity>()); ++i)
            QTest::qWait(10);
        EXPECT_NE(s, nullptr);
        if (s)
            makeActive(s);
        return s;
    }
    void storeCredentials(const QString &user, const QString &password)
    {
        setUser({{"User", user}});
        m_dm->ChangePassword(SecretBytes::fromText(password));
    }

    qint64 ann = 0, statement = 0;
};

TEST_F(Keyboard, TheMainPathFromHomeToASavedCashRow)
{
    seedAnn();
    addClient("Bob", "Baker");
    TfrmMain *h = loggedInHome();
    ASSERT_EQ(focused(), h->tiles()[0].idle);  // the Add tile

    press(Qt::Key_Tab);
    EXPECT_EQ(focused()->accessibleName(), "Edit");
    EXPECT_TRUE(h->tiles()[1].up->isVisible());  // lit as under the pointer
    EXPECT_EQ(h->tileTitle->text(), "Edit");
    saveScreenshot(h, "keyboard_home_edit_tile");
    press(Qt::Key_Return);
    EXPECT_EQ(appState().clientMode, ClientMode::Edit);
    EXPECT_FALSE(h->isVisible());

    auto *client = shownWindow<TfrmClient>();
    makeActive(client);
    EXPECT_EQ(focused(), client->edClientSearch);
    typeHere("abl");
    EXPECT_EQ(client->dbClient->rowTexts(), QStringList{"Able Ann"});
    press(Qt::Key_Return);

    auto *workspace = shownWindow<TfrmFSMain>();
    makeActive(workspace);
    EXPECT_EQ(focused(), workspace->dbClient);
    EXPECT_EQ(workspace->dbClient->rowTexts(), QStringList{"12/31/2025\tAnnual"});
    press(Qt::Key_Return);

    auto *info = shownWindow<TfrmClientAdd>();
    makeActive(info);
    EXPECT_EQ(info->currentPage(), info->tsClientPersonal);
    EXPECT_EQ(focused(), info->editor("FirstName"));
    press(Qt::Key_Return);  // OK saves the page and puts it away
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
    EXPECT_EQ(info->currentPage(), nullptr);
    EXPECT_EQ(focused(), info->personalLink);  // back among the side links
    EXPECT_EQ(info->mHelp->textColor(), ScreenFrame::Green);
    ASSERT_TRUE(tabTo(info->assetsLink));
    EXPECT_TRUE(info->assetsLink->opaque());  // the side link's hover look
    // The labels Tab passed on the way rest again.
    EXPECT_EQ(info->mHelp->textColor(), ScreenFrame::Green);
    EXPECT_EQ(info->mExit->textColor(), QColor(Qt::white));
    EXPECT_FALSE(info->spouseContactsLink->opaque());
    saveScreenshot(info, "keyboard_side_link");
    press(Qt::Key_Return);
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();

    auto *assets = shownWindow<TfrmAssets>();
    makeActive(assets);
    EntryPage *cash = assets->page(1);
    EXPECT_EQ(assets->activePage(), cash);
    EXPECT_EQ(focused(), cash->grid);
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), cash->addButton);
    press(Qt::Key_Return);
    EXPECT_EQ(appState().entry, EntryState::Closed);
    EXPECT_EQ(focused(), cash->editor("d1_1"));
    typeHere("First Bank");
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), cash->editor("d1_2"));
    typeHere("Checking Account");
    // Enter in the drop-down is OK too, with OK's checks and messages.
    press(Qt::Key_Return);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Please enter \"Current Balance\"."});
    EXPECT_EQ(focused(), cash->editor("d1_5"));
    m_dialogs->clear();
    for (const char *back : {"d1_4", "d1_3"}) {
        press(Qt::Key_Tab, Qt::ShiftModifier);
        EXPECT_EQ(focused(), cash->editor(back)) << back;
    }
    for (const char *next : {"d1_4", "d1_5"}) {
        press(Qt::Key_Tab);
        EXPECT_EQ(focused(), cash->editor(next)) << next;
    }
    typeHere("250");
    press(Qt::Key_Return);  // OK, the default button while a row is typed
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
    EXPECT_EQ(appState().entry, EntryState::Open);
    EXPECT_EQ(countRows("Cash", QStringLiteral("RegisteredName = 'First Bank' AND Type = 'Checking Account' "
                                               "AND StatementId = '%1'")
                                    .arg(statement)),
              1);
    EXPECT_EQ(cash->table()->asFloat("Balance"), 250.0);
    EXPECT_EQ(dm1->tblNettora->asFloat("CashOnHand"), 250.0);
    EXPECT_EQ(focused(), cash->grid);

    // Escape gives up an edit.
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), cash->editButton);
    press(Qt::Key_Space);
    EXPECT_EQ(appState().entry, EntryState::Closed);
    EXPECT_EQ(focused(), cash->editor("d1_1"));
    typeHere(" Changed");
    press(Qt::Key_Escape);
    EXPECT_EQ(appState().entry, EntryState::Open);
    EXPECT_EQ(countRows("Cash", "RegisteredName = 'First Bank'"), 1);
    EXPECT_EQ(cash->editorText("d1_1"), "First Bank");
    EXPECT_EQ(focused(), cash->grid);
    EXPECT_TRUE(m_dialogs->shown().empty());
}

TEST_F(Keyboard, TheLoginPageByKeyboard)
{
    storeCredentials("admin", "Secret");
    // Escape is the page's Cancel, which ends the program.
    TfrmSecurity *s = startWithLogin();
    QPointer<TfrmSecurity> leaving(s);
    press(Qt::Key_Escape);
    QApplication::processEvents();
    ASSERT_TRUE(leaving.isNull() || !leaving->isVisible());
    EXPECT_FALSE(home->isVisible());
    EXPECT_EQ(appState().login, LoginState::Pending);
    closeScreenWindows(home);
    delete home;

    s = startWithLogin();
    EXPECT_EQ(focused(), s->loginUser);
    // The disabled menu is skipped: Tab stays on the page.
    const std::vector<QWidget *> cycle = {s->loginPassword, s->btnLoginMore, s->btnForgot, s->btnLoginCancel, s->btnLoginOk,
                                         s->loginUser};
    for (QWidget *next : cycle) {
        press(Qt::Key_Tab);
        EXPECT_EQ(focused(), next) << describe(next).toStdString();
    }
    // Enter on a focused button presses that button, not OK.
    ASSERT_TRUE(tabTo(s->btnLoginMore));
    press(Qt::Key_Return);
    EXPECT_EQ(opened.size(), 1);
    EXPECT_TRUE(m_dialogs->shown().empty());
    ASSERT_TRUE(tabTo(s->loginUser));
    typeHere("admin");
    press(Qt::Key_Return);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"You must enter a \"Password\"."});
    EXPECT_EQ(focused(), s->loginPassword);
    typeHere("Secret");
    QPointer<TfrmSecurity> guard(s);
    press(Qt::Key_Return);
    EXPECT_EQ(appState().login, LoginState::Done);
    EXPECT_TRUE(home->isVisible());
    EXPECT_TRUE(guard.isNull() || !guard->isVisible());

    // The home window comes up active with a control to work with, after
    // the login and after HOME alike.
    ASSERT_TRUE(QTest::qWaitForWindowActive(home));
    ASSERT_NE(focused(), nullptr);
    EXPECT_TRUE(home->isAncestorOf(focused()));
    EXPECT_EQ(home->focusRing()->target(), focused());
    auto *options = static_cast<TfrmOptions *>(OpenOptionsWindow());
    home->hide();
    ASSERT_TRUE(QTest::qWaitForWindowActive(options));
    ASSERT_NE(focused(), nullptr);
    EXPECT_TRUE(options->isAncestorOf(focused()));
    EXPECT_EQ(options->windowTitle(), "Nettora");  // no preparer's name yet
    click(options->mExit);
    QApplication::processEvents();
    ASSERT_TRUE(home->isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowActive(home));
    ASSERT_NE(focused(), nullptr);
    EXPECT_TRUE(home->isAncestorOf(focused()));
}

TEST_F(Keyboard, ArrowsMoveWithinTheirGroupAndEnterOrSpaceActs)
{
    TfrmMain *h = loggedInHome();
    const struct {
        const char *from;
        Qt::Key key;
        const char *to;  // a tile by its name, or a label by its object name
    } moves[] = {
        {"add_down", Qt::Key_Right, "edit"},      {"edit_down", Qt::Key_Down, "print"},
        {"print_down", Qt::Key_Left, "delete"},    {"delete_down", Qt::Key_Down, "reports"},
        {"reports_down", Qt::Key_Up, "delete"},    {"mOptions", Qt::Key_Down, "mSecurity"},
        {"mCheckUpdate2", Qt::Key_Down, "mBackup"}, {"mExit", Qt::Key_Up, "mRestore"},
        {"mHelp", Qt::Key_Right, "mAbout"},        {"mAffiliate", Qt::Key_Left, "mAbout"},
        {"mOptions", Qt::Key_Right, "mOptions"},   // nothing beside the menu
    };
    for (const auto &m : moves) {
        h->mButtons();
        auto *from = h->findChild<HoverLabel *>(m.from);
        ASSERT_NE(from, nullptr) << m.from;
        from->setFocus(Qt::OtherFocusReason);
        press(m.key);
        const QString to = QString::fromLatin1(m.to);
        auto *now = qobject_cast<HoverLabel *>(focused());
        ASSERT_NE(now, nullptr) << m.from;
        if (to.startsWith(QLatin1Char('m'))) {
            EXPECT_EQ(now->objectName(), to) << m.from;
            if (now != from) {
                const bool topLink = to == "mHelp" || to == "mAbout" || to == "mAffiliate";
                EXPECT_NE(now->textColor(), topLink ? ScreenFrame::Green : QColor(Qt::white))
                    << m.from << ": the label lights up";
            }
        } else {
            EXPECT_EQ(now->objectName(), to + "_up") << m.from;
            EXPECT_EQ(h->tileTitle->text(), now->accessibleName()) << m.from;
        }
    }

    const struct {
        const char *label;
        Qt::Key key;
        const char *opens;
    } actions[] = {
        {"mCheckUpdate1", Qt::Key_Space, "check_update.php?version="},
        {"mCheckUpdate2", Qt::Key_Return, "check_update.php?version="},
        {"mHelp", Qt::Key_Enter, "nettora_help"},
        {"mAffiliate", Qt::Key_Space, "/affiliates/"},
    };
    for (const auto &a : actions) {
        opened.clear();
        h->findChild<HoverLabel *>(a.label)->setFocus(Qt::OtherFocusReason);
        press(a.key);
        ASSERT_EQ(opened.size(), 1) << a.label;
        EXPECT_TRUE(opened[0].contains(QLatin1String(a.opens))) << opened[0].toStdString();
    }
}

TEST_F(Keyboard, EscapeAndEnterOnTheWorkspacePages)
{
    seedAnn();
    makeHome();
    appState().clientMode = ClientMode::Edit;
    FilterStatementTables(QString::number(ann), QString());
    auto *w = static_cast<TfrmFSMain *>(OpenStatementWorkspace());
    makeActive(w);
    // Add from the side links is not offered in Edit: Escape on the list
    // page is its Cancel, which goes home.
    QPointer<TfrmFSMain> guard(w);
    EXPECT_EQ(focused(), w->dbClient);
    press(Qt::Key_Escape);
    EXPECT_TRUE(home->isVisible());
    EXPECT_TRUE(guard.isNull() || !guard->isVisible());

    // In Add, Enter on the add page is its OK and Escape its Cancel.
    home->hide();
    appState().clientMode = ClientMode::Add;
    FilterStatementTables(QString::number(ann), QString());
    w = static_cast<TfrmFSMain *>(OpenStatementWorkspace());
    makeActive(w);
    EXPECT_EQ(w->currentPage(), w->tsAdd);
    EXPECT_EQ(focused(), w->addDate);
    press(Qt::Key_Return);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Please enter the reporting date."});
    typeHere("06/30/2026");
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), w->addDescription);
    typeHere("Half");
    press(Qt::Key_Return);
    EXPECT_EQ(w->currentPage(), w->tsSelect);
    EXPECT_EQ(countRows("Nettora", QStringLiteral("Description = 'Half' AND ClientId = '%1'").arg(ann)), 1);
    w->addLink->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Return);
    EXPECT_EQ(w->currentPage(), w->tsAdd);
    press(Qt::Key_Escape);
    EXPECT_EQ(w->currentPage(), w->tsSelect);
    EXPECT_EQ(countRows("Nettora", QStringLiteral("ClientId = '%1'").arg(ann)), 2);
}

// A double-click on a row of the client or statement list opens it as Enter
// there does, as OK does.
TEST_F(Keyboard, DoubleClickOnAListRowOpensItAsEnterDoes)
{
    seedAnn();
    makeHome();
    const auto doubleClickFirstRow = [](DbGrid *list) {
        ASSERT_GT(list->tableModel()->rowCount(), 0);
        const QRect row = list->visualRect(list->tableModel()->index(0, 0));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    };
    auto *client = static_cast<TfrmClient *>(OpenClientWindow(ClientMode::Edit));
    QPointer<TfrmClient> clientGuard(client);
    doubleClickFirstRow(client->dbClient);
    auto *workspace = shownWindow<TfrmFSMain>();
    ASSERT_NE(workspace, nullptr);
    EXPECT_TRUE(clientGuard.isNull() || !clientGuard->isVisible());
    doubleClickFirstRow(workspace->dbClient);
    auto *info = shownWindow<TfrmClientAdd>();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->currentPage(), info->tsClientPersonal);
    EXPECT_TRUE(m_dialogs->shown().empty());
}

// Every window as it shows its pages: each control is named for a screen
// reader, and Tab runs through a page top to bottom, left to right.
TEST_F(Keyboard, EveryControlIsNamedAndTabbedInReadingOrder)
{
    seedAnn(true);
    storeCredentials("admin", "Secret");
    appState().login = LoginState::Done;
    const auto check = [&](const QString &what, QWidget *window, QWidget *page) {
        makeActive(window);
        EXPECT_EQ(unnamed(window), QStringList()) << what.toStdString();
        if (page) {
            EXPECT_EQ(tabOrderFaults(window, page), QStringList()) << what.toStdString();
        }
    };

    TfrmMain *h = loggedInHome();
    check("home", h, nullptr);
    h->hide();

    for (const char *mode : {"Edit", "Delete"}) {
        auto *c = static_cast<TfrmClient *>(OpenClientWindow(clientModeNamed(QString::fromLatin1(mode))));
        check(QStringLiteral("client ") + mode, c, c->currentPage());
        c->close();
    }

    const auto workspace = [&](const char *mode) {
        appState().clientMode = clientModeNamed(QString::fromLatin1(mode));
        FilterStatementTables(QString::number(ann), QString());
        return static_cast<TfrmFSMain *>(OpenStatementWorkspace());
    };
    TfrmFSMain *w = workspace("Add");
    check("workspace add page", w, w->tsAdd);
    w->close();
    w = workspace("Update");
    check("workspace list", w, w->tsSelect);
    w->bOKClick();
    check("workspace update page", w, w->tsUpdate);
    w->close();
    for (const char *mode : {"Print", "PDF", "Email"}) {
        w = workspace(mode);
        w->bOKClick();
        check(QStringLiteral("workspace ") + w->currentPage()->objectName(), w, w->currentPage());
        w->close();
    }

    appState().clientMode = ClientMode::Edit;
    FilterStatementTables(QString::number(ann), QString::number(statement));
    auto *info = static_cast<TfrmClientAdd *>(OpenClientInformationWindow());
    for (HoverLabel *link : {info->personalLink, info->reportingDateLink, info->employmentLink, info->contactsLink,
        info->spouseLink, info->spouseEmploymentLink, info->spouseContactsLink}) {
        m_dialogs->clear();
        click(link);
        ASSERT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
        check(QStringLiteral("client information ") + info->currentPage()->objectName(), info,
              info->currentPage());
    }
    info->close();

    FilterStatementTables(QString::number(ann), QString::number(statement));
    auto *assets = static_cast<TfrmAssets *>(OpenAssetsWindow());
    for (EntryPage *p : assets->pages()) {
        assets->openEntryPage(p->description().number);
        check(p->objectName() + " browsing", assets, p);
        p->addClick();
        check(p->objectName() + " adding", assets, p);
        p->cancelClick();
    }
    assets->close();
    // Every other schedule window, whose drop-downs a screen reader must
    // announce by their captions.
    for (QWidget *(*open)() : {OpenLiabilitiesWindow, OpenIncomeWindow, OpenExpensesWindow, OpenNotesWindow}) {
        FilterStatementTables(QString::number(ann), QString::number(statement));
        auto *entry = static_cast<EntryWindow *>(open());
        for (EntryPage *p : entry->pages()) {
            entry->openEntryPage(p->description().number);
            p->addClick();
            check(p->objectName() + " adding", entry, p);
            p->cancelClick();
        }
        entry->close();
    }

    auto *security = static_cast<TfrmSecurity *>(OpenSecurityWindow());
    check("security change page", security, security->tsPassword);
    security->startLogin();
    check("security login page", security, security->tsLogin);
    security->startFirstLogin();
    check("security first password page", security, security->tsFirstLogin);
    security->close();

    appState().optionsStartPage = OptionsPage::User;
    auto *options = static_cast<TfrmOptions *>(OpenOptionsWindow());
    check("options user page", options, options->tsUser);
    click(options->emailLink);
    check("options e-mail page", options, options->tsEmail);
    options->close();

    auto *backup = static_cast<TfrmBackup *>(OpenBackupWindow());
    check("backup", backup, backup->tsBackup);
    backup->close();
    auto *restore = static_cast<TfrmRestore *>(OpenRestoreWindow());
    check("restore", restore, restore->tsBackup);
    restore->close();

    TfrmAbout about;
    about.show();
    check("about", &about, &about);
    reports::PreviewWindow preview({});
    preview.show();
    check("preview", &preview, nullptr);
}
