#pragma once
// The parts most pages of the client and workspace windows are made of: a
// heading, the client's name at the right of the heading line, lines of
// text, captions and buttons, all in one look.

#include "kit/look.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace nettora::pagetext {

// A one-line label that shortens a text too long for it at the right with
// "…", so the start of a name stays readable whatever its alignment;
// text() stays whole, and the tooltip shows it when it is shortened.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget *parent = nullptr);
    // What the label draws.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
};

// The client's line of a page heading, from the stored "name - description."
// form: a statement without a description shows the name alone, not a
// dangling " - .".
QString clientLine(const QString &clientDescription);

inline constexpr int PageWidth = look::PageWidth;

// The font of plain lines on a page.
QFont textFont();

QLabel *heading(QWidget *page, const QString &text, int y);
// Right-aligned, in the heading line or a line of its own at y; a name too
// long for its width is shortened at the right.
QLabel *nameInHeading(QWidget *page, const QString &objectName, int y, int width = 230);
QLabel *line(QWidget *page, const QString &text, int x, int y, int width = PageWidth - 24);
QLabel *caption(QWidget *page, const QString &text, int x, int y, int width);
QPushButton *button(QWidget *page, const QString &text, const QString &objectName, int x, int y, int width = 80);

// A heading narrower than the page.
QLabel *heading(QWidget *page, const QString &text, int y, int width);
// A button of its own height.
QPushButton *button(QWidget *page, const QString &text, const QString &objectName, const QRect &geometry);
// A line in the bold face, as a section's title.
QLabel *boldLine(QWidget *page, const QString &text, int x, int y, int width = PageWidth - 24);
// An edit box in the desktop's own font.
QLineEdit *editBox(QWidget *page, const QString &objectName, const QRect &geometry);
// A caption (see caption()) with its edit box.
QLineEdit *captionedEdit(QWidget *page, const QString &captionText, const QRect &captionGeometry,
                         const QString &objectName, const QRect &boxGeometry);
// A label of any face, where a page lays out its own text.
QLabel *label(QWidget *page, const QString &text, const QRect &geometry, const QFont &font,
              Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);
// A check box in the bold face across the page.
QCheckBox *checkBox(QWidget *page, const QString &text, const QString &objectName, int y);

// A status page: its heading, the read-only memo mEmail where the steps of a
// long task appear line by line, and its OK (btnEmailTest), the default.
struct StatusPage {
    QPlainTextEdit *memo;
    QPushButton *ok;
};
StatusPage statusPage(QWidget *page, const QString &headingText);

// A password box that masks with "*" whatever the desktop style's own mask
// character is.
void maskWithStars(QLineEdit *edit);

}  // namespace nettora::pagetext
