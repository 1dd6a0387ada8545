#pragma once
// The print options window: whether a compilation report and a preparer
// page go in front of a printed statement, whether the monthly column of the
// income and expenditure schedules is left blank, and whether the review page
// follows the schedules. The options are "Y" or "N" in the user row, read
// afresh by every printout.

#include "kit/frame.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <vector>

namespace nettora {

class TfrmOptionsPrint : public ScreenFrame {
    Q_OBJECT
public:
    explicit TfrmOptionsPrint(QWidget *parent = nullptr);

    QWidget *tsCompilation, *tsPreparer, *tsMonthly, *tsReview;
    HoverLabel *compilationLink, *preparerLink, *monthlyLink, *reviewLink;
    QCheckBox *cbCompilation, *cbPreparer, *cbMonthly, *cbReview;
    QPlainTextEdit *mSample;             // the letter's wording, with placeholders, edited here
    QPushButton *bStandardWording;       // puts the standard wording back into the editor
    QLabel *lName, *lFirm, *lPhone;      // the preparer as the preparer page prints them
    QPlainTextEdit *mAddress;
    QPushButton *compilationOk, *compilationCancel;
    QPushButton *preparerOk, *preparerCancel;
    QPushButton *monthlyOk, *monthlyCancel;
    QPushButton *reviewOk, *reviewCancel;

protected:
    std::optional<PendingInput> pendingInput() override;
    void closeEvent(QCloseEvent *event) override;

private:
    // One page per option: its box and the field OK writes it to.
    struct OptionPage {
        QWidget *page;
        QCheckBox *box;
        QPushButton *ok, *cancel;
        const char *field;
        QString what;  // as the question on leaving names the page
    };
    std::vector<OptionPage> m_options;
    const OptionPage *optionOf(const QWidget *page) const;

    // A side link: the page, a fresh edit of the user row, the page loaded.
    void enterPage(QWidget *page);
    void loadPage(QWidget *page);
    void loadPreparer();
    // OK: the page's box as "Y" or "N" into its field, then the row posted.
    void saveOption(QCheckBox *box, const char *field);
    void cancel();
    // The open page shows something else than the row holds.
    bool pageChanged(QWidget *page) const;
    QString m_loadedLetter;  // the wording as stored when the page loaded
    // The user row is in edit because a side link put it there.
    bool m_editing = false;
};

}  // namespace nettora
