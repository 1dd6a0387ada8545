#include "entry/legal.h"

#include "entry/page_parts.h"
#include "kit/btn_functions.h"
#include "kit/dialogs.h"
#include "kit/pagetext.h"
#include "data/datamodule.h"
#include "data/db_functions.h"
#include "kit/app_state.h"
#include "data/legal_questions.h"

#include <QCloseEvent>
#include <QLabel>

namespace nettora {

namespace {

using look::arial;
using pagetext::label;

// The editors of each question, by page; the words are the shared ones.
struct QuestionEditors {
    int page;
    const char *answerName, *explanationName;
};

const QuestionEditors kEditors[legal::QuestionCount] = {
    {1, "d1_1", "d1_2"}, {1, "d1_3", "d1_4"}, {1, "d1_5", "d1_6"}, {1, "d1_7", "d1_8"}, {1, "d1_9", "d1_10"},
    {2, "d2_1", "d2_2"}, {2, "d2_3", "d2_4"}, {2, "d2_5", "d2_6"}, {2, "d2_7", "d2_8"}, {2, "d2_9", "d2_10"},
};

constexpr int kFirstQuestionTop = 34;
constexpr int kQuestionStep = 50;

QPushButton *button(QWidget *parent, const QString &text, const QString &name, int x)
{
    return pagetext::button(parent, text, name, x, 398, 76);
}

}  // namespace

TfrmLegal::TfrmLegal(QWidget *parent) : EntryWindow(parent)
{
    setObjectName(QStringLiteral("TfrmLegal"));
    firstLegalPage = buildPage(1);
    secondLegalPage = buildPage(2);
    firstPageCancel = button(firstLegalPage, QStringLiteral("Cancel"), QStringLiteral("TeButton1"), 348);
    firstPageOk = button(firstLegalPage, QStringLiteral("OK"), QStringLiteral("TeButton2"), 432);
    secondPageCancel = button(secondLegalPage, QStringLiteral("Cancel"), QStringLiteral("b2Cancel"), 348);
    secondPageOk = button(secondLegalPage, QStringLiteral("OK"), QStringLiteral("b2OK"), 432);
    firstPageOk->setDefault(true);
    secondPageOk->setDefault(true);
    connect(firstPageCancel, &QPushButton::clicked, this, &TfrmLegal::cancelClick);
    connect(secondPageCancel, &QPushButton::clicked, this, &TfrmLegal::cancelClick);
    connect(firstPageOk, &QPushButton::clicked, this, &TfrmLegal::firstPageOkClick);
    connect(secondPageOk, &QPushButton::clicked, this, &TfrmLegal::secondPageOkClick);

    linkAway(QStringLiteral("   Personal Information"), openPersonalInformation)->setObjectName(QStringLiteral("s1"));
    linkAway(QStringLiteral("   Assets"), OpenAssetsWindow)->setObjectName(QStringLiteral("s2"));
    linkAway(QStringLiteral("   Liabilities"), OpenLiabilitiesWindow)->setObjectName(QStringLiteral("s3"));
    linkAway(QStringLiteral("   Income"), OpenIncomeWindow)->setObjectName(QStringLiteral("s8"));
    linkAway(QStringLiteral("   Expenses"), OpenExpensesWindow)->setObjectName(QStringLiteral("s9"));
    heading(QStringLiteral("   Legal"))->setObjectName(QStringLiteral("s4"));
    addSideLink(QStringLiteral("     - Legal 1"), firstLegalPage, [this] { openLegalPage(1); })
        ->setObjectName(QStringLiteral("s5"));
    addSideLink(QStringLiteral("     - Legal 2"), secondLegalPage, [this] { openLegalPage(2); })
        ->setObjectName(QStringLiteral("s6"));
    linkAway(QStringLiteral("   Notes"), OpenNotesWindow)->setObjectName(QStringLiteral("s7"));
}

QWidget *TfrmLegal::buildPage(int number)
{
    auto *page = new QWidget;
    page->setObjectName(number == 1 ? QStringLiteral("tsLegal1") : QStringLiteral("tsLegal2"));
    const QString title = number == 1 ? QStringLiteral("Legal 1") : QStringLiteral("Legal 2");
    const int titleWidth = QFontMetrics(arial(15, true)).horizontalAdvance(title) + 4;
    QLabel *lblTitle = label(page, title, QRect(8, 2, titleWidth, 22), arial(15, true));
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    const int clientLeft = 8 + titleWidth + 12;
    auto *client = new pagetext::ElidedLabel(page);
    client->setFont(arial(11));
    client->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    client->setGeometry(clientLeft, 4, 508 - clientLeft, 18);
    client->setObjectName(QStringLiteral("lblClient"));

    Table *legal = dm1->tblLegal;
    int y = kFirstQuestionTop;
    for (int i = 0; i < legal::QuestionCount; ++i) {
        const QuestionEditors &t = kEditors[i];
        const legal::Question &lq = legal::Questions[i];
        if (t.page != number)
            continue;
        label(page, QString::fromLatin1(lq.text), QRect(8, y, 500, 16), arial(11, true))
            ->setObjectName(QStringLiteral("lbl_") + QString::fromLatin1(t.answerName));
        auto *box = new QComboBox(page);
        box->addItems({QStringLiteral("No"), QStringLiteral("Yes")});
        setUpChoiceBox(box);
        box->setCurrentIndex(-1);
        box->setObjectName(QString::fromLatin1(t.answerName));
        box->setAccessibleName(QString::fromLatin1(lq.text));
        box->setFont(arial(12));
        box->setGeometry(8, y + 19, 64, 20);
        const QString explanationField = QString::fromLatin1(lq.explanationField);
        QLabel *caption = label(page, QString::fromLatin1(lq.caption), QRect(84, y + 21, 60, 16), arial(11));
        caption->setObjectName(QStringLiteral("lbl_") + QString::fromLatin1(t.explanationName));
        auto *edit = new QLineEdit(page);
        edit->setObjectName(QString::fromLatin1(t.explanationName));
        edit->setAccessibleName(QString::fromLatin1(lq.caption).chopped(1));
        edit->setFont(arial(12));
        edit->setGeometry(146, y + 19, 362, 20);
        m_binder.bind(box, legal, QString::fromLatin1(lq.answerField));
        m_binder.bind(edit, legal, explanationField);
        m_questions.push_back({box, caption, edit, explanationField});
        const Question q = m_questions.back();
        connect(box, &QComboBox::currentTextChanged, this, [this, q] { answerChanged(q); });
        y += kQuestionStep;
    }
    label(page, QStringLiteral("Note:  Explanations are only required on the questions that were answered \"Yes\"."),
          QRect(8, y + 4, 500, 16), arial(11))
        ->setObjectName(QStringLiteral("lblNote"));
    addPage(page);
    return page;
}

QComboBox *TfrmLegal::answer(const QString &name) const
{
    return findChild<QComboBox *>(name);
}

QLineEdit *TfrmLegal::explanation(const QString &name) const
{
    return findChild<QLineEdit *>(name);
}

QLabel *TfrmLegal::explanationCaption(const QString &explanationName) const
{
    return findChild<QLabel *>(QStringLiteral("lbl_") + explanationName);
}

bool TfrmLegal::rowOpen() const
{
    const RecordState s = dm1->tblLegal->state();
    return s == RecordState::Edit || s == RecordState::Insert;
}

void TfrmLegal::openRow()
{
    narrowToOwnStatement();
    Table *legal = dm1->tblLegal;
    if (!legal->asString("ClientId").isEmpty()) {
        legal->edit();
        return;
    }
    // The first opening for this statement: the row carries its keys from
    // the start, so whatever saves it, it belongs to this statement.
    legal->append();
    legal->setAsString("ClientId", clientId());
    legal->setAsString("StatementId", statementId());
}

bool TfrmLegal::reopenRow()
{
    return guarded([this] { openRow(); });
}

bool TfrmLegal::saveRow()
{
    if (!rowOpen())
        return true;
    return guarded([this] {
        m_binder.store(dm1->tblLegal);
        dm1->tblLegal->post();
    });
}

void TfrmLegal::loadRow()
{
    m_loading = true;
    m_binder.load();
    for (const Question &q : m_questions)
        answerChanged(q);
    m_loading = false;
    const QString client = pagetext::clientLine(dm1->tblClient->asString("ClientDescription"));
    for (QWidget *page : {firstLegalPage, secondLegalPage})
        page->findChild<QLabel *>(QStringLiteral("lblClient"))->setText(client);
}

void TfrmLegal::answerChanged(const Question &q)
{
    const bool yes = q.answer->currentText() == QLatin1String("Yes");
    q.explanation->setVisible(yes);
    q.caption->setVisible(yes);
    if (m_loading)
        return;
    if (yes) {
        pageparts::hideProposals(q.answer);
        q.explanation->setFocus(Qt::OtherFocusReason);
        return;
    }
    // An explanation belongs to a "Yes": leaving it erases what was explained.
    q.explanation->clear();
    if (rowOpen() && !dm1->tblLegal->asString(q.explanationField).isEmpty())
        dm1->tblLegal->setAsString(q.explanationField, QString());
}

void TfrmLegal::firstShown()
{
    takeCurrentStatement();
    if (!reopenRow())
        return;
    loadRow();
    openPage(firstLegalPage);
}

void TfrmLegal::openLegalPage(int number)
{
    // Switching pages stores what was typed, as refiltering the tables always
    // did, and opens the row again: Cancel then drops only the open page's
    // changes since.
    if (rowOpen() && !saveRow())
        return;
    if (!reopenRow())
        return;
    loadRow();
    openPage(number == 1 ? firstLegalPage : secondLegalPage);
    answer(number == 1 ? QStringLiteral("d1_1") : QStringLiteral("d2_1"))->setFocus(Qt::OtherFocusReason);
}

void TfrmLegal::showField(int number, const QString &field)
{
    QWidget *page = number == 1 ? firstLegalPage : secondLegalPage;
    if (currentPage() != page)
        openLegalPage(number);
    QWidget *editor = m_binder.editorOf(field);
    if (currentPage() == page && editor && page->isAncestorOf(editor) && editor->isEnabled())
        editor->setFocus(Qt::OtherFocusReason);
}

void TfrmLegal::firstPageOkClick()
{
    if (!saveRow())
        return;
    openLegalPage(2);
}

void TfrmLegal::secondPageOkClick()
{
    if (!saveRow())
        return;
    if (!leaveTo(OpenNotesWindow))
        openLegalPage(2);
}

void TfrmLegal::cancelClick()
{
    // A new row never saved goes with the changes: nothing is left behind.
    if (rowOpen())
        dm1->tblLegal->cancel();
    pcMain->setVisible(false);
    ResetSubMenuFont();
}

HoverLabel *TfrmLegal::linkAway(const QString &caption, std::function<QWidget *()> open)
{
    return addSideLink(caption, nullptr, [this, open] {
        // Leaving saves the answers: no check applies to them and the row
        // carries its keys, so nothing typed is lost on the way out.
        const bool wasOpen = rowOpen();
        if (!saveRow())
            return;
        if (!leaveTo(open) && wasOpen)
            reopenRow();
    });
}

void TfrmLegal::menuAction(Entry e)
{
    // Entries that leave the window save the answers first, as the side
    // links do. Every entry may clear or narrow the shared filters, which
    // drops the open row; if the window stays, the row is opened again and
    // the boxes keep what was typed.
    const bool wasOpen = rowOpen();
    const bool leaves = e == Entry::Options || e == Entry::Security || e == Entry::Backup || e == Entry::Restore
                        || e == Entry::Home;
    if (leaves && !saveRow())
        return;
    EntryWindow::menuAction(e);
    if (isClosed() || !wasOpen)
        return;
    reopenRow();
}

void TfrmLegal::closeEvent(QCloseEvent *event)
{
    // However the window goes, typed answers are not dropped silently.
    if (!isClosed() && dm1 && !saveRow()) {
        event->ignore();
        return;
    }
    EntryWindow::closeEvent(event);
}

}  // namespace nettora
