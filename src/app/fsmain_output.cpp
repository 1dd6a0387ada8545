// The workspace's print, PDF and e-mail pages and the status page a PDF
// file or an e-mail reports its progress on.

#include "app/fsmain.h"

#include "backup/browseforfolder.h"

#include "kit/btn_functions.h"
#include "kit/dialogs.h"
#include "kit/look.h"
#include "kit/pagetext.h"
#include "data/datamodule.h"
#include "data/db_functions.h"
#include "kit/app_state.h"
#include "kit/shell_open.h"
#include "mail/email_sequence.h"
#include "data/mail_address.h"
#include "reports/pdf_save.h"
#include "reports/print.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <array>
#include <functional>
#include <optional>

namespace nettora {

namespace {

bool modeIs(ClientMode mode) { return appState().clientMode == mode; }

// Before any PDF file: the documents folder, or home where there is none.
QString startingPdfFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? QDir::toNativeSeparators(documents)
                                                                : QDir::toNativeSeparators(QDir::homePath());
}

// The print, e-mail and PDF pages offer the same six documents, each page
// under names of its own: the three styles filled in, then the three blank
// sets. at places each; the first is chosen.
void addDocumentChoices(QWidget *page, const std::array<std::pair<QRadioButton **, const char *>, 6> &choices,
                        const std::function<QPoint(int index)> &at)
{
    static const char *const captions[] = {"Standard",         "Contemporary",         "Professional",
                                           "Standard - Blank", "Contemporary - Blank", "Professional - Blank"};
    for (int i = 0; i < int(choices.size()); ++i) {
        auto *rb = new QRadioButton(QString::fromLatin1(captions[i]), page);
        rb->setObjectName(QString::fromLatin1(choices[i].second));
        rb->setFont(pagetext::textFont());
        // As wide as its caption, which is where a click takes.
        rb->move(at(i));
        rb->resize(rb->sizeHint());
        *choices[i].first = rb;
    }
    (*choices[0].first)->setChecked(true);
}

// Which of a page's six document choices is checked, in their order.
std::optional<int> checkedChoice(std::initializer_list<QRadioButton *> buttons)
{
    int i = 0;
    for (QRadioButton *b : buttons) {
        if (b->isChecked())
            return i;
        ++i;
    }
    return std::nullopt;
}

// What each of the six choices writes to a PDF file.
struct DocumentChoice {
    reports::Style style;
    reports::Document document;
};

std::optional<DocumentChoice> checkedDocument(std::initializer_list<QRadioButton *> buttons)
{
    using reports::Document;
    using reports::Style;
    static const DocumentChoice kinds[] = {
        {Style::Standard, Document::Statement}, {Style::Contemporary, Document::Statement},
        {Style::Professional, Document::Statement}, {Style::Standard, Document::BlankSet},
        {Style::Contemporary, Document::BlankSet}, {Style::Professional, Document::BlankSet},
    };
    if (const std::optional<int> i = checkedChoice(buttons))
        return kinds[*i];
    return std::nullopt;
}

// Runs the writing of a PDF and gives the sentence for the error box when
// it failed, or an empty text.
template <class Work>
QString pdfFailure(Work &&work)
{
    try {
        work();
    } catch (const Error &e) {
        return e.text();
    } catch (const std::exception &e) {
        return QString::fromStdString(e.what());
    }
    return QString();
}

}  // namespace

