#pragma once
// A ring drawn around the control that holds the keyboard focus. The styles
// show the focus faintly or not at all on some controls (a list, a default
// button, a link label); the ring makes every stop of a window visible the
// same way.

#include <QPointer>
#include <QWidget>

namespace nettora {

class FocusRing : public QWidget {
    Q_OBJECT
public:
    // The ring lives on `window` and follows the focus inside it.
    explicit FocusRing(QWidget *window);

    // The control the ring is drawn around, or null when it is hidden.
    QWidget *target() const { return isVisible() ? m_target.data() : nullptr; }

    static constexpr int Margin = 3;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void follow(QWidget *focused);
    void place();

    QPointer<QWidget> m_target;
};

}  // namespace nettora
