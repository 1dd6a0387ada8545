// Imports run one way: program -> windows -> widget kit -> calc -> data. A
// window reaches another through the openers' registry, never by including
// it, and nothing below the windows shows a message box.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

int layerOf(const QString &folder)
{
    static const QHash<QString, int> layers = {
        {"data", 0},     {"calc", 1},    {"kit", 2},     {"clients", 3}, {"entry", 3}, {"reports", 3},
        {"settings", 3}, {"mail", 3},    {"backup", 3},  {"app", 4},     {"cli", 4},
    };
    return layers.value(folder, -1);
}

}  // namespace

TEST(Layers, NoFolderIncludesAHigherOneOrAnotherWindowFolder)
{
    const QDir src(QStringLiteral(NETTORA_TEST_SOURCE_DIR "/../src"));
    ASSERT_TRUE(src.exists());
    static const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s+\"([a-z_]+)/"),
                                            QRegularExpression::MultilineOption);
    QStringList wrong;
    int files = 0;
    QDirIterator it(src.path(), {"*.h", "*.cpp"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString folder = src.relativeFilePath(path).section(QLatin1Char('/'), 0, 0);
        const int own = layerOf(folder);
        ASSERT_GE(own, 0) << "a folder the layers do not know: " << folder.toStdString();
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        ++files;
        const QString text = QString::fromUtf8(f.readAll());
        for (auto m = include.globalMatch(text); m.hasNext();) {
            const QString target = m.next().captured(1);
            const int theirs = layerOf(target);
            const bool sideways = own == 3 && theirs == 3 && target != folder;
            if (theirs > own || sideways)
                wrong << src.relativeFilePath(path) + QStringLiteral(" includes ") + target + QLatin1Char('/');
        }
    }
    EXPECT_GT(files, 50);
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(QLatin1Char('\n')).toStdString();
}
