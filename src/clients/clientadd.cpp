#include "clients/clientadd.h"

#include "kit/btn_functions.h"
#include "kit/dialogs.h"
#include "kit/pagetext.h"
#include "clients/client_fields.h"
#include "data/dates.h"
#include "data/datamodule.h"
#include "data/db_functions.h"
#include "data/filter.h"
#include "kit/app_state.h"

#include <QCloseEvent>
#include <QDate>

namespace nettora {

namespace {

const QString kPersonalFirst = QStringLiteral("\"Personal Information\" must be entered before continuing.");
const QString kSpouseFirst = QStringLiteral("\"Spouse Information\" must be entered before continuing.");
const QString kReportingDateFirst =
    QStringLiteral("\"Personal Information - Reporting Date\" must be entered before continuing.");
const QString kClientExists = QStringLiteral("This client already exists.");

QFont textFont(bool bold = false)
{
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(11);
    f.setBold(bold);
    return f;
}

// Lays out one page top to bottom: heading line, editor rows, the required
// note and the Cancel and OK buttons.
class PageLayout {
public:
    PageLayout(QWidget *page, FieldBinder &binder, Table *table) : m_page(page), m_binder(binder), m_table(table) {}

    QLabel *heading(const QString &text)
    {
        auto *l = new QLabel(text, m_page);
        QFont f(QStringLiteral("Arial"));
        f.setStyleHint(QFont::SansSerif);
        f.setPixelSize(15);
        f.setBold(true);
        l->setFont(f);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, QColor(0x3d, 0x46, 0x4d));
        l->setPalette(p);
        const int width = std::min(QFontMetrics(f).horizontalAdvance(text) + 4, 420);
        l->setGeometry(12, 6, width, 22);
        // The name in the heading line: right-aligned in what room the
        // heading leaves, shortened at the right when it does not fit.
        auto *name = new pagetext::ElidedLabel(m_page);
        name->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        name->setObjectName(QStringLiteral("headingName"));
        name->setFont(textFont(true));
        const int left = 12 + width + 12;
        name->setGeometry(left, 8, 500 - left, 20);
        // The rule under the heading.
        auto *rule = new QWidget(m_page);
        rule->setGeometry(12, 30, 488, 1);
        rule->setAutoFillBackground(true);
        QPalette rp = rule->palette();
        rp.setColor(QPalette::Window, ScreenFrame::Green);
        rule->setPalette(rp);
        m_y = 40;
        return name;
    }
    void line(const QString &text)
    {
        auto *l = new QLabel(text, m_page);
        l->setFont(textFont());
        l->setGeometry(12, m_y, 490, 16);
        m_y += 20;
    }
    QLineEdit *text(const QString &caption, const QString &field, int x = 0, int width = 200)
    {
        auto *e = new QLineEdit(m_page);
        place(caption, e, x, width);
        m_binder.bind(e, m_table, field);
        e->setObjectName(field);
        return e;
    }
    QComboBox *list(const QString &caption, const QString &field, const QStringList &items, int x = 0, int width = 70)
    {
        auto *c = new QComboBox(m_page);
        c->addItems(items);
        setUpChoiceBox(c);
        c->setCurrentIndex(0);
        place(caption, c, x, width);
        m_binder.bind(c, m_table, field);
        c->setObjectName(field);
        return c;
    }
    // A label to the right of the last editor, on its row.
    void hint(const QString &text, int x)
    {
        auto *l = new QLabel(text, m_page);
        l->setFont(textFont());
        l->setGeometry(x, m_lastY + 2, 160, 16);
    }
    void newRow() { m_y += kStep; }
    void gap(int y) { m_y += y; }
    std::pair<QPushButton *, QPushButton *> tail(bool requiredNote)
    {
        if (requiredNote) {
            auto *note = new QLabel(QStringLiteral("* Required Fields."), m_page);
            note->setFont(textFont());
            note->setGeometry(12, 368, 200, 16);
        }
        auto *cancel = new QPushButton(QStringLiteral("Cancel"), m_page);
        cancel->setObjectName(QStringLiteral("btnCancel"));
        cancel->setGeometry(332, 392, 80, 28);
        auto *ok = new QPushButton(QStringLiteral("OK"), m_page);
        ok->setObjectName(QStringLiteral("btnOk"));
        ok->setGeometry(420, 392, 80, 28);
        ok->setDefault(true);
        return {cancel, ok};
    }
    int y() const { return m_y; }

private:
    static constexpr int kStep = 23;
    void place(const QString &caption, QWidget *editor, int x, int width)
    {
        auto *l = new QLabel(caption, m_page);
        l->setFont(textFont(true));
        const int captionWidth = x == 0 ? 150 : 45;
        const int left = x == 0 ? 12 : x;
        l->setGeometry(left, m_y + 2, captionWidth, 16);
        l->setBuddy(editor);
        editor->setFont(textFont());
        editor->setGeometry(left + captionWidth + 4, m_y, width, 20);
        m_lastY = m_y;
        if (x == 0)
            m_y += kStep;
    }

