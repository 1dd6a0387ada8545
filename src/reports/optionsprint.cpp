#include "reports/optionsprint.h"

#include "reports/forms/forms.h"

#include "kit/dialogs.h"
#include "kit/pagetext.h"
#include "data/datamodule.h"
#include "data/db_functions.h"
#include "data/engine_error.h"
#include "data/preparer.h"

#include <QCloseEvent>

namespace nettora {

namespace {

QPlainTextEdit *readOnlyBox(QWidget *page, const QString &objectName, int x, int y, int width, int height)
{
    auto *m = new QPlainTextEdit(page);
    m->setObjectName(objectName);
    m->setReadOnly(true);
    m->setFont(pagetext::textFont());
    m->setGeometry(x, y, width, height);
    m->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return m;
}

// The value beside a caption of the preparer page.
QLabel *value(QWidget *page, const QString &objectName, int y)
{
    auto *l = new pagetext::ElidedLabel(page);
    l->setObjectName(objectName);
    l->setFont(pagetext::textFont());
    l->setGeometry(90, y, pagetext::PageWidth - 114, 16);
    return l;
}

constexpr int kButtonsTop = 392;

}  // namespace

TfrmOptionsPrint::TfrmOptionsPrint(QWidget *parent) : ScreenFrame(false, parent)
{
    setObjectName(QStringLiteral("TfrmOptionsPrint"));
    const auto okCancel = [](QWidget *page, const QString &ok, const QString &cancel) {
        auto *cancelButton = pagetext::button(page, QStringLiteral("Cancel"), cancel, 328, kButtonsTop);
        auto *okButton = pagetext::button(page, QStringLiteral("OK"), ok, 416, kButtonsTop);
        okButton->setDefault(true);
        return std::pair{okButton, cancelButton};
    };

    tsCompilation = new QWidget;
    tsCompilation->setObjectName(QStringLiteral("tsCompilation"));
    pagetext::heading(tsCompilation, QStringLiteral("Accountant Compilation Report"), 6);
    {
        int y = 34;
        for (const char *t :
             {"Many financial institutions require a Compilation Report on Financial Statements that are prepared by ",
              "accounting professionals.  Included below is the standard compilation report for unaudited financial",
              "statements of a nonpublic entity included in a prescribed form that calls for departure from GAAP."}) {
            pagetext::line(tsCompilation, QString::fromLatin1(t), 12, y);
            y += 14;
        }
    }
    // The letter's wording is the preparer's to keep current; the
    // placeholders are filled when it prints.
    mSample = readOnlyBox(tsCompilation, QStringLiteral("mSample"), 12, 86, pagetext::PageWidth - 24, 238);
    mSample->setReadOnly(false);
    mSample->setAccessibleName(QStringLiteral("Compilation letter"));
    pagetext::line(tsCompilation,
                   QStringLiteral("[Today], [Names], [Statement Date] and [Preparer] are filled in when the letter prints."),
                   12, 330);
    bStandardWording = pagetext::button(tsCompilation, QStringLiteral("Restore the standard wording"),
                                        QStringLiteral("bStandardWording"), 12, kButtonsTop);
    bStandardWording->setFixedWidth(200);
    cbCompilation = pagetext::checkBox(tsCompilation, QStringLiteral("Print Compilation Report with Financial Statement"),
                             QStringLiteral("cbCompilation"), 358);
    std::tie(compilationOk, compilationCancel) = okCancel(tsCompilation, QStringLiteral("TeButton10"), QStringLiteral("TeButton9"));

    tsPreparer = new QWidget;
    tsPreparer->setObjectName(QStringLiteral("tsPreparer"));
    pagetext::heading(tsPreparer, QStringLiteral("Preparer's Information"), 6);
    pagetext::line(tsPreparer,
                   QStringLiteral("Below is the information that will print on the \"Preparer's Information\" form.  "
                                  "This information can be"),
                   12, 34);
    pagetext::line(tsPreparer, QStringLiteral("edited or updated in \"Options - User Information\"."), 12, 48);
    {
        const struct {
            const char *caption;
            QLabel **label;
            const char *name;
        } rows[] = {{"Name:", &lName, "lName"}, {"Firm:", &lFirm, "lFirm"}, {"Phone:", &lPhone, "lPhone"}};
        int y = 80;
        for (const auto &r : rows) {
            pagetext::caption(tsPreparer, QString::fromLatin1(r.caption), 24, y, 60);
            *r.label = value(tsPreparer, QString::fromLatin1(r.name), y);
            y += 22;
        }
        pagetext::caption(tsPreparer, QStringLiteral("Address:"), 24, y, 60);
        mAddress = readOnlyBox(tsPreparer, QStringLiteral("mAddress"), 90, y, 300, 60);
    }
    cbPreparer = pagetext::checkBox(tsPreparer, QStringLiteral("Print Preparer's Information "), QStringLiteral("cbPreparer"), 238);
    std::tie(preparerOk, preparerCancel) = okCancel(tsPreparer, QStringLiteral("TeButton8"), QStringLiteral("TeButton7"));

    tsMonthly = new QWidget;
    tsMonthly->setObjectName(QStringLiteral("tsMonthly"));
    pagetext::heading(tsMonthly, QStringLiteral("Print monthly income totals on Financial Statements"), 6);
    {
        int y = 34;
        const auto put = [&](const char *t) {
            pagetext::line(tsMonthly, QString::fromLatin1(t), 12, y);
            y += 14;
        };
        put("Check the box below to print the estimated monthly income totals on all Financial Stament printouts.");
        y += 10;
        put("**The estimated monthly income totals are calculated by dividing total yearly income by 12.");
        y += 10;
        for (const char *t : {"We call it an estimated total because some users might receive quarterly or yearly",
                              "bonuses.  This could cause income to vary month by month.  For this reason, we ",
                              "allow the option of removing the monthly income from the financial statements."})
            put(t);
    }
    cbMonthly = pagetext::checkBox(tsMonthly, QStringLiteral("Do not print monthly income on financial statements"),
                         QStringLiteral("cbMonthly"), 226);
    std::tie(monthlyOk, monthlyCancel) = okCancel(tsMonthly, QStringLiteral("TeButton2"), QStringLiteral("TeButton1"));

    tsReview = new QWidget;
    tsReview->setObjectName(QStringLiteral("tsReview"));
    pagetext::heading(tsReview, QStringLiteral("Review page for the lender"), 6);
    pagetext::line(tsReview,
                   QStringLiteral("The review page lists the ratios a lender computes and the findings still open."),
                   12, 34);
    pagetext::line(tsReview, QStringLiteral("It is printed after the schedules."), 12, 48);
    cbReview = pagetext::checkBox(tsReview, QStringLiteral("Print the review page"), QStringLiteral("cbReview"), 80);
    std::tie(reviewOk, reviewCancel) = okCancel(tsReview, QStringLiteral("reviewOk"), QStringLiteral("reviewCancel"));

    m_options = {
        {tsCompilation, cbCompilation, compilationOk, compilationCancel, "Compilation", QStringLiteral("Compilation Report")},
        {tsPreparer, cbPreparer, preparerOk, preparerCancel, "Preparer", QStringLiteral("Preparer's Information")},
        {tsMonthly, cbMonthly, monthlyOk, monthlyCancel, "PrintMonthlyIncome", QStringLiteral("Print Monthly Income")},
        {tsReview, cbReview, reviewOk, reviewCancel, "PrintReview", QStringLiteral("Review Page")},
    };
    const struct {
        HoverLabel **link;
        const char *objectName;
    } links[] = {{&compilationLink, "s1"}, {&preparerLink, "s2"}, {&monthlyLink, "s3"}, {&reviewLink, "reviewLink"}};
    for (size_t i = 0; i < m_options.size(); ++i) {
        QWidget *page = m_options[i].page;
        *links[i].link = addSideLink(QStringLiteral("   ") + m_options[i].what, page, [this, page] { enterPage(page); });
        (*links[i].link)->setObjectName(QString::fromLatin1(links[i].objectName));
        connect(m_options[i].ok, &QPushButton::clicked, this,
                [this, i] { saveOption(m_options[i].box, m_options[i].field); });
        connect(m_options[i].cancel, &QPushButton::clicked, this, &TfrmOptionsPrint::cancel);
    }
    connect(bStandardWording, &QPushButton::clicked, this,
            [this] { mSample->setPlainText(reports::standardCompilationText()); });

    // The window opens on the compilation page, showing what is stored; the
    // row goes into edit only when OK writes to it.
    openPage(tsCompilation);
    Table *u = dm1->tblUser;
    if (u->state() == RecordState::Browse)
        u->first();
    setWindowTitle(WindowCaption());
    loadPage(tsCompilation);
    orderTabs();
}

void TfrmOptionsPrint::enterPage(QWidget *page)
{
    Table *u = dm1->tblUser;
    u->cancel();
    u->first();
    loadPage(page);
    u->edit();
    m_editing = true;
}

const TfrmOptionsPrint::OptionPage *TfrmOptionsPrint::optionOf(const QWidget *page) const
{
    for (const OptionPage &o : m_options)
        if (o.page == page)
            return &o;
    return nullptr;
}

void TfrmOptionsPrint::loadPage(QWidget *page)
{
    Table *u = dm1->tblUser;
    if (const OptionPage *o = optionOf(page))
        o->box->setChecked(u->asString(QString::fromLatin1(o->field)) == QLatin1String("Y"));
    if (page == tsCompilation) {
        m_loadedLetter = reports::compilationTextOf(u);
        mSample->setPlainText(m_loadedLetter);
    }
    else if (page == tsPreparer)
        loadPreparer();
}

void TfrmOptionsPrint::loadPreparer()
{
    Table *u = dm1->tblUser;
    const QString address = u->asString("Address");
    const QString address2 = u->asString("Address2");
    const QString cityLine = reports::preparerCityLine(u);
    lName->setText(PreparerName());
    lFirm->setText(u->asString("Company"));
    lPhone->setText(u->asString("Phone"));
    QStringList lines;
    if (!address2.isEmpty())
        lines = {address, address2, cityLine};
    else if (!address.isEmpty())
        lines = {address, cityLine};
    mAddress->setPlainText(lines.join(QLatin1Char('\n')));
}

void TfrmOptionsPrint::saveOption(QCheckBox *box, const char *field)
{
    pcMain->setVisible(false);
    m_editing = false;
    Table *u = dm1->tblUser;
    const bool saved = guarded([&] {
        // On the page the window opens with, the row is not in edit yet.
        if (u->state() == RecordState::Browse) {
            u->first();
            u->edit();
        }
        u->setAsString(QString::fromLatin1(field), box->isChecked() ? QStringLiteral("Y") : QStringLiteral("N"));
        if (box == cbCompilation) {
            // The standard wording is stored as none, so it stays current.
            const QString letter = mSample->toPlainText();
            u->setAsString(QStringLiteral("CompilationText"),
                           letter == reports::standardCompilationText() ? QString() : letter);
            m_loadedLetter = letter;
        }
        u->post();
    });
    if (!saved)
        u->cancel();
    ResetSubMenuFont();
}

bool TfrmOptionsPrint::pageChanged(QWidget *page) const
{
    const OptionPage *o = optionOf(page);
    if (!o)
        return false;
    if (page == tsCompilation && mSample->toPlainText() != m_loadedLetter)
        return true;
    return o->box->isChecked() != (dm1->tblUser->asString(QString::fromLatin1(o->field)) == QLatin1String("Y"));
}

std::optional<ScreenFrame::PendingInput> TfrmOptionsPrint::pendingInput()
{
    QWidget *page = currentPage();
    if (!dm1 || !page || !pageChanged(page))
        return std::nullopt;
    const OptionPage *o = optionOf(page);
    return PendingInput{o->what,
                        [this, o] {
                            saveOption(o->box, o->field);
                            return !pageChanged(o->page);
                        },
                        [this] {
                            mSample->setPlainText(m_loadedLetter);
                            cancel();
                        }};
}

void TfrmOptionsPrint::cancel()
{
    if (sender() == compilationCancel)
        mSample->setPlainText(m_loadedLetter);  // Cancel of the letter's own page drops it, as asked
    pcMain->setVisible(false);
    m_editing = false;
    dm1->tblUser->cancel();
    ResetSubMenuFont();
}

void TfrmOptionsPrint::closeEvent(QCloseEvent *event)
{
    // Nothing is typed into the row here (the boxes are written only by OK):
    // leaving drops the edit a side link started rather than leave it open
    // for whatever window posts the user row next.
    if (m_editing && dm1 && dm1->tblUser->state() != RecordState::Browse)
        dm1->tblUser->cancel();
    m_editing = false;
    ScreenFrame::closeEvent(event);
}

}  // namespace nettora
