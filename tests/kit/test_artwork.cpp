#include "kit/artwork.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace nettora::artwork;

namespace {

const QStringList tileNames = {"add", "edit", "update", "delete", "print", "email", "reports"};

// Relative luminance as contrast ratios are reckoned with.
double luminance(const QImage &img, int x, int y)
{
    const QColor c = img.pixelColor(x, y);
    auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

// The pictures are for people to look at too; they land in the build folder
// unless NETTORA_ARTIFACTS says otherwise.
QString artifactsDir()
{
    QString dir = qEnvironmentVariable("NETTORA_ARTIFACTS");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath() + QStringLiteral("/../artifacts");
    QDir().mkpath(dir);
    return QDir(dir).absolutePath();
}

void save(const QPixmap &pm, const QString &name)
{
    const QString path = artifactsDir() + QLatin1Char('/') + name + QStringLiteral(".png");
    EXPECT_TRUE(pm.save(path, "PNG")) << path.toStdString();
}

}  // namespace

TEST(Artwork, SizesAreFixed)
{
    EXPECT_EQ(frameBackground().size(), QSize(752, 519));
    EXPECT_EQ(frameBackground(QStringLiteral("Clients")).size(), QSize(752, 519));
    EXPECT_EQ(homeBackground().size(), QSize(752, 519));
    EXPECT_EQ(aboutBackground().size(), QSize(512, 305));
    EXPECT_FALSE(applicationIcon().isNull());
    for (const QString &name : tileNames)
        EXPECT_EQ(tilePicture(name, false).size(), tilePicture(name, true).size()) << name.toStdString();
}

TEST(Artwork, HighlightedTilesDifferAndTilesFitTheirPlaces)
{
    const auto tiles = homeTiles();
    ASSERT_EQ(int(tiles.size()), tileNames.size());
    const QRect window(0, 0, 752, 519);
    for (const TileLayout &t : tiles) {
        EXPECT_TRUE(tileNames.contains(t.name));
        EXPECT_EQ(t.rect.size(), tilePicture(t.name, false).size());
        EXPECT_TRUE(window.contains(t.rect));
        EXPECT_GE(t.rect.left(), 100);  // right of the menu column
        EXPECT_FALSE(t.rect.intersects(homeDescriptionArea()));
        EXPECT_NE(tilePicture(t.name, false).toImage(), tilePicture(t.name, true).toImage());
    }
    // Every tile shows its own picture.
    EXPECT_NE(tilePicture("add", false).toImage(), tilePicture("edit", false).toImage());
    EXPECT_TRUE(window.contains(homeDescriptionArea()));
}

TEST(Artwork, MenuColumnIsDarkAndPageAreaIsLight)
{
    // Where the white menu labels' text sits, white and green must read:
    // below 0.06 white contrasts at least 9:1 and the green 4.5:1.
    const int labelTextRows[] = {134, 191, 248, 262, 327, 391, 483};
    for (const QPixmap &pm : {frameBackground(), homeBackground()}) {
        const QImage img = pm.toImage();
        for (int y : labelTextRows)
            for (int x : {24, 53, 82})
                EXPECT_LT(luminance(img, x, y), 0.06) << x << "," << y;
    }
    const QImage frame = frameBackground().toImage();
    for (int y : {90, 300, 510})
        for (int x : {240, 480, 745})
            EXPECT_GT(luminance(frame, x, y), 0.9) << x << "," << y;
    // Side links: black text and white-on-green highlights both need a light ground.
    for (int y : {95, 300, 510})
        EXPECT_GT(luminance(frame, 170, y), 0.8);
    // The top links' corner stays plain.
    for (int x : {600, 650, 720})
        EXPECT_GT(luminance(frame, x, 34), 0.9);
}

TEST(Artwork, SavesPicturesForReview)
{
    save(frameBackground(), QStringLiteral("frame"));
    save(frameBackground(QStringLiteral("Clients  \u203a  Personal particulars")), QStringLiteral("frame_titled"));
    save(homeBackground(), QStringLiteral("home"));
    save(aboutBackground(), QStringLiteral("about"));
    for (const QString &name : tileNames) {
        save(tilePicture(name, false), QStringLiteral("tile_%1").arg(name));
        save(tilePicture(name, true), QStringLiteral("tile_%1_highlighted").arg(name));
    }
    // The home window as people will see it, one tile under the pointer.
    QPixmap home = homeBackground();
    QPainter p(&home);
    for (const TileLayout &t : homeTiles())
        p.drawPixmap(t.rect.topLeft(), tilePicture(t.name, t.name == QLatin1String("print")));
    p.end();
    save(home, QStringLiteral("home_with_tiles"));
    save(applicationIcon().pixmap(256), QStringLiteral("icon_256"));
    save(applicationIcon().pixmap(32), QStringLiteral("icon_32"));
    save(applicationIcon().pixmap(16), QStringLiteral("icon_16"));
}

// The start draws the first background on a worker thread. In a process of
// its own (no picture cached yet) the one drawn ahead must be the one the
// window thread draws; a blank title draws no text.
TEST(ArtworkDeathTest, BackgroundDrawnAheadIsTheOneDrawnInPlace)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            QImage ahead;
            {
                const DrawnAhead drawing;
                ahead = frameBackground().toImage();
            }
            const QImage inPlace = frameBackground(QStringLiteral(" ")).toImage();
            std::exit(!ahead.isNull() && ahead == inPlace ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