    QWidget *m_page;
    FieldBinder &m_binder;
    Table *m_table;
    int m_y = 40;
    int m_lastY = 40;
};

bool isUniqueBreach(const QString &engineText)
{
    return engineText.contains(QLatin1String("UNIQUE constraint failed"));
}

// Puts a row into edit, or begins a new one, unless it is already pending.
// Editing never turns into adding: an edit on an empty view would begin a
// row that no check has passed.
void beginEditing(Table *t, bool append)
{
    if (t->state() == RecordState::Edit || t->state() == RecordState::Insert)
        return;
    if (append) {
        t->append();
        return;
    }
    if (t->isEmpty())
        throw EngineError(QStringLiteral("There is no current row in the table %1.").arg(t->tableName()));
    t->edit();
}

}  // namespace

const QStringList &TfrmClientAdd::stateList()
{
    static const QStringList states = {
        QString(), "AK", "AL", "AR", "AZ", "CA", "CO", "CT", "DC", "DE", "FL", "GA", "HI", "IA", "ID",
        "IL",      "IN", "KS", "KY", "LA", "MA", "MD", "ME", "MI", "MN", "MO", "MS", "MT", "NC", "ND",
        "NE",      "NH", "NJ", "NM", "NV", "NY", "OH", "OK", "OR", "PA", "PR", "RI", "SC", "SD", "TN",
        "TX",      "UT", "VA", "VI", "VT", "WA", "WI", "WV", "WY"};
    return states;
}

const QStringList &TfrmClientAdd::maritalStatusList()
{
    // "Seperated" is the spelling stored in existing client rows.
    static const QStringList statuses = {QString(), "Single", "Married", "Seperated", "Widowed"};
    return statuses;
}

TfrmClientAdd::TfrmClientAdd(QWidget *parent) : ScreenFrame(false, parent)
{
    setObjectName(QStringLiteral("TfrmClientAdd"));
    buildPages();

    const struct {
        HoverLabel **link;
        const char *name;
        const char *caption;
        std::function<void()> action;
    } links[] = {
        {&s1, "s1", "   Personal Information", [this] { clickPersonal(); }},
        {&s2, "s2", "     - Date / Description", [this] { clickClientPage(tsClientReporting); }},
        {&s3, "s3", "     - Employment", [this] { clickClientPage(tsPersonalEmployment); }},
        {&s4, "s4", "     - Contacts", [this] { clickClientPage(tsPersonalContacts); }},
        {&s5, "s5", "   Spouse's Information", [this] { clickClientPage(tsSpouseInfo); }},
        {&s6, "s6", "     - Employment", [this] { clickSpousePage(tsSpouseEmployment); }},
        {&s7, "s7", "     - Contacts", [this] { clickSpousePage(tsSpouseContacts); }},
        {&s8, "s8", "   Assets", [this] { clickSection(OpenAssetsWindow); }},
        {&s9, "s9", "   Liabilities", [this] { clickSection(OpenLiabilitiesWindow); }},
        {&s12, "s12", "   Income", [this] { clickSection(OpenIncomeWindow); }},
        {&s13, "s13", "   Expenditures", [this] { clickSection(OpenExpensesWindow); }},
        {&s10, "s10", "   Legal", [this] { clickSection(OpenLegalWindow); }},
        {&s11, "s11", "   Notes", [this] { clickSection(OpenNotesWindow); }},
    };
    // The page is opened by the link's own action, after the save of the
    // visible page has passed, so the frame is not told which page a link
    // opens; the highlight follows the page through linkOfPage below.
    for (const auto &l : links) {
        *l.link = addSideLink(QString::fromLatin1(l.caption), nullptr, l.action);
        (*l.link)->setObjectName(QString::fromLatin1(l.name));
    }

    // UPDATE starts the check without saving; CHECK goes through menuAction.
    disconnect(mCheckUpdate2, &HoverLabel::clicked, this, nullptr);
    connect(mCheckUpdate2, &HoverLabel::clicked, this, [this] { clickUpdate(); });
}

