#pragma once
// Pieces the form builders share: the printable width, fonts, the caption +
// field pairs and amount columns every form is made of, and the Standard
// look's headings and rules. The other styles add their looks beside it.

#include "reports/engine/report.h"
#include "reports/forms/forms.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <functional>

namespace nettora::reports::parts {

inline constexpr double Width = 720;  // printable width in units
inline constexpr double RowHeight = 25;  // caption/amount rows of the summary page
inline constexpr double TextInset = 7;   // 8 pt text sits this far into a 25-unit row

inline const FontSpec Small{8, false};
inline const FontSpec SmallBold{8, true};

double lineHeight(const FontSpec &font = Small);

// A caption and, right after it, its field, which may run to xEnd.
Control &captionAndField(Band &b, double x, double top, double xEnd, const QString &caption, Table *table,
                         const QString &field);
// An amount right-aligned so that it ends at right.
Control &amount(Band &b, double right, double top, Table *table, const QString &field, bool bold = false,
                double width = 100);
// A label whose baseline sits on the baseline of 8 pt text at top.
Control &labelOnBaseline(Band &b, double x, double top, const QString &text, const FontSpec &font);

// The height of a row of column headings: as many bold 8 pt lines as the
// tallest heading has (at least one), and room above and below.
template <class Columns>
double headingsHeight(const Columns &columns)
{
    qsizetype lines = 1;
    for (const auto &c : columns)
        lines = std::max(lines, c.heading.size());
    return double(lines) * lineHeight(SmallBold) + 6;
}
// A column heading's lines, bold 8 pt, one under another from top, in the
// column's width and alignment; hook, when given, runs on each line.
void columnHeading(Band &b, double x, double top, double width, const QStringList &heading, Align align,
                   const std::function<void(Control &, QString &)> &hook = {});

// Standard look.
namespace standard {
inline constexpr double HeadingRule = 3;
inline constexpr double HeadingHeight = 26;
// A bold heading between two 3-unit rules across the band; returns its foot.
double sectionHeading(Band &b, double y, const QString &text, double x = 6);
}  // namespace standard

// The Contemporary and Professional looks: framed bands, headings on filled
// bars, dot leaders after captions.
namespace looks {
inline const QColor LightGrey{0xD3, 0xD3, 0xD3};
inline constexpr double BarHeight = 20;
inline constexpr double BandFrame = 1.5;
// The Professional grey bars stand in from both sides; their headings
// start a little further in.
inline constexpr double InsetBarLeft = 21, InsetBarRight = 716, InsetBarTextX = 29;

// A frame around the band's full width, from top to bottom.
Control &bandFrame(Band &b, double top, double bottom);
// A black bar across the band with a white bold heading; returns its foot.
double blackBar(Band &b, double y, const QString &text, double size = 10, double textX = 6);
// The same, returning the heading.
Control &blackBarHeading(Band &b, double y, const QString &text, double size = 10, double textX = 6);
// The Professional heading: bold text on the inset grey bar; returns the
// heading.
Control &insetBarHeading(Band &b, double y, const QString &text, double size = 10);
// A light grey bar from x1 to x2 (under bold headings or a column-heading row).
Control &greyBar(Band &b, double y, double x1 = 0, double x2 = Width, double height = BarHeight);
// A bold label vertically centred in a bar starting at y.
Control &barText(Band &b, double x, double y, const QString &text, double size = 10, double height = BarHeight);
// A dotted rule on the baseline of 8 pt text at top, from x1 to x2, leading
// the eye from a caption to its amount; nothing when there is no room.
void dotLeader(Band &b, double x1, double x2, double top);
}  // namespace looks

}  // namespace nettora::reports::parts
