#include "kit/pagetext.h"

namespace nettora::pagetext {

namespace {

QFont arial(int pixels, bool bold)
{
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

void setTextColor(QLabel *l, const QColor &c)
{
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, c);
    l->setPalette(p);
}

}  // namespace

QFont textFont()
{
    return arial(11, false);
}

QLabel *heading(QWidget *page, const QString &text, int y)
{
    auto *l = new QLabel(text, page);
    l->setFont(arial(16, true));
    setTextColor(l, QColor(0x3d, 0x46, 0x4d));
    l->setGeometry(12, y, PageWidth - 24, 22);
    return l;
}

QLabel *nameInHeading(QWidget *page, const QString &objectName, int y)
{
    auto *l = new QLabel(page);
    l->setObjectName(objectName);
    l->setFont(arial(12, true));
    setTextColor(l, QColor(0x5a, 0x73, 0x00));
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setGeometry(PageWidth - 12 - 230, y, 230, 22);
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
    l->setFont(arial(11, true));
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

}  // namespace nettora::pagetext
