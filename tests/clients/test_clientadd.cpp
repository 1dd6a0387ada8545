// The client information window as real widgets on a real data directory:
// the personal page's checks and the new client with its first statement,
// the other pages' saves, the links and the menu.
#include "support/testsupport.h"

#include "kit/btn_functions.h"
#include "app/windows.h"
#include "clients/clientadd.h"
#include "data/db_functions.h"
#include "kit/app_state.h"
#include "kit/shell_open.h"

#include <QApplication>
#include <QDate>
#include <QPointer>
#include <QTest>
#include <tuple>

using namespace nettora;
using namespace nettora::test;

namespace {

using Fields = std::vector<std::pair<QString, QString>>;

// What a complete personal page holds, unless a case says otherwise.
Fields completePerson(const QString &first = QStringLiteral("John"), const QString &middle = QStringLiteral("Q"),
                      const QString &last = QStringLiteral("Smith"))
{
    return {{"FirstName", first},         {"MiddleInitial", middle}, {"LastName", last},
            {"MaritalStatus", "Married"}, {"Dependents", "2"},       {"City", "Dallas"},
            {"State", "TX"},              {"Zip", "75001"}};
}

}  // namespace

class ClientAdd : public DataDirTest {
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        registerAllWindows();
        setShellHandler([this](const QString &target) {
            opened << target;
            return true;
        });
    }
    void TearDown() override
    {
        setShellHandler({});
        // Deleting a window deletes its pop-ups, which are top-level too.
        std::vector<QPointer<QWidget>> windows;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<ScreenFrame *>(w) || w->objectName() == QLatin1String("stand-in"))
                windows.emplace_back(w);
        for (const auto &w : windows)
            delete w.data();
        DataDirTest::TearDown();
    }

    TfrmClientAdd *openAdd()
    {
        appState().clientMode = ClientMode::Add;
        auto *w = qobject_cast<TfrmClientAdd *>(OpenClientInformationWindow());
        EXPECT_NE(w, nullptr);
        return w;
    }
    // An existing client and statement made current, as the workspace does.
    TfrmClientAdd *openEdit(qint64 client, qint64 statement)
    {
        FilterStatementTables(QString::number(client), QString::number(statement));
        appState().clientMode = ClientMode::Edit;
        auto *w = qobject_cast<TfrmClientAdd *>(OpenClientInformationWindow());
        EXPECT_NE(w, nullptr);
        return w;
    }
    qint64 seedClient(const Fields &fields)
    {
        Table *c = dm1->tblClient;
        c->append();
        for (const auto &[f, v] : fields)
            c->setAsString(f, v);
        c->post();
        return dm1->db().lastInsertRowId();
    }
    void fill(TfrmClientAdd *w, const Fields &fields)
    {
        for (const auto &[f, v] : fields)
            type(w->editor(f), v);
    }
    // A window the section links can open in place of the real one.
    void standInFor(const QString &className)
    {
        registerWindowFactory(className, [] {
            auto *x = new QWidget;
            x->setObjectName(QStringLiteral("stand-in"));
            return x;
        });
    }
    void withdraw(const QString &className)
    {
        registerWindowFactory(className, [] { return static_cast<QWidget *>(nullptr); });
    }

    QStringList opened;
};

TEST_F(ClientAdd, PersonalPageReportsTheLastFailingCheck)
{
    const struct {
        const char *first, *last, *marital, *dependents, *message, *focus;
    } cases[] = {
        {"", "Smith", "", "2", "Please enter \"Marital Status\".", "MaritalStatus"},
        {"", "", "Married", "2", "Please enter \"First Name\".", "FirstName"},
        {"John", "", "Married", "2", "Please enter \"Last Name\".", "LastName"},
        {"", "", "", "", "Please enter the number of \"Dependants\".", "Dependents"},
        {"John", "", "", "2", "Please enter \"Marital Status\".", "MaritalStatus"},
        {"John", "Smith", "Single", "", "Please enter the number of \"Dependants\".", "Dependents"},
    };
    TfrmClientAdd *w = openAdd();
    for (const auto &c : cases) {
        m_dialogs->clear();
        fill(w, {{"FirstName", c.first}, {"LastName", c.last}, {"MaritalStatus", c.marital},
                 {"Dependents", c.dependents}});
        click(w->okButton(w->tsClientPersonal));
        ASSERT_EQ(m_dialogs->texts(), QStringList{QString::fromUtf8(c.message)}) << c.first << "/" << c.last;
        EXPECT_EQ(m_dialogs->shown()[0].kind, "error");
        EXPECT_EQ(w->focusWidget(), w->editor(c.focus)) << c.message;
        EXPECT_TRUE(w->pageCheckFailed);
        EXPECT_EQ(w->currentPage(), w->tsClientPersonal);
        EXPECT_EQ(appState().clientMode, ClientMode::Add);
        EXPECT_EQ(countRows("Client"), 0);
        EXPECT_EQ(countRows("Nettora"), 0);
    }
}

