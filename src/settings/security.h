#pragma once
// The security window: the login asked at every start, the first user name
// and password, and changing them later.

#include "kit/frame.h"

#include <QLineEdit>
#include <QPushButton>

namespace nettora {

class TfrmSecurity : public ScreenFrame {
    Q_OBJECT
public:
    explicit TfrmSecurity(QWidget *parent = nullptr);

    // Called by the start-up check with the login pending.
    void startLogin();
    void startFirstLogin();

    void DisableAllButtons();

    QWidget *tsLogin, *tsFirstLogin, *tsPassword;
    QLineEdit *loginUser, *loginPassword;
    QLineEdit *firstUser, *firstPassword, *firstConfirmation;
    // The change page asks for the current password first.
    QLineEdit *currentPassword;
    QLineEdit *newUser, *newPassword, *newConfirmation;
    QPushButton *btnLoginOk, *btnLoginCancel, *btnLoginMore;
    QPushButton *btnFirstOk, *btnFirstCancel, *btnFirstMore;
    QPushButton *btnChangeOk, *btnChangeCancel, *btnChangeMore;
    HoverLabel *loginLink;

    void loginOk();
    void firstLoginOk();
    void changeOk();

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
    bool m_ending = false;
};

}  // namespace nettora