void TfrmClientAdd::buildPages()
{
    Table *c = dm1->tblClient;
    const auto makePage = [this](const char *name) {
        auto *w = new QWidget;
        w->setObjectName(QString::fromLatin1(name));
        m_pages[w];
        return w;
    };
    tsClientPersonal = makePage("tsClientPersonal");
    tsSpouseInfo = makePage("tsSpouseInfo");
    tsPersonalEmployment = makePage("tsPersonalEmployment");
    tsSpouseEmployment = makePage("tsSpouseEmployment");
    tsPersonalContacts = makePage("tsPersonalContacts");
    tsSpouseContacts = makePage("tsSpouseContacts");
    tsClientReporting = makePage("tsClientReporting");

    const auto finish = [this](QWidget *page, PageLayout &layout, const QString &firstField) {
        Page &p = m_pages[page];
        const bool required = page == tsClientPersonal || page == tsSpouseInfo || page == tsClientReporting;
        const auto [cancel, ok] = layout.tail(required);
        p.cancel = cancel;
        p.ok = ok;
        p.firstField = firstField;
        connect(ok, &QPushButton::clicked, this, [this] { GetButtonFunction(); });
        connect(cancel, &QPushButton::clicked, this, [this, page] { cancelPage(page); });
        addPage(page);
    };

    const auto person = [&](QWidget *page, const QString &title, const QString &p) {
        PageLayout b(page, m_pages[page].binder, c);
        m_pages[page].name = b.heading(title);
        m_pages[page].title = title.trimmed();
        b.text(QStringLiteral("* First Name:"), p + "FirstName");
        // One character, as the field holds: the binding sets the limit.
        upperCaseAsTyped(b.text(QStringLiteral("Middle Initial:"), p + "MiddleInitial", 0, 30));
        b.text(QStringLiteral("* Last Name:"), p + "LastName");
        b.text(QStringLiteral("Birthdate:"), p + "Birthday", 0, 100);
        b.hint(QStringLiteral("Example: 01/01/1965"), 272);
        b.text(QStringLiteral("Address:"), p + "Address", 0, 300);
        b.text(QStringLiteral("City:"), p + "City");
        b.list(QStringLiteral("State:"), p + "State", stateList());
        b.text(QStringLiteral("Zip:"), p + "Zip", 0, 100);
        b.text(QStringLiteral("Social Security:"), p + "SSN", 0, 120);
        b.text(QStringLiteral("Drivers License:"), p + "DriversLicense", 0, 150);
        b.gap(-23);
        b.list(QStringLiteral("State:"), p + "DriversLicense_State", stateList(), 330, 70);
        b.newRow();
        b.text(QStringLiteral("Personal Phone:"), p + "PersonalPhone", 0, 150);
        b.text(QStringLiteral("Email:"), p + "Email", 0, 300);
        b.list(QStringLiteral("*Marital Status:"), p + "MaritalStatus", maritalStatusList(), 0, 120);
        b.text(QStringLiteral("*Dependents:"), p + "Dependents", 0, 50);
        finish(page, b, p + "FirstName");
    };
    person(tsClientPersonal, QStringLiteral("Personal Information"), QString());
    person(tsSpouseInfo, QStringLiteral("Spouse's Personal Information "), QStringLiteral("S"));

    const auto employment = [&](QWidget *page, const QString &title, const QString &p) {
        PageLayout b(page, m_pages[page].binder, c);
        m_pages[page].name = b.heading(title);
        m_pages[page].title = title;
        b.text(QStringLiteral("Employer:"), p + "Employer", 0, 300);
        b.text(QStringLiteral("Position:"), p + "Position");
        b.text(QStringLiteral("Years Employed:"), p + "YearsEmployed", 0, 50);
        b.text(QStringLiteral("Employer's Address:"), p + "EAddress", 0, 300);
        b.text(QStringLiteral("City:"), p + "ECity");
        b.list(QStringLiteral("State:"), p + "EState", stateList());
        b.text(QStringLiteral("Zip:"), p + "EZip", 0, 100);
        b.text(QStringLiteral("Business Phone:"), p + "BusinessPhone", 0, 150);
        finish(page, b, p + "Employer");
    };
    employment(tsPersonalEmployment, QStringLiteral("Personal Information - Employment"), QString());
    employment(tsSpouseEmployment, QStringLiteral("Spouse's Personal Information - Employment"), QStringLiteral("S"));

    const auto contacts = [&](QWidget *page, const QString &title, const QString &p) {
        PageLayout b(page, m_pages[page].binder, c);
        m_pages[page].name = b.heading(title);
        m_pages[page].title = title;
        const std::pair<const char *, const char *> rows[] = {
            {"Accountant:", "Accountant"}, {"Attorney:", "Attorney"}, {"Banker:", "Banker"},
            {"Investment Advisor:", "Advisor"}};
        for (const auto &[caption, field] : rows) {
            b.text(QString::fromLatin1(caption), p + QLatin1String(field), 0, 300);
            b.text(QStringLiteral("Phone:"), p + QLatin1String(field) + QStringLiteral("Phone"), 0, 150);
            b.gap(8);
        }
        finish(page, b, p + "Accountant");
    };
    contacts(tsPersonalContacts, QStringLiteral("Personal Information - Contacts"), QString());
    contacts(tsSpouseContacts, QStringLiteral("Spouse's Personal Information - Contacts"), QStringLiteral("S"));

    {
        QWidget *page = tsClientReporting;
        PageLayout b(page, m_pages[page].binder, dm1->tblNettora);
        m_pages[page].title = QStringLiteral("Personal Information - Reporting Date and Description");
        m_pages[page].name = b.heading(m_pages[page].title);
        b.gap(8);
        b.line(QStringLiteral("As of what date is the information reported in this statement. "));
        b.text(QStringLiteral("*Date: "), QStringLiteral("Date"), 0, 100);
        b.hint(QStringLiteral("mm/dd/yyyy "), 272);
        b.gap(16);
        b.line(QStringLiteral("Enter a statement description.  Ex:  2nd Quarter, Annual,  1st  Half,  etc."));
        b.text(QStringLiteral("*Statement Description: "), QStringLiteral("Description"), 0, 200);
        finish(page, b, QStringLiteral("Date"));
    }
}

