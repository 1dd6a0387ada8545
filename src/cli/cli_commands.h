#pragma once
// nettora-cli: the commands of the command-line companion, on the data module
// dm1 (which the caller has connected), so that tests can call them
// directly. runCli is the whole program minus the application object.
//
// The exchange document (see README, "nettora-cli"):
//   {"format": "nettora", "version": 1,
//    "clients": [{"fields": {...},
//                 "statements": [{"fields": {...},
//                                 "schedules": {"Cash": [{...}], ...}}]}]}

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include "data/error.h"
#include "data/secret.h"

#include <stdexcept>
#include <vector>

class QIODevice;

namespace nettora::mail {
struct EmailSettings;
}

namespace nettora::cli {

// A refusal with a one-line message for the user; for a malformed document
// the message starts with the place in it, e.g.
// "clients[0].statements[1].schedules.Cash[2].Balance: a number is expected".
class CliError : public Error {
public:
    explicit CliError(const QString &text) : Error(text) {}
};

struct ImportedClient {
    qint64 clientId = 0;
    std::vector<qint64> statementIds;  // in document order
};

// Checks the whole document, then adds its clients, statements and schedule
// rows in one transaction, composes the derived client fields and runs every
// recalculation of each new statement. Nothing is written when it throws.
std::vector<ImportedClient> importDocument(const QByteArray &json);

// The document for every client (clients by Id, statements by Id, schedule
// rows in the order they were entered), or for one; empty fields are left out.
QByteArray exportDocument(std::optional<qint64> clientId = std::nullopt);

// One line per statement in the client list order, fields separated by tabs:
// statement id, client FullName, Date, Description, NetWorth. A client
// without statements gives one line with an empty id. A non-empty search
// keeps the clients whose last name starts with it (any letter case).
QStringList listStatements(const QString &search = QString());

// "Key: value" lines about the open data: its directory, the data file's
// version and size in bytes, and how many clients and statements it holds.
QStringList dataInformation();

// Runs every recalculation of one statement.
void recalcStatement(qint64 statementId);

// The user table's row as "FIELD<TAB>VALUE" lines in field order, values
// escaped as every printed text; the two passwords show only "set" or
// nothing.
QStringList userOptions();

struct UserAssignment {
    QString field;  // as the table spells it
    QString value;
};
// FIELD=VALUE arguments checked without the data: a known field that may be
// set (not the login, not a composed letterhead line), "Y" or "N" for the
// print options, one e-mail address (or nothing) for EmailAddress, each
// field once. Throws CliError for the first refused one.
std::vector<UserAssignment> parseUserAssignments(const QStringList &arguments);

// Sets the fields in the user row in one transaction and composes the
// letterhead lines again when a preparer field changed. Nothing is written
// when it throws (a text wider than its field, for one).
void setUserOptions(const std::vector<UserAssignment> &assignments);

// The required mail settings that are empty, by field name.
QStringList missingEmailSettings(const mail::EmailSettings &settings);

// Sends a statement in a style (standard, contemporary, professional), or
// the style's blank form set when statementId is empty, to one address with
// the saved mail settings, as the e-mail page does; each status line goes
// to status as it happens, and each field with characters no installed font
// can draw to warning. True when the mail went out. Throws CliError, before
// anything is sent, for incomplete settings, an empty address, text that is
// not one address (see mail/mail_address.h) or an unknown statement.
bool mailStatement(std::optional<qint64> statementId, const QString &style, const QString &to,
                   const std::function<void(const QString &line)> &status,
                   const std::function<void(const QString &text)> &warning = nullptr);
// Backs the data file up into the folder, or restores it from the folder's
// backup (see data/data_backup.h); the line for the user on success, a
// CliError with what went wrong otherwise. A backup already in the folder is
// replaced only when asked.
QString backupToFolder(const QString &folder, bool replace);
// password is the one given to nettora-cli: a backup under a password of its
// own is restored when it is that one.
QString restoreFromFolder(const QString &folder, const SecretBytes &password);

// The review of one statement (see calc/review.h) on the day today: one
// line per finding, "SEVERITY<TAB>SENTENCE<TAB>WHERE", then one per ratio,
// "NAME<TAB>VALUE<TAB>FORMULA"; or one JSON object with the ratios
// unrounded and null where not defined. Throws CliError for an unknown
// statement.
struct ReviewOutput {
    QByteArray text;
    bool hasFix = false;
};
ReviewOutput reviewReport(qint64 statementId, const QDate &today, bool json);

// The program: arguments without the program name. Returns the exit status.
int runCli(const QStringList &arguments, QIODevice &in, QIODevice &out, QIODevice &err);

}  // namespace nettora::cli
