// The recovery key: shown once when a password is first set (or the data is
// moved to a key of its own), and the way back in when the password is lost.
#include "settings/security.h"
#include "settings/security_page.h"

#include "data/data_key.h"
#include "data/datamodule.h"
#include "data/output_file.h"
#include "kit/dialogs.h"
#include "kit/look.h"

#include <QApplication>

namespace nettora {

using namespace security_pages;

namespace {

// What Print and Save as file put on paper or in the file.
QString recoverySheet(const QString &code)
{
    return QStringLiteral("Nettora recovery key\n\n%1\n\nThis key opens the Nettora data if its password is forgotten. "
                          "Keep it where nobody else finds it, away from the computer.\n")
        .arg(code);
}

}  // namespace

void TfrmSecurity::buildRecoveryPages()
{
    tsRecoveryKey = new QWidget;
    tsRecoveryKey->setObjectName(QStringLiteral("tsRecoveryKey"));
    {
        PageBuilder b(tsRecoveryKey);
        b.heading(QStringLiteral("Recovery Key"));
        b.lines({QStringLiteral("This recovery key opens the data if the password is ever forgotten.  It is shown only now:"),
                 QStringLiteral("print it or save it as a file, and keep it where nobody else finds it, away from this computer."),
                 QStringLiteral("Without the password or this key nobody can open the data.")});
        QFont big = look::headingFont();
        big.setPointSize(16);
        recoveryKeyText = pagetext::label(tsRecoveryKey, QString(), QRect(40, b.y(), 460, 34), big);
        setInk(recoveryKeyText, look::HeadingInk);
        recoveryKeyText->setObjectName(QStringLiteral("lblRecoveryKey"));
        recoveryKeyText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        b.gap(46);
        btnRecoveryPrint = pagetext::button(tsRecoveryKey, QStringLiteral("Print"), QStringLiteral("btnRecoveryPrint"),
                                            QRect(40, b.y(), 100, 28));
        btnRecoverySave = pagetext::button(tsRecoveryKey, QStringLiteral("Save as file"),
                                           QStringLiteral("btnRecoverySave"), QRect(150, b.y(), 110, 28));
        b.gap(44);
        recoveryKeptCheck =
            pagetext::checkBox(tsRecoveryKey, QStringLiteral("I have kept the recovery key"), QStringLiteral("cbRecoveryKept"), b.y());
        btnRecoveryOk = pagetext::button(tsRecoveryKey, QStringLiteral("OK"), QStringLiteral("btnRecoveryOk"),
                                         QRect(420, 392, 80, 28));
        btnRecoveryOk->setDefault(true);
        btnRecoveryOk->setEnabled(false);
    }

    tsForgot = new QWidget;
    tsForgot->setObjectName(QStringLiteral("tsForgot"));
    {
        PageBuilder b(tsForgot);
        b.heading(QStringLiteral("Forgot the password?"));
        b.lines({QStringLiteral("Type the recovery key you kept when the password was set, then choose a new password.")});
        forgotKey = b.field(QStringLiteral("Recovery key:"), QStringLiteral("edRecoveryKey"), 0, false, 260);
        forgotPassword = b.field(QStringLiteral("New Password:"), QStringLiteral("edForgotPassword"), 12, true);
        forgotConfirmation = b.field(QStringLiteral("Confirm Password:"), QStringLiteral("edForgotConfirmation"), 12, true);
        btnForgotCancel = pagetext::button(tsForgot, QStringLiteral("Cancel"), QStringLiteral("btnForgotCancel"),
                                           QRect(332, 392, 80, 28));
        btnForgotOk = pagetext::button(tsForgot, QStringLiteral("OK"), QStringLiteral("btnForgotOk"), QRect(420, 392, 80, 28));
        btnForgotOk->setDefault(true);
    }

    connect(btnForgot, &QPushButton::clicked, this, [this] {
        openPage(tsForgot);
        forgotKey->clear();
        forgotPassword->clear();
        forgotConfirmation->clear();
        forgotKey->setFocus();
    });
    connect(btnForgotCancel, &QPushButton::clicked, this, &TfrmSecurity::startLogin);
    connect(btnForgotOk, &QPushButton::clicked, this, &TfrmSecurity::forgotOk);
    connect(recoveryKeptCheck, &QCheckBox::toggled, btnRecoveryOk, &QPushButton::setEnabled);
    connect(btnRecoveryOk, &QPushButton::clicked, this, &TfrmSecurity::recoveryOk);
    connect(btnRecoveryPrint, &QPushButton::clicked, this, [this] {
        if (!dialogs().printText(QStringLiteral("Nettora recovery key"), recoverySheet(recoveryKeyText->text())))
            dialogs().error(QStringLiteral("The recovery key was not printed."));
    });
    connect(btnRecoverySave, &QPushButton::clicked, this, [this] {
        const QString file = dialogs().saveFileName(QStringLiteral("Save the recovery key"),
                                                    QStringLiteral("Nettora recovery key.txt"));
        if (file.isEmpty())
            return;
        guarded([&] {
            writeOutputFile(file, recoverySheet(recoveryKeyText->text()).toUtf8());
            dialogs().information(QStringLiteral("The recovery key was saved in \"%1\".").arg(file));
        });
    });
}

void TfrmSecurity::showRecoveryKey(const QString &code, bool upgraded)
{
    m_upgraded = upgraded;
    recoveryKeyText->setText(code);
    recoveryKeptCheck->setChecked(false);
    btnRecoveryOk->setEnabled(false);
    openPage(tsRecoveryKey);
    recoveryKeptCheck->setFocus();
}

void TfrmSecurity::recoveryOk()
{
    if (!recoveryKeptCheck->isChecked())
        return;
    recoveryKeyText->clear();
    if (m_upgraded) {
        m_upgraded = false;
        if (dialogs().warning(QStringLiteral(
                "The data is now encrypted with a key of its own that only your password (or the recovery key) opens.\n\n"
                "Backups made before now, and the earlier data files Nettora kept in the folder \"Replaced\" of the data "
                "directory, are still under the old protection, which anyone with Nettora can open: keep them safe or "
                "delete them.\n\nMove the kept files in \"Replaced\" to the new key now?")))
            guarded([] {
                const int moved = dm1->ReencryptKeptFiles();
                dialogs().information(QStringLiteral("%1 kept file(s) were moved to the new key.").arg(moved));
            });
    }
    finishLogin();
}

void TfrmSecurity::forgotOk()
{
    const QString code = normalisedRecoveryCode(forgotKey->text());
    if (code.isEmpty()) {
        dialogs().error(QStringLiteral("Please enter the recovery key: 25 letters and digits, as it was printed or saved."));
        forgotKey->setFocus();
        return;
    }
    if (!newPasswordValid(nullptr, forgotPassword, forgotConfirmation))
        return;
    try {
        const WaitCursor waiting;
        dm1->UnlockWithRecoveryCode(code);
    } catch (const WrongPassword &e) {
        dialogs().error(e.text());
        forgotKey->setFocus();
        return;
    } catch (const Error &e) {
        dialogs().error(e.text());
        return;
    }
    const SecretBytes password = takePassword(forgotPassword);
    forgotConfirmation->clear();
    forgotKey->clear();
    if (!guarded([&] { dm1->ChangePassword(password); })) {
        dm1->LockData();
        return;
    }
    dialogs().information(QStringLiteral("Password successfully updated."));
    m_failures = 0;
    m_nextTry = QDateTime();
    finishLogin();
}

}  // namespace nettora
