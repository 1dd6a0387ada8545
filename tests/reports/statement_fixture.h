#pragma once
// A client with a statement filled in every schedule, imported through the
// command-line companion's import (so composed fields and totals are the
// program's own), then narrowed with FilterStatementTables as the windows do.

#include "reports/forms/forms.h"
#include "support/testsupport.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <memory>

namespace nettora::test {

struct StatementOptions {
    bool joint = true;
    bool schedules = true;  // false: no schedule rows at all
    int extraCashRows = 0;  // more deposit accounts, for long schedules
    const char *firstName = "John";
};

QJsonObject statementClient(const StatementOptions &options = {});

class StatementTest : public DataDirTest {
protected:
    // Imports the client and filters the tables to its statement.
    void load(const QJsonObject &client);
    void load(const StatementOptions &options = {}) { load(statementClient(options)); }
    // Replaces fields of the legal row of the statement.
    void setLegal(std::initializer_list<std::pair<const char *, QString>> fields);
    // Builds a form over the tables as they stand and prepares it; a text
    // cut to fit its control fails the test.
    static std::unique_ptr<reports::Report> preparedForm(reports::PageKind page, const reports::FormKind &kind);

    qint64 m_clientId = 0, m_statementId = 0;
};

}  // namespace nettora::test