QWidget *TfrmClientAdd::editor(const QString &field) const
{
    for (const auto &[page, p] : m_pages)
        if (QWidget *w = p.binder.editorOf(field))
            return w;
    return nullptr;
}

bool TfrmClientAdd::addMode() const
{
    return appState().clientMode == ClientMode::Add;
}

void TfrmClientAdd::showEvent(QShowEvent *event)
{
    ScreenFrame::showEvent(event);
    if (!m_opened) {
        m_opened = true;
        FormShow();
    }
}

void TfrmClientAdd::FormShow()
{
    setWindowTitle(WindowCaption());
    Table *c = dm1->tblClient;
    try {
        if (addMode()) {
            c->append();
        } else {
            m_clientId = CurrentClientId();
            m_statementId = CurrentStatementId();
            if (m_clientId.isEmpty())
                m_clientId = c->asString("Id");
            takeOwnStatement(true);
            beginEditing(c, false);
        }
    } catch (const EngineError &e) {
        dialogs().error(e.text());
        return;
    }
    showPage(tsClientPersonal);
}

void TfrmClientAdd::showPage(QWidget *page)
{
    Page &p = m_pages.at(page);
    Table *c = dm1->tblClient;
    p.binder.load();
    const bool byFullName = page == tsClientPersonal || page == tsClientReporting;
    p.name->setText(byFullName ? c->asString("FullName2") : pagetext::clientLine(c->asString("ClientDescription")));
    openPage(page);
    if (QWidget *first = p.binder.editorOf(p.firstField))
        first->setFocus();
}