TEST_F(ClientAdd, SavingANewClientStoresItWithItsFirstStatementAndMakesBothCurrent)
{
    // Another client already there must not be taken for the new one.
    const qint64 other = seedClient(completePerson("Ann", "", "Lee"));
    addStatement(other);

    TfrmClientAdd *w = openAdd();
    EXPECT_EQ(w->currentPage(), w->tsClientPersonal);
    EXPECT_EQ(w->focusWidget(), w->editor("FirstName"));
    fill(w, completePerson());
    click(w->okButton(w->tsClientPersonal));
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
    EXPECT_FALSE(w->pageCheckFailed);

    ASSERT_EQ(countRows("Client"), 2);
    ASSERT_EQ(countRows("Nettora"), 2);
    const qint64 id = other + 1;
    EXPECT_EQ(stored("Client", id, "FullName2"), "John Q. Smith");
    EXPECT_EQ(appState().selectedClientId, QString::number(id));
    EXPECT_EQ(countRows("Nettora", QStringLiteral("ClientId = '%1'").arg(id)), 1);
    Statement st = dm1->db().prepare("SELECT Id, Date, ifnull(Description, '') FROM Nettora WHERE ClientId = ?");
    st.bind(1, QString::number(id));
    ASSERT_TRUE(st.step());
    const QString statementId = st.columnText(0);
    EXPECT_EQ(st.columnText(1), QDate::currentDate().toString("MM/dd/yyyy"));
    EXPECT_EQ(st.columnText(2), "");

    EXPECT_EQ(appState().clientMode, ClientMode::Edit);
    EXPECT_EQ(w->currentPage(), nullptr);
    EXPECT_EQ(dm1->tblClient->recordCount(), 1);
    EXPECT_EQ(dm1->tblClient->asString("Id"), QString::number(id));
    EXPECT_EQ(CurrentClientId(), QString::number(id));
    EXPECT_EQ(CurrentStatementId(), statementId);
    EXPECT_TRUE(dm1->tblCash->filtered());

    // Now in "Edit": the other pages open, and the personal page edits the same row.
    click(w->employmentLink);
    EXPECT_TRUE(m_dialogs->shown().empty());
    EXPECT_EQ(w->currentPage(), w->tsPersonalEmployment);
    click(w->personalLink);
    EXPECT_EQ(w->currentPage(), w->tsClientPersonal);
    EXPECT_EQ(w->lineEdit("FirstName")->text(), "John");
    EXPECT_EQ(w->headingName(w->tsClientPersonal)->text(), "John Q. Smith");
}

TEST_F(ClientAdd, DerivedFieldsAreWrittenOnSave)
{
    const struct {
        Fields typed;
        Fields expected;
    } cases[] = {
        {{{"FirstName", "John"}, {"MiddleInitial", "q"}, {"LastName", "Smith"}, {"City", ""}, {"State", "TX"},
          {"Zip", "75001"}, {"MaritalStatus", "Married"}, {"Dependents", "1"}, {"DriversLicense", "D123"},
          {"DriversLicense_State", "TX"}, {"Birthday", "01/01/1965"}},
         {{"MiddleInitial", "Q"}, {"FullName", "Smith Q. John"}, {"FullName2", "John Q. Smith"},
          {"CityStateZip", "TX  75001"}, {"MarriedDependants", "Married with 1 dependant."},
          {"dlbdate", "D123 - TX - 01/01/1965"}, {"DriversLicenseandState", "D123 - TX"}}},
        {{{"FirstName", "Jane"}, {"LastName", "Doe"}, {"City", "Dallas"}, {"State", "TX"}, {"Zip", "75001"},
          {"MaritalStatus", "Seperated"}, {"Dependents", "3"}},
         {{"FullName", "Doe Jane"}, {"FullName2", "Jane Doe"}, {"CityStateZip", "Dallas, TX  75001"},
          {"MarriedDependants", "Seperated with 3 dependants."}, {"dlbdate", " "}, {"DriversLicenseandState", ""}}},
        {{{"FirstName", "Al"}, {"LastName", "Roe"}, {"MaritalStatus", "Single"}, {"Dependents", "0"},
          {"DriversLicense", "X9"}},
         {{"MarriedDependants", "Single with 0 dependants."}, {"DriversLicenseandState", "X9"},
          {"ClientDescription", ""}}},
    };
    for (const auto &c : cases) {
        m_dialogs->clear();
        TfrmClientAdd *w = openAdd();
        fill(w, c.typed);
        click(w->okButton(w->tsClientPersonal));
        ASSERT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
        const qint64 id = appState().selectedClientId.toLongLong();
        for (const auto &[field, value] : c.expected)
            EXPECT_EQ(stored("Client", id, field), value) << field.toStdString();
        delete w;
    }
}

TEST_F(ClientAdd, EditingThePersonalPageAlsoWritesTheClientDescription)
{
    const qint64 c = seedClient(completePerson());
    const qint64 s = addStatement(c, "12/31/2025", "Annual");
    TfrmClientAdd *w = openEdit(c, s);
    EXPECT_EQ(w->currentPage(), w->tsClientPersonal);
    EXPECT_EQ(w->lineEdit("FirstName")->text(), "John");
    EXPECT_EQ(w->focusWidget(), w->editor("FirstName"));
    type(w->editor("FirstName"), "Jon");
    click(w->okButton(w->tsClientPersonal));
    EXPECT_TRUE(m_dialogs->shown().empty());
    EXPECT_EQ(stored("Client", c, "FullName2"), "Jon Q. Smith");
    EXPECT_EQ(stored("Client", c, "ClientDescription"), "Jon Q. Smith - Annual.");
    EXPECT_EQ(appState().selectedClientId, QString::number(c));
    EXPECT_EQ(countRows("Client"), 1);
}

