#pragma once
// Shared pieces of the window tests: every window registered, the home
// window as a login leaves it, the workspace opened as the client window
// opens it, and every window closed again after the test.

#include "support/testsupport.h"

#include "app/fsmain.h"
#include "app/home.h"
#include "app/windows.h"
#include "data/db_functions.h"
#include "kit/app_state.h"
#include "kit/shell_open.h"

#include <QApplication>
#include <QRadioButton>
#include <QStringList>

#include <array>

namespace nettora::test {

// The six documents of the workspace's print, e-mail and PDF pages, in
// their order: each with its caption and shown, the first alone chosen.
inline void expectDocumentChoices(const std::array<QRadioButton *, 6> &buttons)
{
    static const char *const captions[] = {"Standard",         "Contemporary",         "Professional",
                                           "Standard - Blank", "Contemporary - Blank", "Professional - Blank"};
    for (size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(buttons[i]->text(), captions[i]);
        EXPECT_TRUE(buttons[i]->isVisible()) << captions[i];
        EXPECT_EQ(buttons[i]->isChecked(), i == 0) << captions[i];
    }
}

class WindowTest : public DataDirTest {
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        registerAllWindows();
    }
    void TearDown() override
    {
        if (m_catchingShell)
            setShellHandler({});
        closeScreenWindows(home);
        delete home;
        home = nullptr;
        DataDirTest::TearDown();
    }

    // The home window after a login, not shown yet.
    TfrmMain *makeHome()
    {
        appState().login = LoginState::Done;
        home = new TfrmMain;
        return home;
    }

    // Whatever the program hands to the system to open lands in opened,
    // answered with shellAnswer, until the test ends.
    void catchShellOpens()
    {
        m_catchingShell = true;
        setShellHandler([this](const QString &target) {
            opened << target;
            return shellAnswer;
        });
    }

    // The workspace for client as the client window opens it in mode.
    static TfrmFSMain *openWorkspace(qint64 client, const QString &mode)
    {
        ClearAllFilters();
        appState().clientMode = clientModeNamed(mode);
        FilterStatementTables(QString::number(client), QString());
        auto *fs = new TfrmFSMain;
        fs->show();
        fs->openForMode();
        QApplication::processEvents();
        return fs;
    }
    // The same, with OK pressed on the statement the select page offers:
    // the print, e-mail and PDF pages.
    static TfrmFSMain *openWorkspacePage(qint64 client, const QString &mode)
    {
        TfrmFSMain *fs = openWorkspace(client, mode);
        click(fs->bOK);
        return fs;
    }

    TfrmMain *home = nullptr;
    QStringList opened;
    bool shellAnswer = true;

private:
    bool m_catchingShell = false;
};

}  // namespace nettora::test
