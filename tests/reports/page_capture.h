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
#include <vector>

namespace nettora::test {

struct DrawnText {
    QString text;
    double x = 0;         // left end
    double baseline = 0;
    double width = 0;     // as the output lays it out
    double size = 0;      // points
    bool bold = false;
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

struct CapturedPage {
    std::vector<DrawnText> texts;
    std::vector<DrawnLine> lines;
    std::vector<DrawnRect> rects;

    QStringList textList() const;
    // The first text equal to t, or nullptr.
    const DrawnText *find(const QString &t) const;
    bool has(const QString &t) const { return find(t) != nullptr; }
    // Texts on one baseline (within half a unit), left to right, joined by " ".
    QString lineAt(double baseline) const;
};

CapturedPage capture(const reports::PreparedPage &page);
std::vector<CapturedPage> captureAll(const std::vector<reports::PreparedPage> &pages);

}  // namespace nettora::test