TEST_F(ClientAdd, DuplicateClientIsRefusedAndNothingIsStored)
{
    seedClient(completePerson());
    TfrmClientAdd *w = openAdd();
    fill(w, completePerson());
    click(w->okButton(w->tsClientPersonal));
    EXPECT_EQ(m_dialogs->texts(), QStringList{"This client already exists."});
    EXPECT_TRUE(w->pageCheckFailed);
    EXPECT_EQ(countRows("Client"), 1);
    EXPECT_EQ(countRows("Nettora"), 0);
    EXPECT_EQ(appState().clientMode, ClientMode::Add);
    EXPECT_EQ(w->currentPage(), w->tsClientPersonal);

    // The typed values stay; a corrected name goes through.
    m_dialogs->clear();
    type(w->editor("MiddleInitial"), "R");
    click(w->okButton(w->tsClientPersonal));
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
    EXPECT_EQ(countRows("Client"), 2);
    EXPECT_EQ(countRows("Nettora"), 1);
    EXPECT_EQ(stored("Client", appState().selectedClientId.toLongLong(), "FullName2"), "John R. Smith");
}

TEST_F(ClientAdd, FailedStatementAppendShowsTheEngineTextAndStoresNoClient)
{
    dm1->db().exec("CREATE TEMP TRIGGER refuse_statement BEFORE INSERT ON Nettora "
                   "BEGIN SELECT RAISE(ABORT, 'injected'); END");
    TfrmClientAdd *w = openAdd();
    fill(w, completePerson());
    click(w->okButton(w->tsClientPersonal));
    EXPECT_EQ(m_dialogs->texts(), QStringList{"injected"});
    EXPECT_EQ(countRows("Client"), 0);
    EXPECT_EQ(countRows("Nettora"), 0);
    EXPECT_EQ(appState().clientMode, ClientMode::Add);
    EXPECT_EQ(appState().selectedClientId, "");
    EXPECT_EQ(w->currentPage(), w->tsClientPersonal);

    dm1->db().exec("DROP TRIGGER refuse_statement");
    m_dialogs->clear();
    click(w->okButton(w->tsClientPersonal));
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
    EXPECT_EQ(countRows("Client"), 1);
    EXPECT_EQ(countRows("Nettora"), 1);
}

TEST_F(ClientAdd, PersonalInformationAgainInAddDiscardsTheTypedRow)
{
    TfrmClientAdd *w = openAdd();
    fill(w, {{"FirstName", "Half"}, {"LastName", "Typed"}});
    m_dialogs->answerSaveQuestions({SaveChoice::Discard});
    click(w->personalLink);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Save the changes to Personal Information?"});
    m_dialogs->clear();
    EXPECT_EQ(countRows("Client"), 0);
    EXPECT_EQ(w->currentPage(), w->tsClientPersonal);
    EXPECT_EQ(w->lineEdit("FirstName")->text(), "");
    EXPECT_EQ(w->lineEdit("LastName")->text(), "");
    EXPECT_EQ(w->focusWidget(), w->editor("FirstName"));

    fill(w, completePerson());
    click(w->okButton(w->tsClientPersonal));
    EXPECT_TRUE(m_dialogs->shown().empty());
    EXPECT_EQ(countRows("Client"), 1);
    EXPECT_EQ(countRows("Client", "FirstName = 'Half'"), 0);
}

TEST_F(ClientAdd, InAddEveryOtherLinkAsksForThePersonalInformation)
{
    TfrmClientAdd *w = openAdd();
    fill(w, completePerson());
    const QString question = QStringLiteral("Save the changes to Personal Information?");
    const QString first = QStringLiteral("\"Personal Information\" must be entered before continuing.");
    // Cancel stays with the typing; Discard drops it, and the link still
    // needs the personal information first.
    for (HoverLabel *l : {w->reportingDateLink, w->employmentLink, w->contactsLink, w->spouseLink,
                          w->spouseEmploymentLink, w->spouseContactsLink, w->assetsLink, w->liabilitiesLink,
                          w->incomeLink, w->expendituresLink, w->legalLink, w->notesLink}) {
        for (const SaveChoice choice : {SaveChoice::Cancel, SaveChoice::Discard}) {
            m_dialogs->clear();
            m_dialogs->answerSaveQuestions({choice});
            click(l);
            EXPECT_EQ(m_dialogs->texts(),
                (choice == SaveChoice::Cancel ? QStringList{question} : QStringList{question, first}))
                << l->objectName().toStdString();
            EXPECT_TRUE(w->isVisible());
            EXPECT_EQ(countRows("Client"), 0);
            if (choice == SaveChoice::Cancel) {
                EXPECT_EQ(w->currentPage(), w->tsClientPersonal);
                EXPECT_EQ(w->lineEdit("FirstName")->text(), "John");
            }
        }
        m_dialogs->clear();
        click(w->personalLink);
        fill(w, completePerson());
    }
    // Save stores the new client and the link goes on.
    m_dialogs->clear();
    m_dialogs->answerSaveQuestions({SaveChoice::Save});
    click(w->employmentLink);
    EXPECT_EQ(m_dialogs->texts(), QStringList{question});
    EXPECT_EQ(countRows("Client"), 1);
    EXPECT_EQ(w->currentPage(), w->tsPersonalEmployment);
}

