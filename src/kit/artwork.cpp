#include "kit/artwork.h"

#include "kit/look.h"
#include "kit/tile_icons.h"

#include <QFontDatabase>
#include <QHash>
#include <QIconEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <cmath>
#include <functional>
#include <future>

namespace nettora::artwork {

namespace {

using look::Green;
using look::GreenDeep;
using look::Orange;
using look::Ink;
using look::Slate;
using look::MutedText;
using look::Hairline;
using look::Panel;
using look::MenuTop;
using look::MenuBottom;

constexpr int BandHeight = 80;
constexpr int MenuWidth = 100;
constexpr int SideRight = 234;

// Tiles share one size so that a label can swap idle and highlighted
// pictures without moving.
constexpr int TileW = 140;
constexpr int TileH = 100;
constexpr int TileGap = 18;
constexpr int TileLeft = 198;
constexpr int TileTop = 128;

QString wordmarkFamily()
{
    static const QString family = [] {
        // Font configuration lists the family once per foundry ("URW Gothic [urw]").
        const QStringList families = QFontDatabase::families();
        for (const QString &f : {QStringLiteral("URW Gothic"), QStringLiteral("Liberation Sans")})
            for (const QString &have : families)
                if (have == f || have.startsWith(f + QStringLiteral(" [")))
                    return have;
        return QStringLiteral("Sans Serif");
    }();
    return family;
}

QPixmap blank(int w, int h, const QColor &fill = Qt::white)
{
    QPixmap pm(w, h);
    pm.fill(fill);
    return pm;
}

void beginAntialiased(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

// Rising bars under an upward arrow: the figures growing, drawn in a 48 x 48
// box so that one drawing serves every size.
void drawEmblem(QPainter &p, const QRectF &box, bool withTile)
{
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 48.0, box.height() / 48.0);

    if (withTile) {
        QLinearGradient g(0, 0, 0, 48);
        g.setColorAt(0, MenuTop);
        g.setColorAt(1, MenuBottom);
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawRoundedRect(QRectF(0, 0, 48, 48), 11, 11);
    }

    const qreal bars[3][2] = {{11, 31}, {20.5, 25}, {30, 19}};  // x, top
    QLinearGradient barFill(0, 19, 0, 38);
    barFill.setColorAt(0, Green.lighter(110));
    barFill.setColorAt(1, GreenDeep);
    p.setBrush(barFill);
    p.setPen(Qt::NoPen);
    for (const auto &bar : bars)
        p.drawRoundedRect(QRectF(bar[0], bar[1], 7.5, 38 - bar[1]), 1.5, 1.5);

    p.setPen(QPen(Orange, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(9.5, 24), QPointF(18, 16.5), QPointF(24.5, 20), QPointF(33, 12.5)}));
    p.setPen(Qt::NoPen);
    p.setBrush(Orange);
    p.drawPolygon(QPolygonF({QPointF(29, 9.3), QPointF(38.5, 7.5), QPointF(36.2, 16.9)}));
    p.restore();
}

// "Nettora" with a short tagline; the second half is green so the name reads
// as net + tora at a glance.
void drawWordmark(QPainter &p, const QPointF &origin, int px, bool onDark)
{
    const QFont name = pixelFont(wordmarkFamily(), px, QFont::DemiBold, 0.3);
    const QFontMetricsF fm(name);
    const QString first = QStringLiteral("Net");
    const QString second = QStringLiteral("tora");
    const qreal baseline = origin.y() + fm.ascent();
    p.setFont(name);
    p.setPen(onDark ? QColor(Qt::white) : Ink);
    p.drawText(QPointF(origin.x(), baseline), first);
    p.setPen(Green);
    p.drawText(QPointF(origin.x() + fm.horizontalAdvance(first), baseline), second);

    const QFont tag = pixelFont(textFamily(), qMax(8, px * 9 / 28), QFont::Normal, 1.6);
    p.setFont(tag);
    p.setPen(onDark ? QColor(190, 197, 205) : MutedText);
    p.drawText(QPointF(origin.x() + 1, baseline + QFontMetricsF(tag).ascent() + px * 0.28),
               QStringLiteral("PERSONAL FINANCIAL STATEMENTS"));
}

void drawTopBand(QPainter &p, int width)
{
    QLinearGradient g(0, 0, 0, BandHeight);
    g.setColorAt(0, Qt::white);
    g.setColorAt(1, QColor(247, 248, 250));
    p.fillRect(QRect(0, 0, width, BandHeight), g);
    p.fillRect(QRect(0, BandHeight, width, 1), Hairline);

    drawEmblem(p, QRectF(24, 17, 46, 46), true);
    drawWordmark(p, QPointF(84, 18), 28, false);
}

// Small line pictures above the menu captions, which sit at the bottom of
// their labels; drawn in a 24 x 24 box, dimmer than the captions so the
// words stay first.
enum class MenuIcon { Options, Security, CheckUpdate, Backup, Restore, Home, Exit };

void drawMenuIcon(QPainter &p, MenuIcon icon, const QPointF &centre)
{
    p.save();
    constexpr qreal size = 26;
    p.translate(centre - QPointF(size / 2, size / 2));
    p.scale(size / 24.0, size / 24.0);
    const QColor line(255, 255, 255, 150);
    const QPen pen(line, 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    const QPen accentPen(Green, 1.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (icon) {
    case MenuIcon::Options: {
        const qreal knobs[3][2] = {{6, 15}, {12, 8}, {18, 13}};
        for (const auto &k : knobs)
            p.drawLine(QPointF(3, k[0]), QPointF(21, k[0]));
        p.setPen(QPen(MenuTop, 1.6));
        p.setBrush(Green);
        for (const auto &k : knobs)
            p.drawEllipse(QPointF(k[1], k[0]), 2.6, 2.6);
        break;
    }
    case MenuIcon::Security: {
        QPainterPath shackle;
        shackle.moveTo(7.5, 11);
        shackle.lineTo(7.5, 7.5);
        shackle.arcTo(QRectF(7.5, 3, 9, 9), 180, -180);
        shackle.lineTo(16.5, 11);
        p.drawPath(shackle);
        p.drawRoundedRect(QRectF(4.5, 11, 15, 10), 2, 2);
        p.setPen(Qt::NoPen);
        p.setBrush(Green);
        p.drawEllipse(QPointF(12, 15.2), 1.8, 1.8);
        p.drawRect(QRectF(11.3, 15.5, 1.4, 3));
        break;
    }
    case MenuIcon::CheckUpdate: {
        const QRectF ring(3.5, 3.5, 17, 17);
        p.drawArc(ring, 40 * 16, 130 * 16);
        p.drawArc(ring, 220 * 16, 130 * 16);
        p.drawPolyline(QPolygonF({QPointF(2.5, 8.5), QPointF(4.5, 12.5), QPointF(7.8, 9.8)}));
        p.drawPolyline(QPolygonF({QPointF(21.5, 15.5), QPointF(19.5, 11.5), QPointF(16.2, 14.2)}));
        p.setPen(accentPen);
        p.drawLine(QPointF(12, 8), QPointF(12, 15.5));
        p.drawPolyline(QPolygonF({QPointF(9.2, 13), QPointF(12, 15.8), QPointF(14.8, 13)}));
        break;
    }
    case MenuIcon::Backup: {
        p.drawPolyline(QPolygonF({QPointF(3, 14), QPointF(3, 20.5), QPointF(21, 20.5), QPointF(21, 14)}));
        p.setPen(accentPen);
        p.drawLine(QPointF(12, 16.5), QPointF(12, 4));
        p.drawPolyline(QPolygonF({QPointF(7.5, 8.5), QPointF(12, 4), QPointF(16.5, 8.5)}));
        break;
    }
    case MenuIcon::Restore: {
        // A clock turned back.
        const QRectF ring(4, 3.5, 17, 17);
        p.drawArc(ring, 200 * 16, -300 * 16);
        p.drawPolyline(QPolygonF({QPointF(2, 10.5), QPointF(4.3, 14.2), QPointF(7.6, 11.6)}));
        p.setPen(accentPen);
        p.drawPolyline(QPolygonF({QPointF(12.5, 7.5), QPointF(12.5, 12), QPointF(15.8, 14)}));
        break;
    }
    case MenuIcon::Home: {
        p.drawPolyline(QPolygonF({QPointF(2.5, 11.5), QPointF(12, 3.5), QPointF(21.5, 11.5)}));
        p.drawPolyline(QPolygonF({QPointF(5, 10), QPointF(5, 20.5), QPointF(19, 20.5), QPointF(19, 10)}));
        p.setPen(accentPen);
        p.drawPolyline(QPolygonF({QPointF(10, 20.5), QPointF(10, 14.5), QPointF(14, 14.5), QPointF(14, 20.5)}));
        break;
    }
    case MenuIcon::Exit: {
        p.drawPolyline(QPolygonF({QPointF(13, 6), QPointF(13, 3.5), QPointF(4, 3.5), QPointF(4, 20.5),
                                  QPointF(13, 20.5), QPointF(13, 18)}));
        p.setPen(accentPen);
        p.drawLine(QPointF(9, 12), QPointF(21, 12));
        p.drawPolyline(QPolygonF({QPointF(17, 8), QPointF(21, 12), QPointF(17, 16)}));
        break;
    }
    }
    p.restore();
}

// The menu's white captions sit at the bottom of labels at fixed heights
// (x 22..84): the pictures go above the captions, the separators under them.
void drawMenuColumn(QPainter &p, int height, bool home)
{
    const QRect column(0, BandHeight + 1, MenuWidth, height - BandHeight - 1);
    QLinearGradient g(0, column.top(), 0, column.bottom());
    g.setColorAt(0, MenuTop);
    g.setColorAt(1, MenuBottom);
    p.fillRect(column, g);

    // A thin accent where the column meets the band ties the two together.
    QLinearGradient accent(0, 0, MenuWidth, 0);
    accent.setColorAt(0, Green);
    accent.setColorAt(1, GreenDeep);
    p.fillRect(QRect(0, BandHeight + 1, MenuWidth, 3), accent);

    // Soft light from the upper left keeps the dark column from looking flat.
    QRadialGradient glow(QPointF(10, BandHeight + 10), 170);
    glow.setColorAt(0, QColor(255, 255, 255, 16));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(column, glow);

    // Check and Update are one entry on two labels, so no line between them.
    for (int y : {145, 202, 273, 338, 416}) {
        p.fillRect(QRect(18, y, MenuWidth - 36, 1), QColor(0, 0, 0, 70));
        p.fillRect(QRect(18, y + 1, MenuWidth - 36, 1), QColor(255, 255, 255, 16));
    }

    const struct {
        MenuIcon icon;
        int labelTop;
    } icons[] = {{MenuIcon::Options, 84},  {MenuIcon::Security, 141}, {MenuIcon::CheckUpdate, 198},
                 {MenuIcon::Backup, 277},  {MenuIcon::Restore, 341},
                 {home ? MenuIcon::Exit : MenuIcon::Home, 433}};
    for (const auto &i : icons)
        drawMenuIcon(p, i.icon, QPointF(53, i.labelTop + 24));

    // The inner edge shades into the light columns instead of a hard cut.
    p.fillRect(QRect(MenuWidth - 1, column.top(), 1, column.height()), QColor(0, 0, 0, 60));
}

QString captionFor(const QString &name)
{
    if (name == QLatin1String("reports"))
        return QStringLiteral("PDF");
    return name.left(1).toUpper() + name.mid(1);
}

QPixmap drawTile(const QString &name, bool highlighted)
{
    QPixmap pm(TileW, TileH);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    beginAntialiased(p);

    const QRectF card = QRectF(0, 0, TileW, TileH).adjusted(0.5, 0.5, -0.5, -0.5);
    constexpr qreal radius = 9;
    if (highlighted) {
        QLinearGradient g(0, 0, 0, TileH);
        g.setColorAt(0, Green.lighter(106));
        g.setColorAt(1, GreenDeep);
        p.setPen(QPen(GreenDeep.darker(106), 1));
        p.setBrush(g);
    } else {
        p.setPen(QPen(QColor(214, 219, 224), 1));
        p.setBrush(Qt::white);
    }
    p.drawRoundedRect(card, radius, radius);

    const IconColours c = iconColours(highlighted);
    p.save();
    const qreal icon = 52;
    p.translate((TileW - icon) / 2, 10);
    p.scale(icon / 48.0, icon / 48.0);
    drawTileIcon(p, name, c, highlighted);
    p.restore();

    const QRectF caption(0, 67, TileW, 22);
    p.setFont(pixelFont(textFamily(), 14, QFont::Bold, 0.2));
    if (highlighted) {
        // White on the light green needs a faint shadow to stay crisp.
        p.setPen(QColor(40, 60, 0, 70));
        p.drawText(caption.translated(0, 1), Qt::AlignCenter, captionFor(name));
    }
    p.setPen(highlighted ? QColor(Qt::white) : Ink);
    p.drawText(caption, Qt::AlignCenter, captionFor(name));
    return pm;
}

// An image, not a pixmap, so that it can be drawn off the window thread.
QImage drawFrame(const QString &title)
{
    QImage pm(WindowWidth, WindowHeight, QImage::Format_RGB32);
    pm.fill(Qt::white);
    QPainter p(&pm);
    beginAntialiased(p);
    // Text last: drawn ahead at start, the parts without text need not wait
    // for the font database, which the start is loading meanwhile.
    drawMenuColumn(p, WindowHeight, false);
    const QRect side(MenuWidth, BandHeight + 1, SideRight - MenuWidth, WindowHeight - BandHeight - 1);
    QLinearGradient g(0, side.top(), 0, side.bottom());
    g.setColorAt(0, Panel);
    g.setColorAt(1, QColor(238, 241, 244));
    p.fillRect(side, g);
    p.fillRect(QRect(SideRight, side.top(), 1, side.height()), Hairline);
    drawTopBand(p, WindowWidth);

    if (!title.isEmpty()) {
        p.setFont(pixelFont(textFamily(), 11, QFont::Normal, 0.4));
        p.setPen(MutedText);
        p.drawText(QRect(300, 52, 430, 18), Qt::AlignRight | Qt::AlignVCenter, title);
    }
    return pm;
}

void softShadow(QPainter &p, const QRectF &card, qreal radius)
{
    p.save();
    QPainterPath outside;
    outside.addRect(card.adjusted(-12, -12, 12, 12));
    QPainterPath inner;
    inner.addRoundedRect(card, radius, radius);
    p.setClipPath(outside.subtracted(inner));
    p.setPen(Qt::NoPen);
    for (int i = 5; i >= 1; --i) {
        p.setBrush(QColor(30, 40, 50, 6));
        p.drawRoundedRect(card.adjusted(-i + 1, -i + 2, i - 1, i + 1), radius + i, radius + i);
    }
    p.restore();
}

QPixmap drawHome()
{
    QPixmap pm = blank(WindowWidth, WindowHeight);
    QPainter p(&pm);
    beginAntialiased(p);
    drawTopBand(p, WindowWidth);

    // A faint green tint towards the bottom makes the area feel open; kept
    // vertical and slight so that it shows no bands.
    const QRect area(MenuWidth, BandHeight + 1, WindowWidth - MenuWidth, WindowHeight - BandHeight - 1);
    QLinearGradient wash(0, area.top(), 0, area.bottom());
    wash.setColorAt(0, QColor(250, 251, 252));
    wash.setColorAt(1, QColor(243, 246, 238));
    p.fillRect(area, wash);
    drawMenuColumn(p, WindowHeight, true);

    // Soft shadows under the cards so they sit on the page; only outside the
    // card, since its rounded corners let the background through.
    for (const TileLayout &t : homeTiles())
        softShadow(p, QRectF(t.rect), 9);

    const QRectF panel = QRectF(homeDescriptionArea()).adjusted(-16, -12, 12, 12);
    p.setPen(QPen(QColor(226, 230, 234), 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(panel.adjusted(0.5, 0.5, -0.5, -0.5), 9, 9);
    QPainterPath clip;
    clip.addRoundedRect(panel, 9, 9);
    p.setClipPath(clip);
    p.fillRect(QRectF(panel.left(), panel.top(), 4, panel.height()), Orange);
    return pm;
}

QPixmap drawAbout()
{
    QPixmap pm = blank(AboutWidth, AboutHeight);
    QPainter p(&pm);
    beginAntialiased(p);

    constexpr int header = 92;
    QLinearGradient g(0, 0, 0, header);
    g.setColorAt(0, MenuTop);
    g.setColorAt(1, MenuBottom);
    p.fillRect(QRect(0, 0, AboutWidth, header), g);
    QRadialGradient glow(QPointF(40, 0), 300);
    glow.setColorAt(0, QColor(255, 255, 255, 18));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(QRect(0, 0, AboutWidth, header), glow);
    drawEmblem(p, QRectF(24, 16, 60, 60), false);
    drawWordmark(p, QPointF(90, 22), 30, true);

    QLinearGradient accent(0, 0, AboutWidth, 0);
    accent.setColorAt(0, Green);
    accent.setColorAt(0.82, GreenDeep);
    accent.setColorAt(0.82001, Orange);
    accent.setColorAt(1, Orange);
    p.fillRect(QRect(0, header, AboutWidth, 3), accent);

    p.fillRect(QRect(0, AboutFooterTop, AboutWidth, AboutHeight - AboutFooterTop), Panel);
    p.fillRect(QRect(0, AboutFooterTop, AboutWidth, 1), Hairline);
    return pm;
}

QPixmap cached(const QString &key, const std::function<QPixmap()> &draw)
{
    static QHash<QString, QPixmap> cache;
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    QPixmap pm = draw();
    cache.insert(key, pm);
    return pm;
}

}  // namespace

QString textFamily()
{
    static const QString family = [] {
        if (QFontDatabase::families().contains(QStringLiteral("Liberation Sans")))
            return QStringLiteral("Liberation Sans");
        return QStringLiteral("Sans Serif");
    }();
    return family;
}

QFont pixelFont(const QString &family, int px, int weight, qreal spacing)
{
    QFont f(family);
    f.setPixelSize(px);
    f.setWeight(QFont::Weight(weight));
    f.setHintingPreference(QFont::PreferNoHinting);
    if (spacing != 0)
        f.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    return f;
}


namespace {

std::future<QImage> &frameDrawnAhead()
{
    static std::future<QImage> drawing;
    return drawing;
}

}  // namespace

DrawnAhead::DrawnAhead()
{
    frameDrawnAhead() = std::async(std::launch::async, [] { return drawFrame(QString()); });
}

DrawnAhead::~DrawnAhead()
{
    if (frameDrawnAhead().valid())
        frameDrawnAhead().wait();
}

QPixmap frameBackground(const QString &title)
{
    return cached(QStringLiteral("frame/") + title, [&] {
        if (title.isEmpty() && frameDrawnAhead().valid())
            return QPixmap::fromImage(frameDrawnAhead().get());
        return QPixmap::fromImage(drawFrame(title));
    });
}

QPixmap homeBackground()
{
    return cached(QStringLiteral("home"), drawHome);
}

std::vector<TileLayout> homeTiles()
{
    static const char *const names[] = {"add", "edit", "update", "delete", "print", "email", "reports"};
    std::vector<TileLayout> tiles;
    for (int i = 0; i < 7; ++i) {
        const QRect r(TileLeft + (i % 3) * (TileW + TileGap), TileTop + (i / 3) * (TileH + TileGap), TileW, TileH);
        tiles.push_back({QString::fromLatin1(names[i]), r});
    }
    return tiles;
}

QRect homeDescriptionArea()
{
    // Beside the lone PDF tile on the last row, inset inside its panel.
    const int left = TileLeft + TileW + TileGap + 16;
    const int top = TileTop + 2 * (TileH + TileGap) + 12;
    return QRect(left, top, 2 * TileW + TileGap - 28, TileH - 24);
}

QPixmap tilePicture(const QString &name, bool highlighted)
{
    return cached(QStringLiteral("tile/%1/%2").arg(name).arg(highlighted),
                  [&] { return drawTile(name, highlighted); });
}

QPixmap aboutBackground()
{
    return cached(QStringLiteral("about"), drawAbout);
}

namespace {

// The emblem drawn at the size a window manager asks for, when it asks: the
// large sizes cost a start-up that shows no such picture.
class EmblemIconEngine : public QIconEngine {
public:
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode, QIcon::State) override
    {
        painter->save();
        beginAntialiased(*painter);
        drawEmblem(*painter, QRectF(rect), true);
        painter->restore();
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        const QString key = QStringLiteral("icon/%1x%2").arg(size.width()).arg(size.height());
        return cached(key, [&] {
            QPixmap pm(size);
            pm.fill(Qt::transparent);
            QPainter p(&pm);
            paint(&p, QRect(QPoint(0, 0), size), mode, state);
            return pm;
        });
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (int size : {16, 24, 32, 48, 64, 128, 256})
            sizes << QSize(size, size);
        return sizes;
    }
    QIconEngine *clone() const override { return new EmblemIconEngine; }
};

}  // namespace

QIcon applicationIcon()
{
    static const QIcon icon(new EmblemIconEngine);
    return icon;
}

}  // namespace nettora::artwork