void TfrmFSMain::buildOutputPages()
{
    using namespace pagetext;
    tsPrint = newPage("tsPrint");
    heading(tsPrint, QStringLiteral("Print Financial Statement"), 6);
    lClient = line(tsPrint, QString(), 12, 40);
    lClient->setObjectName(QStringLiteral("lClient"));
    lStatement = line(tsPrint, QString(), 12, 58);
    lStatement->setObjectName(QStringLiteral("lStatement"));
    line(tsPrint, QStringLiteral("Select a style and click on \"OK\" to print a Financial Statement."), 12, 92);
    bPrintCancel = button(tsPrint, QStringLiteral("Cancel"), QStringLiteral("bPrintCancel"), PageWidth - 180, 394);
    printOkButton = button(tsPrint, QStringLiteral("OK"), QStringLiteral("TeButton4"), PageWidth - 92, 394);
    printOkButton->setDefault(true);
    addDocumentChoices(tsPrint,
                       {{{&printStandard, "rbStandard"},
                         {&printContemporary, "rbCont"},
                         {&printProfessional, "rbPro"},
                         {&printStandardBlank, "rbStandardB"},
                         {&printContemporaryBlank, "rbContemporaryB"},
                         {&printProfessionalBlank, "rbProB2"}}},
                       [](int i) { return QPoint(40, 124 + i * 28); });
    tsEmail = newPage("tsEmail");
    // Cancel comes first among the page's buttons, as on the other pages.
    bEmailCancel = button(tsEmail, QStringLiteral("Cancel"), QStringLiteral("TeButton6"), PageWidth - 180, 394);
    heading(tsEmail, QStringLiteral("Email Financial Statement"), 6);
    line(tsEmail, QStringLiteral("Please complete all of the information below to email a Financial Statement."), 12,
         34);
    caption(tsEmail, QStringLiteral("Statement Style:"), 12, 58, 200);
    // The filled styles in one column, their blank sets beside them.
    addDocumentChoices(tsEmail,
                       {{{&emailStandard, "rbStandardE"},
                         {&emailContemporary, "rbContJ"},
                         {&emailProfessional, "rbProJ"},
                         {&emailStandardBlank, "rbStandB"},
                         {&emailContemporaryBlank, "rbContB"},
                         {&emailProfessionalBlank, "rbProB"}}},
                       [](int i) { return QPoint(i < 3 ? 40 : 220, 78 + (i % 3) * 22); });
    caption(tsEmail, QStringLiteral("Email Information:"), 12, 152, 200);
    caption(tsEmail, QStringLiteral("To:"), 24, 178, 60);
    edEmailAddress = new QLineEdit(tsEmail);
    edEmailAddress->setObjectName(QStringLiteral("edEmailAddress"));
    edEmailAddress->setGeometry(90, 174, 300, 22);
    caption(tsEmail, QStringLiteral("Subject:"), 24, 206, 60);
    edSubject = new QLineEdit(tsEmail);
    edSubject->setObjectName(QStringLiteral("edSubject"));
    edSubject->setGeometry(90, 202, PageWidth - 102, 22);
    caption(tsEmail, QStringLiteral("Content:"), 24, 234, 60);
    reContent = new QPlainTextEdit(tsEmail);
    reContent->setObjectName(QStringLiteral("reContent"));
    reContent->setFont(textFont());
    reContent->setGeometry(90, 230, PageWidth - 102, 150);
    // Tab moves on to the next control rather than into the letter.
    reContent->setTabChangesFocus(true);
    emailSettingsLink = new HoverLabel(QStringLiteral("Click Here to Add/Update Email Information"), tsEmail);
    emailSettingsLink->setObjectName(QStringLiteral("Label19"));
    {
        QFont f = look::textFont();
        f.setUnderline(true);
        emailSettingsLink->setFont(f);
    }
    emailSettingsLink->setColors(look::NameGreen);
    emailSettingsLink->setCursor(Qt::PointingHandCursor);
    emailSettingsLink->setGeometry(12, 400, 250, 16);
    emailSettingsLink->makeOperable(QStringLiteral("page"), look::Green);
    emailOkButton = button(tsEmail, QStringLiteral("OK"), QStringLiteral("TeButton7"), PageWidth - 92, 394);
    emailOkButton->setDefault(true);

    tsPDF = newPage("tsPDF");
    // Cancel comes first among the page's buttons, as on the other pages.
    bPdfCancel = button(tsPDF, QStringLiteral("Cancel"), QStringLiteral("TeButton5"), PageWidth - 180, 394);
    heading(tsPDF, QStringLiteral("Save Financial Statement to PDF"), 6);
    lClientPdf = line(tsPDF, QString(), 12, 40);
    lClientPdf->setObjectName(QStringLiteral("lClientPdf"));
    lstatementpdf = line(tsPDF, QString(), 12, 58);
    lstatementpdf->setObjectName(QStringLiteral("lstatementpdf"));
    line(tsPDF, QStringLiteral("1.  Select Financial Statement style below to save as a pdf document."), 12, 84);
    addDocumentChoices(tsPDF,
                       {{{&pdfStandard, "rbStandardp"},
                         {&pdfContemporary, "rbContP"},
                         {&pdfProfessional, "rbProP"},
                         {&pdfStandardBlank, "rbStandP"},
                         {&pdfContemporaryBlank, "rbContPDF"},
                         {&pdfProfessionalBlank, "rbProPDF"}}},
                       [](int i) { return QPoint(40, 104 + i * 22); });
    line(tsPDF, QStringLiteral("2.  Enter file name for the pdf document."), 12, 240);
    edName = new QLineEdit(tsPDF);
    edName->setObjectName(QStringLiteral("edName"));
    edName->setGeometry(40, 260, 260, 22);
    line(tsPDF, QStringLiteral(".pdf"), 304, 264, 60);
    line(tsPDF, QStringLiteral("3.  Select a directory to save the pdf document."), 12, 292);
    edDir = new QLineEdit(tsPDF);
    edDir->setObjectName(QStringLiteral("edDir"));
    edDir->setGeometry(40, 312, 260, 22);
    pdfBrowseButton = button(tsPDF, QStringLiteral("Browse"), QStringLiteral("TeButton10"), 308, 311);
    cbOpen = new QCheckBox(QStringLiteral("Open Document after it is created."), tsPDF);
    cbOpen->setObjectName(QStringLiteral("cbOpen"));
    cbOpen->setFont(textFont());
    cbOpen->move(40, 350);
    cbOpen->resize(cbOpen->sizeHint());
    cbOpen->setChecked(true);
    pdfOkButton = button(tsPDF, QStringLiteral("OK"), QStringLiteral("TeButton9"), PageWidth - 92, 394);
    pdfOkButton->setDefault(true);

    tsEstatus = newPage("tsEstatus");
    const StatusPage status = statusPage(tsEstatus, QStringLiteral("Financial Statement (Status)"));
    statusText = status.memo;
    statusOkButton = status.ok;

    connect(printOkButton, &QPushButton::clicked, this, &TfrmFSMain::printOkClick);
    connect(pdfOkButton, &QPushButton::clicked, this, &TfrmFSMain::pdfOkClick);
    connect(pdfBrowseButton, &QPushButton::clicked, this, &TfrmFSMain::pdfBrowseClick);
    connect(statusOkButton, &QPushButton::clicked, this, &TfrmFSMain::statusOkClick);
    connect(emailOkButton, &QPushButton::clicked, this, &TfrmFSMain::emailOkClick);
    connect(emailSettingsLink, &HoverLabel::clicked, this, &TfrmFSMain::emailSettingsClick);
}