TEST_F(ClientAdd, SpouseLinksNeedTheSpouseNames)
{
    const struct {
        const char *first, *last;
        bool opens;
    } cases[] = {{"", "", false}, {"Jane", "", false}, {"", "Smith", false}, {"Jane", "Smith", true}};
    for (const auto &c : cases) {
        Fields person = completePerson(QStringLiteral("John%1%2").arg(c.first, c.last));
        person.push_back({"SFirstName", c.first});
        person.push_back({"SLastName", c.last});
        const qint64 id = seedClient(person);
        TfrmClientAdd *w = openEdit(id, addStatement(id));
        for (auto [link, page, focus] : {std::tuple{w->spouseEmploymentLink, w->tsSpouseEmployment, "SEmployer"},
                                         std::tuple{w->spouseContactsLink, w->tsSpouseContacts, "SAccountant"}}) {
            m_dialogs->clear();
            click(link);
            if (c.opens) {
                EXPECT_TRUE(m_dialogs->shown().empty());
                EXPECT_EQ(w->currentPage(), page);
                EXPECT_EQ(w->focusWidget(), w->editor(focus));
            } else {
                EXPECT_EQ(m_dialogs->texts(), QStringList{"\"Spouse Information\" must be entered before continuing."})
                    << c.first << "/" << c.last;
                EXPECT_EQ(w->currentPage(), w->tsClientPersonal);
            }
        }
        delete w;
    }
}

TEST_F(ClientAdd, SpousePageChecksAndComposesTheSpouseFields)
{
    const qint64 c = seedClient(completePerson());
    TfrmClientAdd *w = openEdit(c, addStatement(c, "12/31/2025", "Annual"));
    click(w->spouseLink);
    EXPECT_EQ(w->currentPage(), w->tsSpouseInfo);
    EXPECT_EQ(w->focusWidget(), w->editor("SFirstName"));
    EXPECT_EQ(w->headingName(w->tsSpouseInfo)->text(), "John Q. Smith - Annual.");
    dm1->db().exec("UPDATE Client SET ClientDescription = 'Kept.'");
    fill(w, {{"SFirstName", "Jane"}, {"SMiddleInitial", "q"}, {"SLastName", ""}, {"SDependents", "2"}});
    click(w->okButton(w->tsSpouseInfo));
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Please enter \"Marital Status\"."});
    EXPECT_EQ(w->focusWidget(), w->editor("SMaritalStatus"));
    EXPECT_EQ(stored("Client", c, "SFirstName"), "");

    m_dialogs->clear();
    fill(w, {{"SLastName", "Smith"}, {"SMaritalStatus", "Married"}, {"SCity", ""}, {"SState", "TX"},
             {"SZip", "75001"}});
    click(w->okButton(w->tsSpouseInfo));
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
    EXPECT_EQ(w->currentPage(), nullptr);
    EXPECT_EQ(stored("Client", c, "SFullName"), "Smith, Jane. Q");
    EXPECT_EQ(stored("Client", c, "SFullName2"), "Jane Q. Smith");
    EXPECT_EQ(stored("Client", c, "SCityStateZip"), "TX  75001");
    EXPECT_EQ(stored("Client", c, "SMarriedDependants"), "Married with 2 dependants.");
    EXPECT_EQ(stored("Client", c, "ClientDescription"), "Kept.");  // never written by the spouse page
    EXPECT_EQ(appState().selectedClientId, QString::number(c));
    EXPECT_EQ(dm1->tblClient->filter(), QString("Id = \"%1\"").arg(c));
}

TEST_F(ClientAdd, EmploymentSaveWritesTheYearsSentence)
{
    const struct {
        const char *years, *sentence;
    } cases[] = {
        {"1", "Employed for 1 year."}, {"12", "Employed for 12 years."}, {"2", "Employed for 2 years."},
        {"0", " "},                    {"", " "},                        {"05", "Employed for 05 years."},
        {"0.5", "Employed for 0.5 years."},  // numbers, though as text they sort before "1"
    };
    const qint64 c = seedClient(completePerson());
    TfrmClientAdd *w = openEdit(c, addStatement(c));
    for (const auto &k : cases) {
        for (const QString &p : {QString(), QStringLiteral("S")}) {
            dm1->db().exec(QStringLiteral("UPDATE Client SET %1YearsEmployed2 = 'Before.'").arg(p));
            m_dialogs->clear();
            click(p.isEmpty() ? w->employmentLink : w->spouseLink);
            if (!p.isEmpty()) {  // the spouse page first, so that its links open
                fill(w, {{"SFirstName", "Jane"}, {"SLastName", "Smith"}, {"SMaritalStatus", "Married"},
                         {"SDependents", "2"}});
                click(w->okButton(w->tsSpouseInfo));
                click(w->spouseEmploymentLink);
            }
            ASSERT_EQ(w->currentPage(), p.isEmpty() ? w->tsPersonalEmployment : w->tsSpouseEmployment);
            fill(w, {{p + "YearsEmployed", k.years}, {p + "ECity", "Plano"}, {p + "EState", "TX"}, {p + "EZip", "75024"}});
            click(w->okButton(w->currentPage()));
            ASSERT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
            EXPECT_EQ(stored("Client", c, p + "YearsEmployed2"), k.sentence) << p.toStdString() << k.years;
            EXPECT_EQ(stored("Client", c, p + "ECityStateZip"), "Plano, TX  75024");
            EXPECT_EQ(w->currentPage(), nullptr);
            EXPECT_EQ(appState().selectedClientId, QString::number(c));
        }
    }
}

