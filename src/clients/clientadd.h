#pragma once
// The client information window: a new client's personal page, or an
// existing client's personal, spouse, employment and contact particulars and
// the reporting date and description of the current statement. Leaving a
// changed page asks whether to save it; every navigation then saves the
// visible page and goes on only when it passed.

#include "kit/databinding.h"
#include "kit/frame.h"
#include "clients/client_fields.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <map>

namespace nettora {

class TfrmClientAdd : public ScreenFrame {
    Q_OBJECT
public:
    explicit TfrmClientAdd(QWidget *parent = nullptr);

    QWidget *tsClientPersonal, *tsSpouseInfo, *tsPersonalEmployment, *tsSpouseEmployment, *tsPersonalContacts,
        *tsSpouseContacts, *tsClientReporting;
    HoverLabel *personalLink = nullptr, *reportingDateLink = nullptr, *employmentLink = nullptr, *contactsLink = nullptr,
               *spouseLink = nullptr, *spouseEmploymentLink = nullptr, *spouseContactsLink = nullptr,
               *assetsLink = nullptr, *liabilitiesLink = nullptr, *incomeLink = nullptr, *expendituresLink = nullptr,
               *legalLink = nullptr, *notesLink = nullptr;

    // True when the last save of the visible page was refused.
    bool pageCheckFailed = false;

    // Saves the visible page (nothing when no page is open).
    void GetButtonFunction();
    // Where a particular is to be mended: the page opened as its side link
    // opens it (unless it shows already), the focus in the field's editor.
    void showField(QWidget *page, const QString &field);

    void UpdatePersonalInformation();
    void UpdateSpouseInformation();
    void PersonalEmployment();
    void SpouseEmployment();
    void PersonalContacts();
    void SpouseContacts();
    void ReportingDate();

    // The editor bound to a field (client or statement), the page's buttons
    // and the name shown in its heading line.
    QWidget *editor(const QString &field) const;
    QLineEdit *lineEdit(const QString &field) const { return qobject_cast<QLineEdit *>(editor(field)); }
    QComboBox *comboBox(const QString &field) const { return qobject_cast<QComboBox *>(editor(field)); }
    QPushButton *okButton(QWidget *page) const { return m_pages.at(page).ok; }
    QPushButton *cancelButton(QWidget *page) const { return m_pages.at(page).cancel; }
    QLabel *headingName(QWidget *page) const { return m_pages.at(page).name; }

    static const QStringList &stateList();
    static const QStringList &maritalStatusList();

protected:
    std::optional<PendingInput> pendingInput() override;
    void menuAction(Entry e) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void afterHoverReset() override;

private:
    struct Page {
        FieldBinder binder;
        QPushButton *ok = nullptr;
        QPushButton *cancel = nullptr;
        QLabel *name = nullptr;
        QString title;  // of the heading, to name the page in a question
        QString firstField;
    };

    void buildPages();
    void FormShow();
    void clickPersonal();
    void clickClientPage(QWidget *page);
    void clickSpousePage(QWidget *page);
    void clickSection(const std::function<QWidget *()> &open);
    void clickUpdate();
    void cancelPage(QWidget *page);

    // Shows a page over its row (already in edit or insert), loads its
    // editors and focuses the first one.
    void showPage(QWidget *page);
    void closePage();
    HoverLabel *linkOf(QWidget *page) const;
    void refuse(const QString &message, const QString &focusField);
    // What a field holds now: the visible page's editor when it shows the
    // field, else the row.
    QString currentValue(const QString &field) const;
    bool addMode() const;
    bool personalChecks(const QString &prefix);
    void postClientTail();
    void reportPostFailure(const QString &engineText);

    std::map<QWidget *, Page> m_pages;
    // Begins editing the row and stores the page's editors into it; a
    // failure is shown and refuses the save.
    bool storePage(QWidget *page, Table *t, bool append);
    // The client pages but the first: the page stored, the personal checks
    // of the prefix ("S" for the spouse), the derived fields, then posted.
    // Without derived fields (the contacts pages) the row is only posted.
    using Derive = DerivedFields (*)(const FieldReader &);
    void saveClientPage(QWidget *page, const std::optional<QString> &checkPrefix, Derive derive);
    // Makes the window's own client and statement current again when
    // something else (a menu entry clears every filter) moved them away.
    void takeOwnStatement(bool always = false);
    bool m_opened = false;
    bool m_closed = false;
    // The client and statement this window shows: known from the opening in
    // "Edit", from the first save in "Add".
    QString m_clientId, m_statementId;
};

}  // namespace nettora