void TfrmFSMain::openOutputPage()
{
    Table *statements = dm1->tblNettora;
    const QString client = QStringLiteral("Client: ") + dm1->tblClient->asString("FullName2");
    const QString statement = QStringLiteral("Statement: ") + statements->asString("Description");
    if (modeIs(ClientMode::Print)) {
        lClient->setText(client);
        lStatement->setText(statement);
        openPage(tsPrint);
    } else if (modeIs(ClientMode::Pdf)) {
        lClientPdf->setText(client);
        lstatementpdf->setText(statement);
        if (edDir->text().isEmpty())
            edDir->setText(appState().lastPdfFolder.isEmpty() ? startingPdfFolder() : appState().lastPdfFolder);
        openPage(tsPDF);
    } else if (modeIs(ClientMode::Email)) {
        openPage(tsEmail);
        tsEmailShow();
        LoadEmailText();
    }
}

void TfrmFSMain::printOkClick()
{
    using reports::PrintChoice;
    static const PrintChoice prints[] = {
        PrintChoice::Standard,      PrintChoice::Contemporary,      PrintChoice::Professional,
        PrintChoice::StandardBlank, PrintChoice::ContemporaryBlank, PrintChoice::ProfessionalBlank,
    };
    // The workspace stays behind the preview; this returns once it has been
    // closed.
    if (const std::optional<int> i = checkedChoice({printStandard, printContemporary, printProfessional,
        printStandardBlank, printContemporaryBlank, printProfessionalBlank}))
        reports::printChoice(prints[*i], this);
}

void TfrmFSMain::pdfBrowseClick()
{
    const QString folder = SelectFolder(QStringLiteral("Select Backup Directory Folder"), edDir->text(), this);
    if (!folder.isEmpty())
        edDir->setText(QDir::toNativeSeparators(folder));
}

