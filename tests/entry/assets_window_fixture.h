#pragma once
// The assets window opened on a new client's statement, as the workspace
// hands it over: client "Ann Able" with one statement made current and the
// window shown. Fixtures add their own rows through the hooks.
#include "entry/assets.h"
#include "entry/statement_fixture.h"

#include <QApplication>

namespace nettora::test {

class AssetsWindowTest : public StatementTest {
protected:
    void SetUp() override
    {
        StatementTest::SetUp();
        window = new TfrmAssets;
        window->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        delete window;
        window = nullptr;
        StatementTest::TearDown();
    }

    TfrmAssets *window = nullptr;
};

}  // namespace nettora::test
