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
    QLineEdit *d3_1, *d3_2;        // login: user name, password
    QLineEdit *d4_1, *d4_u, *d4_2;  // first password: user name, new, confirmation
    // change: the current password, then user name, new, confirmation
    QLineEdit *currentPassword;
    QLineEdit *d1_1, *d1_2, *d1_3;
    QPushButton *btnLoginOk, *btnLoginCancel, *btnLoginMore;
    QPushButton *btnFirstOk, *btnFirstCancel, *btnFirstMore;
    QPushButton *btnChangeOk, *btnChangeCancel, *btnChangeMore;
    HoverLabel *s1;

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
