#pragma once
// The options window: the preparer's particulars and the outgoing e-mail
// settings, both fields of the single user row, and a test message through
// the e-mail settings. The third side link leads to the print options.
//
// The editors show the user row; what is typed reaches the row only through
// OK (or "Test", which saves the e-mail settings first). Leaving a page
// with something typed asks first; Cancel and a discarded answer drop it, so
// no half-typed value is ever left for another window's save of the row.

#include "kit/databinding.h"
#include "kit/frame.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <functional>

namespace nettora {

class TfrmOptions : public ScreenFrame {
    Q_OBJECT
public:
    explicit TfrmOptions(QWidget *parent = nullptr);
    ~TfrmOptions() override;

    // Preparer's page.
    QWidget *tsUser;
    QLineEdit *edFirstName, *edMiddleInitial, *edLastName, *edCompany, *edAddress, *edAddress2, *edCity, *edState,
        *edZip, *edPhone, *edFax;
    QPushButton *btnUserCancel, *btnUserOk;

    // E-mail page.
    QWidget *tsEmail;
    QLineEdit *edEmailName, *edEmailAddress, *edSMTPServer, *edSMTPUserName, *edSMTPPassword;
    QPushButton *btnTest, *btnEmailCancel, *btnEmailOk;

    // Test results.
    QWidget *tsEmailTest;
    QPlainTextEdit *mEmail;
    QPushButton *btnEmailTest;

    HoverLabel *userLink, *emailLink, *printOptionsLink;

    // The editor of a field of the user row, or null.
    QWidget *editorOfField(const QString &field) const { return m_binder.editorOf(field); }

    void userOkClick();
    void emailOkClick();
    void cancelClick();
    void testClick();
    // True while the test message is on its way.
    bool sending() const { return busy(); }

    // How "Test" sends the message: it writes each status line through
    // status as it happens and keeps the window responding meanwhile; true
    // when the message went out. The program installs the e-mail engine's.
    using TestMailer = std::function<bool(const std::function<void(const QString &)> &status)>;
    static void setTestMailer(TestMailer mailer);

protected:
    std::optional<PendingInput> pendingInput() override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // The user row from its first row, in edit, shown by every editor.
    void freshEdit();
    // Puts the row into edit unless it is already there.
    void beginEdit();
    void emailSetupClick();
    // The sender's address typed on the e-mail page is one address, or
    // nothing; otherwise the refusal is shown at it and nothing is stored.
    bool senderAddressAccepted();
    void appendStatus(const QString &line);

    FieldBinder m_binder;
    bool m_opened = false;
};

}  // namespace nettora