TEST_F(ClientAdd, ContactsSaveWithoutChecks)
{
    const qint64 c = seedClient(completePerson());
    TfrmClientAdd *w = openEdit(c, addStatement(c));
    click(w->contactsLink);
    EXPECT_EQ(w->focusWidget(), w->editor("Accountant"));
    fill(w, {{"Accountant", "Ann Books"}, {"BankerPhone", "555-0100"}});
    click(w->okButton(w->tsPersonalContacts));
    EXPECT_TRUE(m_dialogs->shown().empty());
    EXPECT_EQ(w->currentPage(), nullptr);
    EXPECT_EQ(stored("Client", c, "Accountant"), "Ann Books");
    EXPECT_EQ(stored("Client", c, "BankerPhone"), "555-0100");
}

TEST_F(ClientAdd, ReportingPageChecksThenWritesTheClientDescription)
{
    const qint64 c = seedClient(completePerson());
    const qint64 s = addStatement(c, "12/31/2025", "");
    TfrmClientAdd *w = openEdit(c, s);
    click(w->okButton(w->tsClientPersonal));  // composes FullName2
    EXPECT_EQ(stored("Client", c, "ClientDescription"), "John Q. Smith - .");
    click(w->reportingDateLink);
    ASSERT_EQ(w->currentPage(), w->tsClientReporting);
    EXPECT_EQ(w->focusWidget(), w->editor("Date"));
    EXPECT_EQ(w->lineEdit("Date")->text(), "12/31/2025");
    EXPECT_EQ(w->headingName(w->tsClientReporting)->text(), "John Q. Smith");

    const struct {
        const char *date, *description, *message, *focus;
    } refusals[] = {
        {"12/31/2025", "", "Please enter a description.", "Description"},
        {"", "", "Please enter the reporting date.", "Date"},
        {"", "Annual", "Please enter the reporting date.", "Date"},
        {"06/31/2026", "Annual",
         "'06/31/2026' is not a valid date in Statement Date. Type it as month/day/year, like 12/31/2025.", "Date"},
        {"02/29/2025", "Annual",
         "'02/29/2025' is not a valid date in Statement Date. Type it as month/day/year, like 12/31/2025.", "Date"},
    };
    for (const auto &r : refusals) {
        m_dialogs->clear();
        fill(w, {{"Date", r.date}, {"Description", r.description}});
        click(w->okButton(w->tsClientReporting));
        EXPECT_EQ(m_dialogs->texts(), QStringList{r.message});
        EXPECT_EQ(w->focusWidget(), w->editor(r.focus));
        EXPECT_TRUE(w->pageCheckFailed);
        EXPECT_EQ(stored("Client", c, "ClientDescription"), "John Q. Smith - .");
        EXPECT_EQ(stored("Nettora", s, "Date"), "12/31/2025");
    }
    m_dialogs->clear();
    fill(w, {{"Date", "6/30/26"}, {"Description", "2nd Quarter"}});
    click(w->okButton(w->tsClientReporting));
    EXPECT_TRUE(m_dialogs->shown().empty());
    EXPECT_EQ(w->currentPage(), nullptr);
    EXPECT_EQ(stored("Client", c, "ClientDescription"), "John Q. Smith - 2nd Quarter.");
    EXPECT_EQ(stored("Nettora", s, "Date"), "06/30/2026");
    EXPECT_EQ(stored("Nettora", s, "Description"), "2nd Quarter");

    // A date stored before in another form is kept while it is not changed.
    dm1->db().exec(QStringLiteral("UPDATE Nettora SET Date = '1/5/09' WHERE Id = %1").arg(s));
    click(w->reportingDateLink);
    ASSERT_EQ(w->lineEdit("Date")->text(), "1/5/09");
    fill(w, {{"Description", "Annual"}});
    click(w->okButton(w->tsClientReporting));
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
    EXPECT_EQ(stored("Nettora", s, "Date"), "1/5/09");
    EXPECT_EQ(stored("Nettora", s, "Description"), "Annual");
}

