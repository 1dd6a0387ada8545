#pragma once
// The security window: the login asked at every start (the password opens
// the data), the first user name and password with the recovery key shown
// once, the way back in with the recovery key, and changing them later.

#include "data/secret.h"
#include "kit/frame.h"

#include <QCheckBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace nettora {

class TfrmSecurity : public ScreenFrame {
    Q_OBJECT
public:
    explicit TfrmSecurity(QWidget *parent = nullptr);

    // Called by the start-up check with the login pending.
    void startLogin();
    void startFirstLogin();

    void DisableAllButtons();

    QWidget *tsLogin, *tsFirstLogin, *tsPassword, *tsRecoveryKey, *tsForgot;
    QLineEdit *loginUser, *loginPassword;
    QLineEdit *firstUser, *firstPassword, *firstConfirmation;
    // The change page asks for the current password first.
    QLineEdit *currentPassword;
    QLineEdit *newUser, *newPassword, *newConfirmation;
    QPushButton *btnLoginOk, *btnLoginCancel, *btnLoginMore;
    QPushButton *btnFirstOk, *btnFirstCancel, *btnFirstMore;
    QPushButton *btnChangeOk, *btnChangeCancel, *btnChangeMore;
    // Under the password, the wait after repeated failed logins.
    QLabel *loginWait;
    QPushButton *btnForgot;
    // The recovery key page, shown once after a password is first set.
    QLabel *recoveryKeyText;
    QPushButton *btnRecoveryPrint, *btnRecoverySave, *btnRecoveryOk;
    QCheckBox *recoveryKeptCheck;
    // The forgotten-password page.
    QLineEdit *forgotKey, *forgotPassword, *forgotConfirmation;
    QPushButton *btnForgotOk, *btnForgotCancel;
    HoverLabel *loginLink;

    void loginOk();
    void firstLoginOk();
    void changeOk();
    void forgotOk();
    void recoveryOk();

    // After this many failed logins in a row, each further one waits longer.
    static constexpr int FreeTries = 5;
    // How long the next try waits after `failures` failed ones in a row.
    static int waitSeconds(int failures);

protected:
    bool isOwnEntry(Entry e) const override { return e == Entry::Security; }
    std::optional<PendingInput> pendingInput() override;
    void afterHoverReset() override;
    void closeEvent(QCloseEvent *event) override;

private:
    void openChangePage();
    // Checks the three boxes and saves; false when a check failed.
    bool savePassword(QLineEdit *user, QLineEdit *password, QLineEdit *confirmation);
    // The change page's first check: the password stored is known. A
    // failure is told and takes the focus.
    bool currentPasswordMatches();
    // The change page's checks and save; true when the new name and
    // password are stored.
    bool changeSaved();
    // The change page's boxes as the page opens: the stored name, no passwords.
    void clearChangeBoxes();
    void endProgram();
    void tellMeMore(bool support);
    // The password in the box, in guarded memory; the box is cleared.
    static SecretBytes takePassword(QLineEdit *box);
    // Checks the three boxes of a new password (as the first-login and
    // change pages ask them); false when a check failed, told and focused.
    bool newPasswordValid(QLineEdit *user, QLineEdit *password, QLineEdit *confirmation);
    // Whether the data opened (any failure told); wrong passwords counted.
    bool unlock(const SecretBytes &password);
    void loginFailed();
    void updateLoginWait();
    // Shows the recovery key page; then tells about older copies when the
    // data was just moved to its own key.
    void showRecoveryKey(const QString &code, bool upgraded);
    // The recovery key page and the forgotten-password page, with their buttons.
    void buildRecoveryPages();
    void finishLogin();
    int m_failures = 0;
    QDateTime m_nextTry;
    QTimer m_waitTimer;
    bool m_upgraded = false;
    bool m_ending = false;
};

}  // namespace nettora
