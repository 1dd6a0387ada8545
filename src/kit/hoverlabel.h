#pragma once
// A label of the screen frame that reports the pointer entering it and a
// click, and whose colours the frame's hover rules set.

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

Q_SIGNALS:
    void hovered();
    void clicked();

protected:
    void enterEvent(QEnterEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QColor m_text;
    QColor m_background;
};

}  // namespace nettora
