// The hook that ends a timed run once its first window is on the screen: the
// real home window and its login check, on the offscreen platform.
#include "support/testsupport.h"

#include "app/application.h"
#include "app/home.h"
#include "app/windows.h"
#include "kit/app_state.h"
#include "data/password.h"
#include "settings/security.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QSet>
#include <QTimer>

using namespace nettora;
using namespace nettora::test;

namespace {

// Records which top-level windows received a paint event.
class PaintRecorder : public QObject {
public:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Paint && o->isWidgetType() && static_cast<QWidget *>(o)->isWindow())
            painted.insert(static_cast<QWidget *>(o));
        return false;
    }
    QSet<QObject *> painted;
};

struct RunResult {
    bool endedByHook = false;
    bool watcherGone = false;
    QList<QWidget *> visible;  // top-level windows on the screen when the loop ended
    QSet<QObject *> painted;
};

// Shows window, installs the hook and runs the application's event loop
// until the hook ends it, or a safety bound does.
RunResult runUntilShown(QWidget *window)
{
    PaintRecorder recorder;
    qApp->installEventFilter(&recorder);
    QPointer<QObject> watcher = quitWhenFirstWindowShown();
    window->show();
    bool timedOut = false;
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, [&timedOut] {
        timedOut = true;
        QCoreApplication::quit();
    });
    bound.start(10000);
    QApplication::exec();
    qApp->removeEventFilter(&recorder);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    RunResult r;
    r.endedByHook = !timedOut;
    r.watcherGone = watcher.isNull();
    delete watcher.data();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            r.visible << w;
    r.painted = recorder.painted;
    return r;
}

}  // namespace

class StartupHook : public DataDirTest {
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        registerAllWindows();
        m_savedLogin = appState().login;
    }
    void TearDown() override
    {
        delete home;
        closeScreenWindows();
        appState().login = m_savedLogin;
        DataDirTest::TearDown();
    }
    TfrmMain *home = nullptr;
    LoginState m_savedLogin = LoginState::None;
};

TEST_F(StartupHook, EndsTheRunOnceTheFirstWindowTheUserMeetsIsPainted)
{
    struct Case {
        const char *name;
        LoginState login;
        const char *password;     // stored in the user row; empty for none
        const char *firstWindow;  // class of the one window left on the screen
        const char *page;         // the security window's page, if any
    };
    const Case cases[] = {
        {"login page", LoginState::None, "secret", "nettora::TfrmSecurity", "tsLogin"},
        {"first password page", LoginState::None, "", "nettora::TfrmSecurity", "tsFirstLogin"},
        {"login already done", LoginState::Done, "secret", "nettora::TfrmMain", nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        appState().login = c.login;
        // No password yet is a new directory: nothing there but the lock.
        if (!*c.password) {
            m_dm.reset();
            QFile::remove(dataDir() + "/nettora.db");
            QFile::remove(dataDir() + "/nettora.key");
            m_dm = std::make_unique<Tdm1>();
            dm1 = m_dm.get();
            m_dm->ReserveDataDir(dataDir());
        } else if (c.login == LoginState::None) {
            m_dm->LockData();  // as a start finds it
        }

        home = new TfrmMain;
        const RunResult r = runUntilShown(home);
        EXPECT_TRUE(r.endedByHook);
        EXPECT_TRUE(r.watcherGone);
        ASSERT_EQ(r.visible.size(), 1);
        QWidget *shown = r.visible.first();
        EXPECT_STREQ(shown->metaObject()->className(), c.firstWindow);
        EXPECT_TRUE(r.painted.contains(shown));
        if (c.page) {
            auto *security = qobject_cast<TfrmSecurity *>(shown);
            ASSERT_NE(security, nullptr);
            QWidget *page = QString::fromLatin1(c.page) == QLatin1String("tsLogin") ? security->tsLogin
                                                                                    : security->tsFirstLogin;
            EXPECT_TRUE(page->isVisible());
        }
        delete home;
        home = nullptr;
        closeScreenWindows();
    }
}

TEST_F(StartupHook, EndsTheRunOfAWindowWithoutTheHomeWindow)
{
    QWidget bare;
    bare.resize(752, 519);
    const RunResult r = runUntilShown(&bare);
    EXPECT_TRUE(r.endedByHook);
    EXPECT_TRUE(r.watcherGone);
    EXPECT_EQ(r.visible, QList<QWidget *>{&bare});
    EXPECT_TRUE(r.painted.contains(&bare));
}

TEST(StartupHookSwitch, OnlyTheValueOneAsksForIt)
{
    const QByteArray saved = qgetenv("NETTORA_QUIT_WHEN_SHOWN");
    const bool wasSet = qEnvironmentVariableIsSet("NETTORA_QUIT_WHEN_SHOWN");
    const struct {
        const char *value;  // nullptr: not set
        bool asked;
    } cases[] = {{nullptr, false}, {"", false}, {"0", false}, {"yes", false}, {"1", true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(not set)");
        if (c.value)
            qputenv("NETTORA_QUIT_WHEN_SHOWN", c.value);
        else
            qunsetenv("NETTORA_QUIT_WHEN_SHOWN");
        EXPECT_EQ(quitWhenShownRequested(), c.asked);
    }
    if (wasSet)
        qputenv("NETTORA_QUIT_WHEN_SHOWN", saved);
    else
        qunsetenv("NETTORA_QUIT_WHEN_SHOWN");
}
