#include "settings/security.h"

#include "kit/btn_functions.h"
#include "kit/dialogs.h"
#include "kit/databinding.h"
#include "kit/pagetext.h"
#include "kit/vendor.h"
#include "data/datamodule.h"
#include "data/db_functions.h"
#include "kit/app_state.h"
#include "kit/shell_open.h"
#include "settings/password.h"

#include <QCloseEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace nettora {

namespace {

// One page of the window, laid out top to bottom the same way on all three.
class PageBuilder {
public:
    PageBuilder(QWidget *page) : m_page(page) {}

    void heading(const QString &text)
    {
        pagetext::heading(m_page, text, m_y, 480);
        m_y += 28;
    }
    void lines(const QStringList &texts)
    {
        for (const QString &t : texts) {
            pagetext::line(m_page, t, 12, m_y, 500);
            m_y += 14;
        }
        m_y += 12;
    }
    QLineEdit *field(const QString &caption, const QString &objectName, int maxLength, bool secret)
    {
        QLineEdit *e = pagetext::captionedEdit(m_page, caption, QRect(40, m_y + 3, 120, 16), objectName,
                                               QRect(165, m_y, 180, 22));
        if (maxLength > 0)
            limitToWidth(e, maxLength);  // in characters, as the fields count them
        if (secret)
            pagetext::maskWithStars(e);
        m_y += 28;
        return e;
    }
    void gap(int y) { m_y += y; }
    // Tell Me More, Cancel, OK along the bottom of the page.
    std::array<QPushButton *, 3> buttons(const QString &prefix)
    {
        std::array<QPushButton *, 3> out{};
        const char *captions[] = {"Tell Me More", "Cancel", "OK"};
        const char *names[] = {"More", "Cancel", "Ok"};
        const int widths[] = {110, 80, 80};
        for (int i = 0; i < 3; ++i)
            out[size_t(i)] = pagetext::button(m_page, QString::fromLatin1(captions[i]), prefix + QLatin1String(names[i]),
                                              QRect(i == 0 ? 12 : 500 - (3 - i) * 88 + 8, 392, widths[i], 28));
        out[2]->setDefault(true);
        return out;
    }

private:
    QWidget *m_page;
    int m_y = 6;
};

const QStringList kIdentityTheft = {
    QStringLiteral("Identity theft is the fastest growing crime in the United States, costing the victims and the "),
    QStringLiteral("organizations with whom they do business more that $50 billion a year.  It is imperative that you "),
    QStringLiteral("keep all of your username's and passord's in a safe and secure place.  If you feel that your "),
    QStringLiteral("username's and password's are vulnerable, please protect yourself and your clients by clicking on"),
};

}  // namespace

