#pragma once
// The assets window opened on a new client's statement, as the workspace
// hands it over: client "Ann Able" with one statement made current and the
// window shown. Fixtures add their own rows through the hooks.
#include "support/testsupport.h"

#include "app/windows.h"
#include "data/db_functions.h"
#include "data/globals.h"
#include "entry/assets.h"

#include <QApplication>

namespace nettora::test {

class AssetsWindowTest : public DataDirTest {
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        registerAllWindows();
        client = addClient("Ann", "Able");
        statement = addStatement(client);
        seedRows();
        FilterStatementTables(QString::number(client), QString::number(statement));
        statementMadeCurrent();
        window = new TfrmAssets;
        window->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        delete window;
        window = nullptr;
        DataDirTest::TearDown();
    }
    // Adds rows through the cursors while no filter is on yet.
    virtual void seedRows() {}
    // Runs with the statement current, before the window opens.
    virtual void statementMadeCurrent() {}

    qint64 client = 0, statement = 0;
    TfrmAssets *window = nullptr;
};

}  // namespace nettora::test
