// The composed client fields, as the client window's page saves write them.
#include "clients/client_fields.h"
#include "data/schema.h"
#include "support/testsupport.h"

#include <functional>

using namespace nettora;

namespace {

using Page = std::function<DerivedFields(const FieldReader &)>;

const Page personal = [](const FieldReader &r) { return personalPageFields(r); };
const Page personalEdit = [](const FieldReader &r) { return personalPageFields(r, QStringLiteral("Annual")); };
const Page spouse = spousePageFields;
const Page employment = employmentPageFields;
const Page spouseEmployment = spouseEmploymentPageFields;

QString valueOf(const DerivedFields &fields, const QString &name)
{
    for (const auto &f : fields)
        if (f.field == name)
            return f.value;
    ADD_FAILURE() << "not written: " << name.toStdString();
    return QStringLiteral("<absent>");
}

QStringList namesOf(const DerivedFields &fields)
{
    QStringList out;
    for (const auto &f : fields)
        out << f.field;
    return out;
}

struct Case {
    const char *what;
    QHash<QString, QString> row;
    const Page *page;
    const char *field;
    QString expected;
};

}  // namespace

TEST(ClientFields, ComposedAsTheSavesWriteThem)
{
    const QHash<QString, QString> john = {{"FirstName", "John"}, {"MiddleInitial", "Q"}, {"LastName", "Smith"}};
    const QHash<QString, QString> jane = {{"SFirstName", "Jane"}, {"SMiddleInitial", "Q"}, {"SLastName", "Smith"}};
    const Case cases[] = {
        {"full name", john, &personal, "FullName", "Smith Q. John"},
        {"full name 2", john, &personal, "FullName2", "John Q. Smith"},
        {"full name without initial", {{"FirstName", "John"}, {"LastName", "Smith"}}, &personal, "FullName", "Smith John"},
        {"full name 2 without initial", {{"FirstName", "John"}, {"LastName", "Smith"}}, &personal, "FullName2", "John Smith"},
        {"names read in any letter case", {{"firstname", "John"}, {"MIDDLEINITIAL", "Q"}, {"lastName", "Smith"}},
         &personal, "FullName", "Smith Q. John"},
        {"spouse full name has its own form", jane, &spouse, "SFullName", "Smith, Jane. Q"},
        {"spouse full name without initial", {{"SFirstName", "Jane"}, {"SLastName", "Smith"}}, &spouse, "SFullName",
         "Smith, Jane"},
        {"spouse full name 2", jane, &spouse, "SFullName2", "Jane Q. Smith"},
        {"city, state and zip", {{"City", "Dallas"}, {"State", "TX"}, {"Zip", "75001"}}, &personal, "CityStateZip",
         "Dallas, TX  75001"},
        {"no city", {{"State", "TX"}, {"Zip", "75001"}}, &personal, "CityStateZip", "TX  75001"},
        {"nothing of the address", {}, &personal, "CityStateZip", "  "},
        {"spouse address", {{"SCity", "Austin"}, {"SState", "TX"}, {"SZip", "73301"}}, &spouse, "SCityStateZip",
         "Austin, TX  73301"},
        {"licence and birthdate",
         {{"DriversLicense", "D123"}, {"DriversLicense_State", "TX"}, {"Birthday", "01/01/1965"}}, &personal,
         "dlbdate", "D123 - TX - 01/01/1965"},
        {"no licence: one blank", {{"DriversLicense_State", "TX"}, {"Birthday", "01/01/1965"}}, &personal, "dlbdate",
         " "},
        {"spouse licence", {{"SDriversLicense", "S9"}, {"SDriversLicense_State", "OK"}, {"SBirthday", "2/3/70"}},
         &spouse, "Sdlbdate", "S9 - OK - 2/3/70"},
        {"licence and state", {{"DriversLicense", "D123"}, {"DriversLicense_State", "TX"}}, &personal,
         "DriversLicenseandState", "D123 - TX"},
        {"licence without state", {{"DriversLicense", "D123"}}, &personal, "DriversLicenseandState", "D123"},
        {"spouse licence without state", {{"SDriversLicense", "S9"}}, &spouse, "SDriversLicenseandState", "S9"},
        {"one dependant", {{"MaritalStatus", "Married"}, {"Dependents", "1"}}, &personal, "MarriedDependants",
         "Married with 1 dependant."},
        {"no dependants", {{"MaritalStatus", "Single"}, {"Dependents", "0"}}, &personal, "MarriedDependants",
         "Single with 0 dependants."},
        {"three dependants", {{"MaritalStatus", "Married"}, {"Dependents", "3"}}, &personal, "MarriedDependants",
         "Married with 3 dependants."},
        {"\"01\" is not exactly 1", {{"MaritalStatus", "Married"}, {"Dependents", "01"}}, &personal,
         "MarriedDependants", "Married with 01 dependants."},
        {"spouse dependants", {{"SMaritalStatus", "Married"}, {"SDependents", "1"}}, &spouse, "SMarriedDependants",
         "Married with 1 dependant."},
        {"client description in edit mode", john, &personalEdit, "ClientDescription", "John Q. Smith - Annual."},
        {"employer address", {{"ECity", "Plano"}, {"EState", "TX"}, {"EZip", "75024"}}, &employment, "ECityStateZip",
         "Plano, TX  75024"},
        {"employer address without city", {{"EState", "TX"}}, &employment, "ECityStateZip", "TX  "},
        {"spouse employer address", {{"SECity", "Waco"}, {"SEState", "TX"}, {"SEZip", "76701"}}, &spouseEmployment,
         "SECityStateZip", "Waco, TX  76701"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(valueOf((*c.page)(fieldReader(c.row)), QString::fromLatin1(c.field)), c.expected);
    }
}

TEST(ClientFields, YearsEmployedNeverKeepsThePreviousSentence)
{
    // Whatever was written before, each value writes its own sentence.
    const QString before = QStringLiteral("Employed for 5 years.");
    struct YearsCase {
        QString years;
        QString expected;
    };
    const YearsCase cases[] = {
        {"0", " "},
        {"", " "},
        {"   ", " "},
        {"1", "Employed for 1 year."},
        {"2", "Employed for 2 years."},
        {"12", "Employed for 12 years."},
        {"10", "Employed for 10 years."},
        {"05", "Employed for 05 years."},  // a number, though as text it sorts before "1"
        {"0.5", "Employed for 0.5 years."},
        {"01", "Employed for 01 year."},
        {"1.0", "Employed for 1.0 year."},
        {"00", " "},
        {"-3", " "},
        {" 7", "Employed for 7 years."},
        {"abc", "Employed for abc years."},
        {"+", "Employed for + years."},
        {"5 1/2", "Employed for 5 1/2 years."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.years.toStdString());
        EXPECT_EQ(composeYearsEmployed(c.years), c.expected);
        const QHash<QString, QString> row = {{"YearsEmployed", c.years}, {"YearsEmployed2", before}};
        EXPECT_EQ(valueOf(employmentPageFields(fieldReader(row)), QStringLiteral("YearsEmployed2")), c.expected);
        const QHash<QString, QString> srow = {{"SYearsEmployed", c.years}, {"SYearsEmployed2", before}};
        EXPECT_EQ(valueOf(spouseEmploymentPageFields(fieldReader(srow)), QStringLiteral("SYearsEmployed2")), c.expected);
    }
}

TEST(ClientFields, EachPageWritesItsOwnFieldsOnly)
{
    const auto row = fieldReader({});
    const struct {
        const Page *page;
        QStringList names;
    } pages[] = {
        {&personal, {"CityStateZip", "dlbdate", "DriversLicenseandState", "FullName", "FullName2", "MarriedDependants"}},
        {&personalEdit,
         {"CityStateZip", "dlbdate", "DriversLicenseandState", "FullName", "FullName2", "MarriedDependants",
          "ClientDescription"}},
        {&spouse,
         {"SCityStateZip", "Sdlbdate", "SDriversLicenseandState", "SFullName", "SFullName2", "SMarriedDependants"}},
        {&employment, {"ECityStateZip", "YearsEmployed2"}},
        {&spouseEmployment, {"SECityStateZip", "SYearsEmployed2"}},
    };
    const TableDef *client = findTable(QStringLiteral("Client"));
    for (const auto &p : pages) {
        const QStringList names = namesOf((*p.page)(row));
        EXPECT_EQ(names, p.names);
        for (const QString &n : names) {
            // Written with the schema's spelling, so reports find them as named.
            const int pos = client->fieldIndex(n);
            ASSERT_GE(pos, 0) << n.toStdString();
            EXPECT_EQ(client->fields[size_t(pos)].name, n);
        }
    }
}

class ClientFieldsOnCursor : public nettora::test::DataDirTest {};

TEST_F(ClientFieldsOnCursor, ReadsThePendingRow)
{
    Table *c = dm1->tblClient;
    c->append();
    c->setAsString("FirstName", "Ann");
    c->setAsString("LastName", "Lee");
    c->setAsString("YearsEmployed", "05");
    c->setAsString("YearsEmployed2", "Employed for 4 years.");
    const auto reader = fieldReader(*c);
    EXPECT_EQ(valueOf(personalPageFields(reader, QStringLiteral("Q2")), "ClientDescription"), "Ann Lee - Q2.");
    EXPECT_EQ(valueOf(employmentPageFields(reader), "YearsEmployed2"), "Employed for 05 years.");
    c->cancel();
}
