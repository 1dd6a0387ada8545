#pragma once
// Replays prepared pages onto a paint device that records what is drawn
// (texts with their place, size and width as laid out on the output; rules;
// boxes), in layout units, so tests can check the drawing itself.

#include "reports/engine/report.h"

#include <QColor>
#include <QLineF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace nettora::test {

struct DrawnText {
    QString text;
    double x = 0;         // left end
    double baseline = 0;
    double width = 0;     // as the output lays it out
    double size = 0;      // points
    bool bold = false;
    bool italic = false;
    QString family;       // as the font database resolved it
    QColor color;
    double right() const { return x + width; }
};

struct DrawnLine {
    QLineF line;
    double width = 0;
    bool dotted = false;
};

struct DrawnRect {
    QRectF rect;
    double penWidth = 0;  // 0: no frame
    QColor fill;          // invalid: no fill
};

struct DrawnPicture {
    QRectF rect;
};

struct CapturedPage {
    std::vector<DrawnText> texts;
    std::vector<DrawnLine> lines;
    std::vector<DrawnRect> rects;
    std::vector<DrawnPicture> pictures;

    // Everything in drawing order: the kind and the index in its list.
    enum class Kind { Text, Line, Rect, Picture };
    std::vector<std::pair<Kind, size_t>> order;

    QStringList textList() const;
    // The first text equal to t, or nullptr.
    const DrawnText *find(const QString &t) const;
    bool has(const QString &t) const { return find(t) != nullptr; }
    // Texts on one baseline (within half a unit), left to right, joined by " ".
    QString lineAt(double baseline) const;
};

CapturedPage capture(const reports::PreparedPage &page);
std::vector<CapturedPage> captureAll(const std::vector<reports::PreparedPage> &pages);

// The pages as text, one line per drawn item in drawing order, each page
// under a header line: the kind, the rectangle in layout units (two
// decimals), then the pen, fill, font and text as they apply. Equal drawings
// give equal text, so a layout change shows as a changed line.
QString dumpPages(const std::vector<reports::PreparedPage> &pages);

}  // namespace nettora::test
