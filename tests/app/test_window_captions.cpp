// Window captions as the window system shows them: exactly the window's own
// caption, with nothing appended after the program's set-up.
#include "support/testsupport.h"

#include "app/application.h"
#include "kit/btn_functions.h"
#include "app/fsmain.h"
#include "app/home.h"
#include "app/windows.h"
#include "data/db_functions.h"
#include "kit/app_state.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWindow>

using namespace nettora;
using namespace nettora::test;

class Captions : public DataDirTest {
protected:
    void TearDown() override
    {
        closeScreenWindows();
        DataDirTest::TearDown();
    }
};

TEST_F(Captions, EveryWindowShowsExactlyItsOwnCaption)
{
    setUpApplication();
    EXPECT_EQ(QApplication::applicationName(), "Nettora");
    EXPECT_EQ(QApplication::applicationVersion(), "5.6.8.0");
    // A display name of its own would be appended to every caption; unset,
    // it follows the application name.
    QApplication::setApplicationName(QStringLiteral("Renamed"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "Renamed");
    QApplication::setApplicationName(QStringLiteral("Nettora"));

    registerAllWindows();
    setUser({{"Company", QStringLiteral("Lee & Co.")}});
    const qint64 c = addClient("Ann", "Able");
    const qint64 s = addStatement(c);
    appState().login = LoginState::Done;

    const struct {
        const char *window;
        std::function<QWidget *()> open;
        QString caption;
    } cases[] = {
        {"home", [] { return new TfrmMain; }, "Nettora - Version 5.6.8.0"},
        {"client", [] { return OpenClientWindow(ClientMode::Edit); }, "Nettora - Lee & Co."},
        {"workspace",
         [&] {
             FilterStatementTables(QString::number(c), QString());
             return new TfrmFSMain;
         },
         "Nettora - Lee & Co."},
        {"client information",
         [&] {
             FilterStatementTables(QString::number(c), QString::number(s));
             appState().clientMode = ClientMode::Edit;
             return OpenClientInformationWindow();
         },
         "Nettora - Lee & Co."},
        {"assets",
         [&] {
             FilterStatementTables(QString::number(c), QString::number(s));
             return OpenAssetsWindow();
         },
         "Nettora - Lee & Co."},
        {"security", [] { return OpenSecurityWindow(); }, "Nettora - Lee & Co."},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.window);
        QWidget *w = k.open();
        ASSERT_NE(w, nullptr);
        w->show();
        QApplication::processEvents();
        ASSERT_NE(w->windowHandle(), nullptr);
        EXPECT_EQ(w->windowHandle()->title(), k.caption);
        EXPECT_EQ(w->windowTitle(), k.caption);
        delete w;
    }

    QString about;
    QTimer::singleShot(0, [&] {
        if (auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            about = box->windowHandle() ? box->windowHandle()->title() : QStringLiteral("<no window>");
            box->reject();
        }
    });
    ShowAboutWindow();
    EXPECT_EQ(about, "About");
}
