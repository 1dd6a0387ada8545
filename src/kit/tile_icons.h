#pragma once
// The pictures on the home window's action tiles, drawn on a 48 x 48 grid;
// the tile itself (card, caption) is drawn with the other pictures.

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QString>

namespace nettora::artwork {

struct IconColours {
    QColor line;    // outlines
    QColor fill;    // paper and bodies
    QColor accent;  // the action's own mark
    QColor detail;  // text lines on paper
    QColor badge;
    QColor badgeMark;
    QColor warm;    // small orange touches
};

// The face of the pictures' small texts, and a face at a pixel size without
// hinting, as every picture draws its words.
QString textFamily();
QFont pixelFont(const QString &family, int px, int weight = QFont::Normal, qreal spacing = 0);

// Outlines and fills for an idle tile (slate on white) or a highlighted one
// (white on green).
IconColours iconColours(bool highlighted);
// The icon of the tile "add", "edit", "update", "delete", "print", "email" or
// "reports"; nothing for another name.
void drawTileIcon(QPainter &p, const QString &name, const IconColours &c, bool highlighted);

}  // namespace nettora::artwork
