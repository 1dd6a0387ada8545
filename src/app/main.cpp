// Program entry: the title, the data directory and its start-up pass, then
// the home window, which asks for the login once the event loop runs.
#include "app/application.h"
#include "kit/dialogs.h"
#include "app/home.h"
#include "kit/artwork.h"
#include "app/windows.h"
#include "backup/restore.h"
#include "data/datamodule.h"

#include <QApplication>
#include <QCommandLineParser>

using namespace nettora;

int main(int argc, char *argv[])
{
    // A password left in the environment for nettora-cli is not this
    // program's to keep, nor to hand on to what it starts (a browser, a viewer).
    qunsetenv("NETTORA_PASSWORD");
    QApplication app(argc, argv);
    setUpApplication();

    QCommandLineParser args;
    args.addHelpOption();
    args.addVersionOption();
    QCommandLineOption dataDirOption(QStringLiteral("data-dir"), QStringLiteral("Use DIR as the data directory."),
                                     QStringLiteral("DIR"));
    args.addOption(dataDirOption);
    args.process(app);
    // For timing a whole start from outside: the run ends once its first
    // window is on the screen. Off unless the environment asks for it.
    if (quitWhenShownRequested())
        quitWhenFirstWindowShown();

    // The first window's background is drawn beside the rest of the start,
    // which spends its time loading the fonts (after the options: --help
    // ends the process at once).
    const artwork::DrawnAhead background;
    registerAllWindows();
    // A data directory that cannot be used ends the run with the reason;
    // nothing is shown that could not work. A data file that does not open
    // can be replaced by a backup or a kept file first, or the run ends.
    Tdm1 module;
    dm1 = &module;
    try {
        // The data itself opens only with the login password.
        module.ReserveDataDir(resolveDataDirectory(args.value(dataDirOption)));
    } catch (const DataFileUnopenable &e) {
        if (!RestoreAtStart(e.text()))
            return 1;
    } catch (const EngineError &e) {
        dialogs().error(e.text());
        return 1;
    }

    // The home window stays hidden: its login check, once the loop runs,
    // brings up the login page, and a successful login shows the home window.
    TfrmMain home;
    const int rc = app.exec();
    dm1 = nullptr;
    return rc;
}
