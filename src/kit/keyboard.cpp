#include "kit/keyboard.h"

#include "kit/hoverlabel.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTextDocumentFragment>
#include <algorithm>

namespace nettora {

namespace {

bool takesTab(const QWidget *w)
{
    return (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
}

// A control inside another control is reached through its owner.
bool ownedByControl(const QWidget *w, const QWidget *container)
{
    for (const QWidget *p = w->parentWidget(); p && p != container; p = p->parentWidget())
        if (takesTab(p))
            return true;
    return false;
}

QWidget *focusArea(QWidget *window)
{
    QWidget *focus = window->focusWidget();
    return focus ? focus->parentWidget() : nullptr;
}

QPushButton *findButton(QWidget *window, const std::function<bool(QPushButton *)> &wanted)
{
    QPushButton *found = nullptr;
    QWidget *area = focusArea(window);
    for (QPushButton *b : window->findChildren<QPushButton *>()) {
        if (!b->isVisible() || !b->isEnabled() || !wanted(b))
            continue;
        if (area && area->isAncestorOf(b))
            return b;
        if (!found)
            found = b;
    }
    return found;
}

QString plainText(const QLabel *label)
{
    const QString text = label->text();
    if (label->textFormat() == Qt::PlainText || !Qt::mightBeRichText(text))
        return text;
    return QTextDocumentFragment::fromHtml(text).toPlainText();
}

// The caption of an editor: the label whose buddy it is, else the nearest
// label that ends just left of it on its line, else the one right above it.
QLabel *captionOf(QWidget *editor)
{
    QWidget *parent = editor->parentWidget();
    if (!parent)
        return nullptr;
    const QList<QLabel *> labels = parent->findChildren<QLabel *>(Qt::FindDirectChildrenOnly);
    for (QLabel *l : labels)
        if (l->buddy() == editor)
            return l;
    const QRect e = editor->geometry();
    QLabel *best = nullptr;
    for (QLabel *l : labels) {
        const QRect r = l->geometry();
        const bool sameLine = r.center().y() >= e.top() && r.center().y() <= e.bottom();
        if (!sameLine || r.left() >= e.left() || plainText(l).trimmed().isEmpty())
            continue;
        if (!best || r.right() > best->geometry().right())
            best = l;
    }
    if (best)
        return best;
    // Else the caption standing right above it, as over a long box.
    constexpr int kAbove = 24;
    for (QLabel *l : labels) {
        const QRect r = l->geometry();
        const bool above = r.bottom() < e.top() && r.bottom() >= e.top() - kAbove;
        const bool overlaps = r.left() < e.right() && r.right() > e.left();
        if (!above || !overlaps || plainText(l).trimmed().isEmpty())
            continue;
        if (!best || r.bottom() > best->geometry().bottom())
            best = l;
    }
    return best;
}

}  // namespace

std::vector<QWidget *> tabSequence(QWidget *container)
{
    struct Stop {
        QWidget *widget;
        QPoint at;
    };
    std::vector<Stop> stops;
    for (QWidget *w : container->findChildren<QWidget *>())
        if (takesTab(w) && !ownedByControl(w, container))
            stops.push_back({w, w->mapTo(container, QPoint(0, 0))});
    std::stable_sort(stops.begin(), stops.end(), [](const Stop &a, const Stop &b) { return a.at.y() < b.at.y(); });
    // Controls whose tops lie within a few pixels stand on one line.
    constexpr int kLine = 10;
    for (size_t start = 0; start < stops.size();) {
        size_t end = start + 1;
        while (end < stops.size() && stops[end].at.y() - stops[start].at.y() <= kLine)
            ++end;
        std::stable_sort(stops.begin() + qsizetype(start), stops.begin() + qsizetype(end),
                         [](const Stop &a, const Stop &b) { return a.at.x() < b.at.x(); });
        start = end;
    }
    std::vector<QWidget *> order;
    for (const Stop &s : stops)
        order.push_back(s.widget);
    return order;
}

void chainTabs(const std::vector<QWidget *> &order)
{
    for (size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

QPushButton *defaultButton(QWidget *window)
{
    return findButton(window, [](QPushButton *b) { return b->isDefault(); });
}

QPushButton *cancelButton(QWidget *window)
{
    return findButton(window, [](QPushButton *b) { return b->text() == QLatin1String("Cancel"); });
}

void nameControls(QWidget *root)
{
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (!takesTab(w) || ownedByControl(w, root))
            continue;
        const bool editor = qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w)
                            || qobject_cast<QPlainTextEdit *>(w) || qobject_cast<QTextEdit *>(w)
                            || qobject_cast<QAbstractSpinBox *>(w);
        QLabel *caption = editor ? captionOf(w) : nullptr;
        // The caption is tied to its box, so that a screen reader announces
        // the box by its caption and not by the text in it.
        if (caption && !caption->buddy())
            caption->setBuddy(w);
        if (!w->accessibleName().isEmpty())
            continue;
        QString name;
        if (auto *b = qobject_cast<QAbstractButton *>(w)) {
            const QString text = captionName(b->text());
            const bool symbol = std::none_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
            name = symbol && !b->toolTip().isEmpty() ? b->toolTip() : text;
        } else if (auto *l = qobject_cast<QLabel *>(w)) {
            name = captionName(plainText(l));
        } else if (caption || (caption = captionOf(w))) {
            name = captionName(plainText(caption));
        }
        if (!name.isEmpty())
            w->setAccessibleName(name);
    }
}

}  // namespace nettora
