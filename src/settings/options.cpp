#include "settings/options.h"

#include "kit/btn_functions.h"
#include "kit/dialogs.h"
#include "kit/pagetext.h"
#include "data/datamodule.h"
#include "data/db_functions.h"
#include "data/engine_error.h"
#include "kit/app_state.h"
#include "data/preparer.h"
#include "data/mail_address.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>

namespace nettora {

namespace {

TfrmOptions::TestMailer &testMailer()
{
    static TfrmOptions::TestMailer mailer;
    return mailer;
}

QWidget *newPage(const char *name)
{
    auto *page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    return page;
}

constexpr int kButtonsTop = 394;
constexpr int kEditorLeft = 140;

// One caption and its editor, bound to a field of the user row.
QLineEdit *field(QWidget *page, FieldBinder &binder, const QString &caption, const char *name, int y, int width)
{
    QLineEdit *e = pagetext::captionedEdit(page, caption, QRect(24, y + 4, kEditorLeft - 30, 16),
                                           QString::fromLatin1(name), QRect(kEditorLeft, y, width, 22));
    binder.bind(e, dm1->tblUser, QString::fromLatin1(name));
    return e;
}

}  // namespace

void TfrmOptions::setTestMailer(TestMailer mailer)
{
    testMailer() = std::move(mailer);
}

TfrmOptions::TfrmOptions(QWidget *parent) : ScreenFrame(false, parent)
{
    using namespace pagetext;
    setObjectName(QStringLiteral("TfrmOptions"));

    tsUser = newPage("tsUser");
    heading(tsUser, QStringLiteral("Enter Preparer's Information."), 6);
    {
        const struct {
            QLineEdit **editor;
            const char *caption, *field;
            int width;
        } rows[] = {
            {&edFirstName, "First Name:", "FirstName", 200},
            {&edMiddleInitial, "Middle Initial:", "MiddleInitial", 30},
            {&edLastName, "Last Name:", "LastName", 200},
            {&edCompany, "Company Name:", "Company", 330},
            {&edAddress, "Address:", "Address", 330},
            {&edAddress2, "Suite, Apt, Etc:", "Address2", 330},
            {&edCity, "City:", "City", 200},
            {&edState, "State:", "State", 36},
            {&edZip, "Zip Code:", "Zip", 100},
            {&edPhone, "Phone:", "Phone", 160},
            {&edFax, "Fax:", "Fax", 160},
        };
        int y = 40;
        for (const auto &r : rows) {
            *r.editor = field(tsUser, m_binder, QString::fromLatin1(r.caption), r.field, y, r.width);
            y += 29;
        }
    }
    upperCaseAsTyped(edMiddleInitial);
    upperCaseAsTyped(edState);
    btnUserCancel = button(tsUser, QStringLiteral("Cancel"), QStringLiteral("btnUserCancel"), PageWidth - 180,
                           kButtonsTop);
    btnUserOk = button(tsUser, QStringLiteral("OK"), QStringLiteral("btnUserOk"), PageWidth - 92, kButtonsTop);
    btnUserOk->setDefault(true);

    tsEmail = newPage("tsEmail");
    {
        // The longest heading of the program: a size smaller, so it fits.
        heading(tsEmail, QStringLiteral("Enter all information to insure that the email function works properly."), 6)
            ->setFont(look::arial(14, true));
    }
    line(tsEmail,
         QStringLiteral("This information can be found in the email client you are currently using to send and "
                        "receive email."),
         12, 34);
    {
        const struct {
            QLineEdit **editor;
            const char *caption, *field, *note;
        } rows[] = {
            {&edEmailName, "Name:", "EmailName", "This is the name that appears in the \"From\" field."},
            {&edEmailAddress, "Email Address:", "EmailAddress", ""},
            {&edSMTPServer, "SMTP Server:", "SMTPServer", "Outgoing Email Server."},
            {&edSMTPUserName, "User Name:", "SMTPUserName", "Outgoing server username."},
            {&edSMTPPassword, "Password:", "SMTPPassword", "Outgoing server password."},
        };
        int y = 70;
        for (const auto &r : rows) {
            *r.editor = field(tsEmail, m_binder, QString::fromLatin1(r.caption), r.field, y, 180);
            if (*r.note) {
                QLabel *note = line(tsEmail, QString::fromLatin1(r.note), kEditorLeft + 190, y - 3,
                                    PageWidth - kEditorLeft - 200);
                note->setWordWrap(true);
                note->setFixedHeight(28);
                note->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            }
            y += 36;
        }
    }
    maskWithStars(edSMTPPassword);
    btnTest = button(tsEmail, QStringLiteral("Test"), QStringLiteral("btnTest"), PageWidth - 268, kButtonsTop);
    btnEmailCancel = button(tsEmail, QStringLiteral("Cancel"), QStringLiteral("btnEmailCancel"), PageWidth - 180,
                            kButtonsTop);
    btnEmailOk = button(tsEmail, QStringLiteral("OK"), QStringLiteral("btnEmailOk"), PageWidth - 92, kButtonsTop);
    btnEmailOk->setDefault(true);

    tsEmailTest = newPage("tsEmailTest");
    const StatusPage status = statusPage(tsEmailTest, QStringLiteral("Email Test Results"));
    mEmail = status.memo;
    btnEmailTest = status.ok;

    userLink = addSideLink(QStringLiteral("   User Information"), tsUser, [this] { edFirstName->setFocus(); });
    emailLink = addSideLink(QStringLiteral("   Email Setup"), tsEmail, [this] { emailSetupClick(); });
    printOptionsLink = addSideLink(QStringLiteral("   Print Options"), nullptr, [this] {
        if (OpenPrintOptionsWindow())
            close();
    });
    userLink->setObjectName(QStringLiteral("s1"));
    emailLink->setObjectName(QStringLiteral("s2"));
    printOptionsLink->setObjectName(QStringLiteral("s3"));
    addPage(tsEmailTest);

    connect(btnUserOk, &QPushButton::clicked, this, &TfrmOptions::userOkClick);
    connect(btnEmailOk, &QPushButton::clicked, this, &TfrmOptions::emailOkClick);
    connect(btnTest, &QPushButton::clicked, this, &TfrmOptions::testClick);
    for (QPushButton *b : {btnUserCancel, btnEmailCancel})
        connect(b, &QPushButton::clicked, this, &TfrmOptions::cancelClick);
    connect(btnEmailTest, &QPushButton::clicked, this, [this] {
        pcMain->setVisible(false);
        ResetSubMenuFont();
    });

    guarded([this] { freshEdit(); });
    openPage(appState().optionsStartPage == OptionsPage::Email ? tsEmail : tsUser);
    orderTabs();
}

TfrmOptions::~TfrmOptions()
{
    // A window deleted without closing leaves no edit behind either.
    if (dm1 && dm1->tblUser->active() && dm1->tblUser->state() != RecordState::Browse)
        dm1->tblUser->cancel();
}

std::optional<ScreenFrame::PendingInput> TfrmOptions::pendingInput()
{
    QWidget *page = currentPage();
    if (!dm1 || (page != tsUser && page != tsEmail) || !m_binder.changed())
        return std::nullopt;
    const bool user = page == tsUser;
    return PendingInput{user ? QStringLiteral("User Information") : QStringLiteral("Email Setup"),
                        [this, user] {
                            if (user)
                                userOkClick();
                            else
                                emailOkClick();
                            return !m_binder.changed();
                        },
                        [this] { cancelClick(); }};
}

void TfrmOptions::showEvent(QShowEvent *event)
{
    ScreenFrame::showEvent(event);
    if (m_opened)
        return;
    m_opened = true;
    (currentPage() == tsEmail ? edEmailName : edFirstName)->setFocus();
}

void TfrmOptions::freshEdit()
{
    Table *u = dm1->tblUser;
    u->cancel();
    u->first();
    u->edit();
    m_binder.load();
}

void TfrmOptions::beginEdit()
{
    Table *u = dm1->tblUser;
    if (u->state() == RecordState::Edit || u->state() == RecordState::Insert)
        return;
    u->first();
    u->edit();
}

void TfrmOptions::emailSetupClick()
{
    edEmailName->setFocus();
    guarded([this] {
        dm1->tblUser->cancel();
        QCoreApplication::processEvents();
        freshEdit();
    });
}

bool TfrmOptions::senderAddressAccepted()
{
    const QString typed = edEmailAddress->text().trimmed();
    if (typed != edEmailAddress->text())
        edEmailAddress->setText(typed);  // blanks around an address are no part of it
    if (typed.isEmpty() || mail::IsOneEmailAddress(typed))
        return true;
    // Either page's OK stores both: the refusal is shown where it is mended.
    openPage(tsEmail);
    edEmailAddress->setFocus();
    dialogs().error(mail::NotOneEmailAddressText(typed));
    return false;
}

void TfrmOptions::userOkClick()
{
    if (!senderAddressAccepted())
        return;
    Table *u = dm1->tblUser;
    pcMain->setVisible(false);
    try {
        beginEdit();
        m_binder.store(u);
        DerivePreparerFields(u);
        u->post();
        setWindowTitle(WindowCaption());
    } catch (const EngineError &) {
        // Refused quietly; the editors go back to what is stored.
        u->cancel();
        m_binder.load();
    }
    ResetSubMenuFont();
}

void TfrmOptions::emailOkClick()
{
    if (!senderAddressAccepted())
        return;
    Table *u = dm1->tblUser;
    pcMain->setVisible(false);
    if (!guarded([&] {
            beginEdit();
            m_binder.store(u);
            u->post();
        })) {
        u->cancel();
        // What was typed stays on the page, to correct or save again.
        openPage(tsEmail);
        return;
    }
    ResetSubMenuFont();
}

void TfrmOptions::cancelClick()
{
    pcMain->setVisible(false);
    guarded([this] { freshEdit(); });
    ResetSubMenuFont();
}

void TfrmOptions::testClick()
{
    if (!senderAddressAccepted())
        return;
    Table *u = dm1->tblUser;
    if (!guarded([&] {
            beginEdit();
            m_binder.store(u);
            u->post();
            u->first();
        })) {
        u->cancel();
        return;
    }
    const struct {
        const char *field;
        QLineEdit *editor;
        const char *message;
    } required[] = {
        {"EmailName", edEmailName, "Please enter \"Name\""},
        {"EmailAddress", edEmailAddress, "Please enter \"Email Address\""},
        {"SMTPServer", edSMTPServer, "Please enter \"SMTP Server\""},
        {"SMTPUserName", edSMTPUserName, "Please enter \"SMTP Username\""},
        {"SMTPPassword", edSMTPPassword, "Please enter \"SMTP Password\""},
    };
    for (const auto &r : required) {
        if (u->asString(QString::fromLatin1(r.field)).isEmpty()) {
            r.editor->setFocus();
            dialogs().error(QString::fromLatin1(r.message));
            return;
        }
    }
    openPage(tsEmailTest);
    btnEmailTest->setVisible(false);
    mEmail->clear();
    QCoreApplication::processEvents();
    if (testMailer()) {
        setBusy(true);
        QString failure;
        try {
            testMailer()([this](const QString &line) { appendStatus(line); });
        } catch (const std::exception &e) {
            failure = QString::fromStdString(e.what());
        }
        setBusy(false);
        if (!failure.isEmpty())
            dialogs().error(failure);
    }
    btnEmailTest->setVisible(true);
    btnEmailTest->setFocus();
}

void TfrmOptions::appendStatus(const QString &line)
{
    mEmail->appendPlainText(line);
}

void TfrmOptions::closeEvent(QCloseEvent *event)
{
    // The test message is on its way on another thread: the window stays
    // until it has its answer.
    if (busy()) {
        event->ignore();
        return;
    }
    if (dm1 && dm1->tblUser->active() && dm1->tblUser->state() != RecordState::Browse)
        dm1->tblUser->cancel();
    ScreenFrame::closeEvent(event);
}

}  // namespace nettora
