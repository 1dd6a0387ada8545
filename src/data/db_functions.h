#pragma once
// Shared data routines: narrowing every table to the current client and
// statement, the current keys, deleting a statement or a client with every
// row that hangs on it, rolling a statement forward, closing and reopening
// the database around a backup or restore.
//
// The multi-row routines (deletions, roll-forward) are all-or-nothing: they
// run in one transaction, and a failure midway leaves the data as before and
// reaches the caller as an EngineError.

#include <QString>
#include <functional>

namespace nettora {

class Table;

void SetBrowseIndexes();
void FilterStatementTables(const QString &clientId, const QString &statementId);
void ClearAllFilters();
QString CurrentClientId();
QString CurrentStatementId();
QString PreparerDisplayName();
// A window's title: "Nettora", then " - " and the preparer's display name
// when there is one.
QString WindowCaption();
void DeleteFilteredRows();
// The question the user answers before a client is deleted.
QString ClientDeletionQuestion();
// Deletes the current client with every statement and schedule row carrying
// its id (the caller has asked ClientDeletionQuestion). False when no client
// is current. Every filter is off afterwards.
bool DeleteClientWithStatements();
// Rolls the current statement forward: a copy under the new date and
// description with every schedule row, in one transaction. Returns the new
// statement's id; the statement cursor is left narrowed to the client.
qint64 CopyStatement(const QString &date, const QString &description);
// Both give "Error:  Directory is Invalid" in *error when they fail; after a
// failed reopen the caller ends the program.
bool CloseDatabase(QString *error = nullptr);
bool ReopenDatabase(QString *error = nullptr);
QString ProgramVersion();

// An income or expenditure row's monthly amount, from its annual amount as
// stored: a twelfth of it to the field's four decimals, or empty with it.
// Every writer of those rows (the window, the import) derives it here.
void DeriveMonthlyAmount(Table *row);

// Deletes one statement and every schedule row of it (the workspace's
// deletion): FilterStatementTables, then DeleteFilteredRows, in one
// transaction.
void DeleteStatement(const QString &clientId, const QString &statementId);

}  // namespace nettora