TEST_F(ClientAdd, CancelDropsThePendingEdit)
{
    const qint64 c = seedClient(completePerson());
    const qint64 s = addStatement(c, "12/31/2025", "Annual");
    TfrmClientAdd *w = openEdit(c, s);
    type(w->editor("FirstName"), "Changed");
    click(w->cancelButton(w->tsClientPersonal));
    EXPECT_EQ(w->currentPage(), nullptr);
    EXPECT_EQ(dm1->tblClient->state(), RecordState::Browse);

    click(w->reportingDateLink);
    type(w->editor("Description"), "Changed");
    click(w->cancelButton(w->tsClientReporting));
    EXPECT_EQ(w->currentPage(), nullptr);
    EXPECT_EQ(dm1->tblNettora->state(), RecordState::Browse);

    // Leaving through the menu saves nothing that was cancelled.
    click(w->mExit);
    EXPECT_TRUE(m_dialogs->shown().empty());
    EXPECT_EQ(stored("Client", c, "FirstName"), "John");
    EXPECT_EQ(stored("Nettora", s, "Description"), "Annual");

    TfrmClientAdd *adding = openAdd();
    fill(adding, completePerson("New", "", "Person"));
    click(adding->cancelButton(adding->tsClientPersonal));
    click(adding->mExit);
    EXPECT_EQ(countRows("Client"), 1);
}

TEST_F(ClientAdd, SectionLinksNeedTheReportingDateAndSaveFirst)
{
    const qint64 c = seedClient(completePerson());
    const qint64 s = addStatement(c, "", "");
    TfrmClientAdd *w = openEdit(c, s);
    for (HoverLabel *l : {w->assetsLink, w->liabilitiesLink, w->incomeLink, w->expendituresLink, w->legalLink,
        w->notesLink}) {
        m_dialogs->clear();
        click(l);
        EXPECT_EQ(m_dialogs->texts(),
                  QStringList{"\"Personal Information - Reporting Date\" must be entered before continuing."})
            << l->objectName().toStdString();
        EXPECT_TRUE(w->isVisible());
    }

    // A page that does not pass its checks keeps the window.
    m_dialogs->clear();
    dm1->db().exec(QStringLiteral("UPDATE Nettora SET Date = '12/31/2025' WHERE Id = %1").arg(s));
    type(w->editor("Dependents"), "");
    m_dialogs->answerSaveQuestions({SaveChoice::Save});
    click(w->assetsLink);
    EXPECT_EQ(m_dialogs->texts(), (QStringList{"Save the changes to Personal Information?",
                                               "Please enter the number of \"Dependants\"."}));
    EXPECT_TRUE(w->isVisible());

    // With the window not built, the page is saved and this window stays.
    withdraw("TfrmAssets");
    m_dialogs->clear();
    type(w->editor("Dependents"), "4");
    m_dialogs->answerSaveQuestions({SaveChoice::Save});
    click(w->assetsLink);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Save the changes to Personal Information?"});
    EXPECT_EQ(stored("Client", c, "Dependents"), "4");
    EXPECT_TRUE(w->isVisible());

    standInFor("TfrmIncomeAndExpense");
    QPointer<TfrmClientAdd> guard(w);
    click(w->expendituresLink);
    withdraw("TfrmIncomeAndExpense");
    EXPECT_EQ(appState().incomeExpensePage, IncomeExpensePage::Expenses);
    QApplication::processEvents();
    EXPECT_TRUE(guard.isNull() || !guard->isVisible());
}

TEST_F(ClientAdd, SectionLinksWorkRightAfterANewClientIsSaved)
{
    TfrmClientAdd *w = openAdd();
    fill(w, completePerson());
    click(w->okButton(w->tsClientPersonal));
    ASSERT_EQ(appState().clientMode, ClientMode::Edit);
    standInFor("TfrmAssets");
    QPointer<TfrmClientAdd> guard(w);
    click(w->assetsLink);
    withdraw("TfrmAssets");
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
    QApplication::processEvents();
    EXPECT_TRUE(guard.isNull() || !guard->isVisible());
}

TEST_F(ClientAdd, UpdateChecksWithoutSavingWhileCheckSavesFirst)
{
    TfrmClientAdd *w = openAdd();
    click(w->mCheckUpdate2);
    EXPECT_TRUE(m_dialogs->shown().empty());
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened[0].contains("/sc/check_update.php?version=")) << opened[0].toStdString();
    EXPECT_EQ(w->currentPage(), w->tsClientPersonal);

    click(w->mCheckUpdate1);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Please enter the number of \"Dependants\"."});
    EXPECT_EQ(opened.size(), 1);

    // Every other entry refuses the same way and the window stays.
    for (HoverLabel *l : {w->mOptions, w->mSecurity, w->mBackup, w->mRestore, w->mExit, w->mHelp, w->mAffiliate}) {
        m_dialogs->clear();
        click(l);
        EXPECT_EQ(m_dialogs->texts(), QStringList{"Please enter the number of \"Dependants\"."})
            << l->objectName().toStdString();
    }
    EXPECT_EQ(opened.size(), 1);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(countRows("Client"), 0);

    // Filled in, CHECK saves the client and then checks.
    m_dialogs->clear();
    fill(w, completePerson());
    click(w->mCheckUpdate1);
    EXPECT_TRUE(m_dialogs->shown().empty());
    EXPECT_EQ(opened.size(), 2);
    EXPECT_EQ(countRows("Client"), 1);
    EXPECT_EQ(countRows("Nettora"), 1);
    EXPECT_TRUE(w->isVisible());
}