HoverLabel *TfrmClientAdd::linkOf(QWidget *page) const
{
    const std::pair<QWidget *, HoverLabel *> owners[] = {
        {tsClientPersonal, s1}, {tsClientReporting, s2}, {tsPersonalEmployment, s3}, {tsPersonalContacts, s4},
        {tsSpouseInfo, s5},     {tsSpouseEmployment, s6}, {tsSpouseContacts, s7}};
    for (const auto &[w, link] : owners)
        if (w == page)
            return link;
    return nullptr;
}

void TfrmClientAdd::afterHoverReset()
{
    // The links open their pages themselves (after the save), so the frame
    // does not know which link owns the open page.
    if (HoverLabel *open = linkOf(currentPage()))
        open->setColors(Qt::white, Green);
}

void TfrmClientAdd::closePage()
{
    pcMain->setVisible(false);
    ResetSubMenuFont();
}

void TfrmClientAdd::refuse(const QString &message, const QString &focusField)
{
    PageCheckFailed = QStringLiteral("Y");
    dialogs().error(message);
    if (QWidget *w = editor(focusField))
        w->setFocus();
}

void TfrmClientAdd::reportPostFailure(const QString &engineText)
{
    PageCheckFailed = QStringLiteral("Y");
    dialogs().error(isUniqueBreach(engineText) ? kClientExists : engineText);
}

QString TfrmClientAdd::currentValue(const QString &field) const
{
    if (QWidget *page = currentPage()) {
        const FieldBinder &b = m_pages.at(page).binder;
        if (QWidget *w = b.editorOf(field)) {
            if (auto *e = qobject_cast<QLineEdit *>(w))
                return e->text();
            if (auto *cb = qobject_cast<QComboBox *>(w))
                return cb->currentText();
        }
    }
    Table *t = (field == QLatin1String("Date") || field == QLatin1String("Description")) ? dm1->tblNettora
                                                                                        : dm1->tblClient;
    return t->asString(field);
}

// ------------------------------------------------------------------ saving

void TfrmClientAdd::GetButtonFunction()
{
    PageCheckFailed.clear();
    QWidget *page = currentPage();
    if (!page)
        return;
    // Take the focus off the editor being typed in, as the user leaving it would.
    if (QWidget *f = focusWidget(); f && page->isAncestorOf(f))
        page->setFocus();
    if (page == tsClientPersonal)
        UpdatePersonalInformation();
    else if (page == tsClientReporting)
        ReportingDate();
    else if (page == tsPersonalEmployment)
        PersonalEmployment();
    else if (page == tsPersonalContacts)
        PersonalContacts();
    else if (page == tsSpouseInfo)
        UpdateSpouseInformation();
    else if (page == tsSpouseEmployment)
        SpouseEmployment();
    else if (page == tsSpouseContacts)
        SpouseContacts();
}

