#pragma once
// The statement workspace: the chosen client's statements with the net
// worth figures of the selected one, and, by the client window mode, adding a
// statement, rolling one forward, deleting one, opening a section window, or
// going on to the print, e-mail or PDF page.
//
// The statement table's current row is the selected statement. A row put
// into edit or insert state here is only ever posted by an OK; every other
// way out of that state (moving in the list, another page, a menu entry,
// closing) cancels it first, because the engine posts a pending row on any
// move.

#include "calc/review.h"
#include "kit/databinding.h"
#include "kit/dbgrid.h"
#include "kit/frame.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <functional>
#include <vector>

namespace nettora {

class TfrmFSMain : public ScreenFrame {
    Q_OBJECT
public:
    explicit TfrmFSMain(QWidget *parent = nullptr);
    ~TfrmFSMain() override;

    // The client window's part of the opening, by the client window mode: Add
    // adds a statement, Edit selects the first statement and puts it into
    // edit, the others rest on the selection page.
    void openForMode();

    // Selection page.
    QWidget *tsSelect;
    QLabel *lblHeader, *lblClientName;
    DbGrid *dbClient;
    QPushButton *bOK = nullptr, *bCancel = nullptr;
    // The value shown after a headline total's caption (field name as in
    // the statement table); nullptr for other names.
    QLabel *totalLabel(const QString &field) const;

    // Add page.
    QWidget *tsAdd;
    QLineEdit *addDate, *addDescription;
    QPushButton *addCancelButton, *addOkButton;

    // Update (roll-forward) page.
    QWidget *tsUpdate;
    QLineEdit *updateDate, *updateDescription;
    QPushButton *updateCancelButton, *updateOkButton;  // Cancel, OK

    // Print, e-mail and PDF pages.
    QWidget *tsPrint, *tsEmail, *tsPDF;
    QLabel *lClient, *lStatement, *lClientPdf, *lstatementpdf;
    QPushButton *bPrintCancel, *bEmailCancel, *bPdfCancel;
    // The print page's six styles, Standard preselected, and its OK.
    QRadioButton *printStandard, *printContemporary, *printProfessional, *printStandardBlank,
        *printContemporaryBlank, *printProfessionalBlank;
    QPushButton *printOkButton;
    // The PDF page: the six styles, Standard preselected; the file name
    // (".pdf" is added), the folder with Browse, opening the finished file,
    // and OK.
    QRadioButton *pdfStandard, *pdfContemporary, *pdfProfessional, *pdfStandardBlank, *pdfContemporaryBlank,
        *pdfProfessionalBlank;
    QLineEdit *edName, *edDir;
    QPushButton *pdfBrowseButton;  // Browse
    QCheckBox *cbOpen;
    QPushButton *pdfOkButton;
    // The e-mail page: the six styles, Standard preselected; the recipient,
    // subject and text; the link to the e-mail settings; OK.
    QRadioButton *emailStandard, *emailContemporary, *emailProfessional, *emailStandardBlank,
        *emailContemporaryBlank, *emailProfessionalBlank;
    QLineEdit *edEmailAddress, *edSubject;
    QPlainTextEdit *reContent;
    HoverLabel *emailSettingsLink;
    QPushButton *emailOkButton;  // OK
    // The status page: the progress of a PDF file or an e-mail, and its OK.
    QWidget *tsEstatus;
    QPlainTextEdit *statusText;
    QPushButton *statusOkButton;

    // The review page: what a lender would send back about the selected
    // statement, fixes first, and the ratios a lender works out; Open goes
    // to where the chosen finding is mended.
    QWidget *tsReview;
    QLabel *lblReviewClient, *lblReviewStatement, *lblNoFindings;
    QTableWidget *reviewFindings, *reviewRatios;
    QPushButton *bReviewOpen, *bReviewBack;
    const Review &review() const { return m_review; }

    // The side links: the add page, then the section windows; the review
    // link shows in every mode.
    HoverLabel *addLink = nullptr, *personalLink = nullptr, *assetsLink = nullptr, *liabilitiesLink = nullptr,
               *legalLink = nullptr, *notesLink = nullptr, *incomeLink = nullptr, *expendituresLink = nullptr,
               *reviewLink = nullptr;

    void bOKClick();
    void bCancelClick();
    void addLinkClick();
    void openSection(HoverLabel *link);
    void addOkClick();
    void addCancelClick();
    void updateOkClick();
    void updateCancelClick();
    // The review link: the selected statement reviewed as of today.
    void reviewLinkClick();
    // Open (or a double-click, or Enter on a finding): the window and page
    // where the chosen finding is mended, and this window closes.
    void reviewOpenClick();
    // Back: the selection page, on the statement reviewed.
    void reviewBackClick();
    // OK of the print page: previews the chosen style and returns when the
    // preview has been closed.
    void printOkClick();
    // OK of the PDF page: checks the name and the folder, then writes the
    // file with its progress on the status page.
    void pdfOkClick();
    // Browse of the PDF page.
    void pdfBrowseClick();
    // OK of the status page: every filter off, home again.
    void statusOkClick();
    // The e-mail page shown: the stored subject and text.
    void tsEmailShow();
    // The subject and text written for the chosen statement.
    void LoadEmailText();
    // "Yes" when the e-mail settings are complete and a recipient is typed;
    // only a missing recipient is told.
    QString CheckEmailVars();
    // OK of the e-mail page: the statement's PDF into a private working
    // folder, sent to the recipient, the folder removed again; each step's
    // line on the status page as it happens.
    void emailOkClick();
    // The link: the options window on its e-mail settings.
    void emailSettingsClick();
    // True while an e-mail is on its way; the window stays open meanwhile.
    bool sending() const { return busy(); }

protected:
    std::optional<PendingInput> pendingInput() override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void menuAction(Entry e) override;
    void afterHoverReset() override;

private:
    static QWidget *newPage(const char *name);
    // The print, e-mail, PDF and status pages, built and wired.
    void buildOutputPages();
    void buildReviewPage();
    void showReview(qint64 statementId);
    // Rows grow to their wrapped texts once the columns have their widths.
    void fitReviewRows();
    // The chosen statement's print, PDF or e-mail page, by the client window
    // mode.
    void openOutputPage();
    void FormShow();
    void showSelectPage();
    void showAddPage();
    void beginAddRow();
    void showUpdatePage();
    void applyModeState();
    void updatePanel();
    void releaseRow();
    void narrowToClient();
    void narrowToStatement(const QString &statementId);
    void restoreNarrowing(QWidget *page, qint64 bookmark);
    void showHome();
    void appendStatus(const QString &line);
    // The menu and the status page's OK are out of reach while an e-mail is
    // on its way.
    void setSending(bool on);

    FieldBinder m_binder;
    std::vector<std::pair<QString, QLabel *>> m_totals;
    std::vector<std::pair<HoverLabel *, std::function<QWidget *()>>> m_sections;
    std::vector<QLabel *> m_nameLabels;  // the client's FullName2 on each page
    QString m_clientId;           // the client the window was opened for
    QString m_narrowedStatement;  // set while the list shows one statement
    Review m_review;
    qint64 m_reviewedRow = 0;     // the statement row reviewed, for Back
    bool m_addOnExisting = false; // the add page completes the current row
    bool m_formShown = false;
    bool m_closed = false;
};

}  // namespace nettora