void TfrmFSMain::appendStatus(const QString &line)
{
    statusText->appendPlainText(line);
    // The lines show as each form starts, not all at the end.
    statusText->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TfrmFSMain::pdfOkClick()
{
    // What the user must change is refused here, on the page, with every
    // choice kept and the focus where the change is to be made.
    const auto refuse = [](QLineEdit *box, const QString &message) {
        box->setFocus();
        box->selectAll();
        dialogs().error(message);
    };
    if (const QString problem = reports::pdfNameProblem(edName->text()); !problem.isEmpty()) {
        refuse(edName, problem);
        return;
    }
    if (edDir->text().isEmpty()) {
        refuse(edDir, QStringLiteral("Please enter a file directory to save the pdf document."));
        return;
    }
    const QString folder = QDir::cleanPath(QDir::fromNativeSeparators(edDir->text()));
    if (const QString problem = reports::pdfFolderProblem(folder); !problem.isEmpty()) {
        refuse(edDir, problem);
        return;
    }
    const QString fileName = edName->text() + QStringLiteral(".pdf");
    if (const QString problem = reports::pdfFileProblem(folder, fileName); !problem.isEmpty()) {
        refuse(edName, problem);
        return;
    }
    const std::optional<DocumentChoice> choice =
        checkedDocument({pdfStandard, pdfContemporary, pdfProfessional, pdfStandardBlank, pdfContemporaryBlank,
            pdfProfessionalBlank});
    if (!choice)
        return;
    appState().pdfFolder = QDir::toNativeSeparators(folder + QLatin1Char('/'));
    appState().pdfFileName = fileName;
    appState().lastPdfFolder = edDir->text();
    openPage(tsEstatus);
    const QString failure = pdfFailure([&] {
        reports::saveStatementPdf(choice->style, folder, appState().pdfFileName,
            [this](const QString &l) { appendStatus(l); },
                                  choice->document);
    });
    if (!failure.isEmpty()) {
        dialogs().error(failure);
        appendStatus(appState().pdfFileName + QStringLiteral(" was not created."));
        return;
    }
    appendStatus(QStringLiteral("Process complete.  Click OK to Exit"));
    if (cbOpen->isChecked() && !ShellOpen(QDir(folder).filePath(appState().pdfFileName)))
        dialogs().error(QStringLiteral("Error:  Please save the file again."));
}

void TfrmFSMain::tsEmailShow()
{
    Table *u = dm1->tblUser;
    if (u->state() == RecordState::Browse)
        u->first();
    edSubject->setText(u->asString("EmailSubject"));
    reContent->setPlainText(u->asString("EmailContent"));
}

void TfrmFSMain::LoadEmailText()
{
    const QString client = dm1->tblClient->asString("FullName2");
    edSubject->setText(mail::GeneratedEmailSubject(client, dm1->tblNettora->asString("Description")));
    reContent->setPlainText(mail::GeneratedEmailText(client, mail::ReadSignature()));
}

QString TfrmFSMain::CheckEmailVars()
{
    Table *u = dm1->tblUser;
    if (u->state() == RecordState::Browse)
        u->first();
    // Without these nothing can be sent; the page stays as it is.
    for (const char *field : {"EmailName", "EmailAddress", "SMTPServer", "SMTPPassword"})
        if (u->asString(QString::fromLatin1(field)).isEmpty())
            return QStringLiteral("No");
    // Blanks around the address are no part of it.
    const QString to = edEmailAddress->text().trimmed();
    if (to != edEmailAddress->text())
        edEmailAddress->setText(to);
    if (to.isEmpty() || !mail::IsOneEmailAddress(to)) {
        dialogs().error(to.isEmpty() ? QStringLiteral("Please enter Email Address.") : mail::NotOneEmailAddressText(to));
        edEmailAddress->setFocus();
        return QStringLiteral("No");
    }
    return QStringLiteral("Yes");
}

void TfrmFSMain::emailOkClick()
{
    if (busy() || CheckEmailVars() != QLatin1String("Yes"))
        return;
    const std::optional<DocumentChoice> choice =
        checkedDocument({emailStandard, emailContemporary, emailProfessional, emailStandardBlank,
            emailContemporaryBlank, emailProfessionalBlank});
    if (!choice)
        return;
    // The client's name is the attachment's name; it is only ever a file
    // name inside the working folder.
    appState().pdfFileName = mail::PdfFileNameFor(dm1->tblClient->asString("FullName2"));
    mail::OutgoingEmail email;
    email.to = edEmailAddress->text();
    email.subject = edSubject->text();
    email.message = reContent->toPlainText();
    const auto makePdf = [choice](const QString &folder, const QString &fileName, const mail::StatusSink &status) {
        appState().pdfFolder = QDir::toNativeSeparators(folder + QLatin1Char('/'));
        appState().pdfFileName = fileName;
        reports::saveStatementPdf(choice->style, folder, fileName, status, choice->document);
    };
    const auto status = [this](const QString &line) { appendStatus(line); };
    openPage(tsEstatus);
    setSending(true);
    const QString failure =
        pdfFailure([&] { mail::SendPdfByEmail(mail::ReadEmailSettings(), email, appState().pdfFileName, makePdf,
            status); });
    setSending(false);
    if (!failure.isEmpty()) {
        appendStatus(appState().pdfFileName + QStringLiteral(" was not created."));
        dialogs().error(failure);
    }
}

void TfrmFSMain::emailSettingsClick()
{
    releaseRow();
    if (OpenEmailSetupWindow())
        close();
}

void TfrmFSMain::setSending(bool on)
{
    setBusy(on);
    statusOkButton->setEnabled(!on);
}

void TfrmFSMain::statusOkClick()
{
    releaseRow();
    ClearAllFilters();
    showHome();
}

}  // namespace nettora