bool TfrmClientAdd::personalChecks(const QString &p)
{
    Table *c = dm1->tblClient;
    QString message, focus;
    // Each failing check overrides the one before, so the last one is
    // reported; the last name is only looked at with a first name given.
    if (c->asString(p + "FirstName").isEmpty()) {
        message = QStringLiteral("Please enter \"First Name\".");
        focus = p + "FirstName";
    } else if (c->asString(p + "LastName").isEmpty()) {
        message = QStringLiteral("Please enter \"Last Name\".");
        focus = p + "LastName";
    }
    if (c->asString(p + "MaritalStatus").isEmpty()) {
        message = QStringLiteral("Please enter \"Marital Status\".");
        focus = p + "MaritalStatus";
    }
    if (c->asString(p + "Dependents").trimmed().isEmpty()) {
        message = QStringLiteral("Please enter the number of \"Dependants\".");
        focus = p + "Dependents";
    }
    if (message.isEmpty())
        return true;
    refuse(message, focus);
    return false;
}

void TfrmClientAdd::UpdatePersonalInformation()
{
    Table *c = dm1->tblClient;
    Table *st = dm1->tblNettora;
    const bool adding = addMode();
    try {
        beginEditing(c, adding);
        m_pages.at(tsClientPersonal).binder.store(c);
    } catch (const EngineError &e) {
        PageCheckFailed = QStringLiteral("Y");
        dialogs().error(e.text());
        return;
    }
    if (!personalChecks(QString()))
        return;

    try {
        std::optional<QString> description;
        if (!adding)
            description = st->asString("Description");
        for (const DerivedField &d : personalPageFields(fieldReader(*c), description))
            c->setAsString(d.field, d.value);
    } catch (const EngineError &) {
        c->cancel();
        st->cancel();
        PageCheckFailed = QStringLiteral("Y");
        return;
    }

    if (adding) {
        Database &db = dm1->db();
        QString clientId, statementId;
        try {
            // The client and its first statement are stored together or not at all.
            Transaction tx(db);
            c->post();
            clientId = QString::number(db.lastInsertRowId());
            st->append();
            st->setAsString("ClientId", clientId);
            st->setAsString("Date", QDate::currentDate().toString(QStringLiteral("MM/dd/yyyy")));
            st->post();
            statementId = QString::number(db.lastInsertRowId());
            tx.commit();
        } catch (const EngineError &e) {
            c->cancel();
            st->cancel();
            reportPostFailure(e.text());
            // A fresh row for the next attempt; the editors keep what was typed.
            try {
                c->append();
            } catch (const EngineError &) {
            }
            return;
        }
        appState().selectedClientId = clientId;
        m_clientId = clientId;
        m_statementId = statementId;
        try {
            c->setIndexName(QStringLiteral("ID"));
            c->setFilter(QStringLiteral("Id = ") + filterText(clientId));
            c->setFiltered(true);
            c->first();
            FilterStatementTables(clientId, statementId);
        } catch (const EngineError &e) {
            dialogs().error(e.text());
        }
    } else {
        const QString id = c->asString("Id");
        try {
            c->post();
        } catch (const EngineError &e) {
            c->cancel();
            reportPostFailure(e.text());
            return;
        }
        appState().selectedClientId = id;
    }
    appState().clientMode = ClientMode::Edit;
    closePage();
}

void TfrmClientAdd::UpdateSpouseInformation()
{
    Table *c = dm1->tblClient;
    try {
        beginEditing(c, false);
        m_pages.at(tsSpouseInfo).binder.store(c);
    } catch (const EngineError &e) {
        PageCheckFailed = QStringLiteral("Y");
        dialogs().error(e.text());
        return;
    }
    if (!personalChecks(QStringLiteral("S")))
        return;
    try {
        for (const DerivedField &d : spousePageFields(fieldReader(*c)))
            c->setAsString(d.field, d.value);
    } catch (const EngineError &e) {
        PageCheckFailed = QStringLiteral("Y");
        dialogs().error(e.text());
        return;
    }
    postClientTail();
}

void TfrmClientAdd::PersonalEmployment()
{
    Table *c = dm1->tblClient;
    try {
        beginEditing(c, false);
        m_pages.at(tsPersonalEmployment).binder.store(c);
        for (const DerivedField &d : employmentPageFields(fieldReader(*c)))
            c->setAsString(d.field, d.value);
    } catch (const EngineError &e) {
        PageCheckFailed = QStringLiteral("Y");
        dialogs().error(e.text());
        return;
    }
    postClientTail();
}