TEST_F(ClientAdd, PagesLinksAndLists)
{
    Fields person = completePerson();
    for (const auto &f : Fields{{"SFirstName", "Jane"}, {"SLastName", "Smith"}, {"Employer", "Acme"},
                                {"FullName2", "John Q. Smith"}, {"ClientDescription", "John Q. Smith - Annual."}})
        person.push_back(f);
    const qint64 c = seedClient(person);
    TfrmClientAdd *w = openEdit(c, addStatement(c, "12/31/2025", "Annual"));
    EXPECT_EQ(w->size(), QSize(752, 519));
    EXPECT_EQ(w->windowTitle(), "Nettora");  // no preparer's name yet

    QStringList captions;
    for (HoverLabel *l : w->sideLinks())
        captions << l->text();
    EXPECT_EQ(captions, (QStringList{"   Personal Information", "     - Date / Description", "     - Employment",
                                     "     - Contacts", "   Spouse's Information", "     - Employment",
                                     "     - Contacts", "   Assets", "   Liabilities", "   Income",
                                     "   Expenditures", "   Legal", "   Notes"}));

    QComboBox *state = w->comboBox("State");
    ASSERT_NE(state, nullptr);
    EXPECT_TRUE(state->isEditable());
    QStringList items;
    for (int i = 0; i < state->count(); ++i)
        items << state->itemText(i);
    EXPECT_EQ(items, QString(" AK AL AR AZ CA CO CT DC DE FL GA HI IA ID IL IN KS KY LA MA MD ME MI MN MO MS MT NC ND NE "
                             "NH NJ NM NV NY OH OK OR PA PR RI SC SD TN TX UT VA VI VT WA WI WV WY")
                         .split(' '));
    for (const char *f : {"DriversLicense_State", "SState", "SDriversLicense_State", "EState", "SEState"})
        EXPECT_EQ(w->comboBox(f)->count(), 54) << f;
    QComboBox *marital = w->comboBox("MaritalStatus");
    EXPECT_TRUE(marital->isEditable());
    EXPECT_EQ(marital->itemText(3), "Seperated");
    EXPECT_EQ(marital->count(), 5);
    type(w->editor("MiddleInitial"), QStringLiteral("qz"));
    EXPECT_EQ(w->lineEdit("MiddleInitial")->text(), "Q");  // one character, upper case

    const struct {
        HoverLabel *link;
        QWidget *page;
        const char *name, *shot;
    } pages[] = {
        {w->personalLink, w->tsClientPersonal, "John Q. Smith", "clientadd_personal"},
        {w->reportingDateLink, w->tsClientReporting, "John Q. Smith", "clientadd_reporting"},
        {w->employmentLink, w->tsPersonalEmployment, "John Q. Smith - Annual.", "clientadd_employment"},
        {w->contactsLink, w->tsPersonalContacts, "John Q. Smith - Annual.", "clientadd_contacts"},
        {w->spouseLink, w->tsSpouseInfo, "John Q. Smith - Annual.", "clientadd_spouse"},
        {w->spouseEmploymentLink, w->tsSpouseEmployment, "John Q. Smith - Annual.", "clientadd_spouse_employment"},
        {w->spouseContactsLink, w->tsSpouseContacts, "John Q. Smith - Annual.", "clientadd_spouse_contacts"},
    };
    for (const auto &p : pages) {
        m_dialogs->clear();
        if (p.page == w->tsSpouseInfo) {  // its checks must pass to leave it later
            click(p.link);
            // Upper case; one character, as the field holds one.
            fill(w, {{"SMaritalStatus", "Married"}, {"SDependents", "2"}, {"SMiddleInitial", "ab"}});
            EXPECT_EQ(w->lineEdit("SMiddleInitial")->text(), "A");
            click(w->okButton(p.page));
            click(p.link);
        } else {
            click(p.link);
        }
        EXPECT_TRUE(m_dialogs->shown().empty()) << p.shot << m_dialogs->texts().join("|").toStdString();
        ASSERT_EQ(w->currentPage(), p.page) << p.shot;
        EXPECT_EQ(w->headingName(p.page)->text(), p.name) << p.shot;
        // The link of the open page stays highlighted through a hover reset.
        moveOver(w->imMain);
        EXPECT_TRUE(p.link->opaque()) << p.shot;
        EXPECT_EQ(p.link->textColor(), QColor(Qt::white));
        EXPECT_FALSE(w->notesLink->opaque());
        saveScreenshot(w, p.shot);
    }
}

