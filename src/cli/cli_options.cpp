#include "cli/cli_commands.h"

#include "cli/cli_text.h"
#include "data/datamodule.h"
#include "data/engine.h"
#include "data/preparer.h"
#include "data/schema.h"
#include "data/mail_address.h"

namespace nettora::cli {

namespace {

const TableDef &userDef()
{
    const TableDef *t = findTable(QStringLiteral("User"));
    if (!t)
        throw CliError(QStringLiteral("the user table is not known"));
    return *t;
}

bool isSecret(const QString &field)
{
    return field == QLatin1String("Password") || field == QLatin1String("SMTPPassword");
}

bool isYesNo(const QString &field)
{
    return field == QLatin1String("Compilation") || field == QLatin1String("Preparer") ||
           field == QLatin1String("PrintMonthlyIncome") || field == QLatin1String("PrintReview");
}

// The letterhead lines are composed from these; a change to any of them
// composes them again, as the options window does when its page is saved.
bool isPreparerSource(const QString &field)
{
    for (const ComposedPreparerField &c : composedPreparerFields())
        if (c.sources.contains(field))
            return true;
    return false;
}

// "FirstName, MiddleInitial and LastName" for FullName; empty for a field
// that is not composed.
QString derivedFrom(const QString &field)
{
    for (const ComposedPreparerField &c : composedPreparerFields()) {
        if (c.field != field)
            continue;
        if (c.sources.size() == 1)
            return c.sources.first();
        return c.sources.mid(0, c.sources.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
               c.sources.last();
    }
    return QString();
}

}  // namespace

QStringList userOptions()
{
    if (!dm1)
        throw CliError(QStringLiteral("no data directory is open"));
    Table *u = dm1->tblUser;
    u->cancel();
    u->first();
    const bool empty = u->isEmpty();
    QStringList lines;
    for (const FieldDef &f : userDef().fields) {
        const QString value = empty ? QString() : u->asString(f.name);
        // The login password lives in the key file's seal, not in the field.
        const bool set = !value.isEmpty()
                         || (f.name == QLatin1String("Password") && dm1->dataDirState() == DataDirState::Keyed);
        const QString shown = isSecret(f.name) ? (set ? QStringLiteral("set") : QString()) : value;
        // Tabs and line breaks are escaped too: one field, one line, and an
        // e-mail text keeps its lines readable in the escapes.
        lines << f.name + QLatin1Char('\t') + printable(shown);
    }
    return lines;
}

namespace {

QString unescapedLetter(const QString &value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar next = value[i + 1];
            if (next == QLatin1Char('n')) {
                out += QLatin1Char('\n');
                ++i;
                continue;
            }
            if (next == QLatin1Char('\\')) {
                out += QLatin1Char('\\');
                ++i;
                continue;
            }
        }
        out += value[i];
    }
    return out;
}

}  // namespace

std::vector<UserAssignment> parseUserAssignments(const QStringList &arguments)
{
    const TableDef &def = userDef();
    std::vector<UserAssignment> out;
    for (const QString &a : arguments) {
        const qsizetype eq = a.indexOf(QLatin1Char('='));
        if (eq <= 0)
            throw CliError(QStringLiteral("\"%1\" is not FIELD=VALUE").arg(shortened(a)));
        const QString name = a.left(eq);
        const QString value = a.mid(eq + 1);
        const int pos = def.fieldIndex(name);
        if (pos < 0)
            throw CliError(QStringLiteral("the user table has no field \"%1\"").arg(shortened(name)));
        UserAssignment u{def.fields[size_t(pos)].name, value};
        if (u.field == QLatin1String("Password") || u.field == QLatin1String("User"))
            throw CliError(QStringLiteral("%1 belongs to the login, which only the program's security window sets")
                               .arg(u.field));
        if (const QString sources = derivedFrom(u.field); !sources.isEmpty())
            throw CliError(QStringLiteral("%1 is composed from %2 and is not set by itself").arg(u.field, sources));
        if (isYesNo(u.field) && value != QLatin1String("Y") && value != QLatin1String("N"))
            throw CliError(QStringLiteral("%1 must be Y or N, not \"%2\"").arg(u.field, shortened(value)));
        // The sender of every mail: a second address smuggled in here would
        // go out with each statement. Blanks around it are no part of it.
        if (u.field == QLatin1String("EmailAddress")) {
            u.value = value.trimmed();
            if (!u.value.isEmpty() && !mail::IsOneEmailAddress(u.value))
                throw CliError(mail::NotOneEmailAddressText(shortened(u.value)));
        }
        for (const UserAssignment &earlier : out)
            if (earlier.field == u.field)
                throw CliError(QStringLiteral("%1 is given more than once").arg(u.field));
        // A letter has several lines: "\n" is a line break and "\\" a backslash.
        if (u.field == QLatin1String("CompilationText"))
            u.value = unescapedLetter(u.value);
        // The window's editors take these in capitals only.
        if (u.field == QLatin1String("MiddleInitial") || u.field == QLatin1String("State"))
            u.value = u.value.toUpper();
        out.push_back(u);
    }
    return out;
}

void setUserOptions(const std::vector<UserAssignment> &assignments)
{
    if (!dm1)
        throw CliError(QStringLiteral("no data directory is open"));
    if (assignments.empty())
        return;
    Table *u = dm1->tblUser;
    u->cancel();
    bool derive = false;
    Transaction tx(dm1->db());
    try {
        u->first();
        u->edit();  // an empty user table gets its row here
        for (const UserAssignment &a : assignments) {
            u->setAsString(a.field, a.value);
            derive = derive || isPreparerSource(a.field);
        }
        if (derive)
            DerivePreparerFields(u);
        u->post();
    } catch (...) {
        u->cancel();
        throw;
    }
    tx.commit();
}

}  // namespace nettora::cli