void TfrmClientAdd::SpouseEmployment()
{
    Table *c = dm1->tblClient;
    try {
        beginEditing(c, false);
        m_pages.at(tsSpouseEmployment).binder.store(c);
        for (const DerivedField &d : spouseEmploymentPageFields(fieldReader(*c)))
            c->setAsString(d.field, d.value);
    } catch (const EngineError &e) {
        PageCheckFailed = QStringLiteral("Y");
        dialogs().error(e.text());
        return;
    }
    postClientTail();
}

void TfrmClientAdd::postClientTail()
{
    Table *c = dm1->tblClient;
    QString id = c->asString("Id");
    try {
        c->post();
    } catch (const EngineError &e) {
        reportPostFailure(e.text());  // the edit stays, to be corrected
        return;
    }
    if (id.isEmpty())
        id = QString::number(dm1->db().lastInsertRowId());
    // The id of the row just posted, not the last row of whatever the table
    // shows, is what becomes the selected client.
    appState().selectedClientId = id;
    try {
        c->setIndexName(QStringLiteral("LF"));
        c->setFilter(QStringLiteral("Id = ") + filterText(id));
        c->setFiltered(true);
        c->first();
    } catch (const EngineError &e) {
        dialogs().error(e.text());
    }
    appState().clientMode = ClientMode::Edit;
    closePage();
}

void TfrmClientAdd::saveContactsPage(QWidget *page)
{
    Table *c = dm1->tblClient;
    try {
        beginEditing(c, false);
        m_pages.at(page).binder.store(c);
        c->post();
    } catch (const EngineError &e) {
        PageCheckFailed = QStringLiteral("Y");
        dialogs().error(e.text());
        return;
    }
    closePage();
}

void TfrmClientAdd::PersonalContacts()
{
    saveContactsPage(tsPersonalContacts);
}

void TfrmClientAdd::SpouseContacts()
{
    saveContactsPage(tsSpouseContacts);
}

void TfrmClientAdd::ReportingDate()
{
    Table *c = dm1->tblClient;
    Table *st = dm1->tblNettora;
    QString storedDate;
    try {
        beginEditing(st, false);
        storedDate = st->asString("Date");
        m_pages.at(tsClientReporting).binder.store(st);
    } catch (const EngineError &e) {
        PageCheckFailed = QStringLiteral("Y");
        dialogs().error(e.text());
        return;
    }
    const QString date = st->asString("Date");
    const QString description = st->asString("Description");
    const QString fullName2 = c->asString("FullName2");
    if (date.isEmpty()) {
        refuse(QStringLiteral("Please enter the reporting date."), QStringLiteral("Date"));
        return;
    }
    // A date typed here is a real one, kept in full; one stored before in
    // another form stays as it is until it is changed.
    if (date != storedDate) {
        const QString full = fullDateText(date);
        if (full.isEmpty()) {
            refuse(statementDateRefusal(date), QStringLiteral("Date"));
            return;
        }
        st->setAsString("Date", full);
    }
    if (description.isEmpty()) {
        refuse(QStringLiteral("Please enter a description."), QStringLiteral("Description"));
        return;
    }
    try {
        // The description and the client's line that quotes it change together.
        Transaction tx(dm1->db());
        beginEditing(c, false);
        c->setAsString("ClientDescription", composeClientDescription(fullName2, description));
        c->post();
        st->post();
        tx.commit();
    } catch (const EngineError &e) {
        c->cancel();
        PageCheckFailed = QStringLiteral("Y");
        dialogs().error(e.text());
        return;
    }
    closePage();
}

void TfrmClientAdd::cancelPage(QWidget *page)
{
    closePage();
    try {
        if (page == tsClientReporting)
            dm1->tblNettora->cancel();
        else
            dm1->tblClient->cancel();
    } catch (const EngineError &e) {
        dialogs().error(e.text());
    }
}

// -------------------------------------------------------------- navigation

