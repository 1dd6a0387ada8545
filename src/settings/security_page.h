#pragma once
// The security window's pages share one layout: text top to bottom, the
// boxes captioned on the left, the buttons along the bottom.

#include "kit/databinding.h"
#include "kit/pagetext.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>

namespace nettora::security_pages {

// The wait cursor while a key is derived, whichever way the work ends.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

// One page of the window, laid out top to bottom the same way on all three.
class PageBuilder {
public:
    PageBuilder(QWidget *page) : m_page(page) {}

    void heading(const QString &text)
    {
        pagetext::heading(m_page, text, m_y, 480);
        m_y += 28;
    }
    void lines(const QStringList &texts)
    {
        for (const QString &t : texts) {
            pagetext::line(m_page, t, 12, m_y, 500);
            m_y += 14;
        }
        m_y += 12;
    }
    QLineEdit *field(const QString &caption, const QString &objectName, int maxLength, bool secret, int width = 180)
    {
        QLineEdit *e = pagetext::captionedEdit(m_page, caption, QRect(40, m_y + 3, 120, 16), objectName,
                                               QRect(165, m_y, width, 22));
        if (maxLength > 0)
            limitToWidth(e, maxLength);  // in characters, as the fields count them
        if (secret)
            pagetext::maskWithStars(e);
        m_y += 28;
        return e;
    }
    void gap(int y) { m_y += y; }
    int y() const { return m_y; }
    // Tell Me More, Cancel, OK along the bottom of the page.
    std::array<QPushButton *, 3> buttons(const QString &prefix)
    {
        std::array<QPushButton *, 3> out{};
        const char *captions[] = {"Tell Me More", "Cancel", "OK"};
        const char *names[] = {"More", "Cancel", "Ok"};
        const int widths[] = {110, 80, 80};
        for (int i = 0; i < 3; ++i)
            out[size_t(i)] = pagetext::button(m_page, QString::fromLatin1(captions[i]), prefix + QLatin1String(names[i]),
                                              QRect(i == 0 ? 12 : 500 - (3 - i) * 88 + 8, 392, widths[i], 28));
        out[2]->setDefault(true);
        return out;
    }

private:
    QWidget *m_page;
    int m_y = 6;
};

inline void setInk(QLabel *label, const QColor &ink)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, ink);
    label->setPalette(p);
}

}  // namespace nettora::security_pages
