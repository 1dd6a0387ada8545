// Program entry: title, data directory, start-up open pass, then the window.
#include "app/dialogs.h"
#include "data/datamodule.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>
#include <QMainWindow>
#include <QScreen>

using namespace nettora;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nettora"));
    QApplication::setApplicationDisplayName(QStringLiteral("Nettora"));
    QApplication::setApplicationVersion(QStringLiteral(NETTORA_VERSION));

    QCommandLineParser args;
    args.addHelpOption();
    args.addVersionOption();
    QCommandLineOption dataDirOption(QStringLiteral("data-dir"), QStringLiteral("Use DIR as the data directory."),
                                     QStringLiteral("DIR"));
    args.addOption(dataDirOption);
    args.process(app);

    Tdm1 module;
    dm1 = &module;
    const QString dir = resolveDataDirectory(args.value(dataDirOption));
    try {
        module.ConnectDb(dir);
    } catch (const EngineError &e) {
        dialogs().error(e.text());
        return 1;
    }

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Nettora - Version ") + QStringLiteral(NETTORA_VERSION));
    window.setFixedSize(752, 519);
    auto *label = new QLabel(QStringLiteral("Data directory: %1").arg(dir), &window);
    label->setAlignment(Qt::AlignCenter);
    window.setCentralWidget(label);
    if (const QScreen *screen = window.screen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    return app.exec();
}