TfrmSecurity::TfrmSecurity(QWidget *parent) : ScreenFrame(false, parent)
{
    setObjectName(QStringLiteral("TfrmSecurity"));

    tsLogin = new QWidget;
    tsLogin->setObjectName(QStringLiteral("tsLogin"));
    {
        PageBuilder b(tsLogin);
        b.heading(QStringLiteral("Login"));
        b.lines({QStringLiteral("The Nettora Login feature is intended to prevent someone who does not know "),
                 QStringLiteral("the password from accessing the program and sensitive data that is contained herein. Be aware"),
                 QStringLiteral("that passwords are case-sensitive, so note whether or not you have your CAPS LOCK key on. ")});
        loginUser = b.field(QStringLiteral("Username:"), QStringLiteral("d3_1"), 0, false);
        loginPassword = b.field(QStringLiteral("Password:"), QStringLiteral("d3_2"), 12, true);
        b.gap(16);
        b.heading(QStringLiteral("Oops"));
        b.lines({QStringLiteral("Forget your password?  Not to worry our trained technicians can have you up and running within"),
                 QStringLiteral("minutes.  With remote support capability, we can provide fast, easy, and secure support services "),
                 QStringLiteral("resulting in a superior customer experience every time.  To utilize this service you must have a "),
                 QStringLiteral("connection to the internet.  Click on the \"Tell Me More\" button to continue. ")});
        const auto buttons = b.buttons(QStringLiteral("btnLogin"));
        btnLoginMore = buttons[0];
        btnLoginCancel = buttons[1];
        btnLoginOk = buttons[2];
    }

    tsFirstLogin = new QWidget;
    tsFirstLogin->setObjectName(QStringLiteral("tsFirstLogin"));
    {
        PageBuilder b(tsFirstLogin);
        b.heading(QStringLiteral("Set Password"));
        b.lines({QStringLiteral("The Nettora Password feature is intended to prevent someone who does not know "),
                 QStringLiteral("the password from accessing the program and sensitive data that is contained herein.  You can "),
                 QStringLiteral("change your password at any time. Be aware that passwords are case-sensitive, so note whether "),
                 QStringLiteral("or not you have the CAPS LOCK key on.")});
        firstUser = b.field(QStringLiteral("Username:"), QStringLiteral("d4_1"), 12, false);
        firstPassword = b.field(QStringLiteral("New Password:"), QStringLiteral("d4_u"), 12, true);
        firstConfirmation = b.field(QStringLiteral("Confirm Password:"), QStringLiteral("d4_2"), 12, true);
        b.heading(QStringLiteral("Identity Theft?"));
        b.lines(kIdentityTheft + QStringList{QStringLiteral("\"Tell Me More\".")});
        const auto buttons = b.buttons(QStringLiteral("btnFirst"));
        btnFirstMore = buttons[0];
        btnFirstCancel = buttons[1];
        btnFirstOk = buttons[2];
    }

    tsPassword = new QWidget;
    tsPassword->setObjectName(QStringLiteral("tsPassword"));
    {
        PageBuilder b(tsPassword);
        b.heading(QStringLiteral("Login"));
        b.lines({QStringLiteral("The Nettora login feature is intended to prevent someone who does not know the"),
                 QStringLiteral("login information from accessing the program and sensitive data that is contained herein.  You can "),
                 QStringLiteral("change your login at any time. Be aware that passwords are case-sensitive, so note whether "),
                 QStringLiteral("or not you have your CAPS LOCK key on.")});
        // Whoever finds the program left open must not take it over.
        currentPassword = b.field(QStringLiteral("Current Password:"), QStringLiteral("currentPassword"), 12, true);
        newUser = b.field(QStringLiteral("Username:"), QStringLiteral("d1_1"), 12, false);
        newPassword = b.field(QStringLiteral("New Password:"), QStringLiteral("d1_2"), 12, true);
        newConfirmation = b.field(QStringLiteral("Confirm Password:"), QStringLiteral("d1_3"), 12, true);
        b.heading(QStringLiteral("Identity Theft?"));
        b.lines(kIdentityTheft + QStringList{QStringLiteral("the \"Tell Me More\" button below.")});
        const auto buttons = b.buttons(QStringLiteral("btnChange"));
        btnChangeMore = buttons[0];
        btnChangeCancel = buttons[1];
        btnChangeOk = buttons[2];
    }

    addPage(tsLogin);
    addPage(tsFirstLogin);
    loginLink = addSideLink(QStringLiteral("   Login"), tsPassword, [this] {
        currentPassword->clear();
        newUser->clear();
        newPassword->clear();
        newConfirmation->clear();
        currentPassword->setFocus();
    });
    loginLink->setObjectName(QStringLiteral("s1"));

    connect(btnLoginOk, &QPushButton::clicked, this, &TfrmSecurity::loginOk);
    connect(btnFirstOk, &QPushButton::clicked, this, &TfrmSecurity::firstLoginOk);
    connect(btnChangeOk, &QPushButton::clicked, this, &TfrmSecurity::changeOk);
    connect(btnLoginCancel, &QPushButton::clicked, this, &TfrmSecurity::endProgram);
    connect(btnFirstCancel, &QPushButton::clicked, this, &TfrmSecurity::endProgram);
    connect(btnChangeCancel, &QPushButton::clicked, this, [this] {
        GoHome();
        close();
    });
    connect(btnLoginMore, &QPushButton::clicked, this, [this] { tellMeMore(true); });
    connect(btnFirstMore, &QPushButton::clicked, this, [this] { tellMeMore(false); });
    connect(btnChangeMore, &QPushButton::clicked, this, [this] { tellMeMore(false); });

    openChangePage();
    if (appState().login == LoginState::Pending)
        DisableAllButtons();
}

void TfrmSecurity::openChangePage()
{
    openPage(tsPassword);
    // The stored password is a hash: the boxes start empty, the name filled.
    dm1->tblUser->first();
    clearChangeBoxes();
    currentPassword->setFocus();
}

void TfrmSecurity::clearChangeBoxes()
{
    newUser->setText(dm1->tblUser->asString("User"));
    currentPassword->clear();
    newPassword->clear();
    newConfirmation->clear();
}

void TfrmSecurity::startLogin()
{
    openPage(tsLogin);
    loginUser->clear();
    loginPassword->clear();
    loginUser->setFocus();
}

void TfrmSecurity::startFirstLogin()
{
    openPage(tsFirstLogin);
    firstUser->clear();
    firstPassword->clear();
    firstConfirmation->clear();
    firstUser->setFocus();
}

void TfrmSecurity::DisableAllButtons()
{
    for (HoverLabel *l : {mOptions, mSecurity, mCheckUpdate1, mCheckUpdate2, mBackup, mRestore, mExit, mHelp, mAbout,
                          mAffiliate})
        l->setEnabled(false);
    loginLink->setEnabled(false);
    loginLink->hide();
}

void TfrmSecurity::afterHoverReset()
{
    if (appState().login == LoginState::Pending && loginLink)
        DisableAllButtons();
}

