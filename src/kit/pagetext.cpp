#include "kit/pagetext.h"

#include "kit/look.h"

#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QRegularExpression>
#include <QStyleFactory>
#include <QToolTip>

namespace nettora::pagetext {

namespace {

void setTextColor(QLabel *l, const QColor &c)
{
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, c);
    l->setPalette(p);
}

// The desktop style with one change: password boxes mask with "*".
class StarMaskStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

ElidedLabel::ElidedLabel(QWidget *parent) : QLabel(parent) {}

QString ElidedLabel::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    style()->drawItemText(&p, contentsRect(), int(alignment()), palette(), isEnabled(), shownText(),
                          foregroundRole());
}

bool ElidedLabel::event(QEvent *event)
{
    // The whole text as a tooltip, only while it is shortened and no other
    // tooltip was given.
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        const auto *help = static_cast<QHelpEvent *>(event);
        if (shownText() != text())
            QToolTip::showText(help->globalPos(), text(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QLabel::event(event);
}

QString clientLine(const QString &clientDescription)
{
    static const QRegularExpression dangling(QStringLiteral("\\s+-\\s*\\.$"));
    QString line = clientDescription;
    line.remove(dangling);
    return line;
}

QFont textFont() { return look::textFont(); }

QLabel *heading(QWidget *page, const QString &text, int y)
{
    auto *l = new QLabel(text, page);
    l->setFont(look::headingFont());
    setTextColor(l, look::HeadingInk);
    l->setGeometry(12, y, PageWidth - 24, 22);
    return l;
}

QLabel *nameInHeading(QWidget *page, const QString &objectName, int y, int width)
{
    auto *l = new ElidedLabel(page);
    l->setObjectName(objectName);
    l->setFont(look::nameFont());
    setTextColor(l, look::NameGreen);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setGeometry(PageWidth - 12 - width, y, width, 22);
    return l;
}

QLabel *line(QWidget *page, const QString &text, int x, int y, int width)
{
    auto *l = new QLabel(text, page);
    l->setFont(textFont());
    l->setGeometry(x, y, width, 14);
    return l;
}

QLabel *caption(QWidget *page, const QString &text, int x, int y, int width)
{
    auto *l = new QLabel(text, page);
    l->setFont(look::arial(11, true));
    l->setGeometry(x, y, width, 16);
    return l;
}

QPushButton *button(QWidget *page, const QString &text, const QString &objectName, int x, int y, int width)
{
    auto *b = new QPushButton(text, page);
    b->setObjectName(objectName);
    b->setGeometry(x, y, width, 26);
    return b;
}

QLabel *heading(QWidget *page, const QString &text, int y, int width)
{
    QLabel *l = heading(page, text, y);
    l->resize(width, l->height());
    return l;
}

QPushButton *button(QWidget *page, const QString &text, const QString &objectName, const QRect &geometry)
{
    QPushButton *b = button(page, text, objectName, geometry.x(), geometry.y(), geometry.width());
    b->setGeometry(geometry);
    return b;
}

QLabel *boldLine(QWidget *page, const QString &text, int x, int y, int width)
{
    QLabel *l = line(page, text, x, y, width);
    l->setFont(look::arial(11, true));
    return l;
}

QLineEdit *editBox(QWidget *page, const QString &objectName, const QRect &geometry)
{
    auto *e = new QLineEdit(page);
    e->setObjectName(objectName);
    e->setGeometry(geometry);
    return e;
}

QLineEdit *captionedEdit(QWidget *page, const QString &captionText, const QRect &captionGeometry,
                         const QString &objectName, const QRect &boxGeometry)
{
    caption(page, captionText, captionGeometry.x(), captionGeometry.y(), captionGeometry.width())
        ->setGeometry(captionGeometry);
    return editBox(page, objectName, boxGeometry);
}

QLabel *label(QWidget *page, const QString &text, const QRect &geometry, const QFont &font, Qt::Alignment align)
{
    auto *l = new QLabel(text, page);
    l->setFont(font);
    l->setGeometry(geometry);
    l->setAlignment(align);
    return l;
}

QCheckBox *checkBox(QWidget *page, const QString &text, const QString &objectName, int y)
{
    auto *b = new QCheckBox(text, page);
    b->setObjectName(objectName);
    b->setFont(look::arial(11, true));
    b->setGeometry(12, y, PageWidth - 24, 20);
    return b;
}

void maskWithStars(QLineEdit *edit)
{
    // One style for every password box of the run, on the application's
    // own style so the boxes look like every other box.
    static QPointer<QStyle> stars;
    if (!stars) {
        QStyle *base = QStyleFactory::create(QApplication::style()->name());
        stars = base ? new StarMaskStyle(base) : new StarMaskStyle;
        stars->setParent(qApp);
    }
    edit->setStyle(stars);
    edit->setEchoMode(QLineEdit::Password);
}

StatusPage statusPage(QWidget *page, const QString &headingText)
{
    heading(page, headingText, 6);
    auto *memo = new QPlainTextEdit(page);
    memo->setObjectName(QStringLiteral("mEmail"));
    memo->setReadOnly(true);
    memo->setFont(textFont());
    memo->setGeometry(12, 40, PageWidth - 24, 340);
    QPushButton *ok = button(page, QStringLiteral("OK"), QStringLiteral("btnEmailTest"), PageWidth - 92, 394);
    ok->setDefault(true);
    return {memo, ok};
}

}  // namespace nettora::pagetext