// Every box takes no more than its field holds, counted in characters (an
// emoji is one); an over-long paste changes nothing, so nothing is ever cut
// on its way to the table. Drop-downs keep the letter case typed.
TEST_F(ClientAdd, BoxesStopAtTheirFieldWidthAndListsKeepTheTypedCase)
{
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
    const struct {
        const char *field;
        int width;
    } widths[] = {
        {"FirstName", 30}, {"MiddleInitial", 1},  {"LastName", 30}, {"State", 2},        {"Zip", 10},
        {"SSN", 11},       {"MaritalStatus", 20}, {"Dependents", 5}, {"Email", 100},     {"SFirstName", 30},
        {"SMiddleInitial", 1}, {"SState", 2},     {"Employer", 70}, {"YearsEmployed", 5}, {"EState", 2},
        {"Accountant", 70}, {"AdvisorPhone", 25}, {"Date", 12},     {"Description", 30},
    };
    const qint64 c = seedClient(completePerson());
    TfrmClientAdd *w = openEdit(c, addStatement(c, "12/31/2025", "Annual"));
    for (const auto &f : widths) {
        SCOPED_TRACE(f.field);
        QWidget *editor = w->editor(QString::fromLatin1(f.field));
        ASSERT_NE(editor, nullptr);
        QLineEdit *box = qobject_cast<QLineEdit *>(editor);
        if (!box)
            box = qobject_cast<QComboBox *>(editor)->lineEdit();
        type(box, QString(QLatin1Char('X')).repeated(f.width + 2));
        EXPECT_EQ(box->text(), QString(QLatin1Char('X')).repeated(f.width));
        box->clear();
        for (int i = 0; i < f.width + 2; ++i)
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, smile, Qt::NoModifier);
        EXPECT_EQ(box->text(), smile.repeated(f.width));
        type(box, QStringLiteral("A"));
        box->insert(QString(QLatin1Char('Y')).repeated(f.width));  // what a paste does
        EXPECT_EQ(box->text(), "A");
    }

    const struct {
        const char *field, *keys, *text;
    } lists[] = {{"MaritalStatus", "married", "married"}, {"MaritalStatus", "Wid", "Wid"}, {"State", "T", "T"},
                 {"State", "tx", "tx"}};
    for (const auto &l : lists) {
        QComboBox *box = w->comboBox(QString::fromLatin1(l.field));
        type(box, QString::fromLatin1(l.keys));
        w->lineEdit("City")->setFocus();  // leaving the box settles its text
        EXPECT_EQ(box->currentText(), QString::fromLatin1(l.text)) << l.keys;
    }

    // A full name is saved whole.
    const QString e = QString::fromUtf8("\xC3\xA9");
    fill(w, completePerson());
    w->lineEdit("FirstName")->clear();
    for (int i = 0; i < 31; ++i)
        QTest::sendKeyEvent(QTest::Click, w->lineEdit("FirstName"), Qt::Key_unknown, e, Qt::NoModifier);
    click(w->okButton(w->tsClientPersonal));
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
    EXPECT_EQ(stored("Client", c, "FirstName"), e.repeated(30));

    // Upper case never pushes the initial past its one character.
    click(w->personalLink);
    type(w->editor("MiddleInitial"), QString::fromUtf8("\xC3\x9F"));
    EXPECT_EQ(w->lineEdit("MiddleInitial")->text(), QString::fromUtf8("\xC3\x9F"));
}

// A changed page is never dropped unasked: every way out of the window or
// the page asks, and does what was answered.
TEST_F(ClientAdd, LeavingAChangedPageAsksAndDoesWhatWasAnswered)
{
    Fields married = completePerson();
    married.insert(married.end(), {{"SFirstName", "Jane"}, {"SLastName", "Smith"}, {"SMaritalStatus", "Married"},
                                   {"SDependents", "2"}, {"SCity", "Austin"}});
    const qint64 c = seedClient(married);
    const qint64 s = addStatement(c, "12/31/2025", "Annual");
    const struct {
        const char *name;
        std::function<void(TfrmClientAdd *)> take;
        bool leavesWindow;
    } ways[] = {
        {"close button", [](TfrmClientAdd *w) { w->close(); }, true},
        {"HOME", [](TfrmClientAdd *w) { click(w->mExit); }, true},
        {"side link", [](TfrmClientAdd *w) { click(w->contactsLink); }, false},
    };
    for (const auto &way : ways) {
        for (const SaveChoice choice : {SaveChoice::Save, SaveChoice::Discard, SaveChoice::Cancel}) {
            SCOPED_TRACE(std::string(way.name) + " " + std::to_string(int(choice)));
            dm1->db().exec(QStringLiteral("UPDATE Client SET SCity = 'Austin' WHERE Id = %1").arg(c));
            QPointer<TfrmClientAdd> w = openEdit(c, s);
            w->show();
            click(w->spouseLink);
            ASSERT_EQ(w->currentPage(), w->tsSpouseInfo);
            type(w->editor("SCity"), "Houston");
            m_dialogs->clear();
            m_dialogs->answerSaveQuestions({choice});
            way.take(w);
            QApplication::processEvents();
            ASSERT_FALSE(m_dialogs->shown().empty());
            EXPECT_EQ(m_dialogs->shown()[0].text, "Save the changes to Spouse's Personal Information?");
            EXPECT_EQ(stored("Client", c, "SCity"), choice == SaveChoice::Save ? "Houston" : "Austin");
            const bool stays = choice == SaveChoice::Cancel || !way.leavesWindow;
            ASSERT_EQ(!w.isNull() && w->isVisible(), stays);
            if (choice == SaveChoice::Cancel) {
                EXPECT_EQ(w->currentPage(), w->tsSpouseInfo);
                EXPECT_EQ(w->lineEdit("SCity")->text(), "Houston");
            } else if (!way.leavesWindow) {
                EXPECT_EQ(w->currentPage(), w->tsPersonalContacts);
            }
            m_dialogs->clear();
            if (!w.isNull()) {
                if (choice == SaveChoice::Cancel)
                    m_dialogs->answerSaveQuestions({SaveChoice::Discard});
                w->close();
                QApplication::processEvents();
            }
            delete w.data();
        }
    }
}