void TfrmClientAdd::clickPersonal()
{
    Table *c = dm1->tblClient;
    try {
        if (addMode()) {
            // Whatever was typed into the unsaved row is dropped by the new
            // one, never stored past the checks of the save.
            PageCheckFailed.clear();
            c->append();
        } else {
            GetButtonFunction();
            if (PageCheckFailed == QLatin1String("Y"))
                return;
            takeOwnStatement();
            beginEditing(c, false);
        }
    } catch (const EngineError &e) {
        dialogs().error(e.text());
        return;
    }
    showPage(tsClientPersonal);
}

void TfrmClientAdd::clickClientPage(QWidget *page)
{
    if (addMode()) {
        dialogs().error(kPersonalFirst);
        return;
    }
    GetButtonFunction();
    if (PageCheckFailed == QLatin1String("Y"))
        return;
    try {
        takeOwnStatement();
        beginEditing(page == tsClientReporting ? dm1->tblNettora : dm1->tblClient, false);
    } catch (const EngineError &e) {
        dialogs().error(e.text());
        return;
    }
    showPage(page);
}

void TfrmClientAdd::clickSpousePage(QWidget *page)
{
    if (addMode()) {
        dialogs().error(kPersonalFirst);
        return;
    }
    if (currentValue(QStringLiteral("SFirstName")).isEmpty() || currentValue(QStringLiteral("SLastName")).isEmpty()) {
        dialogs().error(kSpouseFirst);
        return;
    }
    clickClientPage(page);
}

void TfrmClientAdd::clickSection(const std::function<QWidget *()> &open)
{
    if (addMode()) {
        dialogs().error(kPersonalFirst);
        return;
    }
    if (!currentPage()) {
        // The section window opens on this window's statement.
        try {
            takeOwnStatement();
        } catch (const EngineError &e) {
            dialogs().error(e.text());
            return;
        }
    }
    if (currentValue(QStringLiteral("Date")).isEmpty()) {
        dialogs().error(kReportingDateFirst);
        return;
    }
    GetButtonFunction();
    if (PageCheckFailed == QLatin1String("Y"))
        return;
    // The section windows may not be part of this build yet.
    if (open())
        close();
}

std::optional<ScreenFrame::PendingInput> TfrmClientAdd::pendingInput()
{
    QWidget *page = currentPage();
    if (!page || !dm1 || !m_pages.at(page).binder.changed())
        return std::nullopt;
    return PendingInput{m_pages.at(page).title,
                        [this] {
                            GetButtonFunction();
                            return PageCheckFailed != QLatin1String("Y");
                        },
                        [this, page] { cancelPage(page); }};
}

void TfrmClientAdd::menuAction(Entry e)
{
    // Typing was asked about before a leaving entry; every entry still
    // saves the page first, and one that fails its checks keeps the window.
    GetButtonFunction();
    if (PageCheckFailed == QLatin1String("Y"))
        return;
    ScreenFrame::menuAction(e);
    if (m_closed)
        return;
    try {
        takeOwnStatement(true);
    } catch (const EngineError &err) {
        dialogs().error(err.text());
    }
}

void TfrmClientAdd::takeOwnStatement(bool always)
{
    if (m_clientId.isEmpty())
        return;  // a new client not saved yet has nothing to go back to
    Table *c = dm1->tblClient;
    Table *st = dm1->tblNettora;
    // An open page's row is pending; narrowing would drop it.
    if (currentPage() && (c->state() != RecordState::Browse || st->state() != RecordState::Browse))
        return;
    if (!always && c->filtered() && st->filtered() && c->asString("Id") == m_clientId
        && st->asString("Id") == m_statementId)
        return;
    FilterStatementTables(m_clientId, m_statementId);
}

void TfrmClientAdd::clickUpdate()
{
    CheckForUpdate();
}

void TfrmClientAdd::closeEvent(QCloseEvent *event)
{
    m_closed = true;
    // A row left pending here must not be posted later by another window.
    if (dm1) {
        for (Table *t : {dm1->tblClient, dm1->tblNettora})
            if (t->active())
                t->cancel();
    }
    ScreenFrame::closeEvent(event);
}

}  // namespace nettora
