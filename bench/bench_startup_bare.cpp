// The yardstick for the whole-program start: a bare Qt program that does what
// any start must do before the login, the data module taking the data
// directory (the data itself opens only with the password), and
// shows one empty window of the program's size, then ends the same way the
// program does when timed (once its window is painted). bench_startup runs
// it as a child process beside the real program. With --with-text the
// window also shows a paragraph in the program's text font, so that the
// start loads the font database and renders glyphs as any window with text
// must: a second yardstick, for information.

#include "app/application.h"
#include "data/datamodule.h"
#include "kit/artwork.h"
#include "kit/look.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>
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
    QCommandLineOption withTextOption(QStringLiteral("with-text"), QStringLiteral("Show a paragraph of text."));
    args.addOption(withTextOption);
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
    if (args.isSet(withTextOption)) {
        auto *text = new QLabel(QStringLiteral("The Nettora Login feature is intended to prevent someone who does not "
                                               "know the password from accessing the program and sensitive data that "
                                               "is contained herein."),
                                &window);
        text->setFont(look::textFont());
        text->setWordWrap(true);
        text->setGeometry(240, 100, 480, 60);
    }
    window.show();
    const int rc = app.exec();
    dm1 = nullptr;
    return rc;
}
