#include "app/application.h"

#include "app/home.h"
#include "kit/artwork.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace nettora {

void setUpApplication()
{
    QApplication::setApplicationName(QStringLiteral("Nettora"));
    QApplication::setApplicationVersion(QStringLiteral(NETTORA_VERSION));
    QApplication::setWindowIcon(artwork::applicationIcon());
}

bool quitWhenShownRequested()
{
    return qEnvironmentVariable("NETTORA_QUIT_WHEN_SHOWN") == QLatin1String("1");
}

namespace {

// Watches the paint events of top-level windows. A painted window is on the
// screen; the check runs from a zero timer so the whole first paint (children
// included) has finished before the loop ends.
class FirstWindowWatcher : public QObject {
public:
    explicit FirstWindowWatcher(QObject *parent) : QObject(parent) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!watched->isWidgetType() || !static_cast<QWidget *>(watched)->isWindow())
            return false;
        auto *w = static_cast<QWidget *>(watched);
        if (event->type() == QEvent::Paint) {
            if (std::find(m_painted.begin(), m_painted.end(), w) == m_painted.end())
                m_painted.emplace_back(w);
            QTimer::singleShot(0, this, &FirstWindowWatcher::check);
        } else if (event->type() == QEvent::Hide) {
            // Shown again later, it counts once it has been painted again.
            std::erase_if(m_painted, [w](const QPointer<QWidget> &p) { return p == w; });
        }
        return false;
    }

private:
    void check()
    {
        if (m_done)
            return;
        // Until the home window's login check has run, the first window the
        // user meets (the login page, or the home window) is not known yet.
        if (frmMain && frmMain->loginTimer.isActive()) {
            QTimer::singleShot(1, this, &FirstWindowWatcher::check);
            return;
        }
        for (const QPointer<QWidget> &w : m_painted) {
            if (w && w->isVisible()) {
                m_done = true;
                // Not quit(): that would close the windows first, and
                // closing the login page is the user's way of ending.
                QCoreApplication::exit(0);
                deleteLater();
                return;
            }
        }
    }

    std::vector<QPointer<QWidget>> m_painted;
    bool m_done = false;
};

}  // namespace

QObject *quitWhenFirstWindowShown()
{
    auto *watcher = new FirstWindowWatcher(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(watcher);
    return watcher;
}

}  // namespace nettora