void TfrmSecurity::loginOk()
{
    const QString user = loginUser->text();
    const QString password = loginPassword->text();
    Table *u = dm1->tblUser;
    u->first();
    const QString storedUser = u->asString("User");
    const QString storedPassword = u->asString("Password");
    if (user.isEmpty()) {
        dialogs().error(QStringLiteral("You must enter a \"Username\"."));
        loginUser->setFocus();
        return;
    }
    if (password.isEmpty()) {
        dialogs().error(QStringLiteral("You must enter a \"Password\"."));
        loginPassword->setFocus();
        return;
    }
    bool rehash = false;
    if (!verifyPassword(password, storedPassword, &rehash) || user != storedUser) {
        dialogs().error(QStringLiteral("Invalid Login."));
        return;
    }
    if (rehash) {
        // A password kept as text from an older installation: keep its hash now.
        if (!guarded([&] {
                u->edit();
                u->setAsString("Password", hashPassword(password));
                u->post();
            }))
            u->cancel();
    }
    appState().login = LoginState::Done;
    ShowHomeWindow();
    close();
}

bool TfrmSecurity::savePassword(QLineEdit *user, QLineEdit *password, QLineEdit *confirmation)
{
    const struct {
        QLineEdit *box;
        const char *message;
    } required[] = {{user, "Please enter  \"Username\"."},
                    {password, "Please enter  \"New Password\"."},
                    {confirmation, "Please enter  \"Confirm Password\"."}};
    for (const auto &r : required)
        if (r.box->text().isEmpty()) {
            dialogs().error(QString::fromLatin1(r.message));
            r.box->setFocus();
            return false;
        }
    if (password->text() != confirmation->text()) {
        dialogs().error(QStringLiteral("\"New Password\" and \"Confirm Password\" do not match."));
        password->setFocus();
        return false;
    }
    Table *u = dm1->tblUser;
    if (!guarded([&] {
            u->first();
            u->edit();  // an empty user table gets its first row here
            u->setAsString("Password", hashPassword(password->text()));
            u->setAsString("User", user->text());
            u->post();
        })) {
        u->cancel();
        return false;
    }
    dialogs().information(QStringLiteral("Password successfully updated."));
    return true;
}

void TfrmSecurity::firstLoginOk()
{
    if (!savePassword(firstUser, firstPassword, firstConfirmation))
        return;
    appState().login = LoginState::Done;
    ShowHomeWindow();
    close();
}

bool TfrmSecurity::currentPasswordMatches()
{
    Table *u = dm1->tblUser;
    u->first();
    const QString stored = u->asString("Password");
    if (stored.isEmpty())
        return true;  // nothing to know yet
    if (currentPassword->text().isEmpty()) {
        dialogs().error(QStringLiteral("Please enter  \"Current Password\"."));
        currentPassword->setFocus();
        return false;
    }
    if (!verifyPassword(currentPassword->text(), stored)) {
        dialogs().error(QStringLiteral("The current password is not correct."));
        currentPassword->selectAll();
        currentPassword->setFocus();
        return false;
    }
    return true;
}

std::optional<ScreenFrame::PendingInput> TfrmSecurity::pendingInput()
{
    if (!dm1 || currentPage() != tsPassword)
        return std::nullopt;
    const bool changed = !newPassword->text().isEmpty() || !newConfirmation->text().isEmpty()
                         || newUser->text() != dm1->tblUser->asString("User");
    if (!changed)
        return std::nullopt;
    return PendingInput{QStringLiteral("the user name and password"),
                        [this] { return changeSaved(); },
                        [this] { clearChangeBoxes(); }};
}

bool TfrmSecurity::changeSaved()
{
    if (!currentPasswordMatches() || !savePassword(newUser, newPassword, newConfirmation))
        return false;
    // Saved: no password stays in the boxes, and nothing is left to ask about.
    clearChangeBoxes();
    return true;
}

void TfrmSecurity::changeOk()
{
    if (!changeSaved())
        return;
    ShowHomeWindow();
    close();
}

void TfrmSecurity::endProgram()
{
    m_ending = true;
    close();
    if (ScreenFrame *home = homeWindow())
        home->close();
}

void TfrmSecurity::closeEvent(QCloseEvent *event)
{
    // Leaving while the login is pending can only mean ending the program.
    if (appState().login == LoginState::Pending && !m_ending) {
        m_ending = true;
        if (ScreenFrame *home = homeWindow())
            home->close();
    }
    ScreenFrame::closeEvent(event);
}

void TfrmSecurity::tellMeMore(bool support)
{
    if (support) {
        if (!ShellOpen(vendor::SupportPage))
            dialogs().error(QStringLiteral("To view information for customer support you must be connected to the internet."));
    } else if (!ShellOpen(vendor::PasswordProductPage)) {
        dialogs().error(QStringLiteral("To view information for Vaultmere you must be connected to the internet."));
    }
}

}  // namespace nettora
