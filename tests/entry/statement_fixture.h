#pragma once
// Where the entry windows' tests start: client "Ann Able" with its
// statement, rows added through the hooks, the tables narrowed to the
// statement; every screen window is closed afterwards.
#include "support/testsupport.h"

#include "app/windows.h"
#include "data/db_functions.h"
#include "kit/app_state.h"

namespace nettora::test {

class StatementTest : public DataDirTest {
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        registerAllWindows();
        client = addClient("Ann", "Able");
        addStatements();
        seedRows();
        narrow();
        statementMadeCurrent();
    }
    void TearDown() override
    {
        closeScreenWindows();
        DataDirTest::TearDown();
    }
    // The statement, and `other` where a fixture wants a second one, in the
    // order the fixture needs their ids.
    virtual void addStatements() { statement = addStatement(client); }
    // Adds rows through the cursors while no filter is on yet.
    virtual void seedRows() {}
    // Runs with the statement current.
    virtual void statementMadeCurrent() {}
    void narrow() { FilterStatementTables(QString::number(client), QString::number(statement)); }

    qint64 client = 0, statement = 0, other = 0;
};

}  // namespace nettora::test
