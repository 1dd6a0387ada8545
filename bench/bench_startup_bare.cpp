// The yardstick for the whole-program start: a bare Qt program that does what
// any start must do before the login, the data module taking the data
// directory (the data itself opens only with the password), and
// shows one empty window of the program's size, then ends the same way the
// program does when timed (once its window is painted). bench_startup runs
// it as a child process beside the real program.

#include "app/application.h"
#include "data/datamodule.h"
#include "kit/artwork.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QWidget>
#include <cstdio>

using namespace nettora;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser args;
    QCommandLineOption dataDirOption(QStringLiteral("data-dir"), QStringLiteral("Use DIR as the data directory."),
                                     QStringLiteral("DIR"));
    args.addOption(dataDirOption);
    args.process(app);
    if (quitWhenShownRequested())
        quitWhenFirstWindowShown();

    Tdm1 module;
    dm1 = &module;
    try {
        module.ReserveDataDir(resolveDataDirectory(args.value(dataDirOption)));
    } catch (const EngineError &e) {
        std::fprintf(stderr, "engine error: %s\n", e.text().toUtf8().constData());
        return 1;
    }

    QWidget window;
    window.setFixedSize(artwork::WindowWidth, artwork::WindowHeight);
    window.setWindowTitle(QStringLiteral("Nettora"));
    window.show();
    const int rc = app.exec();
    dm1 = nullptr;
    return rc;
}
