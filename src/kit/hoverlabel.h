#pragma once
// A label of the screen frame that reports the pointer entering it and a
// click, and whose colours the frame's hover rules set.
//
// The menu entries, links and tiles are operable from the keyboard too: Tab
// reaches them, Enter or Space acts as a click, the arrow keys move to the
// nearest label of the same group in that direction, and a focused label is
// outlined in its mark colour. Screen readers see such a label as a button
// named by its caption.

#include <QColor>
#include <QLabel>

namespace nettora {

class HoverLabel : public QLabel {
    Q_OBJECT
public:
    explicit HoverLabel(const QString &text, QWidget *parent = nullptr);

    // Text colour on a transparent background, or on an opaque one.
    void setColors(const QColor &text, const QColor &background = QColor());
    QColor textColor() const { return m_text; }
    QColor backgroundColor() const { return m_background; }  // invalid: transparent
    bool opaque() const { return m_background.isValid(); }

    // Makes the label a keyboard stop of `group`, outlined in `mark` while it
    // has the focus; its accessible name is its caption unless one is set.
    void makeOperable(const QString &group, const QColor &mark);
    bool operable() const { return !m_group.isEmpty(); }
    QString group() const { return m_group; }
    QColor markColor() const { return m_mark; }
    // What Enter, Space and a screen reader's press do: the click.
    void activate();

Q_SIGNALS:
    void hovered();
    void clicked();
    // The keyboard focus went elsewhere.
    void focusLeft();

protected:
    void enterEvent(QEnterEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // The nearest operable label of the group in the arrow's direction.
    HoverLabel *neighbour(int key) const;

    QColor m_text;
    QColor m_background;
    QString m_group;
    QColor m_mark;
};

// A caption as a name: "* Market Value:" and "     - Cash" give
// "Market Value" and "Cash".
QString captionName(const QString &caption);

}  // namespace nettora
