// The client information window's pages: their editors, bound to the
// client or statement fields, laid out row by row.

#include "clients/clientadd.h"

#include "kit/look.h"
#include "kit/pagetext.h"
#include "data/datamodule.h"

namespace nettora {

namespace {

QFont textFont(bool bold = false)
{
    return look::arial(11, bold);
}

// Lays out one page top to bottom: heading line, editor rows, the required
// note and the Cancel and OK buttons.
class PageLayout {
public:
    PageLayout(QWidget *page, FieldBinder &binder, Table *table) : m_page(page), m_binder(binder), m_table(table) {}

    QLabel *heading(const QString &text)
    {
        auto *l = new QLabel(text, m_page);
        const QFont f = look::arial(15, true);
        l->setFont(f);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, look::HeadingInk);
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
        rp.setColor(QPalette::Window, look::Green);
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

}  // namespace nettora
