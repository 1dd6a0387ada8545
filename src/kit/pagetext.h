#pragma once
// The parts most pages of the client and workspace windows are made of: a
// heading, the client's name at the right of the heading line, lines of
// text, captions and buttons, all in one look.

#include <QLabel>
#include <QPushButton>

namespace nettora::pagetext {

// Page area width, to the right of the side links.
inline constexpr int PageWidth = 516;

// The font of plain lines on a page.
QFont textFont();

QLabel *heading(QWidget *page, const QString &text, int y);
// Right-aligned, in the heading line or a line of its own at y.
QLabel *nameInHeading(QWidget *page, const QString &objectName, int y);
QLabel *line(QWidget *page, const QString &text, int x, int y, int width = PageWidth - 24);
QLabel *caption(QWidget *page, const QString &text, int x, int y, int width);
QPushButton *button(QWidget *page, const QString &text, const QString &objectName, int x, int y, int width = 80);

}  // namespace nettora::pagetext
