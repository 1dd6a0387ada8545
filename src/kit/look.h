#pragma once
// The program's one look: its colours, its fonts and the sizes its windows
// and pages share. Windows take these from here rather than making their own,
// so the look changes in one place.

#include <QColor>
#include <QFont>

namespace nettora::look {

// The two colours of the program: green (#9AC201) and orange (#FF9526).
inline const QColor Green{154, 194, 1};
inline const QColor GreenDeep{124, 160, 0};
inline const QColor Orange{255, 149, 38};
// Text.
inline const QColor Ink{47, 53, 60};
inline const QColor HeadingInk{0x3d, 0x46, 0x4d};
inline const QColor HomeText{0x33, 0x3a, 0x40};  // the home window's tile texts
inline const QColor NameGreen{0x5a, 0x73, 0x00};  // the client's name in a heading
inline const QColor Slate{93, 103, 114};
inline const QColor MutedText{128, 137, 147};
inline const QColor DisabledText{140, 146, 152};
inline const QColor HintNavy{0, 0, 128};  // an entry page's hint under its list
// Surfaces and lines.
inline const QColor Hairline{221, 225, 230};
inline const QColor Panel{244, 246, 248};
inline const QColor MenuTop{52, 58, 66};
inline const QColor MenuBottom{34, 38, 44};

// Every window has this fixed size.
inline constexpr int WindowWidth = 752;
inline constexpr int WindowHeight = 519;
// The page area, to the right of the side links.
inline constexpr int PageWidth = 516;
// The side links' column.
inline constexpr int SideLinkLeft = 106;
inline constexpr int SideLinkTop = 92;
inline constexpr int SideLinkStep = 18;

// Arial (or the sans-serif face standing in for it) at a pixel size.
QFont arial(int pixels, bool bold = false);
// The left menu's entries.
QFont menuFont();
QFont topLinkFont();
QFont sideLinkFont();
// Plain lines on a page, a page's heading, the client's name in a heading.
QFont textFont();
QFont headingFont();
QFont nameFont();

}  // namespace nettora::look
